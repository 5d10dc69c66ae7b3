"""The rodscene converters' reading, glyphs and scene text, in Python.

Every function reads a configuration file of any name (str, bytes or
os.PathLike) exactly as rodscene_split and rodscene_mono read
readingconfig3.txt, with storage of its own and without holding the GIL,
so threads convert files side by side.

- read_sites(path): {"positions": (n, 3) float64, "directions": (n, 3)
  float64, "records": int}. records counts the data records read; n is
  records, at most the table's 3370 slots, the ones records filled.
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

order(rods, program=None): the order of a file's rods as the program
(split when not given) draws them (the glyphs a picture draws; scene text
is refused when the program given cannot have written it), or of
directions (n, 3), each row a rod (not normalised: any finite length but
0, and d the same rod as -d):
{"S": float, the order parameter; "director": (3,) unit vector, its
largest component positive; "biaxiality": float, the difference of the
order tensor's two smaller eigenvalues, 0 for a uniaxial sample; "tensor":
(3, 3), Q = <3/2 u u - 1/2 I>; "rods": int}. No rods give NaN.
"""

import os
import warnings

from . import _core
from .notebook import (NothingShown, Refused, film, page, picture,
                       render_module, show)

__all__ = ["ReadWarning", "read_sites", "glyphs", "scene_text", "order",
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
    as n x 6 ends; what the command refuses raises ValueError. Scene text
    that program (when given) cannot have written is refused."""
    if program not in (None, "split", "mono"):
        raise ValueError(f"unknown program {program!r}: choose 'split' or "
                         f"'mono'")
    inputs = render_module("reading.inputs")
    refusal = render_module("messages").Refusal
    path = os.fsdecode(path)
    try:
        if os.path.exists(path):
            if inputs.input_kind(path) == "scene":
                ends, caps, teal, lines = inputs.read_scene_file(path)
                if program is not None:
                    inputs.check_program(ends, teal, lines, program, path)
                return ends[inputs.drawable(ends, caps, lines, path, [])]
    except refusal as e:
        raise ValueError(str(e)) from None
    ends, caps, _, warned, _ = _core.glyphs(path, program or "split")
    _warn(warned)
    ends = ends.reshape(-1, 6)
    return ends[inputs.drawable(ends, caps, None, path, [])]


def _unit_rows(rods):
    """Directions (n, 3) as unit vectors: each row scaled by its largest
    component first, so that no length over- or underflows."""
    import numpy as np
    d = np.asarray(rods, dtype=float)
    if d.ndim != 2 or d.shape[1] != 3:
        raise ValueError(f"directions are an (n, 3) array, not {d.shape}")
    with np.errstate(all="ignore"):  # what is not finite is refused below
        scale = np.abs(d).max(axis=1, initial=0.0, keepdims=True)
        d = d / scale
        length = np.linalg.norm(d, axis=1, keepdims=True)
    if not (np.isfinite(scale) & (scale > 0)).all():
        raise ValueError("every direction needs a finite length above 0")
    return d / length


def order(rods, program=None):
    """The order of a file's drawn rods, or of directions (n, 3)."""
    measure = render_module("order.order")
    if isinstance(rods, (str, bytes, os.PathLike)):
        return measure.measure(measure.directions(_drawn_ends(rods,
                                                              program)))
    return measure.measure(_unit_rows(rods))
