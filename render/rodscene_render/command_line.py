"""The command line: parses, checks every name, input and number before
any work, and dispatches to a picture, a film or a page. Every mistake is
one line on standard error and exit status 2."""

import argparse
import math
import pathlib
import re
import shutil
import sys
import tempfile

from . import (camera, film_encoder, films, inputs, outputs, overlays, page,
               povray)
from .messages import PROGRAM, Refusal, say
from .version import version

MAX_SIZE = 16384  # pixels a side; POV-Ray's memory for more is absurd
MIN_SIZE = 16
MAX_FPS = 240.0
MAX_ZOOM = 1000.0
MIN_ZOOM = 0.001
MIN_FPS = 0.01  # a GIF holds a frame at most 655.35 s
MAX_LOOK = 1e9  # beyond it POV-Ray's bounds leave the picture empty
# argparse takes "-1e3" for an option, as it takes only -1 and -1.5 forms
# for negative numbers; no option of this program starts with a digit.
NEGATIVE_NUMBER = re.compile(r"^-(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$")


def refuse(message):
    raise Refusal(f"{message} (see --help)")


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
                        "INPUT then PICTURE (.png, .jpg or .jpeg)")
    p.add_argument("--movie", type=pathlib.Path, metavar="FILM",
                   help="render every INPUT as a frame of this film "
                        "(.mp4, .webm or .gif)")
    p.add_argument("--html", type=pathlib.Path, metavar="VIEW.html",
                   help="write a page that shows every INPUT in a browser, "
                        "with the command that renders what it shows")
    p.add_argument("--frames", type=pathlib.Path, metavar="DIR",
                   help="keep a film's PNG frames in DIR; run again, the "
                        "film renders only the frames DIR lacks")
    p.add_argument("--scheduler", metavar="tcp://HOST:PORT",
                   help="render a film's frames on this Dask scheduler's "
                        "workers")
    p.add_argument("--fps", type=finite, default=24.0,
                   help="film frames per second (default 24)")
    p.add_argument("--view", choices=camera.VIEWS, default="iso",
                   help="camera direction (default iso)")
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
                   help="converter for configuration files (default split); "
                        "for scene text, the program that wrote it, which "
                        "the key names (default: split if any rod is blue)")
    p.add_argument("--converters", metavar="DIR",
                   help="folder holding rodscene_split and rodscene_mono")
    p.add_argument("--quality", choices=povray.QUALITIES, default="normal",
                   help="draft (640x360, no anti-aliasing), normal "
                        "(1280x720) or final (1920x1080, fine "
                        "anti-aliasing); default normal")
    p.add_argument("--draft", action="store_true",
                   help="the same as --quality draft")
    p.add_argument("--width", type=whole, help="picture width in pixels")
    p.add_argument("--height", type=whole, help="picture height in pixels")
    p.add_argument("--transparent", action="store_true",
                   help="PNG with alpha: no background")
    p.add_argument("--box", type=finite, nargs=6,
                   metavar=("X0", "Y0", "Z0", "X1", "Y1", "Z1"),
                   help="draw this box's edges as thin grey rods")
    p.add_argument("--detail", action="store_true",
                   help="frame a 30-unit cube at the middle of the glyphs' "
                        "face toward the camera")
    p.add_argument("--colour", choices=("converter", "orientation"),
                   default="converter",
                   help="the converters' colours (default), or each rod's "
                        "angle to the director")
    p.add_argument("--label", metavar="TEXT",
                   help="a line of text in the upper left corner; {name}, "
                        "{index} and {time} stand for the input's file name, "
                        "the frame number from 1 and index x --dt")
    p.add_argument("--dt", type=finite, default=1.0,
                   help="time between frames for {time} (default 1)")
    p.add_argument("--no-axes", dest="axes", action="store_false",
                   help="leave out the axis triad")
    p.add_argument("--no-key", dest="key", action="store_false",
                   help="leave out the colour key")
    p.add_argument("--version", action="version",
                   version=f"%(prog)s {version()}")
    return p


def check_numbers(s):
    if not MIN_SIZE <= s.width <= MAX_SIZE or \
            not MIN_SIZE <= s.height <= MAX_SIZE:
        raise Refusal(f"--width and --height must lie between {MIN_SIZE} "
                      f"and {MAX_SIZE} pixels, not {s.width} x {s.height}")
    if not MIN_FPS <= s.fps <= MAX_FPS:
        raise Refusal(f"--fps must lie between {MIN_FPS:g} and {MAX_FPS:g}, "
                      f"not {s.fps:g}")
    if not MIN_ZOOM <= s.zoom <= MAX_ZOOM:
        raise Refusal(f"--zoom must lie between {MIN_ZOOM:g} and "
                      f"{MAX_ZOOM:g}, not {s.zoom:g}")
    if s.look and max(abs(v) for v in s.look) > MAX_LOOK:
        raise Refusal(f"--look must lie within {MAX_LOOK:g} of the origin")
    if s.camera and not -90 <= s.camera[1] <= 90:
        raise Refusal(f"--camera's elevation must lie between -90 and 90 "
                      f"degrees, not {s.camera[1]:g}")
    if s.box and not all(a < b for a, b in zip(s.box[:3], s.box[3:])):
        raise Refusal("--box needs X0 < X1, Y0 < Y1 and Z0 < Z1")


def resolve(s):
    """Settings that follow from others: size, camera and projection."""
    if s.draft:
        s.quality = "draft"
    s.program_given = s.program is not None
    s.program = s.program or "split"
    width, height, _ = povray.QUALITIES[s.quality]
    s.width = width if s.width is None else s.width
    s.height = height if s.height is None else s.height
    if s.camera:
        s.azimuth, s.elevation = s.camera
    else:
        s.azimuth, s.elevation = camera.VIEWS[s.view]
    if s.projection is None:
        named = not s.camera and s.view in camera.ORTHOGRAPHIC_VIEWS
        s.projection = "orthographic" if named else "perspective"


def check_outputs(s):
    if s.scheduler and s.movie is None:
        raise Refusal("--scheduler renders the frames of a film: give "
                      "--movie")
    if s.html:
        if s.movie:
            raise Refusal("--html and --movie are two outputs: one a run")
        outputs.check_output(s.html, page.PAGE_FORMATS, s.inputs, "page")
        page.check_page(s)
        return
    if s.movie is None:
        if s.frames:
            raise Refusal("--frames keeps a film's frames: it needs --movie")
        if len(s.inputs) != 2:
            raise Refusal("a picture takes one INPUT and the PICTURE to "
                          "write; a film takes --movie FILM.mp4 INPUT...")
        s.inputs, s.picture = s.inputs[:1], pathlib.Path(s.inputs[1])
        outputs.check_output(s.picture, outputs.PICTURE_FORMATS, s.inputs,
                             "picture")
        if s.transparent and s.picture.suffix.lower() != ".png":
            raise Refusal(f"{s.picture}: a transparent picture is a PNG")
        return
    outputs.check_output(s.movie, film_encoder.CONTAINERS, s.inputs, "film")
    if s.scheduler:
        from .cluster import check_scheduler
        check_scheduler(s.scheduler)
    if s.frames:
        if s.frames.exists() and not s.frames.is_dir():
            raise Refusal(f"--frames {s.frames} is a file, not a folder")
        # The folder is made when the film starts; until then its nearest
        # existing folder must take it.
        folder = s.frames.absolute()
        while not folder.exists():
            folder = folder.parent
        outputs.check_folder(folder)


def check_label(s):
    """The label filled in for every input, as the frames will fill it."""
    if s.label is None:
        return
    error = overlays.check_label(s.label, s.inputs, s.dt)
    if error:
        raise Refusal(f"--label {s.label!r} cannot be filled in: {error}")


def check_side_outputs(s):
    """A film's or page's other files (the warnings' log, the frames) may
    not take the place of an input."""
    written = s.html or s.movie
    if written is None:
        return
    log = written.with_name(written.stem + films.LOG_SUFFIX)
    for name in s.inputs:
        if outputs.same_file(log, pathlib.Path(name)):
            raise Refusal(f"{log} would hold the warnings, and it is an "
                          f"input: not overwritten")
    if s.frames:
        folder = s.frames.absolute()
        if folder == s.movie.absolute():
            raise Refusal(f"--frames {s.frames} is the film's own name")
        for name in s.inputs:
            if pathlib.Path(name).absolute().parent == folder:
                raise Refusal(f"{name} lies in the --frames folder, which "
                              f"the film writes into: not overwritten")


def check_tools(s, here):
    if s.html:
        page.find_three()
    elif not s.scheduler:  # else the workers run POV-Ray
        s.povray = povray.find_povray()
    s.scene = povray.scene_file(pathlib.Path(__file__).resolve().parent
                                .parent)
    if s.movie:
        s.ffmpeg = shutil.which("ffmpeg")
        if s.ffmpeg is None:
            raise Refusal("ffmpeg is not installed (Debian: apt-get install "
                          "ffmpeg)")
        try:
            import tqdm  # noqa: F401 (the films' progress bar)
        except ImportError:
            raise Refusal("needs tqdm (Debian: apt-get install "
                          "python3-tqdm)") from None
    if s.colour == "orientation":
        try:
            import matplotlib  # noqa: F401 (the colour map)
        except ImportError:
            raise Refusal("--colour orientation needs matplotlib (Debian: "
                          "apt-get install python3-matplotlib)") from None
    s.kinds = [inputs.input_kind(path) for path in s.inputs]
    s.converter = None
    if "configuration" in s.kinds:
        s.converter = inputs.find_converter(f"rodscene_{s.program}",
                                            s.converters, here)


def settings_from(argv, here):
    """The checked settings of one run, or a Refusal."""
    s = parser().parse_args(argv)
    resolve(s)
    check_numbers(s)
    check_outputs(s)
    check_side_outputs(s)
    check_label(s)
    check_tools(s, here)
    return s


def main(argv=None):
    here = pathlib.Path(sys.argv[0]).resolve().parent
    try:
        settings = settings_from(argv, here)
        with tempfile.TemporaryDirectory(prefix="rodscene-") as scratch:
            if settings.html:
                page.write_page(settings, scratch)
            elif settings.movie:
                films.render_film(settings, scratch)
            else:
                from .picture import render_picture
                render_picture(settings, scratch)
    except Refusal as e:
        if e.detail:
            print(e.detail, file=sys.stderr)
        say(str(e))
        return 2
    except KeyboardInterrupt:
        say("interrupted")
        return 2
    return 0
