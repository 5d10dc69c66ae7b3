"""The options of a figure for print: its width on paper and resolution,
the overlays' text size in points, a scale bar, the overlays as vector
text, and how tightly the picture is cropped to the rods."""

import re

from .messages import Refusal

PRINT_WIDTH = re.compile(r"^(\d+\.?\d*|\.\d+)(cm|mm|in)$")
PER_INCH = {"cm": 1 / 2.54, "mm": 1 / 25.4, "in": 1.0}
DEFAULT_DPI = 300.0  # a journal's raster figures
DEFAULT_FONT_PT = 7.0
MIN_FONT_PT, MAX_FONT_PT = 4.0, 72.0
MIN_DPI, MAX_DPI = 36.0, 2400.0
FORMATS = ("png", "svg", "pdf")
CROPS = ("frame", "tight")
DEFAULT_MARGIN = 0.03  # of the picture's longer side, around tight rods


def print_width(text):
    """A width on paper: a number and cm, mm or in; in inches."""
    m = PRINT_WIDTH.match(text.strip())
    if not m or float(m.group(1)) <= 0:
        raise ValueError(text)
    return float(m.group(1)) * PER_INCH[m.group(2)]


def add_options(p, finite):
    g = p.add_argument_group("figures for print")
    g.add_argument("--print-width", metavar="WIDTH",
                   help="the picture's width on paper, e.g. 8.6cm, 86mm or "
                        "3.4in; with --dpi it sets the size in pixels and "
                        "the overlays' text is sized in points")
    g.add_argument("--dpi", type=finite,
                   help=f"pixels an inch at --print-width (default "
                        f"{DEFAULT_DPI:g})")
    g.add_argument("--font-pt", type=finite, metavar="PT",
                   help=f"the overlays' text size in points at the print "
                        f"width (default {DEFAULT_FONT_PT:g})")
    g.add_argument("--scale-bar", type=finite, metavar="LENGTH",
                   help="a labelled bar of this length, in the "
                        "configuration's length unit (orthographic views)")
    g.add_argument("--format", choices=FORMATS,
                   help="png (default): one raster picture; svg or pdf: the "
                        "rendered rods with the key, label and scale bar as "
                        "vector text over them")
    g.add_argument("--crop", choices=CROPS,
                   help="frame (default): the picture's size as given, the "
                        "rods filling it; tight: the size follows the rods' "
                        "extent, with --margin around them")
    g.add_argument("--margin", type=finite,
                   help=f"with --crop tight, the margin as a fraction of "
                        f"the picture's longer side (default "
                        f"{DEFAULT_MARGIN:g})")


def check_figure(s):
    """Bounds of the figure's numbers; s.print_inches is the width on
    paper in inches, or None."""
    s.print_inches = None
    if s.print_width is not None:
        try:
            s.print_inches = print_width(s.print_width)
        except ValueError:
            raise Refusal(f"--print-width takes a width and its unit, like "
                          f"8.6cm, 86mm or 3.4in, not "
                          f"'{s.print_width}'") from None
    if s.dpi is not None and s.print_inches is None:
        raise Refusal("--dpi sets the resolution at --print-width: give it")
    s.dpi = DEFAULT_DPI if s.dpi is None else s.dpi
    s.font_pt_given = s.font_pt is not None
    s.font_pt = DEFAULT_FONT_PT if s.font_pt is None else s.font_pt
    for option, value, low, top in (("--dpi", s.dpi, MIN_DPI, MAX_DPI),
                                    ("--font-pt", s.font_pt, MIN_FONT_PT,
                                     MAX_FONT_PT)):
        if not low <= value <= top:
            raise Refusal(f"{option} must lie between {low:g} and {top:g}, "
                          f"not {value:g}")
    if s.scale_bar is not None and not s.scale_bar > 0:
        raise Refusal(f"--scale-bar must be a length above 0, not "
                      f"{s.scale_bar:g}")
    if s.margin is not None and s.crop != "tight":
        raise Refusal("--margin sets the room around --crop tight's rods: "
                      "give it")
    s.margin = DEFAULT_MARGIN if s.margin is None else s.margin
    if not 0 <= s.margin <= 0.45:
        raise Refusal(f"--margin must lie between 0 and 0.45, not "
                      f"{s.margin:g}")
    s.crop = s.crop or "frame"
    s.format = s.format or "png"
