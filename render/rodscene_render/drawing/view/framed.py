"""The one camera of a picture or film, from the settings: fitted to
what is drawn (camera.fit_camera), then filling the picture around the
overlays (filling.py); and, with --crop tight, the picture's size that
follows the rods' extent."""

import numpy as np

from . import camera, filling
from ..overlays import layout, room
from .camera import fit_camera
from ..povray import box_corners
from ... import options
from ...messages import Refusal

# The room left between the rods and the picture's edges by a framing
# that fills it: as the fitted framing leaves along its free side.
EDGE_SHARE = layout.MARGIN / (1 + 2 * layout.MARGIN)
MIN_BAR = 4  # pixels: a shorter scale bar is no bar to read


def camera_for(settings, points):
    """The camera; points an array, or a list of arrays (one a frame).
    A framing of the program's own (no --look, no --detail) fills the
    picture; --look's keeps the fitted framing, which the page's
    "render this view" command measures its zoom against, as does the
    page's own camera."""
    if settings.box and isinstance(points, np.ndarray):
        points = np.vstack([points, box_corners(settings.box)])
    elif settings.box:
        points = list(points) + [box_corners(settings.box)]
    points = widened(settings, points) if isinstance(points, np.ndarray) \
        else [widened(settings, p) for p in points]
    fills = settings.look is None and not settings.detail and \
        not getattr(settings, "html", None)
    edge = (EDGE_SHARE * settings.width, EDGE_SHARE * settings.height)
    if fills and getattr(settings, "crop", "frame") == "tight":
        edge = (tight_size(settings, points),) * 2
    cam = fit(settings, points, 1.0 if fills else settings.zoom)
    if not fills:
        return check_bar(settings, cam)
    chunks = [points] if isinstance(points, np.ndarray) else points
    filled = filling.fill(cam, chunks, room.rooms(
        settings, settings.width, settings.height), edge)
    return check_bar(settings, filling.zoomed(filled, settings.zoom))


def check_bar(settings, cam):
    """The camera, once --scale-bar is known to fit it: a bar at least
    MIN_BAR pixels long and at most half the picture's width."""
    if settings.scale_bar is None:
        return cam
    pixels = settings.scale_bar * cam.width / cam.span
    if not MIN_BAR <= pixels <= cam.width / 2:
        raise Refusal(f"--scale-bar {settings.scale_bar:g} would be "
                      f"{pixels:.3g} pixels long in a picture "
                      f"{cam.span:.4g} units across: give a length between "
                      f"{MIN_BAR * cam.span / cam.width:.3g} and "
                      f"{cam.span / 2:.3g}")
    return cam


def fit(settings, points, zoom):
    return fit_camera(points, settings.azimuth, settings.elevation,
                      settings.width, settings.height, settings.projection,
                      zoom, settings.look, settings.detail)


def tight_size(settings, points):
    """--crop tight: one side kept (the width, or --height alone, or with
    neither given the one that keeps the picture nearer the quality's
    size) and the other as long as the rods' extent across the kept side,
    less --margin of it each side, and the bands the overlays take beside
    the rods (bands), so that no overlay lies on a rod. Returns that
    margin in pixels, which the framing keeps."""
    cam = fit(settings, points, 1.0)
    chunks = [points] if isinstance(points, np.ndarray) else points
    x, y, r, _ = filling.pixels(cam, filling.places(cam, chunks), 1.0)
    wide = (x + r).max() - (x - r).min()
    high = (y + r).max() - (y - r).min()
    w, h, m = settings.width, settings.height, settings.margin
    top, bottom, left, right = bands(settings, w, h)
    tall = high / wide * w * (1 - 2 * m) + max(m * w, top) + \
        max(m * w, bottom)  # the height, the width kept
    broad = wide / high * h * (1 - 2 * m) + max(m * h, left) + \
        max(m * h, right)  # the width, the height kept
    free = not settings.width_given and settings.print_inches is None
    if free and (settings.height_given or tall / h > broad / w):
        settings.width = side(broad, h)
        return m * h
    settings.height = side(tall, w)
    return m * w


def side(length, other):
    """A picture's side: even (films' encoders take even sizes), and
    within the sizes a picture may have."""
    length = 2 * round(length / 2)
    return min(max(length, options.MIN_SIZE), options.MAX_SIZE,
               options.MAX_PIXELS // other)


def bands(settings, width, height):
    """The room, with its gap, that the overlays drawn take above, below,
    left of and right of the rods: a tight picture grows by the bands
    across the side it keeps."""
    high, wide = 100.0 * width, 100.0 * height  # far past any overlay
    rows = room.rooms(settings, width, high)(1.0)
    columns = room.rooms(settings, wide, height)(1.0)
    return (max([d for _, b, _, d in rows if b < high / 2], default=0.0),
            max([high - b for _, b, _, _ in rows if b >= high / 2],
                default=0.0),
            max([c for a, _, c, _ in columns if a < wide / 2], default=0.0),
            max([wide - a for a, _, _, _ in columns if a >= wide / 2],
                default=0.0))


def widened(settings, points):
    """Points that a fit framing rods as wide as the converters' frames
    as wide as the rods drawn: each moved by the extra radius to either
    side across and up the picture."""
    extra = rod_reach(settings) - camera.PAD
    if extra <= 0 or not isinstance(points, np.ndarray):
        return points
    _, up, right = camera.view_axes(settings.azimuth, settings.elevation)
    offsets = extra * np.array([right, -right, up, -up])
    return (np.asarray(points).reshape(-1, 1, 3) + offsets).reshape(-1, 3)


def rod_reach(settings):
    converter = getattr(settings, "converter", None)
    return converter.shape.reach() if hasattr(converter, "shape") \
        else camera.PAD
