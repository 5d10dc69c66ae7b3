"""Pictures drawn in this process by the module's renderer (Embree): the
rods, camera, lights and finishes of the POV-Ray scene handed over as
arrays, the pixels back, with no scene text. Colours and finishes are read
from the same texts the scene is written with, so both renderers draw the
same rods."""

import importlib
import re
import sys

import numpy as np
from PIL import Image

from .overlays import panels
from .view.camera import FIELD
from .lighting import EVEN_FINISH, is_even
from .povray import BOX_PIGMENT, BOX_RADIUS, box_corners, lights
from .rod_writer import NEUTRAL
from .scene_writer import BLUE_FINISH, CAP_RADIUS, CYLINDER_RADIUS, FAINT_THIN
from ..reading.scene_reader import BLUE_PIGMENT, RED_PIGMENT, TEAL_PIGMENT

NUMBER = re.compile(r"-?[0-9.]+")
# What the scene around the glyphs (scene.pov) sets: the background and
# the finish every rod has unless its pigment says otherwise.
BACKGROUND = (0.96, 0.96, 0.94)
DEFAULT_FINISH = (0.12, 0.8)
FILL_POWER = 0.45


def numbers(text):
    return tuple(float(n) for n in NUMBER.findall(text))


def linear(srgb):
    """sRGB colours, 0 to 1, in linear light, as the scene's srgb pigments
    (written with six decimals) give them."""
    return panels.linear(np.round(np.asarray(srgb, float), 6))


def converter_colours(teal):
    """Colours and finishes of the converters' teal and blue rods."""
    teal = np.asarray(teal, bool)
    colours = np.where(teal[:, None], numbers(TEAL_PIGMENT),
                       numbers(BLUE_PIGMENT))
    finishes = np.where(teal[:, None], DEFAULT_FINISH, numbers(BLUE_FINISH))
    return colours, finishes


def box_edges(box):
    """The box's twelve edges, n x 6."""
    corners = box_corners(box)
    return np.array([np.concatenate([corners[i], corners[i | (1 << a)]])
                     for i in range(8) for a in range(3)
                     if i | (1 << a) != i])


def camera_of(cam):
    return {"location": tuple(map(float, cam.location)),
            "forward": tuple(map(float, cam.forward)),
            "up": tuple(map(float, cam.up)),
            "right": tuple(map(float, cam.right)),
            "orthographic": cam.projection == "orthographic",
            "span": float(cam.span), "field": FIELD,
            "width": cam.width, "height": cam.height}


def halt():
    """Gives up the pictures this process is drawing now, each within a
    row: the run is stopping."""
    core = sys.modules.get("rodscene._core")
    if getattr(core, "halt_renders", None) is not None:
        core.halt_renders()


def render(settings, cam, rods, threads):
    """The picture of rods, a dict of ends n x 6, caps n x 3 (or None),
    colours n x 3 (sRGB, or None for the converters' by teal), teal and
    faint (or None), as a Pillow image."""
    core = importlib.import_module("rodscene._core")
    ends = np.asarray(rods["ends"], float).reshape(-1, 6)
    even = is_even(settings)
    own = EVEN_FINISH if even else DEFAULT_FINISH  # the path's own colours
    if rods["colours"] is None and rods.get("neutral"):
        colours = np.tile(linear(NEUTRAL), (len(ends), 1))
        finishes = np.tile(own, (len(ends), 1))
    elif rods["colours"] is None:
        colours, finishes = converter_colours(rods["teal"])
    else:
        colours = linear(rods["colours"])
        finishes = np.tile(own, (len(ends), 1))
    key, fill = lights(cam, even)
    faint = rods["faint"]
    boxes = rods.get("boxes", [settings.box] if settings.box else [])
    edges = np.vstack([box_edges(b) for b in boxes]) if boxes else \
        np.zeros((0, 6))
    radius = rods.get("radius", CYLINDER_RADIUS)
    pixels = core.render_rods(
        ends, radius, colours.reshape(-1, 3),
        finishes.reshape(-1, 2),
        np.zeros(0, np.uint8) if faint is None else np.asarray(faint, bool),
        rods.get("round", False),
        np.zeros((0, 3)) if rods["caps"] is None else rods["caps"],
        rods.get("cap_radius", CAP_RADIUS), numbers(RED_PIGMENT), edges,
        BOX_RADIUS, numbers(BOX_PIGMENT), camera_of(cam),
        {"key": tuple(map(float, key)), "fill": tuple(map(float, fill)),
         "background": BACKGROUND, "transparent": settings.transparent,
         "shadows": not even, "fill_power": 0.0 if even else FILL_POWER},
        settings.quality, threads, radius * FAINT_THIN)
    return Image.fromarray(pixels, "RGBA" if settings.transparent else "RGB")
