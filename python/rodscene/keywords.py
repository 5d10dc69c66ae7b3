"""Keyword arguments as the command's options: each keyword takes exactly
the values its option takes, of its type and in its count, so that no
value can become another option. view="front" is --view=front,
camera=(30, 20) --camera 30 20, draft=True --draft, key=False --no-key;
None leaves the option at its default."""

import math
import numbers
import os

# Options that the command turns off with --no-NAME.
NEGATED = ("axes", "key", "box_edges")
# The command's options that are not options of a run.
NOT_KEYWORDS = ("help", "version", "movie", "html", "order", "plot", "table",
                "table_rods", "time_unit")
# Options that name a file or folder: str, bytes or os.PathLike.
PATH_KEYWORDS = ("frames", "converters")
FILE_NAME = "a file name (str, bytes or os.PathLike)"


class Refused(ValueError):
    """What the command would refuse, in its one line."""


def refused(name, takes):
    return Refused(f"{name}: takes {takes}")


def finite(value):
    """Whether value is a number of the command's: real, not a bool, and
    finite (an integer too large for a float is not)."""
    if not isinstance(value, numbers.Real) or isinstance(value, bool):
        return False
    try:
        return math.isfinite(value)
    except OverflowError:
        return False


def flag_words(name, flag, known, value):
    """An option without a value: True or False."""
    if not isinstance(value, bool):
        raise refused(name, "True or False")
    if flag in known:  # --draft, or --no-key given as no_key
        return [flag] if value else []
    return [] if value else ["--no-" + flag[2:]]


def number_text(name, value, whole):
    if whole:
        if not isinstance(value, numbers.Integral) or \
                isinstance(value, bool):
            raise refused(name, "a whole number")
        return str(int(value))
    if not finite(value):
        raise refused(name, "a finite number")
    return repr(float(value))


def value_text(name, action, value):
    """The text of an option of one value, checked by its type: a number,
    a file name, one of its choices or a text."""
    kind = getattr(action.type, "__name__", None)
    if kind in ("finite", "whole"):
        return number_text(name, value, kind == "whole")
    if name in PATH_KEYWORDS:
        if not isinstance(value, (str, bytes, os.PathLike)):
            raise refused(name, FILE_NAME)
        text = os.fsdecode(value)
    elif isinstance(value, str):
        text = value
    elif action.choices:
        raise refused(name, "one of " + ", ".join(map(repr, action.choices)))
    else:
        raise refused(name, "a str")
    if "\0" in text:
        raise refused(name, "text without a NUL character")
    return text


def numbers_words(name, flag, action, value):
    """An option of several numbers: a sequence of exactly that many."""
    count = action.nargs
    try:
        values = list(value) if not isinstance(value, (str, bytes)) else None
    except TypeError:
        values = None
    if values is None or len(values) != count or \
            not all(finite(v) for v in values):
        raise refused(name, f"{count} finite numbers")
    return [flag] + [repr(float(v)) for v in values]


def words(options, known):
    """The options' words; known maps the command's option strings to
    their argparse actions. Any other keyword is refused, never taken for
    an abbreviation, as is a value its option does not take."""
    out = []
    for name, value in options.items():
        flag = "--" + name.replace("_", "-")
        action = known.get(flag) or (known.get("--no-" + flag[2:])
                                     if name in NEGATED else None)
        if action is None or name in NOT_KEYWORDS:
            raise Refused(f"{name}: not an option of a picture, film or "
                          f"page")
        if value is None:
            continue
        if action.nargs == 0:
            out += flag_words(name, flag, known, value)
        elif isinstance(action.nargs, int):
            out += numbers_words(name, flag, action, value)
        else:
            out.append(f"{flag}={value_text(name, action, value)}")
    return out
