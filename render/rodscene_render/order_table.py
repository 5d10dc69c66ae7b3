"""--order: each input's order measured from the rods a picture would
draw, printed as a CSV table; the table also into a file, and S against
the frames' time plotted, when asked. Nothing is rendered."""

import csv
import io
import os
import sys

import numpy as np

from . import order
from .messages import Nothing, Refusal, plural, say, shown
from .outputs import written_whole
from .reading_pool import load_frames
from .warning_report import no_glyph_note

HEADER = ("file", "rods", "S", "nx", "ny", "nz", "biaxiality")
HEADER_LINE = ",".join(HEADER) + "\n"
# Names a plot or table may have: the format each is written in, and the
# bytes at an offset that tell an existing file of that format. A table
# replaces only a table this program wrote.
PLOT_FORMATS = {".png": ("PNG", b"\x89PNG\r\n\x1a\n", 0),
                ".svg": ("SVG", b"<?xml", 0)}
TABLE_FORMATS = {".csv": ("rodscene order table", HEADER_LINE.encode(), 0)}
DIGITS = 6  # decimals of S, n and biaxiality: far finer than their noise
PLOT_SIZE = (6.4, 3.6)  # inches, 100 pixels each in a PNG
# No date or program version in the files, so the same numbers give the
# same bytes; and the SVG's element ids drawn from a fixed salt.
PLOT_METADATA = {".png": {"Software": None}, ".svg": {"Date": None}}
SVG_SALT = "rodscene"


def measured(fr):
    """An input's row, computed where it was read: its frame's arrays do
    not travel back."""
    m = order.measure(order.directions(fr.ends))
    return {"name": fr.name, "notes": fr.notes + ([] if m["rods"] else
                                                  [no_glyph_note(fr)]),
            "rods": m["rods"], "S": m["S"], "director": m["director"],
            "biaxiality": m["biaxiality"]}


def table_text(rows):
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(HEADER)
    for r in rows:
        values = [r["S"], *r["director"], r["biaxiality"]]
        writer.writerow([shown(r["name"]), r["rods"]] +
                        [f"{v:.{DIGITS}f}" for v in values])
    return out.getvalue()


def times(count, dt, t0):
    """Each frame's time, as --label's {time} gives it."""
    return t0 + np.arange(count) * dt


def write_plot(rows, settings):
    import matplotlib  # only the plot needs it
    from matplotlib.figure import Figure
    suffix = settings.plot.suffix.lower()
    figure = Figure(figsize=PLOT_SIZE, layout="constrained")
    axes = figure.add_subplot()
    t = times(len(rows), settings.dt, settings.t0)
    axes.plot(t, [r["S"] for r in rows], marker="o" if len(rows) < 50
              else None, color="#1f6f8b")
    axes.set(xlabel="time", ylabel="order parameter S", ylim=(0, 1))
    axes.grid(alpha=0.3)
    with matplotlib.rc_context({"svg.hashsalt": SVG_SALT}), \
            written_whole(settings.plot) as temporary:
        figure.savefig(temporary, format=suffix[1:],
                       metadata=PLOT_METADATA[suffix])


def print_table(text):
    """The table on standard output; a reader that went away is said, and
    the rest of the output is dropped rather than raised again at exit."""
    try:
        sys.stdout.write(text)
        sys.stdout.flush()
    except BrokenPipeError:
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        raise Refusal("standard output was closed before the table was "
                      "written whole") from None


def write_order(settings, scratch):
    rows = load_frames(settings, scratch, measured)
    for r in rows:
        for note in r["notes"]:
            print(note, file=sys.stderr)
    text = table_text(rows)
    if settings.table:
        with written_whole(settings.table) as temporary:
            temporary.write_text(text, encoding="utf-8")
    if settings.plot:
        write_plot(rows, settings)
    print_table(text)
    if not any(r["rods"] for r in rows):
        raise Nothing(f"measured {plural(len(rows), 'input')}, but none "
                      f"draws a rod")
    written = [shown(p) for p in (settings.table, settings.plot) if p]
    if written:
        say(f"measured {plural(len(rows), 'input')} into "
            f"{' and '.join(written)}")
