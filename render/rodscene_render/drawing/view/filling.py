"""A framing that fills the picture: the fitted camera (camera.fit_camera,
which keeps whole bands of the picture free for the overlays) moved across
the picture and magnified as far as every rod stays within the picture's
edges and off the rooms the overlays take in its corners (room.rooms).
The rods' corners are often empty (an oblique box is a hexagon), and the
overlays sit in the picture's corners, so the rods may grow into the
bands wherever no overlay lies, and move away from the larger ones."""

import dataclasses
import math

import numpy as np

from .camera import PAD, measured
from .projection import focal

STEPS = 20  # halvings of a doubling's ratio: within 1e-6, below a pixel
BRACKET = 1.25 # how far below a sample's magnification all points' lies
SAMPLE = 4000  # points a search for the framing's place measures
OUTERMOST = 256  # and the points farthest out each way it adds to them
GRID = 3  # places tried each side of the best, along each axis
GRID_STEPS = (0.06, 0.015)  # their spacing, as shares of the fitted span
GAIN = 1.02  # what a move across must gain over the centred framing
MOST = 64.0  # the most a fill magnifies the fitted framing
NEAREST = 2 * PAD  # how near a perspective camera may come to a rod's axis


def places(cam, chunks):
    """Every point's place across, upward and in depth from the look
    point."""
    points = np.vstack([c.frame.points() if isinstance(c, measured)
                        else np.asarray(c, float).reshape(-1, 3)
                        for c in chunks] + [np.zeros((0, 3))])
    if not len(points):  # nothing drawn: the fitted camera's look point
        points = cam.look.reshape(1, 3)
    rel = points - cam.look
    return rel @ cam.right, rel @ cam.up, rel @ cam.forward


def distance(cam):
    return float((cam.look - cam.location) @ cam.forward)


def scale_at(cam, zoom):
    """Pixels a length unit at the look point, magnified by zoom."""
    return zoom * cam.width / cam.span


def pixels(cam, where, zoom):
    """Each point's pixel place (x right, y down), its disc's radius in
    pixels, and whether it lies too near or behind a perspective camera,
    the camera magnified by zoom."""
    x, y, z = where
    if cam.projection == "orthographic":
        scale, behind = scale_at(cam, zoom), np.zeros(x.shape, bool)
    else:
        depth = z + distance(cam) / zoom
        behind = depth <= NEAREST
        scale = focal(cam) / np.where(behind, np.inf, depth)
    return (cam.width / 2 + x * scale, cam.height / 2 - y * scale,
            PAD * scale * np.ones_like(x), behind)


def misfits(cam, where, zoom, rooms, edge):
    """Which points' discs, at zoom, lie less than edge (x, y) pixels
    within the picture, or on a room (left, top, right, bottom), or
    behind the camera."""
    x, y, r, wrong = pixels(cam, where, zoom)
    wrong = wrong | (x - r < edge[0]) | (x + r > cam.width - edge[0]) | \
        (y - r < edge[1]) | (y + r > cam.height - edge[1])
    for a, b, c, d in rooms(scale_at(cam, zoom)):
        wrong |= (x + r > a) & (x - r < c) & (y + r > b) & (y - r < d)
    return wrong


def fits(cam, where, zoom, rooms, edge):
    return not misfits(cam, where, zoom, rooms, edge).any()


def fill(cam, chunks, rooms, edge):
    """The camera that fills the picture: cam moved across the picture
    (its look point with it) to where the rods may be largest beside the
    overlays, then magnified as far as they fit. The place is searched
    on a grid of a sample of the points, then its magnification found of
    them all; a move must gain more than GAIN over none."""
    where = places(cam, chunks)
    sample = sampled(cam, where)
    best, zoom = (0.0, 0.0), fill_zoom(cam, sample, rooms, edge)
    plain = zoom
    for step in GRID_STEPS:
        around = best
        for i in range(-GRID, GRID + 1):
            for j in range(-GRID, GRID + 1):
                shift = (around[0] + i * step * cam.span,
                         around[1] + j * step * cam.span)
                moved = fill_zoom(cam, sample, rooms, edge, shift)
                if moved > zoom:
                    best, zoom = shift, moved
    if zoom < plain * GAIN:
        best, zoom = (0.0, 0.0), plain
    if sample is not where:  # the sample's magnification, of every point
        zoom = fill_zoom(cam, where, rooms, edge, best, zoom)
    moved = dataclasses.replace(
        cam, look=cam.look + best[0] * cam.right + best[1] * cam.up,
        location=cam.location + best[0] * cam.right + best[1] * cam.up)
    return zoomed(moved, zoom, "corners")


def sampled(cam, where):
    """At most SAMPLE of the points, evenly through them, and the
    OUTERMOST of them that lie farthest out on the fitted camera's
    picture along each side and diagonal: those that bound a fill."""
    count = len(where[0])
    if count <= SAMPLE + 8 * OUTERMOST:
        return where
    x, y, _, _ = pixels(cam, where, 1.0)
    pick = [np.linspace(0, count - 1, SAMPLE).astype(int)]
    for a, b in ((1, 0), (-1, 0), (0, 1), (0, -1), (1, 1), (1, -1),
                 (-1, 1), (-1, -1)):
        pick.append(np.argpartition(-(a * x + b * y), OUTERMOST)[:OUTERMOST])
    pick = np.unique(np.concatenate(pick))
    return tuple(v[pick] for v in where)


def fill_zoom(cam, where, rooms, edge, shift=(0.0, 0.0), near=None):
    """The largest magnification of cam, moved across by shift (right,
    up), at which the points at their places (where) fit, within a
    2^-20 part of a doubling; 1 when not even a smaller framing fits (a
    room larger than the picture). near, a sample's magnification, bounds
    it from above: a point moves outward as the camera comes nearer, so
    only the points that do not fit at near are searched below it, and
    the magnification found is checked with all of them."""
    where = (where[0] - shift[0], where[1] - shift[1], where[2])
    if near is not None:
        wrong = misfits(cam, where, near, rooms, edge)
        if not wrong.any():
            return near
        some = tuple(v[wrong] for v in where)
        if fits(cam, some, near / BRACKET, rooms, edge):
            zoom = halved(lambda z: fits(cam, some, z, rooms, edge),
                          near / BRACKET, near)
            if fits(cam, where, zoom, rooms, edge):
                return zoom

    def fit(zoom):
        return fits(cam, where, zoom, rooms, edge)
    low = 1.0
    while not fit(low):
        low /= 2
        if low < 1 / MOST:
            return 1.0
    high = low * 2
    while fit(high):
        low, high = high, high * 2
        if low >= MOST:
            return MOST
    return halved(fit, low, high)


def halved(fit, low, high):
    """The largest magnification between low (which fits) and high
    (which does not) that fits, by halving the interval's ratio."""
    for _ in range(STEPS):
        middle = math.sqrt(low * high)
        low, high = (middle, high) if fit(middle) else (low, middle)
    return low


def zoomed(cam, zoom, band=None):
    """cam magnified by zoom about its look point: an orthographic span
    narrowed, a perspective camera brought nearer."""
    if cam.projection == "orthographic":
        location = cam.location
    else:
        location = cam.look - cam.forward * (distance(cam) / zoom)
    return dataclasses.replace(cam, location=location, span=cam.span / zoom,
                               band=band or cam.band)
