"""Pictures, films and pages from Python, made as the command makes them:
the same options as keyword arguments, the same checks, its refusals as
exceptions. show() returns a page that a Jupyter notebook shows inline,
self-contained and offline."""

import html
import os
import pathlib
import sys
import tempfile
import warnings

# Where the render path lives: in the source tree beside this package or
# its build (build/PRESET/python/rodscene), or in share/rodscene when
# installed (PREFIX/lib/python3/dist-packages/rodscene).
HERE = pathlib.Path(__file__).resolve().parent
RENDER_FOLDERS = [HERE.parent.parent / "render"] + [
    HERE.parents[3] / name for name in ("render", "share/rodscene")
    if len(HERE.parents) > 3] + [pathlib.Path("/usr/share/rodscene")]
# Options that the command turns off with --no-NAME.
NEGATED = ("axes", "key")
FRAME_HEIGHT = 480  # pixels of the page's frame in a notebook


class Refused(ValueError):
    """What the command would refuse, in its one line."""


class NothingShown(UserWarning):
    """The picture, film or page was written but shows no glyph."""


def render_path():
    """The render path's package, imported from where it lives."""
    try:
        import rodscene_render  # noqa: F401 (found on the path already)
    except ImportError:
        for folder in RENDER_FOLDERS:
            if (folder / "rodscene_render" / "command_line.py").is_file():
                sys.path.insert(0, str(folder))
                break
    from rodscene_render import command_line, messages, processes
    return command_line, messages, processes


def words(options):
    """Keyword arguments as the command's options: view="front" is
    --view front, camera=(30, 20) --camera 30 20, draft=True --draft,
    key=False --no-key."""
    out = []
    for name, value in options.items():
        flag = "--" + name.replace("_", "-")
        if value is None:
            continue
        if value is False and name in NEGATED:
            out.append(f"--no-{name}")
        elif value is True:
            out.append(flag)
        elif value is False:
            continue
        elif isinstance(value, (list, tuple)):
            out += [flag] + [str(v) for v in value]
        else:
            out += [flag, os.fspath(value) if isinstance(value, os.PathLike)
                    else str(value)]
    return out


def paths(inputs):
    if isinstance(inputs, (str, bytes, os.PathLike)):
        inputs = [inputs]
    return [os.fsdecode(p) for p in inputs]


def run(argv):
    """Runs the command's work in this process: Refused for a refusal, a
    NothingShown warning when nothing shows, every child process ended."""
    command_line, messages, processes = render_path()
    processes.reset()
    here = pathlib.Path(command_line.__file__).resolve().parents[1]
    try:
        command_line.run(argv, here)
    except messages.Refusal as e:
        raise Refused(f"{e}\n{e.detail}" if e.detail else str(e)) from None
    except messages.Nothing as e:
        warnings.warn(str(e), NothingShown, stacklevel=3)
    finally:
        processes.end_all()


def picture(input, output, **options):
    """Draws one input into a picture (.png, .jpg); returns its path."""
    run(paths(input) + [os.fsdecode(output)] + words(options))
    return pathlib.Path(output)


def film(inputs, output, **options):
    """Renders every input as a frame of a film (.mp4, .webm, .gif)."""
    run(["--movie", os.fsdecode(output)] + paths(inputs) + words(options))
    return pathlib.Path(output)


def page(inputs, output, **options):
    """Writes the page that shows the inputs in a browser (.html)."""
    run(["--html", os.fsdecode(output)] + paths(inputs) + words(options))
    return pathlib.Path(output)


class view:
    """A page of rods: shown inline by Jupyter, saved with save()."""

    def __init__(self, text):
        self.html = text

    def _repr_html_(self):
        return (f'<iframe srcdoc="{html.escape(self.html, quote=True)}" '
                f'style="width: 100%; height: {FRAME_HEIGHT}px; border: 0" '
                f'title="rodscene"></iframe>')

    def save(self, path):
        pathlib.Path(path).write_text(self.html, encoding="utf-8")
        return pathlib.Path(path)


def show(inputs, **options):
    """The page of the inputs, for a notebook to show inline."""
    with tempfile.TemporaryDirectory(prefix="rodscene-show-") as folder:
        written = page(inputs, pathlib.Path(folder) / "view.html",
                       **options)
        return view(written.read_text(encoding="utf-8"))
