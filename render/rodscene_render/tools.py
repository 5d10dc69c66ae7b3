"""The programs and modules a run needs, found before any work: the
rodscene module and which renderer draws, POV-Ray, three.js for a page,
ffmpeg and tqdm for a film, and the optional Python modules that some
options need."""

import importlib.util
import pathlib
import shutil

from .reading import conversion
from .page import page
from .drawing import povray
from .messages import Refusal


def find_core(s, here):
    """The rodscene module's core: beside the converters named, or
    imported already, or this tree's; None without it."""
    return conversion.find_module(s.converters, here) or \
        conversion.find_module(None, here)


def choose_renderer(s, here):
    """--renderer, or embree where the module has it, else povray."""
    core = find_core(s, here)
    has = core is not None and getattr(core, "has_renderer", False)
    if s.renderer == "embree" and s.scheduler:
        raise Refusal("a cluster's workers render with POV-Ray: leave out "
                      "--renderer embree")
    if s.renderer == "embree" and not has:
        raise Refusal("--renderer embree needs the rodscene module built "
                      "with Embree (Debian: libembree-dev)")
    return s.renderer or ("embree" if has and not s.scheduler else "povray")


def check_tools(s, here):
    """Finds what the run needs, or refuses in one line before any work."""
    if s.html:
        page.find_three()
    s.renderer = choose_renderer(s, here)
    if not s.html and not s.scheduler and not s.order and \
            s.renderer == "povray":  # else the workers run POV-Ray
        povray.find_povray()  # refused here, before any work, when missing
    s.scene = povray.scene_file(pathlib.Path(__file__).resolve().parent
                                .parent)
    if s.movie:
        s.ffmpeg = shutil.which("ffmpeg")
        if s.ffmpeg is None:
            raise Refusal("ffmpeg is not installed (Debian: apt-get install "
                          "ffmpeg)")
        try:
            import tqdm  # noqa: F401 (the films' progress bar)
        except ImportError:
            raise Refusal("needs tqdm (Debian: apt-get install "
                          "python3-tqdm)") from None
    for needed, option, module, package in (
            (s.colour != "converter" and not s.order, f"--colour {s.colour}",
             "matplotlib",
             "python3-matplotlib"),
            (s.plot, "--plot", "matplotlib", "python3-matplotlib"),
            (s.format in ("svg", "pdf"), f"--format {s.format}",
             "matplotlib", "python3-matplotlib"),
            (s.local or s.order, "local order", "scipy",
             "python3-scipy")):
        if needed and importlib.util.find_spec(module) is None:
            raise Refusal(f"{option} needs {module} (Debian: apt-get install "
                          f"{package})")
