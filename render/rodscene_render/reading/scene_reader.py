"""Scene text read strictly: every glyph exactly as the converters write it,
twelve lines with their literal texts and 30-character number fields, and
anything else refused with its file and line. Only the numbers read here
reach POV-Ray, in the render path's own scene text (scene_writer.py)."""

import re

import numpy as np

from ..messages import Refusal, shown

GLYPH_LINES = 12
GLYPH_BYTES = 486  # a glyph with the teal pigment, line feeds included
MAX_GLYPHS = 3360  # the converters visit no more of their table's slots
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
# Each converter's window of the site's z, both bounds left out, and
# whether it draws a rod blue at z <= 0 (split) or every rod teal (mono).
WINDOWS = {"split": (-38.0, 28.0, True), "mono": (-38.0, 38.0, False)}
# A site's z is the middle of its cylinder's ends, read to within this
# share of their sizes (each end rounded twice, then the sum once).
Z_SLACK = 2.0 ** -50
# Slack for ends that are not both exactly zero, where a double may have
# lost the digits of a tiny extended value.
TINY_SLACK = 1e-300
TINY = 5e-324  # the smallest double above 0


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
            raise bad_line(text, position, name, position_line(len(teal)))
        groups = match.groups()
        fields += groups[:TEAL_GROUP] + groups[TEAL_GROUP + 1:]
        teal.append(groups[TEAL_GROUP] == TEAL_PIGMENT)
        position = match.end()
        if len(teal) > MAX_GLYPHS:
            line = position_line(len(teal) - 1)
            raise Refusal(f"{shown(name)}:{line}: more glyphs than a "
                          f"converter writes ({MAX_GLYPHS})")
    values = np.array(fields, dtype=float)
    # An extended value too small for a double keeps its sign and its
    # being nonzero: the smallest double of that sign stands for it.
    for i in np.flatnonzero(values == 0):
        if "E" in fields[i]:
            values[i] = -TINY if fields[i].lstrip()[0] == "-" else TINY
    values = values.reshape(-1, NUMBERS)
    lines = position_line(np.arange(len(teal)))
    return values[:, :6], values[:, 6:], np.array(teal, bool), lines


def position_line(glyph):
    """The line of a glyph's first record, the glyphs counted from 0."""
    return glyph * GLYPH_LINES + 1


def check_program(ends, teal, lines, program, name,
                  taken="--program {program}"):
    """Refuses scene text that the program cannot have written: a glyph
    whose site lies outside its window, or a cylinder of the other
    colour than it draws there. A site's z is known from the cylinder's
    ends to within their rounding; only what lies clearly beyond it is
    refused. taken says what took the text for the program's."""
    low, high, split = WINDOWS[program]
    with np.errstate(all="ignore"):  # NaN and infinite ends are not judged
        z = (ends[:, 2] + ends[:, 5]) / 2
        slack = Z_SLACK * (abs(ends[:, 2]) + abs(ends[:, 5])) + \
            np.where((ends[:, 2] == 0) & (ends[:, 5] == 0), 0, TINY_SLACK)
        known = np.isfinite(z) & np.isfinite(slack)
        outside = known & ((z + slack <= low) | (z - slack >= high))
        above = known & (z - slack > 0)
        not_above = known & (z + slack <= 0)
    blue = ~teal
    checks = [(outside, f"a glyph outside its window {low:g} < z < "
                        f"{high:g}")]
    if split:
        checks += [(teal & not_above, "a teal glyph at z <= 0, which it "
                    "draws blue"),
                   (blue & above, "a blue glyph above z = 0, which it draws "
                    "teal")]
    else:
        checks.append((blue, "a blue glyph, which it never draws"))
    for bad, what in checks:
        if bad.any():
            raise Refusal(f"{shown(name)}:{lines[bad][0]}: not "
                          f"rodscene_{program}'s scene text "
                          f"({taken.format(program=program)}): {what}")


def read_scene_file(path):
    """A scene-text input, no larger than the converters ever write."""
    try:
        with open(path, "rb") as f:
            data = f.read(MAX_BYTES + 1)
    except OSError as e:
        raise Refusal(f"cannot read {shown(path)}: {e.strerror}") from None
    if len(data) > MAX_BYTES:
        raise Refusal(f"{shown(path)} is larger than any scene text a "
                      f"converter writes (at most {MAX_GLYPHS} glyphs)")
    try:
        text = data.decode("ascii")
    except UnicodeDecodeError as e:
        line = data[:e.start].count(b"\n") + 1
        raise Refusal(f"{shown(path)}:{line}: a byte that is not ASCII: "
                      f"not scene text") from None
    return read_scene(text, path)
