"""--table-rods: each rod's local order, a rod a line. Each frame's lines
are written where the frame is measured, into a part in the scratch
folder, so that no frame's rods travel back or wait in memory; the parts
are joined in the frames' order, each line led by its frame's number,
into the file, written whole under a temporary name."""

import os
import tempfile

import numpy as np

HEADER = ("frame", "line", "x", "y", "z", "S_local", "nx", "ny", "nz")
HEADER_LINE = ",".join(HEADER) + "\n"
# The file replaces only a table of rods this program wrote.
TABLE_FORMATS = {".csv": ("rodscene table of rods", HEADER_LINE.encode(),
                          0)}
DIGITS = 6  # decimals of the centres, S and n
ROW = "%s," + ",".join([f"%.{DIGITS}f"] * 7) + "\n"
PART_SUFFIX = ".rods"


def rod_lines(lines, centres, s, directors):
    """A frame's rows without their frame's number: the rod's line in
    its file (empty when not known), its centre, local S and director."""
    lines = [""] * len(s) if lines is None else \
        np.asarray(lines).astype(str).tolist()
    columns = np.column_stack([centres, s, directors]).T.tolist()
    return "".join(map(ROW.__mod__, zip(lines, *columns)))


def write_part(scratch, text):
    """A frame's rows into a new part in the scratch folder; its name."""
    handle, name = tempfile.mkstemp(suffix=PART_SUFFIX, dir=scratch)
    with os.fdopen(handle, "w", encoding="utf-8") as f:
        f.write(text)
    return name


def join_parts(temporary, parts):
    """The table of rods, into the file temporary, from the frames' parts
    (one a frame, in order), each part removed once copied."""
    with open(temporary, "w", encoding="utf-8") as out:
        out.write(HEADER_LINE)
        for index, part in enumerate(parts, 1):
            with open(part, encoding="utf-8") as f:
                text = f.read()
            os.unlink(part)
            if text:  # each line led by the frame's number
                lead = f"{index},"
                out.write(lead + text[:-1].replace("\n", "\n" + lead) +
                          "\n")
