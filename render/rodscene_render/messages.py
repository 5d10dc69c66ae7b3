"""What the user reads: the program's name before every line, one line a
mistake, English counts, and names as the system gives them: escaped when
shown, quoted so that a printed command runs as it reads."""

import glob
import os
import pathlib
import shlex
import shutil
import sys
import tempfile

INSTALLED = "rodscene_render"
LAUNCHER = "render_scene.py"  # the command's name in the source tree
CALLED = pathlib.Path(sys.argv[0] if sys.argv else "").name
# The name before every line: the command's, also when another program
# (a notebook's kernel) calls the render path.
PROGRAM = CALLED if CALLED in (INSTALLED, LAUNCHER) else INSTALLED
HEX = "\\x%02x"


class Refusal(Exception):
    """A mistake in the command or its inputs, or a failure of a tool: said
    in one line, after what the tool itself said (the detail), and the run
    ends with exit status 2."""

    def __init__(self, message, detail=""):
        super().__init__(message)
        self.detail = detail


class Stopped(Refusal):
    """A stop (Ctrl-C) of a run that has kept work for a later run: said in
    one line with how to go on."""


class Nothing(Exception):
    """What was asked for was written, but shows no glyph: said in one
    line, and the run ends with exit status 1."""


def escaped(text, quote=""):
    """text with each byte that is not valid UTF-8 and each character that
    does not print as \\xHH (a byte each), a backslash and quote doubled by
    a backslash; the bytes are the system's, as os.fsencode gives them."""
    out = []
    for c in str(text):
        if "\udc80" <= c <= "\udcff":  # a byte that is not UTF-8
            out.append(HEX % (ord(c) - 0xdc00))
        elif c == "\\" or (quote and c == quote):
            out.append("\\" + c)
        elif not c.isprintable():
            out += [HEX % b for b in c.encode("utf-8", "surrogateescape")]
        else:
            out.append(c)
    return "".join(out)


def shown(name):
    """A file name as a message shows it: control characters and bytes
    that are not UTF-8 escaped, never sent raw to the terminal."""
    return escaped(os.fsdecode(name) if isinstance(name, bytes) else name)


def shell_word(word):
    """A word of a printed command that a shell reads back as the same
    bytes: quoted, or in $'...' with escapes when it does not print."""
    word = str(word)
    if escaped(word) == word.replace("\\", "\\\\"):
        return shlex.quote(word)
    return "$'" + escaped(word, "'") + "'"


def shell_command(words, inputs=()):
    """The words as a command; the inputs, when they stand together among
    them and a pattern names them all, in order, as that pattern."""
    words = [shell_word(w) for w in words]
    pattern = input_pattern(list(inputs))
    if pattern:
        quoted = [shell_word(i) for i in inputs]
        for at in range(len(words) - len(quoted) + 1):
            if words[at:at + len(quoted)] == quoted:
                words[at:at + len(quoted)] = [pattern]
                break
    return " ".join(words)


def input_pattern(names):
    """PREFIX*SUFFIX, quoted for the shell, when it names exactly these
    files in this order: their names differ only in digits of one length
    (step0001.txt ... step1000.txt), whose order is the same in every
    locale's sorting."""
    if len(names) < 3 or len(set(map(len, names))) != 1:
        return None
    first, last = min(names), max(names)
    start = next((i for i, (a, b) in enumerate(zip(first, last)) if a != b),
                 None)
    if start is None or names != sorted(names):
        return None
    end = len(first) - next(i for i, (a, b) in
                            enumerate(zip(first[::-1], last[::-1])) if a != b)
    # step0001 to step0021 share the 1 at the end, which is the number's
    # last digit, not the name's.
    while end < len(first) and first[end].isdigit():
        end += 1
    middles = {n[start:end] for n in names}
    prefix, suffix = first[:start], first[end:]
    if not all(m.isdigit() and m.isascii() for m in middles) or \
            any(not n.startswith(prefix) or not n.endswith(suffix)
                for n in names) or "/" in first[start:]:
        return None
    found = sorted(glob.glob(glob.escape(prefix) + "*" + glob.escape(suffix)))
    if found != names:
        return None
    return (shell_word(prefix) if prefix else "") + "*" + \
        (shell_word(suffix) if suffix else "")


def os_failure(e):
    """A failure of the system in one line: its file, or else where the
    scratch files go, which a full disk most often is."""
    if e.filename:
        return f"{shown(e.filename)}: {e.strerror or e}"
    return f"{e.strerror or e} (scratch files are written in " \
        f"{shown(tempfile.gettempdir())}; TMPDIR sets where)"


def program_name():
    """The name that runs this program again: its own when it is on PATH,
    else as it was called, which holds from where the inputs' names hold;
    called from Python, the installed command or the source tree's."""
    found = shutil.which(PROGRAM)
    if CALLED not in (INSTALLED, LAUNCHER):
        launcher = pathlib.Path(__file__).resolve().parents[1] / LAUNCHER
        return found or str(launcher)
    if found and os.path.realpath(found) == os.path.realpath(sys.argv[0]):
        return PROGRAM
    return sys.argv[0]


def say(message):
    print(f"{PROGRAM}: {message}", file=sys.stderr, flush=True)


def plural(count, noun, nouns=None):
    """'1 glyph', '2 glyphs'."""
    return f"{count} {noun if count == 1 else (nouns or noun + 's')}"
