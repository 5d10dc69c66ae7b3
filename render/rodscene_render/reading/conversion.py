"""Configurations to glyphs: in this process through the rodscene module,
which reads with the converters' own core and hands the glyphs over as
arrays, or, when the module is not built, through a converter program,
whose scene text is then read strictly."""

import dataclasses
import importlib
import os
import pathlib
import shutil
import sys
import tempfile

from .. import processes
from ..messages import Refusal, shown
from .scene_reader import read_scene

CONFIG_NAME = "readingconfig3.txt"
MODULE_FOLDER = "python"  # the module's package folder in a build


@dataclasses.dataclass(frozen=True)
class converter:
    """What turns a configuration into glyphs: the program ("split" or
    "mono") and the file that does it, the module's or the program's."""
    program: str
    path: str
    in_process: bool


def module_folders(folder, here):
    """Where a build or an install keeps the rodscene module: the
    converters' folder alone when it is named."""
    if folder:
        return [pathlib.Path(folder) / MODULE_FOLDER]
    return [None] + [here.parent / "build" / build / MODULE_FOLDER
                     for build in ("release", "example")] + \
        [here.parent / "lib" / "python3" / "dist-packages"]


def find_module(folder, here):
    """The rodscene module's core: found in the converters' folder when it
    is named, else importable already, or in a build of this source tree
    or beside an install; None without it."""
    for place in module_folders(folder, here):
        if place is not None:
            if not (place / "rodscene" / "__init__.py").is_file():
                continue
            if str(place) not in sys.path:
                sys.path.insert(0, str(place))
        try:
            core = importlib.import_module("rodscene._core")
        except ImportError:
            continue
        # Imported before from elsewhere (a notebook's own): not this one.
        found = pathlib.Path(core.__file__).resolve()
        if place is None or found.is_relative_to(place.resolve()):
            return core
    return None


def find_program(name, folder, here):
    """The converter program: in folder when given; else beside the
    launcher (as installed), on PATH, or in this source tree's builds."""
    if folder:
        program = pathlib.Path(folder) / name
        if not program.is_file():
            raise Refusal(f"no {name} in {shown(folder)}")
        return str(program.resolve())  # it runs in a folder of its own
    if (here / name).is_file():
        return str(here / name)
    found = shutil.which(name)
    if found:
        return found
    for build in ("release", "example"):
        program = here.parent / "build" / build / name
        if program.is_file():
            return str(program)
    raise Refusal(f"cannot find {name}: build it, install it, or name its "
                  f"folder with --converters")


def find_converter(program, folder, here):
    """The module when it is there, else the converter program."""
    core = find_module(folder, here)
    if core is not None:
        return converter(program, core.__file__, True)
    return converter(program, find_program(f"rodscene_{program}", folder,
                                           here), False)


def convert(config, conv, scratch):
    """(ends n x 6, caps n x 3, teal n, warnings, lines) of a
    configuration; lines, each glyph's record line in the file, only from
    the module (a program's scene text does not say them), else None."""
    if conv.in_process:
        return convert_here(config, conv)
    text, notes = run_program(config, conv.path, scratch)
    ends, caps, teal, _ = read_scene(text, config)
    return ends, caps, teal, notes, None


def convert_here(config, conv):
    core = importlib.import_module("rodscene._core")
    name = os.fsdecode(config)
    try:
        ends, caps, teal, warned, lines = core.glyphs(config, conv.program)
    except OSError as e:
        raise Refusal(f"rodscene_{conv.program}: {shown(e.strerror)}") \
            from None
    notes = [f"rodscene_{conv.program}: " +
             (shown(name) + line[len(name):] if line.startswith(name)
              else shown(line)) for line in warned]
    return ends.reshape(-1, 6), caps, teal, notes, lines


def run_program(config, program, scratch):
    """Runs the converter on a configuration file in a folder of its own,
    where the file is readingconfig3.txt. Returns its scene text and its
    warnings, which name the file as the user did."""
    with tempfile.TemporaryDirectory(dir=scratch) as folder:
        (pathlib.Path(folder) / CONFIG_NAME).symlink_to(
            pathlib.Path(config).resolve())
        status, stdout, stderr = processes.run([program], folder)
    notes = [line.replace(CONFIG_NAME, shown(config)) for line in
             stderr.decode(errors="replace").splitlines()]
    if status != 0:
        reason = notes[-1] if notes else f"status {status}"
        raise Refusal(f"{pathlib.Path(program).name} failed on "
                      f"{shown(config)}: {reason}")
    try:
        return stdout.decode("ascii"), notes
    except UnicodeDecodeError:
        raise Refusal(f"{pathlib.Path(program).name} wrote bytes that are "
                      f"not ASCII for {shown(config)}: is it a "
                      f"converter?") from None
