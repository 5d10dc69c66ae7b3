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
and strerror the program's reason, "cannot open PATH: ..."; an unknown
program raises ValueError.

Pictures, films and pages as the command rodscene_render makes them:
picture(input, output, **options), film(inputs, output, **options),
page(inputs, output, **options), each option as a keyword (view="front",
camera=(30, 20), quality="draft", key=False for --no-key); show(inputs,
**options) returns the page for a notebook to show inline. What the
command refuses raises Refused with its one line; a result that shows no
glyph gives a NothingShown warning.

order(rods, program="split"): the order of a file's rods as the program
draws them (the glyphs a picture draws), or of directions (n, 3), each
row a rod (not normalised: any length but 0, and d the same rod as -d):
{"S": float, the order parameter; "director": (3,) unit vector, its
largest component positive; "biaxiality": float, the difference of the
order tensor's two smaller eigenvalues, 0 for a uniaxial sample; "tensor":
(3, 3), Q = <3/2 u u - 1/2 I>; "rods": int}. No rods give NaN.
"""

import collections
import os
import warnings

from . import _core
from .notebook import (NothingShown, Refused, film, page, picture,
                       render_module, show)

__all__ = ["ReadWarning", "read_sites", "read_rods", "Rods", "glyphs", "scene_text", "order",
           "picture", "film", "page", "show", "Refused", "NothingShown"]


class ReadWarning(UserWarning):
    """Input that a converter's reader dropped or filled in."""


def _warn(lines):
    # stacklevel 3: the warning points at the caller of the public function.
    for line in lines:
        warnings.warn(line, ReadWarning, stacklevel=3)


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


def _drawn_ends(path, program):
    """The glyphs a picture draws of a file, scene text or configuration,
    as n x 6 ends; what the command refuses raises ValueError."""
    import numpy as np
    inputs = render_module("reading.inputs")
    if os.path.exists(path):
        try:
            kind = inputs.input_kind(path)
        except render_module("messages").Refusal as e:
            raise ValueError(str(e)) from None
        if kind == "scene":
            try:
                ends, caps, _, lines = inputs.read_scene_file(path)
            except render_module("messages").Refusal as e:
                raise ValueError(str(e)) from None
            return ends[inputs.drawable(ends, caps, lines, path, [])]
    if program is None:  # the whole system: every record a rod
        got = _core.read_rods(path)
        _warn(got["warnings"])
        return np.hstack([got["positions"] - got["directions"],
                          got["positions"] + got["directions"]])
    ends, caps, _, warned, _ = _core.glyphs(path, program)
    _warn(warned)
    ends = ends.reshape(-1, 6)
    return ends[inputs.drawable(ends, caps, None, path, [])]


def order(rods, program=None):
    """The order of a file's rods (every rod of the system, or those
    program "split" or "mono" draws), or of directions (n, 3)."""
    import numpy as np
    measure = render_module("order.order")
    if isinstance(rods, (str, bytes, os.PathLike)):
        u = measure.directions(_drawn_ends(rods, program))
    else:
        d = np.asarray(rods, dtype=float)
        if d.ndim != 2 or d.shape[1] != 3:
            raise ValueError(f"directions are an (n, 3) array, not "
                             f"{d.shape}")
        length = np.linalg.norm(d, axis=1, keepdims=True)
        if not (np.isfinite(length) & (length > 0)).all():
            raise ValueError("every direction needs a finite length "
                             "above 0")
        u = d / length
    return measure.measure(u)
