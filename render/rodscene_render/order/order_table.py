"""--order: each input's order measured from the rods a picture would
draw, the global S beside the mean of each rod's local S, printed as a
CSV table; the table also into a file, S against the frames' time
plotted, and each rod's local order into a table of rods, when asked.
Nothing is rendered."""

import contextlib
import csv
import functools
import io
import os
import sys

import numpy as np

from . import order, order_plot, rod_table
from ..clip_options import clipped
from ..messages import Nothing, Refusal, plural, say, shown
from ..outputs import written_whole
from ..reading.reading_pool import load_frames
from ..warning_report import no_glyph_note

HEADER = ("file", "time", "rods", "S", "mean_local_S", "nx", "ny", "nz",
          "biaxiality")
HEADER_LINE = ",".join(HEADER) + "\n"
# The name a table may have, and its first line, which tells a table this
# program wrote: only such a table is replaced.
TABLE_FORMATS = {".csv": ("rodscene order table", HEADER_LINE.encode(), 0)}
DIGITS = 6  # decimals of S, n and biaxiality: far finer than their noise
MAX_TIME = 1e100  # matplotlib's axis overflows far short of 1e308
TIME_DIGITS = 12  # significant digits of a time: 0.1 x 3 is 0.3
CLIPPED_ALL = "no rod to measure: every one lies beyond --clip or outside " \
    "--slab"


def measured(radius, box, scratch, fr, planes=(None, None)):
    """An input's row, computed where it was read: its frame's arrays do
    not travel back; with a scratch folder, its rods' lines go into a part
    there (rod_table.py). Local order is across the frame's own periodic
    box, else box (--box). The rods measured are those --clip and --slab
    (planes) keep, but each one's neighbours are found among all the
    frame's rods, as a picture's colours are: a rod by a slab's face is
    measured as it lies in the sample, not as if the rods beyond were
    gone."""
    u, centres = order.directions(fr.ends), order.centres(fr.ends)
    local_s, local_n = order.local_order(centres, u, radius,
                                         order.frame_box(fr, box))
    kept = clipped(*planes, centres)
    lines = fr.lines
    if not kept.all():
        u, centres, local_s, local_n = (a[kept] for a in (u, centres,
                                                          local_s, local_n))
        lines = None if lines is None else np.asarray(lines)[kept]
    m = order.measure(u)
    part = None if scratch is None else rod_table.write_part(
        scratch, rod_table.rod_lines(lines, centres, local_s, local_n))
    return {"name": fr.name, "notes": fr.notes, "part": part,
            "nothing": None if m["rods"] else nothing_note(fr),
            "time": fr.time, "rods": m["rods"],
            "S": m["S"], "mean_local_S": float(np.mean(local_s))
            if m["rods"] else np.nan, "director": m["director"],
            "biaxiality": m["biaxiality"]}


def nothing_note(fr):
    """Why an input has no rod to measure."""
    return no_glyph_note(fr) if not len(fr.ends) else \
        f"{shown(fr.name)}: {CLIPPED_ALL}"


def table_text(rows, t):
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(HEADER)
    for r, time in zip(rows, t):
        values = [r["S"], r["mean_local_S"], *r["director"],
                  r["biaxiality"]]
        writer.writerow([shown(r["name"]), f"{time:.{TIME_DIGITS}g}",
                         r["rods"]] + [f"{v:.{DIGITS}f}" for v in values])
    return out.getvalue()


def row_times(rows, dt, t0):
    """Each row's time: its file's own, else as --label's {time} gives
    it; and whether every one was its file's own."""
    given = times(len(rows), dt, t0)
    own = [r["time"] is not None for r in rows]
    return np.array([r["time"] if o else g for r, o, g in
                     zip(rows, own, given)], float), all(own)


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
    rows = load_frames(settings, scratch, functools.partial(
        measured, settings.radius, settings.box,
        scratch if settings.table_rods else None,
        planes=(settings.clip, settings.slab)))
    for r in rows:
        for note in r["notes"]:
            print(note, file=sys.stderr)
        if r["nothing"]:
            say(r["nothing"])
    t, own = row_times(rows, settings.dt, settings.t0)
    text = table_text(rows, t)
    # The files are renamed into place together, after all are whole.
    with contextlib.ExitStack() as stack:
        if settings.table:
            stack.enter_context(written_whole(settings.table)).write_text(
                text, encoding="utf-8")
        if settings.plot:
            order_plot.write_plot(rows, t, own, settings,
                                  stack.enter_context(written_whole(
                                      settings.plot)))
        if settings.table_rods:
            rod_table.join_parts(stack.enter_context(written_whole(
                settings.table_rods)), [r["part"] for r in rows])
    print_table(text)
    if not any(r["rods"] for r in rows):
        raise Nothing(f"measured {plural(len(rows), 'input')}, but none "
                      f"draws a rod")
    written = [shown(p) for p in (settings.table, settings.plot,
                                  settings.table_rods) if p]
    if written:
        listed = written[0] if len(written) == 1 else \
            f"{', '.join(written[:-1])} and {written[-1]}"
        say(f"measured {plural(len(rows), 'input')} into {listed}")
