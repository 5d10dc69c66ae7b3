"""What a picture needs to be read, drawn over POV-Ray's picture with
Pillow: an axis triad that turns with the camera, a key to the colours
(key.py), and a label such as the frame's time."""

import numpy as np
from PIL import ImageDraw

from . import layout
from .key import draw_key
from .labels import label_text
from .panels import INK, draw_panel, font, rgba

AXES = (("x", (0.86, 0.13, 0.13)), ("y", (0.10, 0.62, 0.18)),
        ("z", (0.15, 0.30, 0.90)))
TRIAD_ARROW = 28  # units from the triad's origin to an arrow's tip
ELLIPSIS = "\u2026"


def draw_triad(draw, cam, unit, height):
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
    text = font(13 * unit)
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


def wrapped(words, text, width, lines):
    """words in at most lines lines no wider than width pixels, the last
    cut short with an ellipsis when they do not fit."""
    out, line = [], ""
    for ch in words:
        if text.getlength(line + ch) > width:
            cut = line.rfind(" ")
            out.append(line[:cut] if cut > 0 else line)
            line = (line[cut + 1:] if cut > 0 else "") + ch
        else:
            line += ch
    out.append(line)
    if len(out) > lines:
        out = out[:lines]
        while out[-1] and text.getlength(out[-1] + ELLIPSIS) > width:
            out[-1] = out[-1][:-1]
        out[-1] += ELLIPSIS
    return out


def draw_label(draw, words, unit, cam):
    """The label on a panel in the upper left corner: beside the key when
    the rods leave rows free, in the left column when they leave columns
    free, wrapped to fit."""
    text = font(18 * unit)
    line = 22 * unit
    edge = layout.EDGE * unit
    if cam.band == "columns":
        width = layout.KEY_WIDTH * unit
        height = cam.height - (layout.TRIAD_BOX + layout.GAP) * unit - edge
    else:
        width = cam.width - 2 * edge - (layout.KEY_WIDTH + layout.GAP) * unit
        height = layout.KEY_HEIGHT * unit
    inner = width - 16 * unit
    lines = wrapped(words, text, inner, max(int((height - 12 * unit) / line),
                                            1))
    wide = min(max(text.getlength(t) for t in lines), inner) + 16 * unit
    draw_panel(draw, [edge, edge, edge + wide,
                      edge + line * len(lines) + 12 * unit], unit)
    for i, t in enumerate(lines):
        draw.text((edge + 8 * unit, edge + 6 * unit + i * line), t, fill=INK,
                  font=text)


def decorate(image, cam, settings, stats):
    """The picture with its triad, key and label, as asked for, each in
    the room the camera left it. stats holds the frame's name, index and
    order parameter."""
    image = image.convert("RGBA")
    unit = layout.unit(image.width, image.height)
    draw = ImageDraw.Draw(image)
    if settings.label:
        draw_label(draw, label_text(settings.label, stats["name"],
                                    stats["index"], settings.dt,
                                    settings.t0, stats.get("time")),
                   unit, cam)
    if settings.key:
        draw_key(draw, settings, stats, unit, image.width)
    if settings.axes:
        draw_triad(draw, cam, unit, image.height)
    return image
