"""Pictures, films and pages from Python, made as the command makes them:
the same options as keyword arguments, the same checks, its refusals as
exceptions. show() returns a page that a Jupyter notebook shows inline,
self-contained and offline."""

import html
import importlib
import os
import pathlib
import sys
import tempfile
import threading
import warnings

from .keywords import Refused, words

# Where the render path lives: in the source tree beside this package or
# its build (build/PRESET/python/rodscene), or in share/rodscene when
# installed (PREFIX/lib/python3/dist-packages/rodscene).
HERE = pathlib.Path(__file__).resolve().parent
RENDER_FOLDERS = [HERE.parent.parent / "render"] + [
    HERE.parents[3] / name for name in ("render", "share/rodscene")
    if len(HERE.parents) > 3] + [pathlib.Path("/usr/share/rodscene")]
FRAME_HEIGHT = 480  # pixels of the page's frame in a notebook
# One run at a time: a run owns the process's children and its folders'
# locks, and ends them all when it ends.
one_run = threading.Lock()


class NothingShown(UserWarning):
    """The picture, film or page was written but shows no glyph."""


def render_module(name):
    """A module of the render path's package, imported from where it
    lives."""
    try:
        import rodscene_render  # noqa: F401 (found on the path already)
    except ImportError:
        for folder in RENDER_FOLDERS:
            if (folder / "rodscene_render" / "command_line.py").is_file():
                sys.path.insert(0, str(folder))
                break
    return importlib.import_module(f"rodscene_render.{name}")


def render_path():
    """The render path's command line and what its runs raise."""
    return tuple(render_module(name) for name in
                 ("command_line", "messages", "processes"))


def name_of(name):
    """A file name as the command takes it, from str, bytes or
    os.PathLike."""
    text = os.fsdecode(name)
    if "\0" in text:
        raise Refused(f"{text!r}: a file name without a NUL character")
    return text


def paths(inputs):
    if isinstance(inputs, (str, bytes, os.PathLike)):
        inputs = [inputs]
    return [name_of(p) for p in inputs]


def run(head, inputs, options, inline=False):
    """Runs the command's work in this process, one run at a time: head
    (--movie=FILM, say), the options, then the inputs. Refused for a
    refusal, a NothingShown warning when nothing shows, every child
    process ended."""
    command_line, messages, processes = render_path()
    known = command_line.options.parser()._option_string_actions
    argv = head + words(options, known) + ["--"] + inputs
    here = pathlib.Path(command_line.__file__).resolve().parents[1]
    with one_run:
        processes.reset()
        try:
            command_line.run(argv, here, inline)
        except messages.Stopped as e:  # Ctrl-C, with what a film kept
            raise KeyboardInterrupt(str(e)) from None
        except messages.Refusal as e:
            raise Refused(f"{e}\n{e.detail}" if e.detail else str(e)) \
                from None
        except messages.Nothing as e:
            warnings.warn(str(e), NothingShown, stacklevel=3)
        except processes.stopped:
            raise KeyboardInterrupt from None
        finally:
            processes.end_all()


def picture(input, output, **options):
    """Draws one input into a picture (.png, .jpg); returns its path."""
    written = name_of(output)
    run([], paths(input) + [written], options)
    return pathlib.Path(written)


def film(inputs, output, **options):
    """Renders every input as a frame of a film (.mp4, .webm, .gif)."""
    written = name_of(output)
    run([f"--movie={written}"], paths(inputs), options)
    return pathlib.Path(written)


def page(inputs, output, **options):
    """Writes the page that shows the inputs in a browser (.html)."""
    written = name_of(output)
    run([f"--html={written}"], paths(inputs), options)
    return pathlib.Path(written)


class view:
    """A page of rods: shown inline by Jupyter, saved with save()."""

    def __init__(self, text):
        self.html = text

    def _repr_html_(self):
        return (f'<iframe srcdoc="{html.escape(self.html, quote=True)}" '
                f'style="width: 100%; height: {FRAME_HEIGHT}px; border: 0" '
                f'title="rodscene"></iframe>')

    def save(self, path):
        """Writes the page as the command writes one: a name ending in
        .html, written whole under a temporary name, never over a file of
        another kind; returns its path."""
        name = pathlib.Path(name_of(path))
        outputs, messages = (render_module(n) for n in ("outputs",
                                                         "messages"))
        try:
            outputs.check_output(name, render_module("page.page")
                                 .PAGE_FORMATS, [], "page")
            with outputs.written_whole(name) as temporary:
                temporary.write_text(self.html, encoding="utf-8")
        except messages.Refusal as e:
            raise Refused(str(e)) from None
        return name


def show(inputs, **options):
    """The page of the inputs, for a notebook to show inline; the inputs'
    warnings come as they are, the page's file being its own."""
    with tempfile.TemporaryDirectory(prefix="rodscene-show-") as folder:
        written = pathlib.Path(folder) / "view.html"
        run([f"--html={written}"], paths(inputs), options, inline=True)
        return view(written.read_text(encoding="utf-8"))
