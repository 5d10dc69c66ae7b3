"""The command line's words: every option, its type and its help, parsed
with argparse, whose mistakes are refusals of one line."""

import argparse
import math
import pathlib
import re

from . import camera, povray
from .messages import PROGRAM, Refusal, escaped
from .version import version

# argparse takes "-1e3" for an option, as it takes only -1 and -1.5 forms
# for negative numbers; no option of this program starts with a digit.
NEGATIVE_NUMBER = re.compile(r"^-(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$")


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
                        "workers; tls://HOST:PORT takes Dask's TLS "
                        "settings")
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
