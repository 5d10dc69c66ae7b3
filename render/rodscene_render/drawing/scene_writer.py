"""The glyphs as POV-Ray scene text, written by the render path itself
from numbers it has read and checked: each glyph a cylinder and its red
cap, in the converters' geometry and colours. Each number is written as
the shortest text that reads back as the same double."""

import numpy as np

from .lighting import EVEN_FINISH_TEXT

from ..reading.scene_reader import (BLUE_PIGMENT, RED_PIGMENT, ROTATION,
                                    TEAL_PIGMENT)

CYLINDER_RADIUS = 1.2
CAP_RADIUS = 0.25
# A faint glyph lets most light through and casts no shadow, so that the
# solid glyphs behind and below it show; and it is thin, so that many of
# them in a dense sample do not stack into a haze.
FAINT_TRANSMIT = 0.85
FAINT_THIN = 0.4  # of a solid rod's radius


def glyph_template(radius):
    return ("cylinder { <%r, %r, %r>, <%r, %r, %r>, " + repr(radius) +
            f" {ROTATION} %s }}\nsphere {{ <%r, %r, %r>, " +
            repr(CAP_RADIUS) + f" {ROTATION} %s }}\n")


GLYPH = {False: glyph_template(CYLINDER_RADIUS),
         True: glyph_template(CYLINDER_RADIUS * FAINT_THIN)}
FAINT = f" transmit {FAINT_TRANSMIT}}}"
# Pure blue is a dark colour to the eye: the blue rods get more ambient and
# diffuse light than the default finish gives, so that both layers read.
BLUE_FINISH = " finish { ambient 0.28 diffuse 1.0 }"
CONVERTER_PIGMENTS = (BLUE_PIGMENT + BLUE_FINISH, TEAL_PIGMENT)


def converter_pigments(teal):
    """Each glyph's cylinder pigment in the converters' colours."""
    return [CONVERTER_PIGMENTS[t] for t in np.asarray(teal, bool).tolist()]


def srgb_pigments(colours, even=False):
    """A cylinder pigment for each row of sRGB colours, 0 to 1, with even
    lighting's finish when even."""
    finish = EVEN_FINISH_TEXT if even else ""
    return [f"pigment {{ color srgb <{r:.6f}, {g:.6f}, {b:.6f}>}}{finish}"
            for r, g, b in np.asarray(colours, float).tolist()]


def faded(pigment):
    """A pigment text, "pigment { color ... }" with any modifiers after
    it, made faint."""
    return pigment.replace("}", FAINT, 1) + " no_shadow"


def glyph_text(ends, caps, pigments, faint=None):
    """The scene text of the glyphs: ends n x 6, caps n x 3 (finite), a
    pigment text a glyph, and whether each is faint (none by default)."""
    rows = np.hstack([ends, caps]).tolist()
    faint = np.zeros(len(rows), bool) if faint is None else faint
    cap = {False: RED_PIGMENT, True: faded(RED_PIGMENT)}
    return "".join(GLYPH[f] % (*row[:6], faded(pigment) if f else pigment,
                               *row[6:], cap[f])
                   for row, pigment, f in zip(rows, pigments,
                                               np.asarray(faint, bool)
                                               .tolist()))
