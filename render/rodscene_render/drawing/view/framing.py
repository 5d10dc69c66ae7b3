"""The points a camera must frame, cut down to those that can bound a
fit: a fit takes the lowest and highest value of linear functions over the
points (camera.extents), which the hull's vertices give as all the points
do. Float arithmetic may favour a point on or just inside a face over a
vertex, so every point that near the hull's faces is kept too, and the
fit's numbers stay bit for bit those of all the points."""

import numpy as np

# Fewer points than this are kept as they are: no hull is worth it.
FEWEST = 5
# How near a face, relative to the coordinates' size, a point is kept:
# far beyond both the fit's rounding and the hull's.
NEAR = 1e-9
# Heights of points over faces worked out at a time, so that a hull of
# many faces costs a few megabytes, never one number a point and face.
BLOCK = 1 << 18


def framing_points(points):
    """The points a fit over points needs: the hull's vertices and those
    near its faces; all of them when there are few, when any is not
    finite, when they are too degenerate for a hull, or without scipy,
    which only makes a fit quicker."""
    points = np.asarray(points, dtype=float).reshape(-1, 3)
    if len(points) < FEWEST or not np.isfinite(points).all():
        return points
    # An axis along which every point lies at one place is left out of
    # the hull, so that a flat frame is cut as its plane's points are.
    free = [a for a in range(3) if (points[:, a] != points[0, a]).any()]
    try:
        near = near_hull(points[:, free])
    except (ValueError, RuntimeError, ImportError):  # Qhull's: RuntimeError
        return points
    return points[near]


def near_hull(coords):
    """Which points lie on or near the boundary of their hull."""
    if coords.shape[1] == 0:  # every point the same
        return np.arange(len(coords)) == 0
    slack = NEAR * (1.0 + np.abs(coords).max())
    if coords.shape[1] == 1:
        line = coords[:, 0]
        return (line <= line.min() + slack) | (line >= line.max() - slack)
    from scipy.spatial import ConvexHull  # a film's survey, when it has it
    faces = ConvexHull(coords).equations  # unit normal, offset: <= 0 inside
    near = np.zeros(len(coords), bool)
    ask = np.flatnonzero(~deep_inside(coords, faces, slack))
    step = max(1, BLOCK // len(faces))
    for start in range(0, len(ask), step):
        part = ask[start:start + step]
        height = coords[part] @ faces[:, :-1].T + faces[:, -1]
        near[part] = height.max(axis=1) >= -slack
    return near


def deep_inside(coords, faces, slack):
    """Points that lie far inside every face, which need no heights: those
    in the largest box about the points' middle, of their extent's shape,
    whose every corner lies twice slack inside every face (a margin far
    beyond the heights' rounding). None when the middle is outside."""
    low, high = coords.min(axis=0), coords.max(axis=0)
    middle, half = (low + high) / 2, (high - low) / 2
    room = -(faces[:, :-1] @ middle + faces[:, -1]) - 2 * slack
    reach = np.abs(faces[:, :-1]) @ half
    if not (room > 0).all() or not (reach > 0).all():
        return np.zeros(len(coords), bool)
    scale = min(1.0, (room / reach).min()) * (1 - 1e-6)
    return (np.abs(coords - middle) <= half * scale).all(axis=1)
