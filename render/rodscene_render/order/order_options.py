"""--order's words: the option that measures instead of drawing, the
files its numbers go to, and the checks of those files' names before
any work."""

import pathlib
import sys

from . import order_plot, order_table, rod_table
from .. import folders, outputs
from ..messages import Refusal

ORDER_HELP = ("draw nothing: print each INPUT's order as a CSV table "
              "(" + ",".join(order_table.HEADER) + ") of the rods a "
              "picture would draw; mean_local_S is the mean of each rod's "
              "local S over --radius")
PLOT_HELP = ("with --order, also plot S and mean_local_S against each "
             "INPUT's time: its file's own step, else as {time} gives it "
             "(.png, .svg or .pdf), sized by --print-width, --dpi and "
             "--font-pt when given")
UNIT_HELP = ("with --plot, the unit of its time axis, like ns, τ or "
             "steps (default: step when every time is its file's own, "
             "else none)")
TABLE_HELP = "with --order, also write the table to this file"
RODS_HELP = ("with --order, also write each rod's local order to this "
             "file, a rod a line (" + ",".join(rod_table.HEADER) + ")")
WRITTEN = ("plot", "table", "table_rods")  # the files only --order writes


def add_order_options(p):
    p.add_argument("--order", action="store_true", help=ORDER_HELP)
    p.add_argument("--plot", type=pathlib.Path, metavar="PLOT",
                   help=PLOT_HELP)
    p.add_argument("--time-unit", metavar="TEXT", help=UNIT_HELP)
    p.add_argument("--table", type=pathlib.Path, metavar="TABLE.csv",
                   help=TABLE_HELP)
    p.add_argument("--table-rods", type=pathlib.Path, metavar="FILE.csv",
                   help=RODS_HELP)


def refuse_without_order(s):
    for option in WRITTEN:
        if getattr(s, option):
            raise Refusal(f"--{option.replace('_', '-')} writes what "
                          f"--order measures: give --order")
    if s.time_unit is not None:
        raise Refusal("--time-unit labels the time axis of --order's "
                      "--plot: give both")


def check_order(s):
    if s.movie or s.html or s.frames:
        raise Refusal("--order measures and draws nothing: no --movie, "
                      "--html or --frames with it")
    if sys.stdout is None:
        raise Refusal("standard output is closed: --order prints its table "
                      "there")
    if not s.plot:
        refuse_without_plot(s)
    else:
        order_table.check_times(len(s.inputs), s.dt, s.t0)
    files = [(s.plot, order_plot.FORMATS, "plot"),
             (s.table, order_table.TABLE_FORMATS, "table"),
             (s.table_rods, rod_table.TABLE_FORMATS, "table of rods")]
    for path, formats, what in files:
        if path:
            outputs.check_output(path, formats, s.inputs, what)
    if s.plot:
        order_plot.check_plot(s)
    named = [folders.resolved(path) for path, _, _ in files if path]
    if len(set(named)) < len(named):
        raise Refusal("--plot, --table and --table-rods need names of "
                      "their own")


def refuse_without_plot(s):
    """What only sizes or labels the plot, given without one."""
    for option, given in (("--time-unit", s.time_unit is not None),
                          ("--print-width", s.print_inches is not None),
                          ("--font-pt", s.font_pt_given)):
        if given:
            raise Refusal(f"{option} sets --order's plot: give --plot")
