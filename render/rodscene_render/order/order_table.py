"""--order: each input's order measured from the rods a picture would
draw, printed as a CSV table; the table also into a file, and S against
the frames' time plotted, when asked. Nothing is rendered."""

import contextlib
import csv
import io
import os
import sys

import numpy as np

from . import order
from ..messages import Nothing, Refusal, plural, say, shown
from ..outputs import written_whole
from ..reading.reading_pool import load_frames
from ..warning_report import no_glyph_note

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
MAX_TIME = 1e100  # matplotlib's axis overflows far short of 1e308


def measured(fr):
    """An input's row, computed where it was read: its frame's arrays do
    not travel back."""
    m = order.measure(order.directions(fr.ends))
    return {"name": fr.name, "notes": fr.notes,
            "nothing": None if m["rods"] else no_glyph_note(fr),
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


def check_times(count, dt, t0):
    """Refuses times a plot's axis cannot span, before any work."""
    with np.errstate(all="ignore"):
        t = times(count, dt, t0)
    if not (np.abs(t) <= MAX_TIME).all():
        raise Refusal(f"--t0 {t0:g} and --dt {dt:g} give times beyond "
                      f"{MAX_TIME:g}, more than a plot's axis can span")


def write_plot(rows, settings, temporary):
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
    with matplotlib.rc_context({"svg.hashsalt": SVG_SALT}):
        figure.savefig(temporary, format=suffix[1:],
                       metadata=PLOT_METADATA[suffix])


def print_table(text):
    """The table on standard output; a reader that went away is said, and
    the rest of the output is dropped rather than raised again at exit."""
    try:
        sys.stdout.write(text)
        sys.stdout.flush()
    except OSError as e:
        # Python would flush again at exit and say so with a traceback.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        why = "was closed" if isinstance(e, BrokenPipeError) else \
            f"failed: {e.strerror}"
        raise Refusal(f"standard output {why} before the table was written "
                      f"whole") from None


def write_order(settings, scratch):
    rows = load_frames(settings, scratch, measured)
    for r in rows:
        for note in r["notes"]:
            print(note, file=sys.stderr)
        if r["nothing"]:
            say(r["nothing"])
    text = table_text(rows)
    # Both files are renamed into place together, after both are whole.
    with contextlib.ExitStack() as stack:
        if settings.table:
            stack.enter_context(written_whole(settings.table)).write_text(
                text, encoding="utf-8")
        if settings.plot:
            write_plot(rows, settings,
                       stack.enter_context(written_whole(settings.plot)))
    print_table(text)
    if not any(r["rods"] for r in rows):
        raise Nothing(f"measured {plural(len(rows), 'input')}, but none "
                      f"draws a rod")
    written = [shown(p) for p in (settings.table, settings.plot) if p]
    if written:
        say(f"measured {plural(len(rows), 'input')} into "
            f"{' and '.join(written)}")
