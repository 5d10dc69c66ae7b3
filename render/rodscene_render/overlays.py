"""What a picture needs to be read, drawn over POV-Ray's picture with
Pillow: an axis triad that turns with the camera, a key to the colours, and
a line of text such as the frame's time."""

import pathlib
import re
import string

import numpy as np
from PIL import Image, ImageDraw, ImageFont

from .messages import shown

FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
AXES = (("x", (0.86, 0.13, 0.13)), ("y", (0.10, 0.62, 0.18)),
        ("z", (0.15, 0.30, 0.90)))
INK = (40, 40, 40, 255)
PANEL = (255, 255, 255, 200)
# The converters' windows and colours, as the key shows them.
WINDOWS = {"split": "drawn: \u221238 < z < 28", "mono": "drawn: \u221238 < z < 38"}
TEAL = (0.0, 0.8, 0.67381)
BLUE = (0.0, 0.1, 0.87381)
KEY_ENTRIES = {"split": ((TEAL, "z > 0"), (BLUE, "z \u2264 0")),
               "mono": ((TEAL, "every rod"),)}
MAX_LABEL = 200  # characters: a label is a line, not a page
LABEL_FIELDS = ("name", "index", "time")


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
    for scene text alone, split when any rod is blue, else mono."""
    if settings.program_given or "configuration" in settings.kinds:
        return settings.program
    return "split" if any((~fr.teal).any() for fr in frames) else "mono"


def template_error(template):
    """What makes a template unsafe to fill in, or None: a field other than
    the three, a field's attribute or item, or a width or precision that
    would build a text longer than a label may be."""
    if not template.isprintable():
        return "a label is one line of printable characters"
    try:
        fields = list(string.Formatter().parse(template))
    except ValueError as e:
        return f"ValueError: {e}"
    for _, field, form, _ in fields:
        if field is None:
            continue
        if field not in LABEL_FIELDS:
            return f"{{{field}}} is not one of {{name}}, {{index}}, {{time}}"
        if "{" in form or any(int(n) > MAX_LABEL for n in
                              re.findall(r"\d+", form)):
            return f"the format {form!r} asks for more than {MAX_LABEL} " \
                "characters"
    return None


def check_label(template, names, dt, t0):
    """The template's error, or None: filled in for each input as its frame
    will be, since a format may fit one name and not another."""
    error = template_error(template)
    if error:
        return error
    for index, name in enumerate(names, 1):
        try:
            text = label_text(template, shown(pathlib.Path(name).name),
                              index, dt, t0)
        except Exception as e:  # a template can raise whatever its fields do
            return f"{type(e).__name__}: {e}"
        if len(text) > MAX_LABEL:
            return (f"{len(text)} characters for {shown(name)}, more than "
                    f"{MAX_LABEL}")
    return None


def label_text(template, name, index, dt, t0):
    """The label of the frame of index (from 1), whose time is t0 for the
    first frame and dt more for each later one."""
    return template.format(name=name, index=index,
                           time=t0 + (index - 1) * dt)


def draw_triad(draw, cam, unit, height):
    """x, y and z arrows from one origin in the lower left corner, as the
    camera sees the configuration's axes; far arrows drawn first."""
    length = 38 * unit
    origin = np.array([20 * unit + length, height - 20 * unit - length])
    order = sorted(range(3), key=lambda i: -cam.forward[i])
    text = font(15 * unit)
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
    """The key's lines: (colour or None, text), and a colour bar or None."""
    if settings.colour == "orientation":
        return ([(None, "angle to the director"),
                 (None, f"S = {stats['order']:.2f}")], True)
    program = settings.key_program
    rows = [(srgb(c), text) for c, text in KEY_ENTRIES[program]]
    return rows + [(None, WINDOWS[program])], False


def draw_key(image, settings, stats, unit):
    """A panel in the upper right corner naming what each colour means."""
    rows, bar = key_rows(settings, stats)
    text = font(14 * unit)
    line = 22 * unit
    swatch = 14 * unit
    width = 8 * unit + max(text.getlength(t) for _, t in rows) + swatch * 2
    width = max(width, 170 * unit if bar else 0)
    height = line * len(rows) + 12 * unit + (44 * unit if bar else 0)
    left = image.width - width - 16 * unit
    top = 16 * unit
    panel = Image.new("RGBA", image.size, (0, 0, 0, 0))
    draw = ImageDraw.Draw(panel)
    draw.rounded_rectangle([left, top, left + width, top + height],
                           radius=6 * unit, fill=PANEL)
    y = top + 6 * unit
    for colour, words in rows:
        x = left + 8 * unit
        if colour is not None:
            draw.rectangle([x, y + 3 * unit, x + swatch, y + 3 * unit + swatch],
                           fill=rgba(colour))
            x += swatch + 8 * unit
        draw.text((x, y), words, fill=INK, font=text)
        y += line
    if bar:
        draw_bar(draw, left + 8 * unit, y + 2 * unit, width - 16 * unit, unit)
    return Image.alpha_composite(image, panel)


def draw_bar(draw, left, top, width, unit):
    """The colour map from 0 to 90 degrees, with three ticks."""
    from .orientation import MAX_ANGLE, map_colours
    steps = max(int(width), 2)
    colours = map_colours(np.linspace(0, MAX_ANGLE, steps))
    for i, colour in enumerate(colours):
        draw.line([(left + i, top), (left + i, top + 14 * unit)],
                  fill=rgba(colour))
    text = font(12 * unit)
    for angle in (0, 45, 90):
        x = left + (width - 1) * angle / MAX_ANGLE
        draw.text((x, top + 16 * unit), f"{angle}\u00b0", fill=INK, font=text,
                  anchor="ma")


def draw_label(image, words, unit):
    """A line of text on a panel in the upper left corner."""
    text = font(18 * unit)
    panel = Image.new("RGBA", image.size, (0, 0, 0, 0))
    draw = ImageDraw.Draw(panel)
    left, top = 16 * unit, 16 * unit
    box = draw.textbbox((left + 8 * unit, top + 6 * unit), words, font=text)
    draw.rounded_rectangle([left, top, box[2] + 8 * unit, box[3] + 6 * unit],
                           radius=6 * unit, fill=PANEL)
    draw.text((left + 8 * unit, top + 6 * unit), words, fill=INK, font=text)
    return Image.alpha_composite(image, panel)


def decorate(image, cam, settings, stats):
    """The picture with its triad, key and label, as asked for. stats holds
    the frame's name, index and order parameter."""
    image = image.convert("RGBA")
    unit = min(image.width, image.height) / 540
    if settings.label:
        image = draw_label(image, label_text(settings.label, stats["name"],
                                             stats["index"], settings.dt,
                                             settings.t0), unit)
    if settings.key:
        image = draw_key(image, settings, stats, unit)
    if settings.axes:
        draw_triad(ImageDraw.Draw(image), cam, unit, image.height)
    return image
