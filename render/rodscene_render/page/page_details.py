"""What the page tells beside the rods' places, each an entry of its own in
the page's META: the key and label of each frame, each rod's colour and
faintness as the pictures draw them and its line in its input, what the
layer toggles and the slab need to give the picture's command a --box
that draws the rods shown, and the words and files the commands add
for the label and the output."""

import base64
import pathlib

import numpy as np

from .. import options
from ..order import order as measured
from ..messages import shell_word, shown
from ..drawing.overlays.key import ORDER_ROW, key_program, key_rows
from ..drawing.overlays.labels import label_text
from ..drawing.picture import from_frames, rod_colours
from ..drawing.selection import drawn_of

BAR_STOPS = 32  # colours of the key's bar, spread over the map
INLINE_NAME = "rods"  # the commands' picture and film of an inline page


def page_order(fr):
    """A frame's rods in the page's order: teal first, as packed."""
    return np.argsort(~fr.teal, kind="stable")


def base64_text(array):
    return base64.b64encode(np.ascontiguousarray(array).tobytes()).decode()


def css(colour):
    """An sRGB colour, 0 to 1, as CSS."""
    r, g, b = np.rint(np.clip(colour, 0, 1) * 255).astype(int)
    return f"#{r:02x}{g:02x}{b:02x}"


def packed_colours(settings, frames):
    """Each rod's colour and faintness as the pictures draw them, in the
    page's order: three sRGB bytes a rod (None: the converters' colours),
    and a bit a rod, set when it is faint (None: none is); and each
    frame's order parameter S."""
    colours, faint, orders = [], [], []
    for fr in frames:
        rgb, dim, s = rod_colours(settings, fr)
        order = page_order(fr)
        if rgb is not None:
            colours.append(np.rint(np.clip(np.reshape(rgb, (-1, 3))[order],
                                           0, 1) * 255).astype(np.uint8))
        if dim is not None:
            faint.append(dim[order])
        orders.append(s)
    return (base64_text(np.vstack(colours)) if colours else None,
            base64_text(np.packbits(np.concatenate(faint))) if faint
            else None, orders)


def number_word(value):
    """A number as the shortest word that reads back as it."""
    short = f"{value:g}"
    return short if float(short) == value else repr(value)


def order_words(s):
    """The options that colour the rods by order, as the command gave
    them, for the commands the page shows."""
    words = []
    if s.against != "global":
        words += ["--against", s.against]
    if s.highlight:
        words += ["--highlight", s.highlight]
    if s.highlight and s.below != options.DEFAULT_BELOW:
        words += ["--below", number_word(s.below)]
    if s.local and s.radius != measured.RADIUS:
        words += ["--radius", number_word(s.radius)]
    return words


def varints(values):
    """Values as the zigzag varints of their differences: a byte each
    while they grow by less than 64, as records' lines do."""
    d = np.diff(np.asarray(values, np.int64), prepend=0)
    z = ((d << 1) ^ (d >> 63)).astype(np.uint64)
    sizes = np.ones(len(z), np.int64)
    rest = z >> np.uint64(7)
    while rest.any():
        sizes += rest > 0
        rest >>= np.uint64(7)
    starts = np.cumsum(sizes) - sizes
    out = np.zeros(int(sizes.sum()), np.uint8)
    for k in range(int(sizes.max(initial=0))):
        has = sizes > k
        byte = (z[has] >> np.uint64(7 * k)) & np.uint64(127)
        more = (sizes[has] > k + 1).astype(np.uint64) << np.uint64(7)
        out[starts[has] + k] = (byte | more).astype(np.uint8)
    return out


def rod_lines(frames):
    """Each rod's line in its input, in the page's order, as varints; and
    where each frame's start in them (None: its lines are unknown)."""
    parts, starts, at = [], [], 0
    for fr in frames:
        if fr.lines is None:
            starts.append(None)
            continue
        part = varints(fr.lines[page_order(fr)])
        parts.append(part)
        starts.append(at)
        at += len(part)
    return base64_text(np.concatenate(parts or [np.zeros(0, np.uint8)])), \
        starts


def key_of(settings, order, fr):
    """The key's rows, each [CSS colour or None, text], as a picture's,
    with the frame's S in every colouring; and its colour bar's scale."""
    rows, scale = key_rows(settings, {"order": order,
                                      "drawn": drawn_of(settings, fr)})
    rows = [[None if c is None else css(c), text] for c, text in rows]
    s = [None, ORDER_ROW.format(order)]  # the page's key has S always
    shown_s = any(text.startswith(s[1]) for _, text in rows)
    return rows + ([] if shown_s else [s]), scale


def colour_bar(scale):
    """The key's colour bar (None without one): its colours from one end
    to the other, and its ticks as (share of its width, text)."""
    if scale is None:
        return None
    colours_at, ticks = scale
    return {"stops": [css(c) for c in colours_at(np.linspace(0, 1,
                                                             BAR_STOPS))],
            "ticks": [[float(at), text] for at, text in ticks]}


def labels(settings, frames):
    """Each frame's label as the film draws it, and the words that draw it
    on a picture of that frame alone: the text itself, its braces doubled
    so that it fills in as it stands."""
    if settings.label is None:
        return None, None
    texts = [label_text(settings.label, shown(pathlib.Path(fr.name).name),
                        k, settings.dt, settings.t0, fr.time)
             for k, fr in enumerate(frames, 1)]
    words = ["--label " + shell_word(t.replace("{", "{{").replace("}", "}}"))
             for t in texts]
    return texts, words


def shown_output(settings, suffix):
    """The picture or film the page's commands write: beside the page, or
    for a page shown inline, whose folder goes with it, in the folder the
    inputs' names hold from."""
    if getattr(settings, "inline", False):
        return pathlib.Path(INLINE_NAME).with_suffix(suffix)
    return settings.html.with_suffix(suffix)


def film_label(settings):
    """The film command's label options, as this command gave them."""
    if settings.label is None:
        return ""
    words = ["--label", settings.label]
    if settings.dt != 1.0:
        words += ["--dt", repr(settings.dt)]
    if settings.t0 != 0.0:
        words += ["--t0", repr(settings.t0)]
    return " ".join(shell_word(w) for w in words)


def layer_bounds(frames):
    """Each frame's lowest centre z of a teal rod and highest of a blue
    one (None without one): a box from the first draws the teal rods
    alone, one up to the second the blue rods alone."""
    floors, ceilings = [], []
    for fr in frames:
        z = measured.centres(fr.ends)[:, 2]
        floors.append(float(z[fr.teal].min()) if fr.teal.any() else None)
        ceilings.append(float(z[~fr.teal].max()) if (~fr.teal).any()
                        else None)
    return floors, ceilings


def details(settings, frames):
    """The page's META entries beside those of its rods' places. What is
    fixed for all frames (the colours' range) is fixed as for a film."""
    settings.key_program = key_program(settings, frames)
    from_frames(settings, frames)
    colours, faint, orders = packed_colours(settings, frames)
    keys = [key_of(settings, s, fr) for s, fr in zip(orders, frames)]
    lines, line_starts = rod_lines(frames)
    texts, words = labels(settings, frames)
    floors, ceilings = layer_bounds(frames)
    return {
        "files": [shown(fr.name) for fr in frames],
        "kinds": list(settings.kinds),
        "lines": lines, "line_starts": line_starts,
        "colours": colours, "faint": faint,
        "keys": [rows for rows, _ in keys],
        "bar": colour_bar(keys[0][1]),
        "labels": texts, "label_words": words,
        "film_label": film_label(settings),
        "teal_floor": floors, "blue_ceiling": ceilings,
        # A layer's cut needs a --box, which would change local order's
        # neighbourhoods (periodic across the box's faces): with local
        # order a slab is a --slab.
        "cuts": not settings.local,
        "box": list(settings.box) if settings.box else None,
        "system_boxes": [None if fr.box is None or not settings.box_edges
                         else [*map(float, fr.box[0]), *map(float, fr.box[1])]
                         for fr in frames],
        "save_name": settings.html.with_suffix("").name,
    }
