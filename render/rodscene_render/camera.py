"""The camera: named views as azimuth and elevation, a camera fitted to
what is drawn, and the projection of points onto the picture. One function,
fit_camera, makes every camera, so pictures, films and pages agree."""

import dataclasses
import math

import numpy as np

# Each named view as (azimuth, elevation) in degrees: the direction from the
# picture's centre toward the camera, azimuth around z from +x toward +y,
# elevation above the xy plane.
VIEWS = {
    "front": (-90.0, 0.0),
    "side": (0.0, 0.0),
    "top": (-90.0, 90.0),
    "iso": (-45.0, math.degrees(math.atan2(0.8, math.sqrt(2.0)))),
}
# Front, side and top look along an axis: orthographic, so a rod seen end
# on is a disc. Other directions keep perspective's depth.
ORTHOGRAPHIC_VIEWS = ("front", "side", "top")
FIELD = 40.0  # horizontal field of view of a perspective camera, degrees
MARGIN = 0.04  # share of the picture left free on each side
PAD = 1.2  # the cylinders' radius: points are axes, the rods are wider
DETAIL_SIZE = 30.0  # edge of the cube a close-up frames


@dataclasses.dataclass
class camera:
    """A camera in the configuration's frame. span is the width the
    picture shows at the look point (an orthographic camera's width)."""
    location: np.ndarray
    look: np.ndarray
    forward: np.ndarray
    up: np.ndarray
    right: np.ndarray
    projection: str
    span: float
    width: int
    height: int


def view_axes(azimuth, elevation):
    """Forward, up and right of a camera looking from that direction, with
    z up in the picture; straight down or up, +y is up."""
    a, e = math.radians(azimuth), math.radians(elevation)
    toward = np.array([math.cos(e) * math.cos(a), math.cos(e) * math.sin(a),
                       math.sin(e)])
    forward = -toward
    if abs(elevation) >= 90.0 - 1e-9:
        forward = np.array([0.0, 0.0, -math.copysign(1.0, elevation)])
        up = np.array([0.0, 1.0, 0.0])
    else:
        up = np.array([0.0, 0.0, 1.0]) - forward * forward[2]
        up /= np.linalg.norm(up)
    return forward, up, np.cross(forward, up)


def detail_cube(low, high, forward):
    """A cube at the middle of the face toward the camera of the points'
    box, low to high."""
    centre = (low + high) / 2
    depth = np.abs(forward).dot(high - low) / 2
    centre = centre - forward * max(depth - DETAIL_SIZE / 2, 0.0)
    offsets = np.array([[(i >> a) & 1 for a in range(3)] for i in range(8)])
    return centre + (offsets - 0.5) * DETAIL_SIZE


@dataclasses.dataclass(frozen=True)
class measured:
    """A chunk of count points known only by its extents: for each
    (azimuth, elevation, aspect) it was measured for, the row that
    chunk_extent gives, so that a fit over many frames never touches their
    points again."""
    count: int
    rows: dict


def fit_camera(points, azimuth, elevation, width, height, projection,
               zoom=1.0, look=None, detail=False):
    """The camera that looks from (azimuth, elevation) and frames the
    points as they fall on the picture, centred on them, with MARGIN free
    around them; zoom magnifies that framing about its centre, and look,
    when given, is put at the picture's centre instead. points is an array
    of points, or a list of such arrays (a trajectory's frames), which are
    never stacked, or of measured chunks (but for a detail)."""
    forward, up, right = view_axes(azimuth, elevation)
    axes = (right, up, forward)
    chunks = [points] if isinstance(points, np.ndarray) else list(points)
    chunks = [c if isinstance(c, measured) else
              np.asarray(c, dtype=float).reshape(-1, 3) for c in chunks]
    chunks = [c for c in chunks if (c.count if isinstance(c, measured)
                                    else len(c))] or [np.zeros((1, 3))]
    if detail:
        low = np.min([c.min(axis=0) for c in chunks], axis=0)
        high = np.max([c.max(axis=0) for c in chunks], axis=0)
        chunks = [detail_cube(low, high, forward)]
    aspect = height / width
    e = extents(chunks, axes, aspect, (azimuth, elevation, aspect))
    if projection == "orthographic":
        low = np.array([e["across"][0], e["upward"][0]]) - PAD
        high = np.array([e["across"][1], e["upward"][1]]) + PAD
        middle = (low + high) / 2
        span = max(high[0] - low[0], (high[1] - low[1]) / aspect)
        span *= 1 + 2 * MARGIN
        centre = middle[0] * right + middle[1] * up + \
            (e["depth"][0] + e["depth"][1]) / 2 * forward
        distance = None
    else:
        centre, distance, span = perspective_fit(e, axes)
    if look is not None:
        centre = np.asarray(look, dtype=float)
    span /= zoom
    if distance is None:
        # An orthographic camera stands behind everything it frames.
        distance = max(max(behind(c, centre, forward, e) for c in chunks),
                       0.0) + 10 * PAD
    else:
        distance /= zoom
    return camera(centre - forward * distance, centre, forward, up, right,
                  projection, float(span), int(width), int(height))


def behind(chunk, centre, forward, e):
    """How far behind centre, along forward, a chunk's farthest point
    lies; a measured chunk gives it by its depth (the same within
    rounding)."""
    if isinstance(chunk, measured):
        return float(centre @ forward - e["depth"][0])
    return float(((centre - chunk) @ forward).max())


def slopes(aspect):
    tan_x = math.tan(math.radians(FIELD / 2)) / (1 + 2 * MARGIN)
    return tan_x, tan_x * aspect


def chunk_extent(points, axes, tan):
    """A chunk's share of a fit: the lowest and highest place across,
    upward and in depth, then for each picture axis the outermost rays,
    max(a + PAD - t z) and max(-a + PAD - t z), of a perspective camera
    with slopes tan. The module's extents() gives the same bits."""
    across, upward, depth = (along(points, axis) for axis in axes)
    rays = [np.max(a + PAD - t * depth) for a, t in
            ((across, tan[0]), (-across, tan[0]), (upward, tan[1]),
             (-upward, tan[1]))]
    return [across.min(), across.max(), upward.min(), upward.max(),
            depth.min(), depth.max(), *rays]


def along(points, axis):
    """Each point's place along axis, summed x, y, then z: the same bits
    whatever BLAS numpy calls for a matrix product."""
    return points[:, 0] * axis[0] + points[:, 1] * axis[1] + \
        points[:, 2] * axis[2]


def extents(chunks, axes, aspect, key):
    """What a fit needs of the points, gathered a chunk at a time, each
    chunk an array of points or measured under key: chunk_extent's numbers
    of them all."""
    tan = slopes(aspect)
    rows = np.array([c.rows[key] if isinstance(c, measured)
                     else chunk_extent(c, axes, tan) for c in chunks])
    low, high = rows.min(axis=0), rows.max(axis=0)
    return {"across": [low[0], high[1]], "upward": [low[2], high[3]],
            "depth": [low[4], high[5]], "rays": list(high[6:]), "tan": tan}


def perspective_fit(e, axes):
    """A perspective camera's look point, distance and span that put the
    points' outermost rays symmetric about the picture's centre: along each
    picture axis, the camera's offset c and depth d satisfy
    c - t d = max(a - t z) and -c - t d = max(-a - t z)."""
    right, up, forward = axes
    fits = []
    for (p, q), t in zip((e["rays"][:2], e["rays"][2:]), e["tan"]):
        fits.append(((p - q) / 2, -(p + q) / (2 * t)))
    d = min(fits[0][1], fits[1][1], e["depth"][0] - 2 * PAD)
    middle = (e["depth"][0] + e["depth"][1]) / 2
    distance = middle - d
    centre = fits[0][0] * right + fits[1][0] * up + middle * forward
    span = 2 * distance * math.tan(math.radians(FIELD / 2))
    return centre, distance, span


def project(cam, points):
    """Pixel places of points: x to the right and y down from the top left
    corner, and their depth in front of the camera."""
    rel = np.asarray(points, dtype=float).reshape(-1, 3) - cam.location
    x, y, z = rel @ cam.right, rel @ cam.up, rel @ cam.forward
    if cam.projection == "orthographic":
        scale = cam.width / cam.span
    else:
        scale = cam.width / (2 * math.tan(math.radians(FIELD / 2)))
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
        scale = cam.width / (2 * math.tan(math.radians(FIELD / 2)))
        reach = PAD * scale / np.where(front, z, np.inf).min(axis=1)
    with np.errstate(all="ignore"):
        inside = (np.where(front, x, -np.inf).max(axis=1) + reach >= 0) & \
            (np.where(front, x, np.inf).min(axis=1) - reach <= cam.width) & \
            (np.where(front, y, -np.inf).max(axis=1) + reach >= 0) & \
            (np.where(front, y, np.inf).min(axis=1) - reach <= cam.height)
    return int(inside.sum())
