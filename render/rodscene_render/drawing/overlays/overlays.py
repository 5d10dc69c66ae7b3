"""What a picture needs to be read, drawn over POV-Ray's picture with
Pillow: an axis triad that turns with the camera, a key to the colours
(key.py), and a label such as the frame's time."""

import numpy as np
from PIL import ImageDraw

from . import layout, room
from .key import draw_key
from .labels import label_text
from .panels import INK, draw_panel, font, rgba

AXES = (("x", (0.86, 0.13, 0.13)), ("y", (0.10, 0.62, 0.18)),
        ("z", (0.15, 0.30, 0.90)))
TRIAD_ARROW = 28  # units from the triad's origin to an arrow's tip


def draw_triad(draw, cam, unit, height, em):
    """x, y and z arrows from one origin, on a backing in the lower left
    corner, as the camera sees the configuration's axes; far arrows drawn
    first."""
    side = (layout.TRIAD_BOX - layout.EDGE) * unit
    corner = np.array([layout.EDGE * unit, height - layout.EDGE * unit])
    draw_panel(draw, [corner[0], corner[1] - side, corner[0] + side,
                      corner[1]], unit)
    origin = corner + np.array([side / 2, -side / 2])
    length = TRIAD_ARROW * unit
    order = sorted(range(3), key=lambda i: -cam.forward[i])
    text = font(em)
    for i in order:
        name, colour = AXES[i]
        axis = np.eye(3)[i]
        tip = origin + length * np.array([axis @ cam.right, -(axis @ cam.up)])
        shade = rgba(colour)
        draw.line([tuple(origin), tuple(tip)], fill=shade,
                  width=max(int(3 * unit), 1))
        arrow_head(draw, origin, tip, 7 * unit, shade)
        away = tip - origin
        spread = np.linalg.norm(away)
        place = tip + (away / spread * 10 * unit if spread > unit
                       else np.array([8 * unit, -8 * unit]))
        draw.text(tuple(place), name, fill=shade, font=text, anchor="mm")


def arrow_head(draw, origin, tip, size, shade):
    away = tip - origin
    length = np.linalg.norm(away)
    if length < size:
        draw.ellipse([tuple(tip - size / 2), tuple(tip + size / 2)],
                     fill=shade)
        return
    d = away / length
    n = np.array([-d[1], d[0]])
    base = tip - d * size
    draw.polygon([tuple(tip), tuple(base + n * size / 2),
                  tuple(base - n * size / 2)], fill=shade)


def draw_label(draw, words, unit, cam, settings, px):
    """The label on a panel in the upper left corner: in its own room when
    the framing fills the picture (room.label_room); else beside the key
    when the rods leave rows free, in the left column when they leave
    columns free; wrapped to fit."""
    text = font(px["label"])
    line = room.LINE * unit
    edge = layout.EDGE * unit
    if cam.band == "corners":
        width, _, lines = room.label_room(settings, cam.width, unit, px)
    else:
        if cam.band == "columns":
            width = layout.KEY_WIDTH * unit
            height = cam.height - (layout.TRIAD_BOX + layout.GAP) * unit - \
                edge
        else:
            width = cam.width - 2 * edge - \
                (layout.KEY_WIDTH + layout.GAP) * unit
            height = layout.KEY_HEIGHT * unit
        lines = max(int((height - room.PADDING * unit) / line), 1)
    inner = width - 16 * unit
    rows = room.wrapped(words, text, inner, lines)
    wide = min(max(text.getlength(t) for t in rows), inner) + 16 * unit
    draw_panel(draw, [edge, edge, edge + wide,
                      edge + line * len(rows) + room.PADDING * unit], unit)
    for i, t in enumerate(rows):
        draw.text((edge + 8 * unit, edge + 6 * unit + i * line), t, fill=INK,
                  font=text)


def draw_scale_bar(draw, cam, settings, unit, px):
    """A bar --scale-bar long in the configuration's units, its length
    above it, on a panel in the lower right corner."""
    scale = cam.width / cam.span
    wide, high = room.bar_panel(settings, scale, unit, px)
    edge = layout.EDGE * unit
    right, bottom = cam.width - edge, cam.height - edge
    draw_panel(draw, [right - wide, bottom - high, right, bottom], unit)
    middle = right - wide / 2
    length = settings.scale_bar * scale
    base = bottom - 8 * unit
    draw.rectangle([middle - length / 2, base - room.BAR_THICK * unit,
                    middle + length / 2, base], fill=INK)
    draw.text((middle, base - (room.BAR_THICK + 2) * unit),
              room.bar_words(settings), fill=INK, font=font(px["bar"]),
              anchor="md")


def decorate(image, cam, settings, stats, draw=None):
    """The picture with its triad, key, label and scale bar, as asked for,
    each in the room the camera left it. stats holds the frame's name,
    index and order parameter. draw, when given, takes the overlays in
    place of a Pillow drawing on the picture (vector_writer.recorder)."""
    image = image.convert("RGBA")
    unit, px = room.sizes(settings, image.width, image.height)
    draw = draw or ImageDraw.Draw(image)
    if settings.label:
        draw_label(draw, label_text(settings.label, stats["name"],
                                    stats["index"], settings.dt,
                                    settings.t0, stats.get("time")),
                   unit, cam, settings, px)
    if settings.key:
        draw_key(draw, settings, stats, unit, image.width, px)
    if settings.axes:
        draw_triad(draw, cam, unit, image.height, px["axis"])
    if settings.scale_bar:
        draw_scale_bar(draw, cam, settings, unit, px)
    return image
