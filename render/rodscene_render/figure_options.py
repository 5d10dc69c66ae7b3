"""The options of a figure for print: its width on paper and resolution,
the overlays' text size in points, a scale bar, the overlays as vector
text, and how tightly the picture is cropped to the rods."""

import math
import re

from .messages import Refusal, shown

PRINT_WIDTH = re.compile(r"^(\d+\.?\d*|\.\d+)(cm|mm|in)$", re.ASCII)
SHOWN_WIDTH = 40  # characters of a refused width that its message repeats
PER_INCH = {"cm": 1 / 2.54, "mm": 1 / 25.4, "in": 1.0}
DEFAULT_DPI = 300.0  # a journal's raster figures
DEFAULT_FONT_PT = 7.0
MIN_FONT_PT, MAX_FONT_PT = 4.0, 72.0
MIN_DPI, MAX_DPI = 36.0, 2400.0
FORMATS = ("png", "svg", "pdf")
CROPS = ("frame", "tight")
# A picture with overlays whose text is sized in points is at least this
# many of its text's em wide and high: the key alone is some 14 wide.
MIN_EMS, MIN_EMS_HIGH = 20, 12
DEFAULT_MARGIN = 0.03  # of the side a tight picture keeps
# A figure written by matplotlib (a picture's vector overlays, --order's
# plot): no date or program version in the file, so that the same figure
# gives the same bytes, and the SVG's element ids drawn from a fixed salt;
# text kept as text in an SVG (searchable, editable), and TrueType fonts
# in a PDF, which journals take where they refuse Type 3.
SAVED_METADATA = {"png": {"Software": None}, "svg": {"Date": None},
                  "pdf": {"CreationDate": None, "ModDate": None,
                          "Creator": None, "Producer": None}}
SAVED_STYLE = {"svg.hashsalt": "rodscene", "svg.fonttype": "none",
               "pdf.fonttype": 42}


def print_width(text):
    """A width on paper: a number and cm, mm or in; in inches."""
    m = PRINT_WIDTH.match(text.strip())
    if not m or not 0 < float(m.group(1)) < math.inf:
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
                        f"the side the picture keeps (default "
                        f"{DEFAULT_MARGIN:g})")


def resolve_size(s, width, height):
    """The picture's size in pixels: --print-width x --dpi wide when a
    print width is given, as high as --height or the quality's aspect
    (width x height) makes it; else --width and --height, or the
    quality's. s.print_inches is the width on paper in inches, or None."""
    s.print_inches = None
    s.width_given, s.height_given = s.width is not None, s.height is not None
    if s.print_width is not None:
        try:
            s.print_inches = print_width(s.print_width)
        except ValueError:
            raise Refusal(f"--print-width takes a width and its unit, like "
                          f"8.6cm, 86mm or 3.4in, not "
                          f"'{shown(s.print_width[:SHOWN_WIDTH])}'") from None
        if s.width is not None:
            raise Refusal("--print-width and --dpi set the width in pixels: "
                          "leave out --width")
    if s.dpi is not None and s.print_inches is None:
        raise Refusal("--dpi sets the resolution at --print-width: give it")
    s.dpi = DEFAULT_DPI if s.dpi is None else s.dpi
    if not MIN_DPI <= s.dpi <= MAX_DPI:
        raise Refusal(f"--dpi must lie between {MIN_DPI:g} and "
                      f"{MAX_DPI:g}, not {s.dpi:g}")
    if s.print_inches is not None:
        s.width = round(s.print_inches * s.dpi)
        if s.height is None:
            s.height = round(s.width * height / width)
    s.width = width if s.width is None else s.width
    s.height = height if s.height is None else s.height


def check_figure(s):
    """Bounds of the figure's numbers, and the options that go together."""
    s.font_pt_given = s.font_pt is not None
    s.font_pt = DEFAULT_FONT_PT if s.font_pt is None else s.font_pt
    if not MIN_FONT_PT <= s.font_pt <= MAX_FONT_PT:
        raise Refusal(f"--font-pt must lie between {MIN_FONT_PT:g} and "
                      f"{MAX_FONT_PT:g}, not {s.font_pt:g}")
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
    if s.scale_bar is not None and s.projection != "orthographic":
        raise Refusal("--scale-bar measures an orthographic view: give "
                      "--projection orthographic or a front, side, top or "
                      "director view")


def check_room(s):
    """Text sized in points leaves the rods room: a picture with overlays
    is at least MIN_EMS of its text's em wide and MIN_EMS_HIGH high."""
    drawn = s.key or s.axes or s.label or s.scale_bar
    if not drawn or not sized_in_points(s):
        return
    em = font_pixels(s)
    if s.width >= MIN_EMS * em and s.height >= MIN_EMS_HIGH * em:
        return
    most = min(s.width / MIN_EMS, s.height / MIN_EMS_HIGH) / s.dpi * 72
    smaller = f"--font-pt {most:.3g} or less, " if most >= MIN_FONT_PT \
        else ""
    raise Refusal(f"a picture {s.width} x {s.height} pixels has no room "
                  f"for the overlays' text at {s.font_pt:g} pt and "
                  f"{s.dpi:g} dpi: give {smaller}a larger picture, or leave "
                  f"the overlays out")


def check_output(s, picture):
    """The figure's options against what is written: a picture takes them
    all, its format named by --format or its name (the two agree), and
    room for its text; a film takes PNG frames and room for its text; a
    page or --order draws no picture of its own."""
    if s.html or s.order:
        picture_only = [("--format", s.format), ("--scale-bar", s.scale_bar),
                        ("--crop", s.crop != "frame")]
        if s.html:  # the plot of --order is sized for print
            picture_only.append(("--print-width", s.print_width))
            picture_only.append(("--font-pt", s.font_pt_given))
        for option, given in picture_only:
            if given:
                raise Refusal(f"{option} is a picture's option: a page or "
                              f"--order draws no picture of its own")
        return
    if s.movie and s.format not in (None, "png"):
        raise Refusal(f"--format {s.format}: a film takes PNG frames")
    check_room(s)
    if picture is None:
        return
    if s.transparent and picture.suffix.lower() != ".png":
        raise Refusal(f"{shown(picture)}: a transparent picture is a PNG")
    suffix = picture.suffix.lower().lstrip(".")
    named = suffix if suffix in FORMATS else "png"
    if s.format is not None and s.format != suffix:
        raise Refusal(f"--format {s.format} writes a picture named "
                      f".{s.format}, not {shown(picture.name)}")
    s.format = named


def sized_in_points(s):
    """Whether the overlays' text is sized in points: with a print width,
    or a --font-pt given alone, for the picture printed at 300 pixels
    an inch (the default --dpi)."""
    return s.print_inches is not None or s.font_pt_given


def font_pixels(s):
    """The overlays' text size (its em) in pixels: --font-pt at --dpi."""
    return s.font_pt / 72.0 * s.dpi
