"""Scene text read strictly: every glyph exactly as the converters write it,
twelve lines with their literal texts and 30-character number fields, and
anything else refused with its file and line. Only the numbers read here
reach POV-Ray, in the render path's own scene text (scene_writer.py)."""

import re

import numpy as np

from ..messages import Refusal, shown

GLYPH_LINES = 12
GLYPH_BYTES = 486  # a glyph with the teal pigment, line feeds included
MAX_GLYPHS = 3370  # the converters' table holds no more sites
MAX_BYTES = MAX_GLYPHS * GLYPH_BYTES
TEAL_PIGMENT = "pigment { color rgb <0.000000, 0.800000, 0.673810>}"
BLUE_PIGMENT = "pigment { color rgb <0.00000, 0.100000, 0.873810>}"
RED_PIGMENT = "pigment { color rgb  <0.952540,0.000000,0.000000>}"
ROTATION = "rotate <90,0,0>"

# A number field, exactly 30 characters: 21 significant digits in fixed
# form (right-justified in 24, then 6 blanks) for magnitudes from 0.1 up
# to 10^21 and for zero, else in exponent form, or NaN or an infinity.
FIELD = (r"(  [1-9](?=[0-9]*\.[0-9]* )[0-9.]{21}      "
         r"| -[1-9](?=[0-9]*\.[0-9]* )[0-9.]{21}      "
         r"| 0\.[1-9][0-9]{20}      |-0\.[1-9][0-9]{20}      "
         r"|  0\.0{20}      | -0\.0{20}      "
         r"|  [1-9]\.[0-9]{20}E[+-][0-9]{4}| -[1-9]\.[0-9]{20}E[+-][0-9]{4}"
         r"| {27}NaN| {22}Infinity| {21}-Infinity)")
VECTOR = rf" < {FIELD} , {FIELD} , {FIELD} "
# The twelve lines of a glyph, one literal or vector record a line.
GLYPH_RECORDS = [
    " cylinder", " {", VECTOR + r">, <" + VECTOR[2:] + r">, 1\.2",
    " " + re.escape(ROTATION),
    f" ({re.escape(TEAL_PIGMENT)}|{re.escape(BLUE_PIGMENT)})", " }",
    " sphere", " {", VECTOR + r">, 0\.25", " " + re.escape(ROTATION),
    " " + re.escape(RED_PIGMENT), " }"]
GLYPH = re.compile("".join(r + "\n" for r in GLYPH_RECORDS))
LINE_PATTERNS = [re.compile(r) for r in GLYPH_RECORDS]
NUMBERS = 9  # a glyph's cylinder ends, then its cap's centre
TEAL_GROUP = 6


def not_written(name, line):
    return Refusal(f"{shown(name)}:{line}: not as the converters write it "
                   f"(scene text is read exactly as they write it)")


def bad_line(text, start, name, first_line):
    """The line of the glyph at start that is not as written."""
    lines = text[start:].split("\n")
    for i, pattern in enumerate(LINE_PATTERNS):
        if i >= len(lines) - 1 or not pattern.fullmatch(lines[i]):
            return not_written(name, first_line + i)
    return not_written(name, first_line)


def read_scene(text, name):
    """The glyphs of scene text: (ends n x 6, caps n x 3, teal n, the line
    of each glyph's first record), or a Refusal naming the first line
    that is not as the converters write it."""
    fields, teal, position = [], [], 0
    while position < len(text):
        match = GLYPH.match(text, position)
        if match is None:
            raise bad_line(text, position, name,
                           len(teal) * GLYPH_LINES + 1)
        groups = match.groups()
        fields += groups[:TEAL_GROUP] + groups[TEAL_GROUP + 1:]
        teal.append(groups[TEAL_GROUP] == TEAL_PIGMENT)
        position = match.end()
    values = np.array(fields, dtype=float).reshape(-1, NUMBERS)
    lines = np.arange(len(teal)) * GLYPH_LINES + 1
    return values[:, :6], values[:, 6:], np.array(teal, bool), lines


def read_scene_file(path):
    """A scene-text input, no larger than the converters ever write."""
    try:
        with open(path, "rb") as f:
            data = f.read(MAX_BYTES + 1)
    except OSError as e:
        raise Refusal(f"cannot read {shown(path)}: {e.strerror}") from None
    if len(data) > MAX_BYTES:
        raise Refusal(f"{shown(path)} is larger than any scene text a "
                      f"converter writes ({MAX_GLYPHS} glyphs)")
    try:
        text = data.decode("ascii")
    except UnicodeDecodeError as e:
        line = data[:e.start].count(b"\n") + 1
        raise Refusal(f"{shown(path)}:{line}: a byte that is not ASCII: "
                      f"not scene text") from None
    return read_scene(text, path)
