"""The rodscene converters' reading, glyphs and scene text, in Python.

Every function reads a configuration file of any name (str, bytes or
os.PathLike) exactly as rodscene_split and rodscene_mono read
readingconfig3.txt, with storage of its own and without holding the GIL,
so threads convert files side by side.

- read_sites(path): {"positions": (n, 3) float64, "directions": (n, 3)
  float64, "records": int}. records counts the data records read; n is
  records, at most the table's 3370 slots, the ones records filled.
- read_rods(path): every rod of a configuration file, however many: a Rods
  tuple of positions (n, 3) float64, directions (n, 3) float64 of unit
  length, box (3 lengths from the header, or None), lines (n,) int64, the
  line where each rod's record starts, records (data records read) and
  left_out (records that gave no rod: values missing, a position that is
  not finite, a zero or non-finite direction) and box_lo, the box's lower
  corner (None without a box): 0 when no position has a coordinate below
  0, as a simulation wrapping into [0, L) writes it, else -L/2, the box
  centred on the origin. Directions are normalised; a header whose count
  differs from the records, directions not of unit length and records
  left out are each one ReadWarning.
- glyphs(path, program): {"ends": (n, 2, 3) float64, the cylinder's ends A
  and B; "caps": (n, 3) float64, the sphere centres; "teal": (n,) bool, the
  cylinder pigment; "lines": (n,) int64, the line of the file where the
  site's record starts, 0 for a slot no record reached}, for the n glyphs
  the program ("split" or "mono") draws, in the order it writes them.
- scene_text(path, program): bytes, what the program writes on standard
  output.

Coordinates are computed in 80-bit extended arithmetic as the programs
compute them, then rounded correctly to float64.

What the reader dropped or filled in comes as ReadWarning, one a line of
what the program prints on standard error, without its name:
"PATH:LINE: ...". A file that cannot be opened or read raises OSError (its
errno's subclass, such as FileNotFoundError), with errno and filename set
and strerror the program's reason, "cannot open PATH: ..."; what is not
a regular file (a device, a pipe) is not read: OSError (EINVAL), "cannot
open PATH: not a regular file". Ctrl-C stops a long read with
KeyboardInterrupt. An unknown program raises ValueError.

Pictures, films and pages as the command rodscene_render makes them:
picture(input, output, **options), film(inputs, output, **options),
page(inputs, output, **options), each option as a keyword (view="front",
camera=(30, 20), quality="draft", key=False for --no-key); show(inputs,
**options) returns the page for a notebook to show inline. What the
command refuses raises Refused with its one line; a result that shows no
glyph gives a NothingShown warning.

order(rods, program=None): the order of a file's rods (every rod of a
configuration, across its header's periodic box; with program "split" or
"mono" the glyphs that converter draws, scene text refused when the
program given cannot have written it), or of directions (n, 3), each
row a rod (not normalised: any finite length but 0, and d the same rod as
-d):
{"S": float, the order parameter; "director": (3,) unit vector, its
largest component positive; "biaxiality": float, the difference of the
order tensor's two smaller eigenvalues, 0 for a uniaxial sample; "tensor":
(3, 3), Q = <3/2 u u - 1/2 I>; "rods": int; "mean_local_S": float, the
mean of each rod's local S over radius (default 16, a rod's length),
NaN for directions given without positions=(n, 3)}. No rods give NaN.

local_order(rods, directions=None, radius=16.0, box=None,
program=None): each rod's local order, from Q over the rods whose
centres lie within radius of its own, itself included, of a file's rods
as order() takes them or of positions (n, 3) and directions (n, 3):
{"S": (n,) float64; "director": (n, 3) unit vectors, each one's largest
component positive; "positions": (n, 3), the rods' centres}. box, the
periodic box whose faces neighbours are found across, is its 3 lengths,
its 6 bounds (x0, y0, z0, x1, y1, z1) or a (low, high) pair of corners;
the positions need not lie in it. Both order functions take radius and
box as keywords, and local order needs scipy.
"""

import collections

from . import _core
from .measures import local_order, order
from .notebook import NothingShown, Refused, film, page, picture, show
from .read_warnings import ReadWarning, warn as _warn

__all__ = ["ReadWarning", "read_sites", "read_rods", "Rods", "glyphs",
           "scene_text", "order", "local_order", "picture", "film", "page",
           "show", "Refused", "NothingShown"]


def read_sites(path):
    """The sites of a configuration file as the converters read them."""
    positions, directions, records, lines = _core.read_sites(path)
    _warn(lines)
    return {"positions": positions, "directions": directions,
            "records": records}


Rods = collections.namedtuple(
    "Rods", "positions directions box lines records left_out box_lo")


def read_rods(path):
    """Every rod of a configuration file, directions normalised."""
    d = _core.read_rods(path)
    _warn(d["warnings"])
    return Rods(d["positions"], d["directions"], d["box"], d["lines"],
                d["records"], d["left_out"], d["box_lo"])


def glyphs(path, program):
    """The glyphs that program ("split" or "mono") draws from the file."""
    ends, caps, teal, warned, lines = _core.glyphs(path, program)
    _warn(warned)
    return {"ends": ends, "caps": caps, "teal": teal, "lines": lines}


def scene_text(path, program):
    """The scene text that program ("split" or "mono") writes for the file."""
    text, lines = _core.scene_text(path, program)
    _warn(lines)
    return text
