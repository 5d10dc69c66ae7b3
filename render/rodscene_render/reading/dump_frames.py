"""A frame of a LAMMPS text dump as a system of rods, read by the rodscene
module at the frame's place in the file: positions (plain, unwrapped or
scaled), directions from mu or from quaternions turning the body axis,
the box's bounds and the timestep as the frame's time."""

import numpy as np

from . import systems
from .system_files import core, note_lines
from ..messages import Refusal, shown


def read_dump_frame(ref, rd):
    try:
        got = core().read_dump_frame(ref.path, ref.offset, rd.axis,
                                     ref.line)
    except OSError as e:
        raise Refusal(f"cannot read {shown(ref.path)}: {e.strerror}") \
            from None
    except ValueError as e:
        raise Refusal(f"{shown(ref.path)}: {e}") from None
    keep = np.ones(len(got["positions"]), bool)
    if rd.types is not None:
        if got["types"] is None:
            raise Refusal(f"{shown(ref.path)} has no type column for "
                          f"--types")
        keep = np.isin(np.asarray(got["types"]).astype(str), rd.types)
    low, high = (np.asarray(got[k], float) for k in ("lo", "hi"))
    lost = {}
    if got.get("left_out"):
        lost["with no finite direction or position"] = int(got["left_out"])
    return systems.system(
        np.asarray(got["positions"], float)[keep],
        np.asarray(got["directions"], float)[keep],
        np.asarray(got["lines"])[keep], lengths=high - low, low=low,
        time=float(got["timestep"]),
        notes=note_lines(ref.path, got["warnings"]),
        lost=lost)
