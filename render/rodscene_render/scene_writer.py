"""The glyphs as POV-Ray scene text, written by the render path itself
from numbers it has read and checked: each glyph a cylinder and its red
cap, in the converters' geometry and colours. Each number is written as
the shortest text that reads back as the same double."""

import numpy as np

from .scene_reader import BLUE_PIGMENT, RED_PIGMENT, ROTATION, TEAL_PIGMENT

CYLINDER_RADIUS = 1.2
CAP_RADIUS = 0.25
GLYPH = ("cylinder { <%r, %r, %r>, <%r, %r, %r>, " + repr(CYLINDER_RADIUS) +
         f" {ROTATION} %s }}\nsphere {{ <%r, %r, %r>, " + repr(CAP_RADIUS) +
         f" {ROTATION} {RED_PIGMENT} }}\n")
# Pure blue is a dark colour to the eye: the blue rods get more ambient and
# diffuse light than the default finish gives, so that both layers read.
BLUE_FINISH = " finish { ambient 0.28 diffuse 1.0 }"
CONVERTER_PIGMENTS = (BLUE_PIGMENT + BLUE_FINISH, TEAL_PIGMENT)


def converter_pigments(teal):
    """Each glyph's cylinder pigment in the converters' colours."""
    return [CONVERTER_PIGMENTS[t] for t in np.asarray(teal, bool).tolist()]


def srgb_pigments(colours):
    """A cylinder pigment for each row of sRGB colours, 0 to 1."""
    return [f"pigment {{ color srgb <{r:.6f}, {g:.6f}, {b:.6f}>}}"
            for r, g, b in np.asarray(colours, float).tolist()]


def glyph_text(ends, caps, pigments):
    """The scene text of the glyphs: ends n x 6, caps n x 3 (finite), and
    a pigment text a glyph."""
    rows = np.hstack([ends, caps]).tolist()
    return "".join(GLYPH % (*row[:6], pigment, *row[6:])
                   for row, pigment in zip(rows, pigments))
