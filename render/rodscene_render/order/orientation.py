"""Colour by orientation: each rod's angle to the director, the axis the
rods share (order.py: of all the drawn rods, or of each rod's neighbours);
and colour by local order, each rod's local S."""

import math

import numpy as np

from . import order as measured

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


def order(ends):
    """The order parameter S and the director (a unit vector); no rods give
    S = 0 and the director along x."""
    if not len(ends):
        return 0.0, np.array([1.0, 0.0, 0.0])
    m = measured.measure(measured.directions(ends))
    return m["S"], m["director"]


def angles(ends, director):
    """Each rod's angle to the director, 0 to 90 degrees; director one
    unit vector, or one a rod."""
    cosine = np.abs((measured.directions(ends) * director).sum(axis=1))
    return np.degrees(np.arccos(np.clip(cosine, 0.0, 1.0)))


def colour_map():
    import matplotlib  # only this colouring needs it
    return matplotlib.colormaps[COLOUR_MAP]


def through_map(share):
    """sRGB colours, 0 to 1, of places 0 (light) to 1 (dark) on the
    stretch of the map the rods take."""
    return colour_map()(ALIGNED + (STRAYED - ALIGNED) * share)[:, :3]


def global_director(fr):
    return order(fr.ends)[1]


def angle_top(frames, director=global_director):
    """The top of the colour range for these frames, each angle taken to
    its own frame's director (director(frame), one or one a rod): one
    range for a whole film, so that colours do not flicker from frame to
    frame."""
    found = [angles(fr.ends, director(fr)) for fr in frames
             if len(fr.ends)]
    if not found:
        return MAX_ANGLE
    top = np.percentile(np.concatenate(found), SHARE)
    return float(min(max(math.ceil(top / STEP) * STEP, MIN_TOP), MAX_ANGLE))


def step_bounds():
    """For each k from 0 to MAX_ANGLE / STEP, the largest angle whose
    ceil(angle / STEP) is at most k, as angle_top works it out."""
    bounds = []
    for k in range(int(MAX_ANGLE / STEP) + 1):
        x = k * STEP
        while math.ceil(math.nextafter(x, math.inf) / STEP) <= k:
            x = math.nextafter(x, math.inf)
        bounds.append(x)
    return bounds


def angle_counts(values):
    """What angle_top needs of one frame's angles, so that a film keeps
    no frame's angles: their count, and for each step bound the count of
    angles at or below it, the largest of those and the smallest above."""
    values = np.asarray(values, dtype=float)
    counts = []
    for bound in step_bounds():
        low, high = values[values <= bound], values[values > bound]
        counts.append((len(low), float(low.max()) if len(low) else -math.inf,
                       float(high.min()) if len(high) else math.inf))
    return len(values), counts


def angle_top_of(surveys):
    """angle_top of the frames whose angle_counts these are: which step
    numpy's 95th percentile of all their angles rounds up to, found from
    the counts, and from the two angles it lies between when they
    straddle a step bound (interpolated as numpy does)."""
    total = sum(n for n, _ in surveys)
    if not total:
        return MAX_ANGLE
    place = (total - 1) * (SHARE / 100)
    low = math.floor(place)
    high = min(low + 1, total - 1)
    share = place - low if place < total - 1 else 0.0
    for k, bound in enumerate(step_bounds()):
        below = sum(counts[k][0] for n, counts in surveys if n)
        if below > high:
            break
        if below > low:  # angle low at or below the bound, angle high above
            a = max(counts[k][1] for n, counts in surveys if n)
            b = min(counts[k][2] for n, counts in surveys if n)
            if lerp(a, b, share) <= bound:
                break
    return float(min(max(k * STEP, MIN_TOP), MAX_ANGLE))


def lerp(a, b, share):
    """numpy's interpolation between neighbouring values of a
    percentile."""
    return a + (b - a) * share if share < 0.5 else b - (b - a) * (1 - share)


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
    return through_map(place(values, top))


def order_colours(values):
    """sRGB colours of local S, 0 to 1, on the same map: ordered rods as
    light as aligned ones, disordered ones dark, so that a defect stands
    out of the bulk. The range is fixed, the same for every film."""
    return through_map(1.0 - np.clip(np.asarray(values, dtype=float), 0.0,
                                     1.0))


def angle_scale(top):
    """The key's bar for angles up to top: the colour at each place on it
    (0 to 1), and three ticks (place, text); the last says when angles
    beyond it share its colour."""
    top = top or MAX_ANGLE
    middle = round(angle_at(0.5, top))
    last = ("\u2265" if top < MAX_ANGLE else "") + f"{top:g}\u00b0"
    return (lambda shares: map_colours([angle_at(x, top) for x in shares],
                                       top),
            [(0.0, "0\u00b0"), (float(place(middle, top)),
                                f"{middle:g}\u00b0"), (1.0, last)])


def order_scale():
    """The key's bar for local S, 0 to 1."""
    return order_colours, [(0.0, "0"), (0.5, "0.5"), (1.0, "1")]
