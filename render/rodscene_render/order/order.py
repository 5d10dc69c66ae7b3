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


def wrapped(points, box):
    """Points shifted to the box's origin and wrapped into it, with its
    size; a point on the far face (or rounded onto it) wraps to 0."""
    low, high = np.asarray(box[:3], float), np.asarray(box[3:], float)
    size = high - low
    inside = np.mod(points - low, size)
    return np.where(inside >= size, 0.0, inside), size


def neighbour_pairs(points, radius, box=None):
    """Each pair (i, j), i < j, of points within radius of each other, as
    an m x 2 array; across the box's faces (x0, y0, z0, x1, y1, z1) when
    it is given."""
    from scipy.spatial import cKDTree
    size = None
    if box is not None:
        points, size = wrapped(points, box)
    return cKDTree(points, boxsize=size).query_pairs(radius,
                                                     output_type="ndarray")


def local_order(points, u, radius=RADIUS, box=None):
    """Each rod's local S and director (n and n x 3): from Q over the rods
    whose centres (points) lie within radius of its own, itself included,
    so a rod with no neighbour has S = 1."""
    from scipy import sparse
    n = len(points)
    if not n:
        return np.zeros(0), np.zeros((0, 3))
    pairs = neighbour_pairs(np.asarray(points, float), radius, box)
    # The pairs as a sparse matrix, multiplied as it is and transposed:
    # a triplet matrix's product needs no sorting into rows, which would
    # cost more than the product.
    near = sparse.coo_matrix((np.ones(len(pairs)), (pairs[:, 0],
                                                   pairs[:, 1])),
                             shape=(n, n))
    outer = np.stack([u[:, i] * u[:, j] for i, j in UPPER], axis=1)
    sums = near @ outer + near.T @ outer + outer
    counts = np.bincount(pairs.ravel(), minlength=n) + 1
    q = 1.5 * sums[:, FULL] / counts[:, None, None] - 0.5 * np.eye(3)
    values, vectors = np.linalg.eigh(q)
    return values[:, 2], canonical(vectors[:, :, 2])
