"""Which of a frame's rods a picture draws, each kept or left out whole by
its centre: those in --box (faces included), on the near side of --clip's
plane and between --slab's two; how many of the rest each leaves out, for
the key and the summaries; and the points its camera frames."""

import dataclasses

import numpy as np

from ..clip_options import clip_cuts, clipped
from ..order import order as measured
from ..reading.systems import OUTSIDE_BOX, drawn_parts


def in_box(settings, fr):
    """Which glyphs --box keeps: those whose centre (the site's place)
    lies in the box or on its faces; all of them without it."""
    if not settings.box:
        return np.ones(len(fr.ends), bool)
    centre = measured.centres(fr.ends)
    return ((centre >= settings.box[:3]) &
            (centre <= settings.box[3:])).all(axis=1)


def cuts(settings, fr):
    """Which glyphs are drawn, and how many of the rest each option leaves
    out ({words: count}): a rod left out by more than one is counted once,
    under the first of --box, --clip and --slab."""
    kept = in_box(settings, fr)
    why = {OUTSIDE_BOX: len(kept) - int(np.count_nonzero(kept))}
    if settings.clip is None and settings.slab is None:
        return kept, why
    for words, inside in clip_cuts(settings.clip, settings.slab,
                                   measured.centres(fr.ends)).items():
        why[words] = int(np.count_nonzero(kept & ~inside))
        kept &= inside
    return kept, why


def kept_rods(settings, fr):
    """Which glyphs are drawn."""
    return cuts(settings, fr)[0]


def drawn_of(settings, fr):
    """systems.drawn_parts of what the frame draws: its count, and why the
    rest are left out."""
    return drawn_parts(fr, *cuts(settings, fr))


def framed(settings, fr):
    """The points the camera frames (the frame's own, fr.points): of the
    rods --clip and --slab keep alone, so that what is cut away leaves no
    empty room; the rods outside --box stay framed, with its corners.
    With --look all of them: its --zoom is against the whole system's
    framing, as the page's view that writes both measures it. A tight
    crop without the box's edges frames the rods alone."""
    if settings.look is None and settings.crop == "tight" and \
            not settings.box_edges:
        fr = dataclasses.replace(fr, box=None)
    if settings.clip is None and settings.slab is None or settings.look:
        return fr.points()
    kept = clipped(settings.clip, settings.slab, measured.centres(fr.ends))
    return dataclasses.replace(fr, ends=fr.ends[kept],
                               caps=fr.caps[kept]).points()
