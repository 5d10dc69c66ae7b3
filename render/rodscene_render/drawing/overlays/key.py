"""The key in a picture's upper right corner: what each colour means (the
converters' colours and window, a whole system's count, or a colour bar of
orientation or local order) and the frame's order parameter."""

import numpy as np

from . import layout
from .panels import INK, draw_panel, font, rgba, srgb
from ..rod_writer import NEUTRAL
from ...reading.scene_reader import check_program

ORDER_ROW = "S = {:.2f}"  # the frame's order parameter in the key
COUNT_JOIN = ", "
LINE = 22  # units from a line of the key or label to the next
PADDING = 12  # units of the panel above and below its lines
BAR_UNITS = 44  # units of the colour bar and its ticks
# The converters' windows and colours, as the key shows them.
WINDOWS = {"split": "drawn: \u221238 < z < 28",
           "mono": "drawn: \u221238 < z < 38"}
TEAL = (0.0, 0.8, 0.67381)
BLUE = (0.0, 0.1, 0.87381)
# Why scene text is taken for a program's when --program does not say.
KEY_TAKES = "the program the key names; --no-key leaves the key out"
KEY_ENTRIES = {"split": ((TEAL, "z > 0"), (BLUE, "z \u2264 0")),
               "mono": ((TEAL, "every rod"),)}


def key_program(settings, frames):
    """The program whose colours the key explains: the one named; "rods"
    for a whole system; for scene text alone, split when any rod is blue,
    else mono. Scene text that it cannot have written (the two programs'
    texts mixed) is refused when the key is drawn, as text read for a
    program named is."""
    if settings.program_given:
        return settings.program
    if any(fr.total is not None for fr in frames):
        return "rods"
    program = "split" if any((~fr.teal).any() for fr in frames) else "mono"
    for fr, kind in zip(frames, settings.kinds):
        if kind == "scene" and settings.key:
            check_program(fr.ends, fr.teal, fr.lines, program, fr.name,
                          KEY_TAKES)
    return program


def key_rows(settings, stats):
    """The key's lines: (colour or None, text), and the colour bar's scale
    (orientation.angle_scale) or None. Highlighting takes the place of S
    beside a bar, which leaves the key two lines."""
    from ...order import orientation
    solid = [(None, f"solid: local S < {settings.below:g}")] \
        if settings.highlight else []
    order = solid or [(None, ORDER_ROW.format(stats["order"]))]
    rods = settings.key_program == "rods"
    if rods and not solid:  # the count beside S, in the same row
        order = [(None, order[0][1] + COUNT_JOIN + stats["drawn"][0])]
    if settings.colour == "orientation":
        against = "local " if settings.against == "local" else "the "
        return ([(None, f"angle to {against}director")] + order,
                orientation.angle_scale(settings.angle_top))
    if settings.colour == "local-order":
        return ([(None, f"local S, radius {settings.radius:g}")] + order,
                orientation.order_scale())
    program = settings.key_program
    if rods:
        count, why = stats["drawn"]
        return [(NEUTRAL, count)] + ([(None, f"({why})")] if why else []) + \
            solid, None
    rows = [(srgb(c), text) for c, text in KEY_ENTRIES[program]]
    return rows + [(None, WINDOWS[program])] + solid, None


def key_units(settings):
    """The key's height in units: its rows (a whole system's with the
    line that says why rods are left out) and its colour bar."""
    rows, bar = key_rows(settings, {"order": 0.0, "drawn": ("", "why")})
    return panel_units(rows, bar)


def panel_units(rows, bar):
    """The key's height in units for these rows and colour bar."""
    return LINE * len(rows) + PADDING + (BAR_UNITS if bar else 0)


def fitted(draw, words, em, room):
    """The key's font of em pixels, or a smaller one (never under 11/14
    of it) for a row that would run past the panel."""
    size, text = em, font(em)
    while draw.textlength(words, font=text) > room and size > em * 11 / 14:
        size -= em / 14
        text = font(size)
    return text


def draw_key(draw, settings, stats, unit, width, px):
    """A panel in the upper right corner naming what each colour means;
    px holds the texts' sizes in pixels (room.sizes)."""
    rows, bar = key_rows(settings, stats)
    line = LINE * unit
    swatch = 14 * unit
    wide = layout.KEY_WIDTH * unit
    high = panel_units(rows, bar) * unit
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
        draw.text((x, y), words, fill=INK,
                  font=fitted(draw, words, px["key"],
                              left + wide - 8 * unit - x))
        y += line
    if bar:
        draw_bar(draw, left + 10 * unit, y + 2 * unit, wide - 20 * unit, unit,
                 bar, px["tick"])


def draw_bar(draw, left, top, width, unit, scale, tick):
    """A colour bar, scale's colours from place 0 to 1, with its three
    ticks inside the panel."""
    colours_at, ticks = scale
    steps = max(int(width), 2)
    for i, colour in enumerate(colours_at(np.linspace(0, 1, steps))):
        draw.line([(left + i, top), (left + i, top + 14 * unit)],
                  fill=rgba(colour))
    text = font(tick)
    for (at, words), anchor in zip(ticks, ("la", "ma", "ra")):
        x = left + (width - 1) * at
        draw.line([(x, top + 14 * unit), (x, top + 17 * unit)], fill=INK,
                  width=max(int(unit), 1))
        draw.text((x, top + 18 * unit), words, fill=INK, font=text,
                  anchor=anchor)
