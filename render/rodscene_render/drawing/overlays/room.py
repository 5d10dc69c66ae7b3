"""The overlays' sizes, and the room each takes in the picture's corners:
the key in the upper right, the label in the upper left, the axis triad in
the lower left and the scale bar in the lower right. A framing that fills
the picture (filling.py) keeps the rods off these rooms, so an overlay
lies on a rod's bounding box only where no rod is."""

import pathlib

from . import layout
from .key import LINE, PADDING, key_units
from .labels import label_text
from .panels import font
from ... import figure_options
from ...messages import shown

# Each overlay text's size in units when the overlays grow with the
# picture; sized in points, every text is --font-pt.
TEXT_UNITS = {"key": 14, "tick": 12, "label": 18, "axis": 13, "bar": 12}
LABEL_LINES = 4  # the most lines a label wraps into
LABEL_SLACK = 1.15  # room for a frame's own time, wider than the template's
LABELS_MEASURED = 500  # inputs whose labels size the label's room
BAR_THICK = 4  # units: the scale bar's bar
ELLIPSIS = "\u2026"


def sizes(settings, width, height):
    """Pixels a unit, and each overlay text's size in pixels: in points
    (figure_options.font_pixels), the unit following the key's text; else
    as the layout grows them with the picture."""
    if figure_options.sized_in_points(settings):
        em = figure_options.font_pixels(settings)
        return em / TEXT_UNITS["key"], dict.fromkeys(TEXT_UNITS, em)
    unit = layout.unit(width, height)
    return unit, {k: v * unit for k, v in TEXT_UNITS.items()}


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


def label_room(settings, width, unit, px):
    """The label's panel (width, height) in pixels, as wide as the widest
    frame's label needs, beside the key and never wider than the picture;
    and the lines it wraps into. Worked out once a run and size: a film
    asks it again for every frame, and measuring a few hundred labels
    takes most of a second."""
    known = vars(settings).setdefault("label_rooms", {})
    key = (width, unit, px["label"])
    if key not in known:
        known[key] = measured_label_room(settings, width, unit, px)
    return known[key]


def measured_label_room(settings, width, unit, px):
    text = font(px["label"])
    texts = [label_text(settings.label, shown(pathlib.Path(name).name), i,
                        settings.dt, settings.t0)
             for i, name in enumerate(settings.inputs[:LABELS_MEASURED], 1)]
    widest = max(text.getlength(t) for t in texts) * LABEL_SLACK
    beside = (layout.KEY_WIDTH + layout.GAP) * unit if settings.key else 0
    inner = min(widest, width - 2 * layout.EDGE * unit - beside - 16 * unit)
    inner = max(inner, 16 * unit)
    lines = max(len(wrapped(t, text, inner, LABEL_LINES)) for t in texts)
    return inner + 16 * unit, (LINE * lines + PADDING) * unit, lines


def bar_panel(settings, scale, unit, px, words=None):
    """The scale bar's panel (width, height) in pixels, its bar
    --scale-bar long at scale pixels a length unit; words, the width of
    its length's text, when known."""
    if words is None:
        words = font(px["bar"]).getlength(bar_words(settings))
    wide = max(settings.scale_bar * scale, words)
    return wide + 16 * unit, px["bar"] * 1.2 + (BAR_THICK + 16) * unit


def bar_words(settings):
    return f"{settings.scale_bar:g}"


def rooms(settings, width, height):
    """A function of the framing's scale (pixels a length unit at the
    look point) giving the rooms the overlays drawn take, each (left,
    top, right, bottom) in pixels, grown by the gap kept from the rods."""
    unit, px = sizes(settings, width, height)
    edge, gap = layout.EDGE * unit, layout.GAP * unit
    fixed = []
    if settings.key:
        fixed.append((width - edge - layout.KEY_WIDTH * unit, edge,
                      width - edge, edge + key_units(settings) * unit))
    if settings.label:
        wide, high, _ = label_room(settings, width, unit, px)
        fixed.append((edge, edge, edge + wide, edge + high))
    if settings.axes:
        side = (layout.TRIAD_BOX - layout.EDGE) * unit
        fixed.append((edge, height - edge - side, edge + side,
                      height - edge))

    # The framing asks at many scales; the bar's text is measured once.
    words = font(px["bar"]).getlength(bar_words(settings)) \
        if settings.scale_bar else None

    def at(scale):
        taken = list(fixed)
        if settings.scale_bar:
            wide, high = bar_panel(settings, scale, unit, px, words)
            taken.append((width - edge - wide, height - edge - high,
                          width - edge, height - edge))
        return [(a - gap, b - gap, c + gap, d + gap) for a, b, c, d in taken]
    return at
