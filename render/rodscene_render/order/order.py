"""How ordered the rods are: the order tensor Q = <3/2 u u - 1/2 I> of
their unit directions u (u and -u are the same rod, and Q does not tell
them apart), over all the rods or over each rod's neighbours.

Q's eigenvalues l1 <= l2 <= l3 sum to 0. The order parameter S is l3 (1
when every rod lies along one axis, near 0 for rods pointing every way);
the director n is l3's unit eigenvector; the biaxiality is l2 - l1, the
difference of the two smaller eigenvalues: 0 when the rods spread evenly
around the director (a uniaxial sample), up to 3/4 when they lie evenly in
a plane. In the director's frame Q is S (3 n n - I) / 2 plus biaxiality
(l l - m m) / 2, l and m the other two eigenvectors."""

import numpy as np

from . import neighbours

# Each rod's neighbours lie within this distance of its centre: the
# length of a rod whose direction is a unit vector (the converters draw it
# 16 long), so a neighbourhood is two rod lengths across and holds about 40
# rods at the example's density: short enough to see a wall between
# domains. Twice this radius finds eight times the pairs, which takes 10^5
# rods past a second.
RADIUS = 16.0
# Q's six distinct entries, as (row, column): u u^T is symmetric.
UPPER = ((0, 0), (1, 1), (2, 2), (0, 1), (0, 2), (1, 2))
FULL = np.array([[0, 3, 4], [3, 1, 5], [4, 5, 2]])  # UPPER's place of Q[i, j]


def directions(ends):
    """Unit vectors along each rod (ends n x 6: tail, head)."""
    u = ends[:, 3:] - ends[:, :3]
    return u / np.linalg.norm(u, axis=1, keepdims=True)


def centres(ends):
    return (ends[:, :3] + ends[:, 3:]) / 2


def canonical(vectors):
    """Each row flipped so that its component of largest magnitude is
    positive: an axis has no sign, and this picks one that does not
    change from run to run."""
    vectors = np.asarray(vectors, dtype=float)
    rows = vectors.reshape(-1, 3)
    largest = rows[np.arange(len(rows)), np.abs(rows).argmax(axis=1)]
    return (rows * np.where(largest < 0, -1.0, 1.0)[:, None]) \
        .reshape(vectors.shape)


def tensor(u):
    """Q of unit directions u (n x 3, n > 0)."""
    return 1.5 * (u.T @ u) / len(u) - 0.5 * np.eye(3)


def measure(u):
    """The order of unit directions u (n x 3): a dict of S, director,
    biaxiality, the tensor Q and the number of rods; NaN for no rods."""
    if not len(u):
        return {"S": np.nan, "director": np.full(3, np.nan),
                "biaxiality": np.nan, "tensor": np.full((3, 3), np.nan),
                "rods": 0}
    q = tensor(u)
    values, vectors = np.linalg.eigh(q)
    return {"S": float(values[2]), "director": canonical(vectors[:, 2]),
            "biaxiality": float(values[1] - values[0]), "tensor": q,
            "rods": len(u)}


def box_size(box):
    """A periodic box's three side lengths, from the box as (x0, y0, z0,
    x1, y1, z1), as a (low corner, high corner) pair, or as its three
    lengths; None for no box. Only the lengths count: distances across
    the faces do not depend on where the box lies."""
    if box is None:
        return None
    flat = np.ravel(np.asarray(box, float))
    size = flat[3:] - flat[:3] if len(flat) == 6 else flat
    if size.shape != (3,) or not (np.isfinite(size) & (size > 0)).all():
        raise ValueError(f"a box is 3 lengths above 0 or 6 bounds x0, y0, "
                         f"z0, x1, y1, z1 with x0 < x1, not {box}")
    return size


def frame_box(fr, given=None):
    """The periodic box of a frame: its file's own when it has one, else
    the one given (--box)."""
    return given if fr.box is None else fr.box


def local_order(points, u, radius=RADIUS, box=None):
    """Each rod's local S and director (n and n x 3): from Q over the rods
    whose centres (points) lie within radius of its own, itself included,
    so a rod with no neighbour has S = 1; across the faces of the periodic
    box when one is given (box_size's forms), the points wrapped into it
    first."""
    n = len(points)
    if not n:
        return np.zeros(0), np.zeros((0, 3))
    points, size = np.asarray(points, float), box_size(box)
    if size is not None:
        points = neighbours.wrapped(points, size)
    outer = np.stack([u[:, i] * u[:, j] for i, j in UPPER], axis=1)
    sums, counts = neighbours.neighbour_sums(points, outer, radius, size)
    q = 1.5 * sums[:, FULL] / counts[:, None, None] - 0.5 * np.eye(3)
    values, vectors = np.linalg.eigh(q)
    return values[:, 2], canonical(vectors[:, :, 2])


def mean_local_s(points, u, radius=RADIUS, box=None):
    """The mean of the rods' local S; NaN for no rods."""
    return float(np.mean(local_order(points, u, radius, box)[0])) \
        if len(points) else np.nan
