"""One picture: an input's glyphs through POV-Ray with the chosen camera,
decorated, and written whole."""

import io
import pathlib
import sys

import numpy as np
from PIL import Image

from . import orientation
from .camera import fit_camera
from .inputs import BLUE_PIGMENT, load_input
from .messages import plural, say
from .outputs import save_picture
from .overlays import decorate, key_program
from .povray import box_corners, box_text, render_png, view_text


def camera_for(settings, points):
    """The one camera of a picture or film, from the settings."""
    if settings.box:
        points = np.vstack([points, box_corners(settings.box)])
    return fit_camera(points, settings.azimuth, settings.elevation,
                      settings.width, settings.height, settings.projection,
                      settings.zoom, settings.look, settings.detail)


# Pure blue is a dark colour to the eye: the blue rods get more ambient and
# diffuse light than the default finish gives, so that both layers read.
BLUE_FINISH = " finish { ambient 0.28 diffuse 1.0 }"


def scene_text(settings, fr):
    """The text handed to POV-Ray, and the frame's order parameter."""
    text, order = fr.glyph_text(), None
    if settings.colour == "converter":
        text = text.replace(BLUE_PIGMENT, BLUE_PIGMENT + BLUE_FINISH)
    if settings.colour == "orientation":
        order, director = orientation.order(fr.ends)
        colours = orientation.map_colours(orientation.angles(fr.ends,
                                                             director))
        text = orientation.recolour(text, colours)
    if settings.box:
        text += box_text(settings.box)
    return text, order


def draw_frame(settings, fr, cam, index, threads=0):
    """The decorated picture of one frame, as a Pillow image."""
    text, order = scene_text(settings, fr)
    view = view_text(cam, settings.transparent)
    png = render_png(settings, text, view, threads)
    return finish_frame(settings, fr, cam, index, png, order)


def finish_frame(settings, fr, cam, index, png, order):
    """POV-Ray's picture of a frame, decorated, as a Pillow image."""
    image = decorate(Image.open(io.BytesIO(png)), cam, settings,
                     {"name": pathlib.Path(fr.name).name, "index": index,
                      "order": order})
    return image if settings.transparent else image.convert("RGB")


def no_glyph_note(fr):
    return (f"{fr.name}: no glyph to draw: every rod lies outside the "
            f"window or cannot be drawn")


def report_frame(fr):
    """One frame's warnings, as they came, on standard error."""
    for note in fr.notes:
        print(note, file=sys.stderr)
    if not len(fr.ends):
        say(no_glyph_note(fr))


def render_picture(settings, scratch):
    fr = load_input(settings.inputs[0], settings.kinds[0],
                    settings.converter, scratch)
    report_frame(fr)
    settings.key_program = key_program(settings, [fr])
    cam = camera_for(settings, fr.points())
    save_picture(draw_frame(settings, fr, cam, 1), settings.picture)
    say(f"drew {plural(len(fr.ends), 'glyph')} into {settings.picture}")
