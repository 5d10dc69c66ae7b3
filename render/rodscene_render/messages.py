"""What the user reads: the program's name before every line, one line a
mistake, and English counts."""

import os
import pathlib
import shutil
import sys

PROGRAM = pathlib.Path(sys.argv[0]).name or "rodscene_render"


class Refusal(Exception):
    """A mistake in the command or its inputs, or a failure of a tool: said
    in one line, after what the tool itself said (the detail), and the run
    ends with exit status 2."""

    def __init__(self, message, detail=""):
        super().__init__(message)
        self.detail = detail


def program_name():
    """The name that runs this program again: its own when it is on PATH,
    else as it was called, which holds from where the inputs' names hold."""
    found = shutil.which(PROGRAM)
    if found and os.path.realpath(found) == os.path.realpath(sys.argv[0]):
        return PROGRAM
    return sys.argv[0]


def say(message):
    print(f"{PROGRAM}: {message}", file=sys.stderr, flush=True)


def plural(count, noun, nouns=None):
    """'1 glyph', '2 glyphs'."""
    return f"{count} {noun if count == 1 else (nouns or noun + 's')}"
