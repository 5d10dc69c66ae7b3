"""What the page tells beside the rods' places, each an entry of its own in
the page's META: the key and label of each frame, each rod's colour by
orientation and its line in its input, what the layer toggles and the z
slab need to give the picture's command a --box that draws the rods shown,
and the words the commands add for the label."""

import base64
import pathlib

import numpy as np

from . import orientation
from .messages import shell_word, shown
from .overlays import key_program, key_rows, label_text

BAR_STOPS = 32  # colours of the key's bar, spread over the map


def page_order(fr):
    """A frame's rods in the page's order: teal first, as packed."""
    return np.argsort(~fr.teal, kind="stable")


def base64_text(array):
    return base64.b64encode(np.ascontiguousarray(array).tobytes()).decode()


def css(colour):
    """An sRGB colour, 0 to 1, as CSS."""
    r, g, b = np.rint(np.clip(colour, 0, 1) * 255).astype(int)
    return f"#{r:02x}{g:02x}{b:02x}"


def rod_colours(frames):
    """Each rod's colour by its angle to its frame's director, as the
    pictures colour it: three sRGB bytes a rod in the page's order; and
    each frame's order parameter S."""
    parts, orders = [], []
    for fr in frames:
        s, director = orientation.order(fr.ends)
        rgb = np.asarray(orientation.map_colours(
            orientation.angles(fr.ends, director))).reshape(-1, 3)
        parts.append(np.rint(np.clip(rgb[page_order(fr)], 0, 1) * 255)
                     .astype(np.uint8))
        orders.append(s)
    return base64_text(np.vstack(parts or [np.zeros((0, 3), np.uint8)])), \
        orders


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


def key_of(settings, order):
    """The key's rows, each [CSS colour or None, text], as a picture's."""
    rows, _ = key_rows(settings, {"order": order})
    return [[None if c is None else css(c), text] for c, text in rows]


def colour_bar():
    """The key's colour bar: its colours from 0 to the largest angle, and
    its ticks as (share of its width, text)."""
    top = orientation.MAX_ANGLE
    stops = orientation.map_colours(np.linspace(0, top, BAR_STOPS))
    return {"stops": [css(c) for c in stops],
            "ticks": [[a / top, f"{a:g}\u00b0"] for a in (0, top / 2, top)]}


def labels(settings, frames):
    """Each frame's label as the film draws it, and the words that draw it
    on a picture of that frame alone: the text itself, its braces doubled
    so that it fills in as it stands."""
    if settings.label is None:
        return None, None
    texts = [label_text(settings.label, shown(pathlib.Path(fr.name).name),
                        k, settings.dt, settings.t0)
             for k, fr in enumerate(frames, 1)]
    words = ["--label " + shell_word(t.replace("{", "{{").replace("}", "}}"))
             for t in texts]
    return texts, words


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


def centres(fr):
    """The rods' centres, as the pictures' --box tests them."""
    return (fr.ends[:, :3] + fr.ends[:, 3:]) / 2


def layer_bounds(frames):
    """Each frame's lowest centre z of a teal rod and highest of a blue
    one (None without one): a box from the first draws the teal rods
    alone, one up to the second the blue rods alone."""
    floors, ceilings = [], []
    for fr in frames:
        z = centres(fr)[:, 2]
        floors.append(float(z[fr.teal].min()) if fr.teal.any() else None)
        ceilings.append(float(z[~fr.teal].max()) if (~fr.teal).any()
                        else None)
    return floors, ceilings


def outside_box(settings, frames):
    """The page's places of each frame's rods whose centre lies outside
    --box, which the page leaves out as pictures do."""
    if not settings.box:
        return None
    low, high = np.array(settings.box[:3]), np.array(settings.box[3:])
    out = []
    for fr in frames:
        c = centres(fr)[page_order(fr)]
        inside = ((c >= low) & (c <= high)).all(axis=1)
        out.append(np.flatnonzero(~inside).tolist())
    return out


def details(settings, frames):
    """The page's META entries beside those of its rods' places."""
    settings.key_program = key_program(settings, frames)
    orientation_colours = settings.colour == "orientation"
    colours, orders = rod_colours(frames) if orientation_colours \
        else (None, [None] * len(frames))
    lines, line_starts = rod_lines(frames)
    texts, words = labels(settings, frames)
    floors, ceilings = layer_bounds(frames)
    return {
        "files": [shown(fr.name) for fr in frames],
        "kinds": list(settings.kinds),
        "lines": lines, "line_starts": line_starts,
        "colours": colours,
        "keys": [key_of(settings, s) for s in orders]
        if orientation_colours else [key_of(settings, None)] * len(frames),
        "bar": colour_bar() if orientation_colours else None,
        "labels": texts, "label_words": words,
        "film_label": film_label(settings),
        "teal_floor": floors, "blue_ceiling": ceilings,
        "box": list(settings.box) if settings.box else None,
        "outside": outside_box(settings, frames),
        "save_name": settings.html.with_suffix("").name,
    }
