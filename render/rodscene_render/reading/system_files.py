"""The files a user's own system comes in, each read into a system of
rods (systems.py): a configuration through the rodscene module's reader,
which takes every record; a frame of a GSD file through gsd; a frame of a
LAMMPS dump through the module's dump reader."""

import dataclasses
import importlib
import os

import numpy as np

from . import systems
from ..messages import PROGRAM, Refusal, shown

NEEDS_MODULE = ("reading a whole system needs the rodscene module (build "
                "it with pybind11-dev and python3-dev); --program split or "
                "mono draws what a converter program draws")


@dataclasses.dataclass(frozen=True)
class frame_ref:
    """One frame of a trajectory file: the file, the frame's number in it
    from 0, and where the reader finds it (a dump's byte offset and line),
    with its step when the scan found it."""
    path: str
    index: int
    offset: int = 0
    step: object = None
    line: int = 1

    def __fspath__(self):
        return os.fspath(self.path)

    def __str__(self):
        return f"{os.fsdecode(self.path)}#{self.index + 1}"


def core():
    try:
        return importlib.import_module("rodscene._core")
    except ImportError:
        raise Refusal(NEEDS_MODULE) from None


def note_lines(name, warned):
    """The reader's warnings, its file named as the user named it."""
    text = os.fsdecode(name)
    return [f"{PROGRAM}: " + (shown(name) + w[len(text):]
                              if w.startswith(text) else shown(w))
            for w in warned]


def read_configuration(path):
    try:
        got = core().read_rods(path)
    except OSError as e:
        raise Refusal(f"cannot read {shown(path)}: {e.strerror}") from None
    lost = {}
    if got["left_out"]:
        lost["with no finite direction or position"] = int(got["left_out"])
    box = got["box"]
    return systems.system(got["positions"], got["directions"], got["lines"],
                          lengths=None if box is None else np.asarray(box),
                          notes=note_lines(path, got["warnings"]),
                          lost=lost)


def read_system(path, kind, rd):
    """The system in one input (a path, or a trajectory's frame_ref)."""
    if kind == "configuration":
        return read_configuration(path)
    if kind == "gsd":
        from .gsd_frames import read_gsd_frame
        return read_gsd_frame(path, rd)
    from .dump_frames import read_dump_frame
    return read_dump_frame(path, rd)
