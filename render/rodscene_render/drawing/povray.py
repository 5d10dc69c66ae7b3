"""POV-Ray: the scene around the glyphs and its command line; the run
itself is a task (tasks.py), as for a film's frames, run here through the
owner of the program's child processes."""
import pathlib
import shutil

import numpy as np

from .. import processes
from . import tasks
from .view.camera import FIELD
from .lighting import is_even
from ..messages import Refusal
from ..reading.systems import corners

SCENE_NAME = "scene.pov"  # the scene's name beside the glyphs in a task
GLYPHS_NAME = "rodscene_glyphs.inc"
VIEW_NAME = "rodscene_view.inc"

# Width, height and anti-aliasing options of each quality. The samples are
# not jittered: the same rays the in-process renderer takes, so that both
# draw the same pixels (jitter moved a final picture's edges by about two
# levels, at random).
QUALITIES = {
    "draft": (640, 360, []),
    "normal": (1280, 720, ["+A0.3", "-J"]),
    "final": (1920, 1080, ["+A0.05", "+AM2", "+R3", "-J"]),
}


def scene_file(here):
    """scene.pov beside the package (source tree) or in share/rodscene."""
    for candidate in (here / "scene.pov",
                      here.parent / "share" / "rodscene" / "scene.pov"):
        if candidate.is_file():
            return candidate
    raise Refusal(f"cannot find scene.pov beside {here}")


def find_povray():
    """Refuses a machine without POV-Ray; the runs find it on PATH."""
    if shutil.which("povray") is None:
        raise Refusal("povray is not installed (Debian: apt-get install "
                      "povray)")


def to_povray(v):
    """A point or direction of the configuration in POV-Ray's frame, where
    the scene mirrors the glyphs so that they show right-handed."""
    return "<%r, %r, %r>" % (float(v[0]), float(v[2]), float(v[1]))


def camera_text(cam):
    if cam.projection == "orthographic":
        lens = (f"  orthographic\n  right x * {cam.span!r}\n"
                f"  up y * {cam.span * cam.height / cam.width!r}\n")
    else:
        lens = (f"  perspective\n  right x * {cam.width / cam.height!r}\n"
                f"  angle {FIELD!r}\n")
    return (f"camera {{\n{lens}  location {to_povray(cam.location)}\n"
            f"  sky {to_povray(cam.up)}\n  look_at {to_povray(cam.look)}\n}}\n")


def lights(cam, even=False):
    """The key and fill lights' places, around the camera; even light
    comes from the eye."""
    if even:
        return cam.location, cam.location
    distance = float(np.linalg.norm(cam.location - cam.look))
    reach = max(distance, cam.span)
    key = cam.location + reach * (0.9 * cam.up - 0.6 * cam.right) - \
        cam.forward * reach * 0.2
    fill = cam.location + reach * (0.3 * cam.up + 0.8 * cam.right)
    return key, fill


def view_text(cam, settings):
    """The camera, the lights placed around it, and the background."""
    even = is_even(settings)
    key, fill = lights(cam, even)
    lines = [camera_text(cam), *(["#declare Even_Light = 1;"] if even else []),
             f"#declare Key_Light = {to_povray(key)};",
             f"#declare Fill_Light = {to_povray(fill)};",
             f"#declare Background_Transmit = {1 if settings.transparent else 0};"]
    return "\n".join(lines) + "\n"


def povray_command(povray, scene, settings, threads):
    width, height = settings.width, settings.height
    command = [povray, f"+I{scene}", f"+O{tasks.PICTURE_NAME}", "+FN",
               f"+W{width}", f"+H{height}", "-D", "-P"]
    command += QUALITIES[settings.quality][2]
    if settings.transparent:
        command.append("+UA")
    if threads:
        command.append(f"+WT{threads}")
    return command


def task(settings, glyph_text, view, threads=0):
    """A picture's POV-Ray run: its command and its files, the scene
    beside the glyphs, so that the run needs nothing outside its folder."""
    files = {SCENE_NAME: pathlib.Path(settings.scene).read_text(),
             GLYPHS_NAME: glyph_text, VIEW_NAME: view}
    return povray_command("povray", SCENE_NAME, settings, threads), files


def time_limit(settings):
    return tasks.time_limit(settings.quality, settings.width,
                            settings.height)


def run_local(line, folder, env, seconds):
    """A task's run here, owned as every child of the program is."""
    status, _, stderr = processes.run(line, folder, seconds, env)
    return status, stderr.decode(errors="replace")


def render_png(settings, glyph_text, view, scratch, threads=0):
    """Renders the glyphs with the view; returns the PNG's bytes."""
    command, files = task(settings, glyph_text, view, threads)
    made, png, detail = tasks.render_with(run_local, command, files,
                                          time_limit(settings), scratch)
    if not made:
        raise Refusal(png, detail)
    return png


BOX_RADIUS = 0.3
BOX_PIGMENT = "pigment { color rgb <0.55, 0.55, 0.55> }"


def box_corners(box):
    return corners(box[:3], box[3:])


def box_text(box):
    """The twelve edges of the box as thin grey rods, in the glyphs' frame
    (so that they carry the glyphs' rotation)."""
    corners = box_corners(box)
    edges = []
    for i in range(8):
        for a in range(3):
            j = i | (1 << a)
            if j != i:
                edges.append(
                    "cylinder { <%r, %r, %r>, <%r, %r, %r>, %r rotate <90,0,0> "
                    "%s }\n" % (*corners[i], *corners[j], BOX_RADIUS,
                                BOX_PIGMENT))
    return "".join(edges)
