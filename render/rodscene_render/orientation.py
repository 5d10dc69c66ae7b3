"""Colour by orientation: each rod's angle to the director, the axis the
rods share, found from the order tensor Q = <(3 u u - I) / 2> over the drawn
rods; its largest eigenvalue is the order parameter S."""

import numpy as np

COLOUR_MAP = "viridis"  # perceptually uniform, readable in grey
MAX_ANGLE = 90.0


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


def map_colours(values):
    """sRGB colours, 0 to 1, of angles through the colour map."""
    return colour_map()(np.asarray(values) / MAX_ANGLE)[:, :3]

