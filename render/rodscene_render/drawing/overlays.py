"""What a picture needs to be read, drawn over POV-Ray's picture with
Pillow: an axis triad that turns with the camera, a key to the colours, and
a label such as the frame's time."""

import numpy as np
from PIL import ImageDraw, ImageFont

from . import layout
from .labels import label_text
from ..reading.scene_reader import check_program

FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
AXES = (("x", (0.86, 0.13, 0.13)), ("y", (0.10, 0.62, 0.18)),
        ("z", (0.15, 0.30, 0.90)))
INK = (40, 40, 40, 255)
PANEL = (255, 255, 255, 255)
RIM = (210, 210, 206, 255)
TRIAD_ARROW = 28  # units from the triad's origin to an arrow's tip
ELLIPSIS = "\u2026"
ORDER_ROW = "S = {:.2f}"  # the frame's order parameter in the key
# The converters' windows and colours, as the key shows them.
WINDOWS = {"split": "drawn: \u221238 < z < 28",
           "mono": "drawn: \u221238 < z < 38"}
TEAL = (0.0, 0.8, 0.67381)
BLUE = (0.0, 0.1, 0.87381)
# Why scene text is taken for a program's when --program does not say.
KEY_TAKES = "the program the key names; --no-key leaves the key out"
KEY_ENTRIES = {"split": ((TEAL, "z > 0"), (BLUE, "z \u2264 0")),
               "mono": ((TEAL, "every rod"),)}


def font(size):
    try:
        return ImageFont.truetype(FONT_FILE, max(int(size), 6))
    except OSError:
        return ImageFont.load_default()


def rgba(colour, alpha=255):
    return tuple(int(round(255 * c)) for c in colour) + (alpha,)


def srgb(linear):
    """A pigment's linear colour as the picture shows it."""
    c = np.asarray(linear, dtype=float)
    return np.where(c <= 0.0031308, 12.92 * c, 1.055 * c ** (1 / 2.4) - 0.055)


def key_program(settings, frames):
    """The program whose colours the key explains: the one named or run;
    for scene text alone, split when any rod is blue, else mono. Scene
    text that it cannot have written (the two programs' texts mixed) is
    refused when the key is drawn, as text read for a program named is."""
    if settings.program_given or "configuration" in settings.kinds:
        program = settings.program
    else:
        program = "split" if any((~fr.teal).any() for fr in frames) \
            else "mono"
    for fr, kind in zip(frames, settings.kinds):
        if kind == "scene" and settings.key and not settings.program_given:
            check_program(fr.ends, fr.teal, fr.lines, program, fr.name,
                          KEY_TAKES)
    return program


def draw_panel(draw, box, unit):
    """An opaque backing, so that an overlay reads on any background."""
    draw.rounded_rectangle(box, radius=6 * unit, fill=PANEL, outline=RIM,
                           width=max(int(unit), 1))


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


def key_rows(settings, stats):
    """The key's lines: (colour or None, text), and the colour bar's scale
    (orientation.angle_scale) or None. Highlighting takes the place of S
    beside a bar, which leaves the key two lines."""
    from ..order import orientation
    solid = [(None, f"solid: local S < {settings.below:g}")] \
        if settings.highlight else []
    order = solid or [(None, ORDER_ROW.format(stats["order"]))]
    if settings.colour == "orientation":
        against = "local " if settings.against == "local" else "the "
        return ([(None, f"angle to {against}director")] + order,
                orientation.angle_scale(settings.angle_top))
    if settings.colour == "local-order":
        return ([(None, f"local S, radius {settings.radius:g}")] + order,
                orientation.order_scale())
    program = settings.key_program
    rows = [(srgb(c), text) for c, text in KEY_ENTRIES[program]]
    return rows + [(None, WINDOWS[program])] + solid, None


def draw_key(draw, settings, stats, unit, width):
    """A panel in the upper right corner naming what each colour means."""
    rows, bar = key_rows(settings, stats)
    text = font(14 * unit)
    line = 22 * unit
    swatch = 14 * unit
    wide = layout.KEY_WIDTH * unit
    high = line * len(rows) + 12 * unit + (44 * unit if bar else 0)
    left = width - wide - layout.EDGE * unit
    top = layout.EDGE * unit
    draw_panel(draw, [left, top, left + wide, top + high], unit)
    y = top + 6 * unit
    for colour, words in rows:
        x = left + 8 * unit
        if colour is not None:
            draw.rectangle([x, y + 3 * unit, x + swatch,
                            y + 3 * unit + swatch], fill=rgba(colour))
            x += swatch + 8 * unit
        draw.text((x, y), words, fill=INK, font=text)
        y += line
    if bar:
        draw_bar(draw, left + 10 * unit, y + 2 * unit, wide - 20 * unit, unit,
                 bar)


def draw_bar(draw, left, top, width, unit, scale):
    """A colour bar, scale's colours from place 0 to 1, with its three
    ticks inside the panel."""
    colours_at, ticks = scale
    steps = max(int(width), 2)
    for i, colour in enumerate(colours_at(np.linspace(0, 1, steps))):
        draw.line([(left + i, top), (left + i, top + 14 * unit)],
                  fill=rgba(colour))
    text = font(12 * unit)
    for (at, words), anchor in zip(ticks, ("la", "ma", "ra")):
        x = left + (width - 1) * at
        draw.line([(x, top + 14 * unit), (x, top + 17 * unit)], fill=INK,
                  width=max(int(unit), 1))
        draw.text((x, top + 18 * unit), words, fill=INK, font=text,
                  anchor=anchor)


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
                                    settings.t0), unit, cam)
    if settings.key:
        draw_key(draw, settings, stats, unit, image.width)
    if settings.axes:
        draw_triad(draw, cam, unit, image.height)
    return image
