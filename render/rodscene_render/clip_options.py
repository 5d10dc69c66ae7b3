"""Clipping at any angle: a plane beyond which rods are left out, and a
slab between two such planes. A rod is kept or left out whole, by its
centre."""

import math

import numpy as np

from .messages import Refusal

# Why rods are left out, as the key and the summaries say it.
BEYOND_CLIP = "beyond --clip"
OUTSIDE_SLAB = "outside --slab"


def add_options(p, finite):
    g = p.add_argument_group("clipping")
    g.add_argument("--clip", type=finite, nargs=4,
                   metavar=("NX", "NY", "NZ", "D"),
                   help="leave out the rods whose centres lie beyond the "
                        "plane n . x = D, n the direction (NX, NY, NZ) made "
                        "unit length")
    g.add_argument("--slab", type=finite, nargs=5,
                   metavar=("NX", "NY", "NZ", "D1", "D2"),
                   help="draw only the rods whose centres lie between the "
                        "planes n . x = D1 and n . x = D2")


def unit(values, option):
    """The direction made unit length, scaled by its largest component
    first, so that neither 1e200 nor 1e-200 overflows its square."""
    top = max(abs(v) for v in values[:3])
    if not top > 0:
        raise Refusal(f"{option} needs a direction (NX, NY, NZ) that is not "
                      f"zero")
    n = [v / top for v in values[:3]]
    size = math.sqrt(sum(v * v for v in n))
    return tuple(v / size for v in n)


def check_clip(s, reach):
    """s.clip becomes (unit normal, D) and s.slab (unit normal, D1, D2),
    or None each; the planes lie within reach of the origin."""
    for option, values in (("--clip", s.clip), ("--slab", s.slab)):
        if values is not None and max(abs(v) for v in values[3:]) > reach:
            raise Refusal(f"{option}'s planes must lie within {reach:g} of "
                          f"the origin")
    if s.clip is not None:
        s.clip = (unit(s.clip, "--clip"), s.clip[3])
    if s.slab is not None:
        d1, d2 = s.slab[3:]
        if not d1 < d2:
            raise Refusal(f"--slab needs D1 < D2, not {d1:g} and {d2:g}")
        s.slab = (unit(s.slab, "--slab"), d1, d2)


def clip_cuts(clip, slab, centres):
    """Which centres (n x 3) each of --clip and --slab keeps, by the words
    that say why the rest are left out; planes included: --clip keeps
    n . c <= D, --slab D1 <= n . c <= D2. Empty when neither is given."""
    cuts = {}
    if clip is not None:
        cuts[BEYOND_CLIP] = centres @ np.asarray(clip[0]) <= clip[1]
    if slab is not None:
        height = centres @ np.asarray(slab[0])
        cuts[OUTSIDE_SLAB] = (height >= slab[1]) & (height <= slab[2])
    return cuts


def clipped(clip, slab, centres):
    """Which centres both --clip and --slab keep."""
    kept = np.ones(len(centres), bool)
    for inside in clip_cuts(clip, slab, centres).values():
        kept &= inside
    return kept
