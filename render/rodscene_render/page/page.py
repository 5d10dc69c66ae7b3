"""The page: one HTML file that shows the inputs' glyphs in a browser with
three.js, offline, on the render path's own cameras, with the command that
renders what it shows. The rods travel as 16-bit integers in base64."""

import base64
import html
import json
import pathlib
import re

import numpy as np

from ..drawing.view import camera
from .. import folders
from . import command_words, page_cuts, page_details, page_limits
from ..messages import (Nothing, Refusal, plural, program_name, say,
                        shell_word, shown)
from ..outputs import written_whole
from ..drawing.picture import (drawn_summary, report_frame,
                               view_directions)
from ..drawing.view.framed import rod_reach
from ..drawing.selection import kept_rods
from ..drawing.overlays.panels import linear
from ..drawing.rod_writer import NEUTRAL
from ..reading.reading_pool import load_frames
from ..warning_report import LOG_SUFFIX, report_notes

PAGE_FORMATS = {".html": ("HTML", b"<!DOCTYPE html>", 0)}
# Debian's libjs-three: three.js r111 as one script.
THREE_FILE = pathlib.Path("/usr/share/javascript/three/three.min.js")
TEMPLATE_FOLDER = pathlib.Path(__file__).resolve().parent
TEMPLATE_NAME = "viewer.html"
# The page's script, a file a concern, joined in this order as one script:
# its settings, the rods, the camera that mirrors the render path's (and
# the view's state), drawing, the rods as meshes or, many, as quads
# turned to the camera, the layers and box, the command panel, the slab,
# the key, label and triad, frames and playback, picking a rod, the help
# and the saved picture, the mouse and key controls, and its start.
SCRIPTS = ("settings.js", "rods.js", "camera.js", "drawing.js", "meshes.js",
           "impostors.js", "layers.js", "panels.js", "slab.js", "overlays.js",
           "frames.js", "picking.js", "help.js", "controls.js", "start.js")
MARK = re.compile(r"@(TITLE|META|RODS|THREE|VIEWER)@")
# What would end a <script> element early, or start a comment in it.
SCRIPT_END = re.compile(r"</script|<!--", re.IGNORECASE)
# A quantity in a frame is stored as origin + step x q, q a 16-bit integer.
LEVELS = 32767
# What the page cannot show: these options shape pictures only.
PICTURE_ONLY = {"detail": "--detail", "transparent": "--transparent",
                "frames": "--frames"}


def find_three():
    if not THREE_FILE.is_file():
        raise Refusal("--html needs three.js (Debian: apt-get install "
                      "libjs-three)")
    return THREE_FILE


def check_page(s):
    """Refuses options that a page cannot honour, before any work."""
    for option, flag in PICTURE_ONLY.items():
        if getattr(s, option):
            raise Refusal(f"--html shows the rods as they are: it takes no "
                          f"{flag}")


def quantise(values):
    """(origin, step, integers) with values ~ origin + step x integers,
    each within step / 2."""
    if not len(values):
        return np.zeros(3), 1.0, np.zeros((0, 3), np.int16)
    low, high = values.min(axis=0), values.max(axis=0)
    origin = (low + high) / 2
    step = float(np.max(high - origin)) / LEVELS or 1.0
    return origin, step, np.rint((values - origin) / step).astype("<i2")


def frame_rods(fr):
    """A frame's rods, teal first: each as its centre, its half axis and
    its cap's offset from the tail, and the numbers that decode them."""
    if fr.numbers is not None:  # worked out as the frame was read
        return fr.numbers.rods
    order = page_details.page_order(fr)
    tail, head = fr.ends[order, :3], fr.ends[order, 3:]
    centre = quantise((tail + head) / 2)
    half = quantise((head - tail) / 2)
    offset = quantise(fr.caps[order] - tail)
    table = [*centre[0], centre[1], *half[0], half[1], *offset[0], offset[1]]
    rods = np.hstack([centre[2], half[2], offset[2]])
    return rods, table, int(fr.teal.sum())


def named_views(directions):
    """Each named view's direction (picture.view_directions) and
    projection; the page frames it for its window as pictures frame
    theirs."""
    return {name: {"azimuth": azimuth, "elevation": elevation,
                   "projection": "orthographic"
                   if name in camera.ORTHOGRAPHIC_VIEWS else "perspective"}
            for name, (azimuth, elevation) in directions.items()}


def start_state(s):
    """The page's start as this command asked for it; the address's
    fragment may change it. The projection only when it is not the
    default of the view or camera, so that a fragment's view gets its
    own."""
    named = not s.camera and s.view in camera.ORTHOGRAPHIC_VIEWS
    default = "orthographic" if named else "perspective"
    return {"view": None if s.camera else s.view, "camera": s.camera,
            "zoom": s.zoom, "look": s.look,
            "projection": None if s.projection == default else s.projection}


def page_meta(settings, frames, tables, teal):
    names = [shown(pathlib.Path(fr.name).name) for fr in frames]
    return {
        "names": names,
        "inputs": [command_words.frame_words(path)
                   for path in settings.inputs],
        **command_words.film_words(getattr(settings, "files",
                                           settings.inputs)),
        "counts": [len(fr.ends) for fr in frames],
        "teal": teal,
        "tables": tables,
        "width": settings.width, "height": settings.height,
        "field": camera.FIELD, "pad": max(rod_reach(settings), camera.PAD),
        "shape": rod_shape(settings),
        "views": named_views(view_directions(frames)),
        "start": start_state(settings),
        "program": shell_word(program_name()),
        "options": command_words.carried_options(settings),
        "picture": shell_word(command_words.input_word(
            page_details.shown_output(settings, ".png"))),
        "movie": shell_word(command_words.input_word(
            page_details.shown_output(settings, ".mp4"))),
    }


def rod_shape(settings):
    """How the page draws a whole system's rods (None: the converters'
    glyphs): radius, round ends, heads."""
    form = getattr(settings.converter, "shape", None)
    return None if form is None else {
        "radius": form.radius, "round": form.round, "heads": form.heads,
        "head": form.head_radius(),
        "colour": [float(c) for c in linear(NEUTRAL)]}


def script_text(text):
    """Script that cannot end the <script> element it is put in: "<\\/"
    and "<\\!" read as "</" and "<!" in JavaScript's strings."""
    return SCRIPT_END.sub(lambda m: "<\\" + m.group(0)[1:], text)


def json_text(value):
    """JSON that cannot end its <script> element: every "<" escaped, as
    file names may hold "</script" or "<!--"."""
    return json.dumps(value).replace("<", "\\u003c")


def page_fill(settings, frames):
    """What fills each of the template's marks: a list of byte strings,
    written one after another, so that the rods of a thousand frames are
    never copied into one text."""
    parts = [frame_rods(fr) for fr in frames]
    meta = page_meta(settings, frames, [p[1] for p in parts],
                     [p[2] for p in parts])
    meta.update(page_details.details(settings, frames))
    meta.update(page_cuts.cuts(settings, frames))
    return {
        "TITLE": [html.escape(f"rodscene: {meta['names'][0]}" +
                              (f" and {len(frames) - 1} more"
                               if len(frames) > 1 else "")).encode()],
        "META": [json_text(meta).encode()],
        # A frame's rods are 18 bytes a rod, a multiple of 3: their base64
        # texts joined are the base64 text of them all.
        "RODS": [p[0] for p in parts],
        "THREE": [script_text(find_three().read_text()).encode()],
        "VIEWER": [script_text("".join((TEMPLATE_FOLDER / name).read_text()
                                       for name in SCRIPTS)).encode()],
    }


def fill_parts(fill):
    """The page as a run of byte strings."""
    template = (TEMPLATE_FOLDER / TEMPLATE_NAME).read_text()
    at = 0
    for m in MARK.finditer(template):
        yield template[at:m.start()].encode()
        if m.group(1) == "RODS":
            yield from (base64.b64encode(rods.astype("<i2", copy=False).data)
                        for rods in fill["RODS"])
        else:
            yield from fill[m.group(1)]
        at = m.end()
    yield template[at:].encode()


def page_parts(settings, frames):
    """The page of the frames as a run of byte strings."""
    return fill_parts(page_fill(settings, frames))


def page_text(settings, frames):
    """The whole page as text."""
    return b"".join(page_parts(settings, frames)).decode()


def report(settings, frames):
    """The frames' warnings: as they came for one frame or a page shown
    inline (whose files do not outlast it), else in a log beside it."""
    if len(frames) == 1 or settings.inline:
        for fr in frames:
            report_frame(fr)
        return
    report_notes(frames, folders.beside(settings.html, LOG_SUFFIX))


def write_page(settings, scratch):
    frames = load_frames(settings, scratch)
    # A page too large for a browser is refused alone, before its
    # warnings are said or its log written.
    page_limits.check_texts(settings, frames, 0)
    fill = page_fill(settings, frames)
    page_limits.check_texts(settings, frames, len(fill["META"][0]))
    report(settings, frames)
    with written_whole(settings.html) as temporary:
        with open(temporary, "wb") as f:
            f.writelines(fill_parts(fill))
    drawn = sum(int(kept_rods(settings, fr).sum()) for fr in frames)
    whole = drawn_summary(settings, frames)
    message = f"wrote {plural(drawn, 'glyph')} in " \
        f"{plural(len(frames), 'frame')} into {shown(settings.html)}" \
        if whole is None else f"wrote {plural(len(frames), 'frame')} into " \
        f"{shown(settings.html)}; {whole}"
    if not drawn:  # none at all, or none in --box
        raise Nothing(f"{message}: nothing to show")
    if not settings.inline:
        say(message)
