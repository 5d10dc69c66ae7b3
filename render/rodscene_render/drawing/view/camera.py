"""The camera: named views as azimuth and elevation, a camera fitted to
what is drawn, and the projection of points onto the picture. One function,
fit_camera, makes every camera, so pictures, films and pages agree."""

import dataclasses
import math

import numpy as np

from ..overlays import layout

# Each named view as (azimuth, elevation) in degrees: the direction from the
# picture's centre toward the camera, azimuth around z from +x toward +y,
# elevation above the xy plane.
VIEWS = {
    "front": (-90.0, 0.0),
    "side": (0.0, 0.0),
    "top": (-90.0, 90.0),
    "iso": (-45.0, math.degrees(math.atan2(0.8, math.sqrt(2.0)))),
}
# Views that follow the rods, their direction found from the director:
# along it, and across it (see director_view).
DIRECTOR_VIEWS = ("director", "across")
# Front, side and top look along an axis, and the director's views along
# or across the rods: orthographic, so a rod seen end on is a disc. Other
# directions keep perspective's depth.
ORTHOGRAPHIC_VIEWS = ("front", "side", "top") + DIRECTOR_VIEWS
FIELD = 40.0  # horizontal field of view of a perspective camera, degrees
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
    band: str = "rows"  # where the overlays have room: layout.margins


def director_view(name, director):
    """(azimuth, elevation) of a view that follows the director n (a unit
    vector): "director" looks along it from the +n side, so the rods of a
    nematic are seen end on; "across" looks level, across the director,
    from the side where it points right, with z up (a director along z
    stands upright in the front view)."""
    toward = np.asarray(director, dtype=float)
    if name == "across":
        toward = np.cross(toward, [0.0, 0.0, 1.0])
        level = np.linalg.norm(toward)
        toward = toward / level if level > 1e-9 else np.array([0, -1.0, 0])
    return (math.degrees(math.atan2(toward[1], toward[0])),
            math.degrees(math.asin(max(-1.0, min(1.0, toward[2])))))


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
    """A chunk of count points known by its extents: for each (azimuth,
    elevation, aspect, band) it was measured for, the row that
    chunk_extent gives, so that a fit over many frames never touches their
    points again; other views take the points of its frame."""
    count: int
    rows: dict
    frame: object = None


def fit_camera(points, azimuth, elevation, width, height, projection,
               zoom=1.0, look=None, detail=False):
    """The camera that looks from (azimuth, elevation) and frames the
    points as they fall on the picture, centred on them, with the
    overlays' room free around them (layout.margins); zoom magnifies that
    framing about its centre, and look,
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
    margins = layout.margins(width, height)
    bands = list(margins.values())
    e = extents(chunks, axes, aspect, (azimuth, elevation, aspect), bands)
    fits = [band_fit(e, axes, aspect, m, i, projection)
            for i, m in enumerate(bands)]
    best = min(range(len(fits)), key=lambda i: fits[i][2])
    centre, distance, span = fits[best]
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
                  projection, float(span), int(width), int(height),
                  list(margins)[best])


def band_fit(e, axes, aspect, margins, i, projection):
    """The look point, distance (None when orthographic) and span that
    frame the points with margins (across, upward) free; i is the band's
    place in the extents' rays."""
    right, up, forward = axes
    if projection != "orthographic":
        return perspective_fit(e, axes, i)
    low = np.array([e["across"][0], e["upward"][0]]) - PAD
    high = np.array([e["across"][1], e["upward"][1]]) + PAD
    middle = (low + high) / 2
    span = max((high[0] - low[0]) * (1 + 2 * margins[0]),
               (high[1] - low[1]) / aspect * (1 + 2 * margins[1]))
    centre = middle[0] * right + middle[1] * up + \
        (e["depth"][0] + e["depth"][1]) / 2 * forward
    return centre, None, span


def behind(chunk, centre, forward, e):
    """How far behind centre, along forward, a chunk's farthest point
    lies; a measured chunk gives it by its depth (the same within
    rounding)."""
    if isinstance(chunk, measured):
        return float(centre @ forward - e["depth"][0])
    return float(((centre - chunk) @ forward).max())


def slopes(aspect, margins):
    """The slopes of a perspective camera's outermost rays that keep
    margins (across, upward) free."""
    tan = math.tan(math.radians(FIELD / 2))
    return tan / (1 + 2 * margins[0]), tan * aspect / (1 + 2 * margins[1])


def chunk_extent(points, axes, tan):
    """A chunk's share of a fit: the lowest and highest place across,
    upward and in depth, then for each picture axis the outermost rays,
    max(a + PAD - t z) and max(-a + PAD - t z), of a perspective camera
    with slopes tan. The module's extents() gives the same bits."""
    return chunk_extents(points, axes, [tan])[0]


def chunk_extents(points, axes, tans):
    """chunk_extent's numbers for each of the slopes tans, the points
    projected once."""
    across, upward, depth = (along(points, axis) for axis in axes)
    places = [across.min(), across.max(), upward.min(), upward.max(),
              depth.min(), depth.max()]
    return [places + [np.max(a + PAD - t * depth) for a, t in
                      ((across, tan[0]), (-across, tan[0]),
                       (upward, tan[1]), (-upward, tan[1]))]
            for tan in tans]


def along(points, axis):
    """Each point's place along axis, summed x, y, then z: the same bits
    whatever BLAS numpy calls for a matrix product."""
    return points[:, 0] * axis[0] + points[:, 1] * axis[1] + \
        points[:, 2] * axis[2]


def chunk_rows(chunk, axes, tans, view):
    """chunk_extent's numbers of a chunk for each band: measured under
    (view, band), or of its points (a measured chunk's frame's, for a view
    it was not measured for)."""
    if isinstance(chunk, measured):
        keys = [(*view, i) for i in range(len(tans))]
        if all(k in chunk.rows for k in keys):
            return [chunk.rows[k] for k in keys]
        chunk = chunk.frame.points()
    return chunk_extents(chunk, axes, tans)


def extents(chunks, axes, aspect, view, bands):
    """What a fit needs of the points, gathered a chunk at a time: their
    lowest and highest place across, upward and in depth, and for each
    band's margins the outermost rays; a measured chunk is known under
    (azimuth, elevation, aspect, band)."""
    tans = [slopes(aspect, m) for m in bands]
    rows = np.array([chunk_rows(c, axes, tans, view) for c in chunks])
    low, high = rows[:, 0].min(axis=0), rows[:, 0].max(axis=0)
    return {"across": [low[0], high[1]], "upward": [low[2], high[3]],
            "depth": [low[4], high[5]], "tans": tans,
            "rays": [list(rows[:, i].max(axis=0)[6:])
                     for i in range(len(tans))]}


def perspective_fit(e, axes, i):
    """A perspective camera's look point, distance and span that put the
    points' outermost rays symmetric about the picture's centre: along each
    picture axis, the camera's offset c and depth d satisfy
    c - t d = max(a - t z) and -c - t d = max(-a - t z)."""
    right, up, forward = axes
    fits = []
    rays = e["rays"][i]
    for (p, q), t in zip((rays[:2], rays[2:]), e["tans"][i]):
        fits.append(((p - q) / 2, -(p + q) / (2 * t)))
    d = min(fits[0][1], fits[1][1], e["depth"][0] - 2 * PAD)
    middle = (e["depth"][0] + e["depth"][1]) / 2
    distance = middle - d
    centre = fits[0][0] * right + fits[1][0] * up + middle * forward
    span = 2 * distance * math.tan(math.radians(FIELD / 2))
    return centre, distance, span
