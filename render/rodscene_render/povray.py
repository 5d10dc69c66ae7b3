"""POV-Ray: the scene around the glyphs, its command line, and what it
says when it fails."""

import pathlib
import shutil
import subprocess
import tempfile

import numpy as np

from .camera import FIELD
from .messages import Refusal

GLYPHS_NAME = "rodscene_glyphs.inc"
VIEW_NAME = "rodscene_view.inc"
PICTURE_NAME = "picture.png"

# Width, height and anti-aliasing options of each quality.
QUALITIES = {
    "draft": (640, 360, []),
    "normal": (1280, 720, ["+A0.3"]),
    "final": (1920, 1080, ["+A0.05", "+AM2", "+R3"]),
}


def scene_file(here):
    """scene.pov beside the package (source tree) or in share/rodscene."""
    for candidate in (here / "scene.pov",
                      here.parent / "share" / "rodscene" / "scene.pov"):
        if candidate.is_file():
            return candidate
    raise Refusal(f"cannot find scene.pov beside {here}")


def find_povray():
    path = shutil.which("povray")
    if path is None:
        raise Refusal("povray is not installed (Debian: apt-get install "
                      "povray)")
    return path


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


def view_text(cam, transparent):
    """The camera, the lights placed around it, and the background."""
    distance = float(np.linalg.norm(cam.location - cam.look))
    reach = max(distance, cam.span)
    key = cam.location + reach * (0.9 * cam.up - 0.6 * cam.right) - \
        cam.forward * reach * 0.2
    fill = cam.location + reach * (0.3 * cam.up + 0.8 * cam.right)
    lines = [camera_text(cam),
             f"#declare Key_Light = {to_povray(key)};",
             f"#declare Fill_Light = {to_povray(fill)};",
             f"#declare Background_Transmit = {1 if transparent else 0};"]
    return "\n".join(lines) + "\n"


def povray_command(povray, scene, settings, threads):
    width, height = settings.width, settings.height
    command = [povray, f"+I{scene}", f"+O{PICTURE_NAME}", "+FN",
               f"+W{width}", f"+H{height}", "-D", "-P"]
    command += QUALITIES[settings.quality][2]
    if settings.transparent:
        command.append("+UA")
    if threads:
        command.append(f"+WT{threads}")
    return command


def povray_message(stderr):
    """The end of POV-Ray's report, without its progress lines."""
    lines = [line for line in stderr.splitlines()
             if line.strip() and "Rendered" not in line]
    return "\n".join(lines[-12:])


def render_png(settings, glyph_text, view, threads=0):
    """Renders the glyphs with the view; returns the PNG's bytes. POV-Ray
    may only write below its working folder, so each render has its own."""
    with tempfile.TemporaryDirectory(prefix="rodscene-") as tmp:
        folder = pathlib.Path(tmp)
        (folder / GLYPHS_NAME).write_text(glyph_text)
        (folder / VIEW_NAME).write_text(view)
        command = povray_command(settings.povray, settings.scene, settings,
                                 threads) + [f"+L{tmp}"]
        run = subprocess.run(command, cwd=tmp, capture_output=True, text=True)
        made = folder / PICTURE_NAME
        if run.returncode != 0 or not made.is_file():
            raise Refusal(f"POV-Ray failed with status {run.returncode}",
                          povray_message(run.stderr))
        return made.read_bytes()


BOX_RADIUS = 0.3
BOX_PIGMENT = "pigment { color rgb <0.55, 0.55, 0.55> }"


def box_corners(box):
    low, high = np.array(box[:3]), np.array(box[3:])
    return np.array([[(low, high)[(i >> a) & 1][a] for a in range(3)]
                     for i in range(8)])


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
