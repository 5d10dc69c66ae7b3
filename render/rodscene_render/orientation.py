"""Colour by orientation: each rod's angle to the director, the axis the
rods share, found from the order tensor Q = <(3 u u - I) / 2> over the drawn
rods; its largest eigenvalue is the order parameter S."""

import math

import numpy as np

# Viridis is perceptually uniform, reads in grey and to the common colour
# blindnesses. A nematic's rods mostly lie near the director: they take the
# map's light end, short of its palest yellow, which would vanish on the
# white background, and the rods that stray run down to its dark end and
# stand out of the bulk. The map follows sin^2 of the angle, the share of
# a rod's length across the director, so the bulk's small angles keep light
# colours and a rod at 45 degrees is already dark. An angle folds n and -n
# onto one colour.
COLOUR_MAP = "viridis"
ALIGNED, STRAYED = 0.85, 0.0  # places on the map of 0 degrees and the top
MAX_ANGLE = 90.0
# The colour range ends at the angle below which SHARE of the rods lie,
# rounded up to STEP degrees: the bar spends its length on the angles the
# rods have, and the few beyond take the darkest colour.
SHARE = 95.0
STEP = 15.0
MIN_TOP = 30.0


def axes_of(ends):
    """Unit vectors along each rod, from its cylinder's start to its end."""
    u = ends[:, 3:] - ends[:, :3]
    return u / np.linalg.norm(u, axis=1, keepdims=True)


def order(ends):
    """The order parameter S and the director (a unit vector); no rods give
    S = 0 and the director along x."""
    if not len(ends):
        return 0.0, np.array([1.0, 0.0, 0.0])
    u = axes_of(ends)
    q = 1.5 * np.einsum("ni,nj->ij", u, u) / len(u) - 0.5 * np.eye(3)
    values, vectors = np.linalg.eigh(q)
    return float(values[-1]), vectors[:, -1]


def angles(ends, director):
    """Each rod's angle to the director, 0 to 90 degrees."""
    cosine = np.clip(np.abs(axes_of(ends) @ director), 0.0, 1.0)
    return np.degrees(np.arccos(cosine))


def colour_map():
    import matplotlib  # only this colouring needs it
    return matplotlib.colormaps[COLOUR_MAP]


def angle_top(frames):
    """The top of the colour range for these frames, each angle taken to
    its own frame's director: one range for a whole film, so that colours
    do not flicker from frame to frame."""
    found = [angles(fr.ends, order(fr.ends)[1]) for fr in frames
             if len(fr.ends)]
    if not found:
        return MAX_ANGLE
    top = np.percentile(np.concatenate(found), SHARE)
    return float(min(max(math.ceil(top / STEP) * STEP, MIN_TOP), MAX_ANGLE))


def place(values, top=MAX_ANGLE):
    """Where angles lie on the colour range, 0 to 1, those from top on
    at 1."""
    share = np.sin(np.radians(np.asarray(values, dtype=float))) ** 2 / \
        math.sin(math.radians(top)) ** 2
    return np.clip(share, 0.0, 1.0)


def angle_at(share, top=MAX_ANGLE):
    """The angle at a place on the colour range."""
    return math.degrees(math.asin(math.sqrt(share) *
                                  math.sin(math.radians(top))))


def map_colours(values, top=MAX_ANGLE):
    """sRGB colours, 0 to 1, of angles through the colour map, the angles
    from top on taking its darkest colour."""
    share = place(values, top)
    return colour_map()(ALIGNED + (STRAYED - ALIGNED) * share)[:, :3]

