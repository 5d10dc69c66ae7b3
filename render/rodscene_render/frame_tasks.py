"""A film's frame as work: the POV-Ray task that renders it (its command
and files), and the rendered picture decorated, written whole and recorded
in the frames' manifest. Local films and clusters share both."""

import pathlib

from . import resume
from .outputs import written_whole
from .picture import finish_frame, scene_text
from .png_writer import png_bytes
from .povray import GLYPHS_NAME, VIEW_NAME, povray_command, view_text

SCENE_NAME = "scene.pov"  # the scene's name beside the glyphs in a task


def task_of(settings, fr, cam):
    """A frame's POV-Ray run: its options and files, and the frame's order
    parameter for the colour key."""
    text, order = scene_text(settings, fr)
    files = {SCENE_NAME: pathlib.Path(settings.scene).read_text(),
             GLYPHS_NAME: text,
             VIEW_NAME: view_text(cam, settings.transparent)}
    return povray_command("povray", SCENE_NAME, settings, 1), files, order


def keep(settings, fr, cam, index, png, order, folder, entry):
    """A rendered frame decorated, written whole, then recorded."""
    image = finish_frame(settings, fr, cam, index, png, order)
    path = folder / entry["frame"]
    with written_whole(path) as temporary:
        temporary.write_bytes(png_bytes(image))
    resume.record(folder, entry, resume.digest_file(path))
