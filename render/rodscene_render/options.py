"""The command line's words: every option, its type and its help, parsed
with argparse, whose mistakes are refusals of one line; the settings that
follow from others; and the bounds of every number and the label."""

import argparse
import math
import pathlib
import re

from . import clip_options, figure_options, system_options
from .drawing.view import camera
from .drawing import lighting, povray
from .order import order
from .order.order_options import add_order_options
from .reading.inputs import MAX_COORDINATE, MIN_LENGTH
from .messages import PROGRAM, Refusal, escaped
from .version import renderers, version

# argparse takes "-1e3" for an option, as it takes only -1 and -1.5 forms
# for negative numbers; no option of this program starts with a digit.
NEGATIVE_NUMBER = re.compile(r"^-(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$")
MAX_SIZE = 16384  # pixels a side; POV-Ray's memory for more is absurd
MIN_SIZE = 16
MAX_FPS = 240.0
MAX_ZOOM = 1000.0
MIN_ZOOM = 0.001
MIN_FPS = 0.01  # a GIF holds a frame at most 655.35 s
MAX_LOOK = MAX_COORDINATE  # beyond it POV-Ray no longer draws rods whole
DEFAULT_BELOW = 0.5  # local S: a wall at right angles ~0.25, a bulk > 0.7
MAX_PIXELS = 89478485  # Pillow refuses larger pictures as bombs


def refuse(message):
    raise Refusal(f"{escaped(message)} (see --help)")


def finite(text):
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a number: {text!r}") from None
    if not math.isfinite(value):
        raise argparse.ArgumentTypeError(f"not a finite number: {text!r}")
    return value


def whole(text):
    try:
        return int(text)
    except ValueError:
        raise argparse.ArgumentTypeError(
            f"not a whole number: {text!r}") from None


def parser():
    p = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Render rodscene configurations or scene text with "
                    "POV-Ray, as a picture or a film, or show them in a "
                    "browser page.")
    p.error = refuse
    p._negative_number_matcher = NEGATIVE_NUMBER
    p.add_argument("inputs", nargs="+", metavar="INPUT",
                   help="scene text or configuration file; for a picture, "
                        "INPUT then PICTURE (.png, .jpg, .jpeg, .svg or "
                        ".pdf)")
    p.add_argument("--movie", type=pathlib.Path, metavar="FILM",
                   help="render every INPUT as a frame of this film "
                        "(.mp4, .webm or .gif)")
    p.add_argument("--html", type=pathlib.Path, metavar="VIEW.html",
                   help="write a page that shows every INPUT in a browser, "
                        "with the command that renders what it shows")
    add_order_options(p)
    p.add_argument("--frames", type=pathlib.Path, metavar="DIR",
                   help="keep a film's PNG frames in DIR; run again, the "
                        "film renders only the frames DIR lacks")
    p.add_argument("--scheduler", metavar="tcp://HOST:PORT",
                   help="render a film's frames on this Dask scheduler's "
                        "workers; tls://HOST:PORT takes Dask's TLS "
                        "settings")
    p.add_argument("--fps", type=finite, default=24.0,
                   help="film frames per second (default 24)")
    p.add_argument("--view", choices=[*camera.VIEWS, *camera.DIRECTOR_VIEWS],
                   default="iso",
                   help="camera direction (default iso); director looks "
                        "along the rods' director, across level across it")
    p.add_argument("--camera", type=finite, nargs=2,
                   metavar=("AZIMUTH", "ELEVATION"),
                   help="camera direction in degrees instead of a view: "
                        "azimuth around z from +x toward +y, elevation "
                        "above the xy plane")
    p.add_argument("--zoom", type=finite, default=1.0,
                   help="magnification of the fitted framing (default 1)")
    p.add_argument("--look", type=finite, nargs=3, metavar=("X", "Y", "Z"),
                   help="the point at the picture's centre (default: the "
                        "middle of what is drawn)")
    p.add_argument("--projection", choices=("orthographic", "perspective"),
                   help="default orthographic for front, side and top, "
                        "perspective otherwise")
    p.add_argument("--program", choices=("split", "mono"),
                   help="draw a configuration as this converter does "
                        "(default: the whole system); for scene text, the "
                        "program that wrote it (default: split if any rod "
                        "is blue)")
    p.add_argument("--converters", metavar="DIR",
                   help="folder holding rodscene_split and rodscene_mono")
    p.add_argument("--quality", choices=povray.QUALITIES, default="normal",
                   help="draft (640x360, no anti-aliasing), normal (the "
                        "default, 1280x720) or final (1920x1080, fine "
                        "anti-aliasing)")
    p.add_argument("--draft", action="store_true", help="--quality draft")
    p.add_argument("--renderer", choices=("embree", "povray"),
                   help="embree (in this process, the default) or povray")
    p.add_argument("--width", type=whole, help="picture width in pixels")
    p.add_argument("--height", type=whole, help="picture height in pixels")
    p.add_argument("--transparent", action="store_true",
                   help="PNG with alpha: no background")
    p.add_argument("--box", type=finite, nargs=6,
                   metavar=("X0", "Y0", "Z0", "X1", "Y1", "Z1"),
                   help="draw this box's edges as thin grey rods, and "
                        "only the rods whose centre lies in it")
    p.add_argument("--detail", action="store_true",
                   help="frame a 30-unit cube at the middle of the glyphs' "
                        "face toward the camera")
    p.add_argument("--colour", choices=("converter", "orientation",
                                        "local-order"),
                   default="converter",
                   help="the converters' colours (default), each rod's "
                        "angle to the director, or its local S")
    lighting.add_option(p)
    p.add_argument("--against", choices=("global", "local"),
                   help="orientation's director: of all the drawn rods "
                        "(global, the default) or of each rod's neighbours")
    p.add_argument("--highlight", choices=("disorder",),
                   help="draw the rods whose local S is below --below "
                        "solid, the others faint")
    p.add_argument("--below", type=finite, metavar="S",
                   help="the local S under which --highlight draws a rod "
                        f"solid (default {DEFAULT_BELOW:g})")
    p.add_argument("--radius", type=finite, metavar="R",
                   help="local order is over the rods whose centres lie "
                        "within R of a rod's (default "
                        f"{order.RADIUS:g}, a rod's length)")
    p.add_argument("--label", metavar="TEXT",
                   help="a line of text in the upper left corner; {name}, "
                        "{index} and {time} stand for the input's file name, "
                        "the frame number from 1 and the frame's time, "
                        "--t0 + (index - 1) x --dt")
    p.add_argument("--dt", type=finite, default=1.0,
                   help="time between frames for {time} (default 1)")
    p.add_argument("--t0", type=finite, default=0.0,
                   help="the first frame's time for {time} (default 0)")
    p.add_argument("--no-axes", dest="axes", action="store_false",
                   help="leave out the axis triad")
    p.add_argument("--no-key", dest="key", action="store_false",
                   help="leave out the colour key")
    system_options.add_options(p, finite, whole)
    figure_options.add_options(p, finite)
    clip_options.add_options(p, finite)
    p.add_argument("--version", action="version",
                   version=f"%(prog)s {version()} ({renderers()})")
    return p


def check_numbers(s):
    if not MIN_SIZE <= s.width <= MAX_SIZE or \
            not MIN_SIZE <= s.height <= MAX_SIZE:
        sides = "--print-width at --dpi, and --height," if \
            s.print_inches is not None else "--width and --height"
        raise Refusal(f"{sides} must give between {MIN_SIZE} and "
                      f"{MAX_SIZE} pixels, not {s.width} x {s.height}")
    if not MIN_FPS <= s.fps <= MAX_FPS:
        raise Refusal(f"--fps must lie between {MIN_FPS:g} and {MAX_FPS:g}, "
                      f"not {s.fps:g}")
    if not MIN_ZOOM <= s.zoom <= MAX_ZOOM:
        raise Refusal(f"--zoom must lie between {MIN_ZOOM:g} and "
                      f"{MAX_ZOOM:g}, not {s.zoom:g}")
    if s.width * s.height > MAX_PIXELS:
        raise Refusal(f"{s.width} x {s.height} is more than the "
                      f"{MAX_PIXELS} pixels a picture can be written with")
    for option, values in (("--look", s.look), ("--box", s.box)):
        if values and max(abs(v) for v in values) > MAX_LOOK:
            raise Refusal(f"{option} must lie within {MAX_LOOK:g} of the "
                          f"origin")
    if s.camera and not -90 <= s.camera[1] <= 90:
        raise Refusal(f"--camera's elevation must lie between -90 and 90 "
                      f"degrees, not {s.camera[1]:g}")
    if s.box and not all(a < b for a, b in zip(s.box[:3], s.box[3:])):
        raise Refusal("--box needs X0 < X1, Y0 < Y1 and Z0 < Z1")
    system_options.check_shape(s)
    figure_options.check_figure(s)
    clip_options.check_clip(s, MAX_LOOK)
    if s.box and min(b - a for a, b in zip(s.box[:3], s.box[3:])) < \
            MIN_LENGTH:
        raise Refusal(f"--box needs sides of at least {MIN_LENGTH:g}, "
                      f"which POV-Ray can draw")
    check_local(s)


def check_local(s):
    """The options of local order, each given only where it counts."""
    if "against" in s.given and s.colour != "orientation":
        raise Refusal("--against picks the director of --colour "
                      "orientation: give it")
    if "below" in s.given and not s.highlight:
        raise Refusal("--below sets what --highlight disorder draws solid: "
                      "give it")
    if "radius" in s.given and not (s.local or s.order):
        raise Refusal("--radius sets the neighbourhood of local order: give "
                      "--colour local-order, --against local, --highlight "
                      "or --order")
    for option, value, top in (("--radius", s.radius, MAX_LOOK),
                               ("--below", s.below, 1)):
        if not 0 < value <= top:
            raise Refusal(f"{option} must lie above 0 and at most {top:g}, "
                          f"not {value:g}")


def resolve(s):
    """Settings that follow from others: size, camera and projection."""
    if s.draft:
        s.quality = "draft"
    s.program_given = s.program is not None
    width, height, _ = povray.QUALITIES[s.quality]
    figure_options.resolve_size(s, width, height)
    if s.camera:
        s.azimuth, s.elevation = s.camera
    else:  # the director's views are found from the frames
        s.azimuth, s.elevation = camera.VIEWS.get(s.view, (None, None))
    s.given = {name for name in ("against", "below", "radius")
               if getattr(s, name) is not None}
    s.against = s.against or "global"
    s.radius = order.RADIUS if s.radius is None else s.radius
    s.below = DEFAULT_BELOW if s.below is None else s.below
    s.local = s.colour == "local-order" or s.against == "local" or \
        s.highlight is not None
    lighting.resolve(s)
    s.angle_top = None  # orientation colours' range, set from the frames
    if s.projection is None:
        named = not s.camera and s.view in camera.ORTHOGRAPHIC_VIEWS
        s.projection = "orthographic" if named else "perspective"
