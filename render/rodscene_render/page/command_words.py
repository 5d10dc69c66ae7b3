"""The words of the commands a page shows: its inputs as words no option
parser takes for options, and the options of the page's own command that
the commands repeat."""

from . import page_details
from .. import system_options
from ..drawing import lighting
from ..messages import input_pattern, shell_word
from ..reading.system_files import frame_ref

DEFAULT_PROGRAM = None  # the whole system
DEFAULT_QUALITY = "normal"
SHOWN_INPUTS = 3  # the film's inputs the page shows whole, at most


def carried_options(s):
    """The options of this command that the shown commands repeat: what
    changes the rods or their colours. The page adds the picture's size,
    --box, --slab and --label itself, as the window, the view and the
    frame shown ask."""
    words = []
    if s.program != DEFAULT_PROGRAM:
        words += ["--program", s.program]
    if s.converters:
        words += ["--converters", s.converters]
    words += system_options.carried(s)
    if s.colour != "converter":
        words += ["--colour", s.colour]
    if s.lighting != lighting.default(s.colour):
        words += ["--lighting", s.lighting]
    words += page_details.order_words(s)
    if s.quality != DEFAULT_QUALITY:
        words += ["--quality", s.quality]
    if s.clip is not None:
        (normal, d) = s.clip
        words += ["--clip", *map(page_details.number_word, (*normal, d))]
    return " ".join(shell_word(w) for w in words)


def film_words(inputs):
    """The film command's inputs, whole and as the page shows them."""
    return {"film_inputs": film_inputs(inputs),
            "film_short": film_short(inputs)}


def film_inputs(inputs):
    """The film command's inputs: their pattern when one names exactly
    them (run42/step*.txt), else each name."""
    words = [input_word(path) for path in inputs]
    return input_pattern(words) or " ".join(shell_word(w) for w in words)


def film_short(inputs):
    """The film command's inputs as the page shows them, when no pattern
    names them and they are many: the first and the last (None: as
    they are; the page copies them whole)."""
    words = [input_word(path) for path in inputs]
    if len(words) <= SHOWN_INPUTS or input_pattern(words):
        return None
    return f"{shell_word(words[0])} \u2026 {shell_word(words[-1])}"


def input_word(path):
    """A name as a command's word that no option parser takes for an
    option."""
    path = str(path)
    return "./" + path if path.startswith("-") else path


def frame_words(path):
    """An input as the shown picture command's words: a trajectory's frame
    is its file and --frame."""
    if isinstance(path, frame_ref):
        return f"{shell_word(input_word(path.path))} --frame {path.index + 1}"
    return shell_word(input_word(path))
