"""What shapes a film's frames besides their inputs, as one digest: a
frames folder's manifest records it with each frame, so that a film
resumed with other settings, another renderer or another module renders
its frames again instead of mixing them."""

import dataclasses
import importlib

from . import resume
from ..drawing.povray import SCENE_NAME, povray_command, view_text
from ..figure_options import font_pixels, sized_in_points


def film_settings(settings, cam):
    """Everything besides the input that shapes a frame's pixels, for the
    manifest: POV-Ray's options and scene, the camera and lights, the
    converter and what is drawn over the picture."""
    converter = settings.converter
    if hasattr(converter, "shape"):  # a whole system's reader
        converter = dataclasses.asdict(converter)
    elif converter:
        converter = resume.digest_file(converter.path)
    return resume.digest_settings({
        "renderer": settings.renderer, "module": renderer_digest(settings),
        "povray": povray_command("povray", SCENE_NAME, settings, 1)[1:],
        "scene": resume.digest_file(settings.scene),
        "view": view_text(cam, settings),
        "converter": converter, "box_edges": settings.box_edges,
        "program": settings.program, "key": settings.key_program,
        "colour": settings.colour, "angle_top": settings.angle_top,
        "against": settings.against, "highlight": settings.highlight,
        "below": settings.below, "radius": settings.radius,
        "box": settings.box, "label": settings.label, "dt": settings.dt,
        "t0": settings.t0,
        "axes": settings.axes, "shows_key": settings.key,
        "scale_bar": settings.scale_bar,
        "text": sized_in_points(settings) and font_pixels(settings),
        # named only when given, so that frames kept by a film without
        # them are still taken
        **{name: getattr(settings, name) for name in ("clip", "slab")
           if getattr(settings, name) is not None}})


def renderer_digest(settings):
    """The digest of the module that draws in this process, if it does."""
    if settings.renderer != "embree":
        return None
    return resume.digest_file(importlib.import_module("rodscene._core")
                              .__file__)
