"""A whole system's rods as POV-Ray scene text: each rod a cylinder of the
shape's radius (with a hemisphere on each end when round) in one neutral
colour or its own, and a red head past its tail when asked. Numbers are
written as the shortest text that reads back as the same double."""

import numpy as np

from .scene_writer import FAINT_THIN, faded, srgb_pigments
from ..reading.scene_reader import RED_PIGMENT, ROTATION

# One colour for every rod: a grey a little toward blue, which keeps the
# key light's shading and the shadows readable on the light background.
NEUTRAL = (0.56, 0.6, 0.66)
NEUTRAL_PIGMENT = "pigment {{ color srgb <{:.6f}, {:.6f}, {:.6f}>}}".format(
    *NEUTRAL)
FLAT = "cylinder { <%r, %r, %r>, <%r, %r, %r>, %r " + ROTATION + " %s }\n"
# A solid rod is a union; a faint one a merge, whose inner surfaces do not
# darken what shows through it.
ROUND = ("%s { cylinder { <%r, %r, %r>, <%r, %r, %r>, %r } "
         "sphere { <%r, %r, %r>, %r } sphere { <%r, %r, %r>, %r } " +
         ROTATION + " %s }\n")
HEAD = "sphere { <%r, %r, %r>, %r " + ROTATION + " %s }\n"


def system_pigments(colours, count, even):
    """A whole system's rods' pigments: their colours, else the neutral
    one, with even lighting's finish when even; None for the neutral
    colour under the key light."""
    if colours is None and not even:
        return None
    return srgb_pigments(np.tile(NEUTRAL, (count, 1)) if colours is None
                         else colours, even)


def rod_text(ends, radius, round_ends, pigment):
    a, b = ends[:3], ends[3:]
    if not round_ends:
        return FLAT % (*a, *b, radius, pigment)
    kind = "merge" if "transmit" in pigment else "union"
    return ROUND % (kind, *a, *b, radius, *a, radius, *b, radius, pigment)


def rods_text(ends, caps, pigments, faint, form):
    """The scene text of rods: ends n x 6, caps n x 3 (the heads' centres,
    drawn when the shape has heads), a pigment text a rod or None for the
    neutral colour, and whether each is faint (none when None)."""
    n = len(ends)
    faint = np.zeros(n, bool) if faint is None else np.asarray(faint, bool)
    pigments = [NEUTRAL_PIGMENT] * n if pigments is None else pigments
    head_radius = form.head_radius()
    red = {False: RED_PIGMENT, True: faded(RED_PIGMENT)}
    out = []
    for row, cap, pigment, f in zip(ends.tolist(), caps.tolist(), pigments,
                                    faint.tolist()):
        out.append(rod_text(row, form.radius * (FAINT_THIN if f else 1),
                            form.round, faded(pigment) if f else pigment))
        if form.heads:
            out.append(HEAD % (*cap, head_radius, red[f]))
    return "".join(out)
