"""A film's frame as work: the POV-Ray task that renders it (its command
and files), or its drawing in this process, and the rendered picture
decorated, written whole and recorded in the frames' manifest. Local films
and clusters share both."""

from . import resume
from ..messages import Refusal, shown
from ..outputs import written_whole
from ..drawing.picture import (finish_frame, finish_image, rendered,
                               scene_text, shows_glyph)
from ..drawing.png_writer import png_bytes
from ..drawing.povray import task, view_text
from ..reading.inputs import load_input, written_by


def load_frame(settings, index, scratch):
    """The frame of the index-th input (from 1), read again where it is
    rendered, so that a film holds only the frames in flight."""
    return load_input(settings.inputs[index - 1], settings.kinds[index - 1],
                      settings.converter, scratch, written_by(settings))


def task_of(settings, fr, cam):
    """A frame's POV-Ray run: its options and files, and the frame's order
    parameter for the colour key."""
    text, order = scene_text(settings, fr)
    command, files = task(settings, text, view_text(cam, settings),
                          1)
    return command, files, order


def keep(settings, fr, cam, index, png, order, folder, entry):
    """A frame POV-Ray rendered, decorated, written whole, then recorded;
    whether it shows any glyph."""
    store(finish_frame(settings, fr, cam, index, png, order), folder, entry)
    return shows_glyph(settings, cam, fr)


def draw_and_keep(settings, fr, cam, index, folder, entry):
    """A frame drawn in this process on one thread, decorated, written
    whole, then recorded; whether it shows any glyph."""
    image, order = rendered(settings, fr, cam, 1)
    store(finish_image(settings, fr, cam, index, image, order), folder,
          entry)
    return shows_glyph(settings, cam, fr)


def store(image, folder, entry):
    path = folder / entry["frame"]
    data = png_bytes(image)
    with written_whole(path) as temporary:
        temporary.write_bytes(data)
    try:
        resume.record(folder, entry, resume.digest_bytes(data))
    except OSError as e:
        raise Refusal(f"cannot record {shown(path)} in the frames' "
                      f"manifest: {e.strerror}") from None
