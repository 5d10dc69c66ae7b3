"""Trajectory files, told from their content: a GSD file by its magic
bytes, a LAMMPS dump by its first item. Each is one frame a frame of the
file; only each frame's place is found here, and the frames are read one
at a time where they are drawn, so no trajectory is ever held whole."""

import os

from .system_files import core, frame_ref
from ..messages import Refusal, shown

GSD_MAGIC = (0x65DF65DF65DF65DF).to_bytes(8, "little")
DUMP_START = b"ITEM: TIMESTEP"
GSD_PACKAGE = "GSD files need gsd (Debian: apt-get install python3-gsd)"


def trajectory_kind(head):
    """'gsd', 'dump' or None, from a file's first bytes."""
    if head.startswith(GSD_MAGIC):
        return "gsd"
    if head.lstrip(b" \t\r\n").startswith(DUMP_START):
        return "dump"
    return None


def open_gsd(path):
    try:
        import gsd.hoomd
    except ImportError:
        raise Refusal(GSD_PACKAGE) from None
    try:
        return gsd.hoomd.open(os.fspath(path), "rb")
    except (OSError, RuntimeError, ValueError) as e:
        raise Refusal(f"{shown(path)} is not a GSD file gsd can read: "
                      f"{e}") from None


def gsd_frames(path):
    with open_gsd(path) as t:
        count = len(t)
    return [frame_ref(path, i) for i in range(count)]


def dump_frames(path):
    try:
        places = core().dump_frames(path)
    except OSError as e:
        raise Refusal(f"cannot read {shown(path)}: {e.strerror}") from None
    except ValueError as e:
        raise Refusal(f"{shown(path)}: {e}") from None
    return [frame_ref(path, i, offset, step, line)
            for i, (offset, step, line) in enumerate(places)]


def expand(inputs, kinds, pick=None):
    """Every frame of the inputs as (input, kind): a trajectory gives a
    frame_ref a frame (only frame pick, from 1, when given)."""
    out = []
    for path, kind in zip(inputs, kinds):
        if kind not in ("gsd", "dump"):
            out.append((path, kind))
            continue
        frames = gsd_frames(path) if kind == "gsd" else dump_frames(path)
        if not frames:
            raise Refusal(f"{shown(path)} holds no frame")
        if pick is not None:
            if pick > len(frames):
                raise Refusal(f"--frame {pick}: {shown(path)} holds "
                              f"{len(frames)} frames")
            frames = frames[pick - 1:pick]
        out += [(ref, kind) for ref in frames]
    return out
