"""The options of a user's own system: the rods' shape, the box's origin
and edges, and how a trajectory's frames become rods. The converters
(--program) draw their own glyphs and take none of these."""

from .messages import Refusal
from .reading import systems

DEFAULT_LENGTH = 16.0  # the converters' cylinder: 8 either side
DEFAULT_DIAMETER = 2.4
MAX_SHAPE = 1e6  # a rod longer than this is no rod a picture can show
SHAPE_OPTIONS = ("length", "diameter", "ends", "heads", "origin")
TRAJECTORY_OPTIONS = ("axis", "types", "frame")


def add_options(p, finite, whole):
    g = p.add_argument_group(
        "your own system (a configuration without --program, a GSD file "
        "or a LAMMPS dump)")
    g.add_argument("--length", type=finite, metavar="L",
                   help=f"the rods' cylinder length (default "
                        f"{DEFAULT_LENGTH:g}), centred on each position")
    g.add_argument("--diameter", type=finite, metavar="D",
                   help=f"the rods' diameter (default "
                        f"{DEFAULT_DIAMETER:g})")
    g.add_argument("--ends", choices=("round", "flat"),
                   help="round: spherocylinders, a hemisphere of the "
                        "rod's radius on each end (default); flat: "
                        "plain cylinders")
    g.add_argument("--heads", action="store_true",
                   help="mark each rod's tail with a small red sphere, as "
                        "the converters do")
    g.add_argument("--no-box-edges", dest="box_edges", action="store_false",
                   help="leave out the periodic box's edges")
    g.add_argument("--origin", choices=systems.ORIGINS,
                   help="where a configuration's box lies: centred on the "
                        "origin or from 0 to L (default: from 0 to L when "
                        "no position is negative)")
    g.add_argument("--axis", choices=("x", "y", "z"),
                   help="the body axis a GSD or dump quaternion turns into "
                        "the rod's direction (default x)")
    g.add_argument("--types", metavar="A,B",
                   help="only these particle types of a GSD or dump file")
    g.add_argument("--frame", type=whole, metavar="N",
                   help="the frame of a trajectory a picture draws, from "
                        "1 (default 1)")


def check_shape(s):
    for option in ("length", "diameter"):
        value = getattr(s, option)
        if value is not None and not 0 < value <= MAX_SHAPE:
            raise Refusal(f"--{option} must lie above 0 and at most "
                          f"{MAX_SHAPE:g}, not {value:g}")
    if s.program is None:
        return
    for option in SHAPE_OPTIONS:
        if getattr(s, option) not in (None, False):
            raise Refusal(f"--{option} shapes your own system's rods; "
                          f"--program {s.program} draws the converter's "
                          f"glyphs")


def system_reader(s):
    """The reader of a whole system's inputs, from the options."""
    length = DEFAULT_LENGTH if s.length is None else s.length
    diameter = DEFAULT_DIAMETER if s.diameter is None else s.diameter
    form = systems.shape(length, diameter / 2, s.ends != "flat", s.heads)
    types = tuple(t for t in s.types.split(",") if t) if s.types else None
    return systems.reader(form, s.origin, s.axis or "x", types)


def check_trajectory_options(s):
    """--axis, --types and --frame only where a trajectory takes them."""
    trajectories = [k for k in s.kinds if k in ("gsd", "dump")]
    for option in TRAJECTORY_OPTIONS:
        if getattr(s, option) is not None and not trajectories:
            raise Refusal(f"--{option} is for GSD and dump inputs: none is "
                          f"given")
    if s.frame is not None and (s.movie or s.html or s.order):
        raise Refusal("--frame picks a picture's frame; a film, page or "
                      "table takes every frame")
    if s.frame is not None and s.frame < 1:
        raise Refusal(f"--frame counts from 1, not {s.frame}")


def carried(s):
    """The shape and trajectory options a shown command repeats."""
    words = []
    for option in ("length", "diameter", "ends", "origin", "axis", "types"):
        if getattr(s, option) is not None:
            words += [f"--{option}", f"{getattr(s, option)}"]
    if s.heads:
        words.append("--heads")
    if not s.box_edges:
        words.append("--no-box-edges")
    return words
