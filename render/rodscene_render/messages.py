"""What the user reads: the program's name before every line, one line a
mistake, and English counts."""

import pathlib
import sys

PROGRAM = pathlib.Path(sys.argv[0]).name or "rodscene_render"


class Refusal(Exception):
    """A mistake in the command or its inputs, or a failure of a tool: said
    in one line, after what the tool itself said (the detail), and the run
    ends with exit status 2."""

    def __init__(self, message, detail=""):
        super().__init__(message)
        self.detail = detail


def say(message):
    print(f"{PROGRAM}: {message}", file=sys.stderr, flush=True)


def plural(count, noun, nouns=None):
    """'1 glyph', '2 glyphs'."""
    return f"{count} {noun if count == 1 else (nouns or noun + 's')}"
