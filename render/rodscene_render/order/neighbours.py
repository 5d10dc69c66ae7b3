"""Sums over each rod's neighbours: for every point, the sum of a value
(a row of numbers a point) over the points that lie within a radius of it,
itself included, and how many they are; across a periodic box's faces
when there is one.

The pairs come from scipy's k-d tree, found a slab of the system at a
time along its longest side: a slab's own points and those within the
radius of it, so that the pairs held at once stay near PAIRS however many
points there are. Each pair adds to those of its two points that lie in
the slab itself, so a pair found from two slabs is counted once for each
of its points. A radius so wide that a slab no narrower than twice it
holds too many pairs has them found a chunk of points at a time."""

import math

import numpy as np

# Neighbour pairs held at once, about: 2^22 pairs are 64 MB of indices
# and as much again for their sums. A million rods at a nematic's
# density have about twenty million pairs within a rod's length.
PAIRS = 1 << 22
CROWDED = 4  # PAIRS a slab may hold, at most, before points go in chunks


def wrapped(points, size):
    """Points wrapped into the box [0, size); a point on the far face (or
    rounded onto it) wraps to 0."""
    inside = np.mod(points, size)
    return np.where(inside >= size, 0.0, inside)


def expected_pairs(n, extent, radius):
    """The pairs within radius of n points spread evenly over extent (a
    side under two radii counted as two radii: a layer's points)."""
    volume = np.prod(np.maximum(extent, 2 * radius))
    return n * n / volume * (4 / 3) * math.pi * radius ** 3 / 2


def slab_count(pairs, side, radius):
    """How many slabs a side is cut into: enough to keep about PAIRS of
    the pairs a slab, none narrower than twice the radius (the work on
    the neighbours' edges is then at most that of the slab itself), and
    one when a slab and its neighbours' edges would take the whole side."""
    count = max(1, min(math.ceil(pairs / PAIRS), int(side // (2 * radius))))
    return count if side / count + 2 * radius < side else 1


def pair_sums(points, values, core, radius, boxsize):
    """Sums over each core point's neighbours among points (m x 3), and
    their numbers, itself included; rows of the points not in core are
    not whole."""
    from scipy import sparse
    from scipy.spatial import cKDTree
    m = len(points)
    pairs = cKDTree(points, boxsize=boxsize).query_pairs(
        radius, output_type="ndarray")
    i, j = pairs[:, 0], pairs[:, 1]
    sums, counts = values.copy(), np.ones(m)
    # Each direction of a pair adds to its first point, when that is a
    # core point: a triplet matrix's product needs no sorting into rows,
    # which would cost more than the product.
    for a, b in ((i, j), (j, i)):
        mine = core[a].astype(float)
        sums += sparse.coo_matrix((mine, (a, b)), shape=(m, m)) @ values
        counts += np.bincount(a, weights=mine, minlength=m)
    return sums, counts


def neighbour_sums(points, values, radius, size=None):
    """Each point's sum of values (n x k) over the points within radius
    of it, itself included, and their numbers (n); across the faces of
    the periodic box [0, size) when size (3 lengths) is given, the
    points then already wrapped into it."""
    n = len(points)
    extent = np.asarray(size, float) if size is not None else \
        np.ptp(points, axis=0) if n else np.zeros(3)
    if np.linalg.norm(extent) / (2 if size is not None else 1) <= radius:
        # Every pair is within radius: each point sees them all.
        return np.broadcast_to(values.sum(axis=0), values.shape).copy(), \
            np.full(n, float(n))
    axis = int(np.argmax(extent))
    pairs = expected_pairs(n, extent, radius)
    count = slab_count(pairs, extent[axis], radius)
    if pairs / count > CROWDED * PAIRS:
        per_chunk = max(1, int(PAIRS * n / (2 * pairs + n)))
        return chunk_sums(points, values, radius, size, axis, per_chunk)
    if count == 1:
        return pair_sums(points, values, np.ones(n, bool), radius, size)
    return slab_sums(points, values, radius, size, extent, axis, count)


def slab_sums(points, values, radius, size, extent, axis, count):
    """neighbour_sums a slab at a time, count slabs along axis."""
    n = len(points)
    sums, counts = np.empty_like(values), np.empty(n)
    width = extent[axis] / count
    start = 0.0 if size is not None else points[:, axis].min()
    along = points[:, axis] - start
    slab = np.minimum(along // width, count - 1)
    for k in range(count):
        # Each point's place from the slab's lower neighbours' edge.
        shifted = along - (k * width - radius)
        if size is not None:
            shifted = np.mod(shifted, extent[axis])
        kept = np.nonzero((shifted >= 0) & (shifted <= width + 2 * radius))[0]
        local = points[kept]
        local[:, axis] = shifted[kept]
        boxsize = None
        if size is not None:  # no wrap along the cut side within twice it
            boxsize = extent.copy()
            boxsize[axis] = 2 * extent[axis]
        core = slab[kept] == k
        s, c = pair_sums(local, values[kept], core, radius, boxsize)
        sums[kept[core]], counts[kept[core]] = s[core], c[core]
    return sums, counts


def chunk_sums(points, values, radius, size, axis, per_chunk):
    """neighbour_sums per_chunk points at a time, each chunk's points
    next to each other along axis, so that its own tree is compact; each
    point's pairs, itself among them, from the chunk's tree to the whole
    system's."""
    from scipy import sparse
    from scipy.spatial import cKDTree
    n = len(points)
    sums, counts = np.empty_like(values), np.empty(n)
    tree = cKDTree(points, boxsize=size)
    ordered = np.argsort(points[:, axis], kind="stable")
    for first in range(0, n, per_chunk):
        rows = ordered[first:first + per_chunk]
        near = cKDTree(points[rows], boxsize=size).sparse_distance_matrix(
            tree, radius, output_type="coo_matrix")
        # The pairs' distances are left out: a distance of 0 is a pair too.
        sums[rows] = sparse.coo_matrix(
            (np.ones(near.nnz), (near.row, near.col)),
            shape=(len(rows), n)) @ values
        counts[rows] = np.bincount(near.row, minlength=len(rows))
    return sums, counts
