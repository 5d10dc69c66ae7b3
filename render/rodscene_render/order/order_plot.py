"""--order's plot: the global S and the mean local S against the frames'
time, with axis labels and a legend, sized on paper as a figure is
(--print-width, --dpi, --font-pt) or for a screen; PNG, SVG or PDF, the
same numbers giving the same bytes."""

import warnings

from ..figure_options import SAVED_METADATA, SAVED_STYLE
from ..messages import Refusal, shown
from ..outputs import PICTURE_FORMATS

# Names a plot may have: the format each is written in, and the bytes at
# an offset that tell an existing file of that format, as pictures'.
FORMATS = {name: PICTURE_FORMATS[name] for name in (".png", ".svg", ".pdf")}
# Without --print-width: 640 x 360 pixels at 100 dpi, text in
# matplotlib's own size, readable on a screen.
SCREEN = (6.4, 3.6, 100.0, 10.0)  # inches wide and high, dpi, points
ASPECT = 0.62  # height over width on paper: near the golden ratio's
# Text sizes a plot can hold: its width at least this many times the
# text's size, room for the axis label, the ticks and the legend's names.
MIN_EMS = 20
MAX_PIXELS = 89478485  # Pillow's bound, which other tools share
MAX_SIDE = 16384  # pixels; matplotlib's raster ends at 65536
# Lines and marks in proportion to text of a print figure's size.
PRINT_STYLE = {"lines.linewidth": 1.0, "lines.markersize": 3.0,
               "axes.linewidth": 0.6, "xtick.major.width": 0.6,
               "ytick.major.width": 0.6}
LINES = (("S", "global S", "#1f6f8b"),
         ("mean_local_S", "mean local S", "#c0612b"))
Y_LABEL = "order parameter"
TIME = "time"
OWN_UNIT = "step"  # a file's own time is its simulation step
MAX_UNIT = 16  # characters of --time-unit, which fit under the narrowest plot
GLYPH_WARNING = "Glyph .* missing"
FEW_POINTS = 50  # fewer frames than this are marked, each its own dot


def size(s):
    """The plot's width and height in inches, resolution and text size
    in points."""
    if s.print_inches is None:
        wide, high, dpi, pt = SCREEN
        return wide, high, dpi, s.font_pt if s.font_pt_given else pt
    # A whole number of pixels across, the paper's width within half of one.
    wide = max(round(s.print_inches * s.dpi), 1) / s.dpi
    return wide, wide * ASPECT, s.dpi, s.font_pt


def check_plot(s):
    """Refuses a plot too large to write or too small for its text, and a
    --time-unit that is not a short line of text, before any work."""
    if s.print_inches is not None and not (
            s.print_inches * s.dpi <= MAX_SIDE and s.print_inches ** 2 *
            ASPECT * s.dpi ** 2 <= MAX_PIXELS):
        raise Refusal(f"a plot {s.print_inches * 2.54:.4g} cm wide at --dpi "
                      f"{s.dpi:g} has more than {MAX_SIDE} pixels across or "
                      f"{MAX_PIXELS} in all")
    wide, _, _, pt = size(s)
    if wide * 72 < MIN_EMS * pt:
        raise Refusal(f"a plot {wide * 2.54:.3g} cm wide has no room for "
                      f"text of {pt:g} pt: at most {wide * 72 / MIN_EMS:.3g} "
                      f"pt, or a plot at least "
                      f"{MIN_EMS * pt / 72 * 2.54:.3g} cm wide")
    unit = s.time_unit
    if unit is None:
        return
    if not (len(unit) <= MAX_UNIT and unit.isprintable() and unit.strip()):
        cut = "..." if len(unit) > MAX_UNIT else ""
        raise Refusal(f"--time-unit takes a unit of 1 to {MAX_UNIT} "
                      f"characters on one line, like ns or τ, not "
                      f"'{shown(unit[:MAX_UNIT])}{cut}'")
    lacking = "" if s.plot.suffix.lower() == ".svg" else missing(unit)
    if lacking:
        raise Refusal(f"--time-unit '{shown(unit)}': the plot's font has no "
                      f"'{lacking}' (an SVG plot leaves the font to its "
                      f"reader)")


def missing(text):
    """The characters of text that a PNG's or PDF's font cannot draw."""
    try:
        from matplotlib import font_manager, ft2font
    except ImportError:  # refused later, where every tool is looked for
        return ""
    font = ft2font.FT2Font(font_manager.findfont(
        font_manager.FontProperties()))
    chart = font.get_charmap()
    return "".join(dict.fromkeys(c for c in text if ord(c) not in chart))


def x_label(unit, own):
    """The time axis's label: the unit given, else step when every time is
    a file's own, else no unit."""
    unit = unit or (OWN_UNIT if own else None)
    return f"{TIME} ({unit})" if unit else TIME


def write_plot(rows, t, own, s, temporary):
    import matplotlib  # only the plot needs it
    from matplotlib.figure import Figure
    suffix = s.plot.suffix.lower()
    wide, high, dpi, pt = size(s)
    style = {**SAVED_STYLE, "font.size": pt,
             **(PRINT_STYLE if s.print_inches is not None else {})}
    with matplotlib.rc_context(style):
        figure = Figure(figsize=(wide, high), dpi=dpi,
                        layout="constrained")
        axes = figure.add_subplot()
        for key, name, colour in LINES:
            axes.plot(t, [r[key] for r in rows], label=name, color=colour,
                      marker="o" if len(rows) < FEW_POINTS else None)
        # Texts as given: a $ in a unit is a dollar, not mathematics.
        axes.set_xlabel(x_label(s.time_unit, own), parse_math=False)
        axes.set_ylabel(Y_LABEL)
        axes.set_ylim(0, 1)
        # Above the axes, where it never covers a line.
        axes.legend(loc="lower center", bbox_to_anchor=(0.5, 1), ncol=2,
                    frameon=False, borderaxespad=0.2)
        axes.grid(alpha=0.3)
        with warnings.catch_warnings():
            # An SVG's text is set in its reader's fonts, which may have
            # the glyphs that matplotlib's, measuring it, lacks.
            warnings.filterwarnings("ignore", GLYPH_WARNING)
            figure.savefig(temporary, format=suffix[1:], dpi=dpi,
                           metadata=SAVED_METADATA[suffix.lstrip(".")])
