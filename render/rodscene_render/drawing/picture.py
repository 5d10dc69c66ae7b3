"""One picture: an input's glyphs through POV-Ray with the chosen camera,
decorated, and written whole."""

import io
import os
import pathlib
import sys

from PIL import Image

from .view import camera
from . import embree_render, rod_writer, scene_writer
from .overlays import vector_writer
from .view.framed import camera_for
from ..order import orientation
from ..order import order as measured
from .view.projection import in_view
from ..reading.inputs import load_input, written_by
from ..reading.systems import drawn_words, summary_of
from ..messages import Nothing, plural, say, shown
from ..outputs import save_picture
from .overlays.key import key_program
from .lighting import is_even
from .overlays.overlays import decorate
from .povray import box_text, render_png, view_text
from .selection import cuts, drawn_of, framed, kept_rods
from ..warning_report import no_glyph_note


def shows_glyph(settings, cam, fr):
    """Whether any glyph the frame draws falls inside the picture."""
    kept = kept_rods(settings, fr)
    return in_view(cam, fr.ends[kept], fr.caps[kept])


def from_frames(settings, frames):
    """What follows from the frames drawn, one for them all: the
    orientation colours' range, and the direction of a view that follows
    the director, found from the first frame."""
    if settings.colour == "orientation":
        settings.angle_top = orientation.angle_top(
            frames, (lambda fr: local_order(settings, fr)[1])
            if settings.against == "local" else orientation.global_director)
    if settings.azimuth is None:
        settings.azimuth, settings.elevation = \
            view_directions(frames)[settings.view]


def view_directions(frames):
    """Every named view's (azimuth, elevation): the fixed ones, and those
    that follow the first frame's director."""
    return views_following(orientation.order(frames[0].ends)[1])


def views_following(director):
    """view_directions, of a director."""
    return {**camera.VIEWS, **{name: camera.director_view(name, director)
                               for name in camera.DIRECTOR_VIEWS}}


def local_order(settings, fr):
    """Each rod's local S and director, its neighbours found across the
    faces of the frame's own periodic box, else of --box when given."""
    return measured.local_order(measured.centres(fr.ends),
                                measured.directions(fr.ends),
                                settings.radius,
                                measured.frame_box(fr, settings.box))


def rod_colours(settings, fr):
    """Each rod's sRGB colour, 0 to 1 (None: the converters' colours),
    whether it is drawn faint (None: none is), and the frame's order
    parameter. The colours and local order are of the whole frame, so
    that cutting it with --box, --clip or --slab keeps each rod's colour
    (and a rod by a slab's face keeps its neighbours beyond it)."""
    s, director = orientation.order(fr.ends)
    local_s, local_n = local_order(settings, fr) if settings.local \
        else (None, None)
    colours = None
    if settings.colour == "orientation":
        against = local_n if settings.against == "local" else director
        colours = orientation.map_colours(
            orientation.angles(fr.ends, against), settings.angle_top)
    elif settings.colour == "local-order":
        colours = orientation.order_colours(local_s)
    faint = local_s >= settings.below if settings.highlight else None
    return colours, faint, s


def scene_text(settings, fr):
    """The text handed to POV-Ray, and the frame's order parameter."""
    colours, faint, s = rod_colours(settings, fr)
    kept = kept_rods(settings, fr)
    faint = None if faint is None else faint[kept]
    even = is_even(settings)
    if fr.total is not None:  # a whole system's rods
        pigments = rod_writer.system_pigments(
            None if colours is None else colours[kept], int(kept.sum()), even)
        text = rod_writer.rods_text(fr.ends[kept], fr.caps[kept], pigments,
                                    faint, settings.converter.shape)
    else:
        pigments = scene_writer.converter_pigments(fr.teal) \
            if colours is None else scene_writer.srgb_pigments(colours, even)
        text = scene_writer.glyph_text(
            fr.ends[kept], fr.caps[kept],
            [p for p, k in zip(pigments, kept.tolist()) if k], faint)
    for box in edges(settings, fr):
        text += box_text(box)
    return text, s


def edges(settings, fr):
    """The boxes whose edges are drawn: --box's, and the periodic box's
    unless --no-box-edges leaves it out."""
    boxes = [settings.box] if settings.box else []
    if fr.box is not None and settings.box_edges:
        boxes.append([*fr.box[0], *fr.box[1]])
    return boxes


def frame_rods(settings, fr):
    """The rods the in-process renderer draws (embree_render.render), and
    the frame's order parameter."""
    colours, faint, s = rod_colours(settings, fr)
    kept = kept_rods(settings, fr)
    rods = {"ends": fr.ends[kept], "caps": fr.caps[kept],
            "teal": fr.teal[kept],
            "colours": None if colours is None else colours[kept],
            "faint": None if faint is None else faint[kept],
            "boxes": edges(settings, fr)}
    if fr.total is not None:  # a whole system's rods, of its shape
        form = settings.converter.shape
        rods.update(radius=form.radius, round=form.round, neutral=True,
                    cap_radius=form.head_radius())
        rods["caps"] = rods["caps"] if form.heads else None
    return rods, s


def rendered(settings, fr, cam, threads):
    """The frame drawn in this process (without its overlays), and its
    order parameter."""
    rods, order = frame_rods(settings, fr)
    return embree_render.render(settings, cam, rods, threads), order


def draw_frame(settings, fr, cam, index, scratch, threads=0, draw=None):
    """The decorated picture of one frame, as a Pillow image; with draw
    (overlays.decorate's), the picture bare and its overlays drawn
    there."""
    if settings.renderer == "embree":
        image, order = rendered(settings, fr, cam,
                                threads or os.cpu_count() or 1)
        return finish_image(settings, fr, cam, index, image, order, draw)
    text, order = scene_text(settings, fr)
    view = view_text(cam, settings)
    png = render_png(settings, text, view, scratch, threads)
    return finish_frame(settings, fr, cam, index, png, order, draw)


def finish_frame(settings, fr, cam, index, png, order, draw=None):
    """POV-Ray's picture of a frame, decorated, as a Pillow image."""
    return finish_image(settings, fr, cam, index, Image.open(io.BytesIO(png)),
                        order, draw)


def finish_image(settings, fr, cam, index, image, order, draw=None):
    """A frame's picture decorated, as a Pillow image."""
    image = decorate(image, cam, settings,
                     {"name": shown(pathlib.Path(fr.name).name),
                      "index": index, "time": fr.time, "order": order,
                      "drawn": drawn_of(settings, fr)}, draw)
    return image if settings.transparent else image.convert("RGB")


def drawn_summary(settings, frames):
    """What whole systems' frames draw, for a film's or page's summary
    (systems.summary_of); None for the converters' glyphs."""
    if not frames or any(fr.total is None for fr in frames):
        return None
    return summary_of([drawn_of(settings, fr) for fr in frames])


def report_frame(fr):
    """One frame's warnings, as they came, on standard error."""
    for note in fr.notes:
        print(note, file=sys.stderr)
    if not len(fr.ends):
        say(no_glyph_note(fr))


def save_figure(settings, fr, cam, scratch):
    """The picture written: a raster with its overlays, or the rods'
    raster with the overlays as vector shapes and text over it."""
    if settings.format == "png":
        save_picture(draw_frame(settings, fr, cam, 1, scratch),
                     settings.picture, settings.dpi
                     if settings.print_inches is not None else None)
        return
    draw = vector_writer.recorder()
    image = draw_frame(settings, fr, cam, 1, scratch, draw=draw)
    vector_writer.save_vector(image, draw.calls, settings.picture,
                              settings.dpi)


def render_picture(settings, scratch):
    fr = load_input(settings.inputs[0], settings.kinds[0],
                    settings.converter, scratch, written_by(settings))
    report_frame(fr)
    settings.key_program = key_program(settings, [fr])
    from_frames(settings, [fr])
    cam = camera_for(settings, framed(settings, fr))
    save_figure(settings, fr, cam, scratch)
    kept, why = cuts(settings, fr)
    drawn = drawn_words(fr, kept, why) if fr.total is not None else \
        plural(int(kept.sum()), 'glyph')
    message = f"drew {drawn} into {shown(settings.picture)}" + \
        (f" ({fr.about})" if fr.about else "")
    if not kept.any():
        raise Nothing(message)
    if not shows_glyph(settings, cam, fr):
        raise Nothing(f"{message}, but none of them is in the picture")
    say(message)
