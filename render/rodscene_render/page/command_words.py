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


def carried_options(s):
    """The options of this command that the shown commands repeat: what
    changes the rods, their colours or the picture's size. The page adds
    --box and --label itself, as the view and frame shown ask."""
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
    words += ["--width", str(s.width), "--height", str(s.height)]
    return " ".join(shell_word(w) for w in words)


def film_inputs(inputs):
    """The film command's inputs: their pattern when one names exactly
    them (run42/step*.txt), else each name."""
    words = [input_word(path) for path in inputs]
    return input_pattern(words) or " ".join(shell_word(w) for w in words)


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
