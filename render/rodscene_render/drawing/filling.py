"""A framing that fills the picture: the fitted camera (camera.fit_camera,
which keeps whole bands of the picture free for the overlays) magnified
about its look point as far as every rod stays within the picture's edges
and off the rooms the overlays take in its corners (room.rooms). The
rods' corners are often empty (an oblique box is a hexagon), so the rods
may grow into the bands wherever no overlay lies."""

import dataclasses
import math

import numpy as np

from .camera import FIELD, PAD, measured

STEPS = 20  # halvings of a doubling's ratio: within 1e-6, below a pixel
BRACKET = 1.1  # how far below a sample's magnification all points' lies
SAMPLE = 4000  # points a search for the framing's place measures
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
    """Each point's pixel place (x right, y down) and its disc's radius in
    pixels, the camera magnified by zoom; None when a point would lie
    behind or at a perspective camera."""
    x, y, z = where
    if cam.projection == "orthographic":
        scale = scale_at(cam, zoom)
    else:
        depth = z + distance(cam) / zoom
        if depth.min() <= NEAREST:
            return None
        scale = cam.width / (2 * math.tan(math.radians(FIELD / 2))) / depth
    return (cam.width / 2 + x * scale, cam.height / 2 - y * scale,
            PAD * scale * np.ones_like(x))


def fits(cam, where, zoom, rooms, edge):
    """Whether at zoom every point's disc lies edge (x, y) pixels within
    the picture and off every room (left, top, right, bottom)."""
    placed = pixels(cam, where, zoom)
    if placed is None:
        return False
    x, y, r = placed
    if (x - r).min() < edge[0] or (x + r).max() > cam.width - edge[0] or \
            (y - r).min() < edge[1] or (y + r).max() > cam.height - edge[1]:
        return False
    return not any(((x + r > a) & (x - r < c) & (y + r > b) &
                    (y - r < d)).any()
                   for a, b, c, d in rooms(scale_at(cam, zoom)))


def fill(cam, chunks, rooms, edge):
    """The camera that fills the picture: cam moved across the picture
    (its look point with it) to where the rods may be largest beside the
    overlays, then magnified as far as they fit. The place is searched
    on a grid of a sample of the points, then its magnification found of
    them all; a move must gain more than GAIN over none."""
    where = places(cam, chunks)
    sample = sampled(where)
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


def sampled(where):
    """At most SAMPLE of the points, evenly through them."""
    count = len(where[0])
    if count <= SAMPLE:
        return where
    pick = np.linspace(0, count - 1, SAMPLE).astype(int)
    return tuple(v[pick] for v in where)


def fill_zoom(cam, where, rooms, edge, shift=(0.0, 0.0), near=None):
    """The largest magnification of cam, moved across by shift (right,
    up), at which the points at their places (where) fit, within a
    2^-20 part of a doubling; 1 when not even a smaller framing fits (a
    room larger than the picture). near, a sample's magnification, bounds
    it from above and is searched below first."""
    where = (where[0] - shift[0], where[1] - shift[1], where[2])

    def fit(zoom):
        return fits(cam, where, zoom, rooms, edge)
    if near is not None and fit(near):
        return near
    if near is not None and fit(near / BRACKET):
        return halved(fit, near / BRACKET, near)
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
