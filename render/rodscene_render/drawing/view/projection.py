"""Points of the configuration onto a camera's picture: where they fall,
and how many glyphs may show in it."""

import math

import numpy as np

from .camera import FIELD, PAD


def focal(cam):
    """A perspective camera's pixels a length unit at unit depth."""
    return cam.width / (2 * math.tan(math.radians(FIELD / 2)))


def project(cam, points):
    """Pixel places of points: x to the right and y down from the top left
    corner, and their depth in front of the camera."""
    rel = np.asarray(points, dtype=float).reshape(-1, 3) - cam.location
    x, y, z = rel @ cam.right, rel @ cam.up, rel @ cam.forward
    if cam.projection == "orthographic":
        scale = cam.width / cam.span
    else:
        scale = focal(cam)
        with np.errstate(divide="ignore", invalid="ignore"):
            x, y = x / z, y / z
    return (cam.width / 2 + x * scale, cam.height / 2 - y * scale, z)


def in_view(cam, ends, caps):
    """How many glyphs may show in the picture: those whose projected
    tail, head and cap, widened by the rods' radius, overlap the picture,
    counting only points in front of a perspective camera."""
    if not len(ends):
        return 0
    points = np.hstack([ends, caps]).reshape(-1, 3)
    x, y, z = (v.reshape(-1, 3) for v in project(cam, points))
    front = np.ones(x.shape, bool) if cam.projection == "orthographic" \
        else z > 0
    if cam.projection == "orthographic":
        reach = PAD * cam.width / cam.span
    else:
        scale = focal(cam)
        reach = PAD * scale / np.where(front, z, np.inf).min(axis=1)
    with np.errstate(all="ignore"):
        inside = (np.where(front, x, -np.inf).max(axis=1) + reach >= 0) & \
            (np.where(front, x, np.inf).min(axis=1) - reach <= cam.width) & \
            (np.where(front, y, -np.inf).max(axis=1) + reach >= 0) & \
            (np.where(front, y, np.inf).min(axis=1) - reach <= cam.height)
    return int(inside.sum())
