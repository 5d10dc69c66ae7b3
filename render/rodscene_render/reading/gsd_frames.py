"""A frame of a GSD file (HOOMD-blue's) as a system of rods: positions,
directions from the orientations' quaternions turning the body axis, the
box (HOOMD's is centred on the origin) and the step as the frame's
time."""

import numpy as np

from . import systems
from .trajectories import open_gsd
from ..messages import Refusal, plural, shown

AXES = {"x": (1.0, 0.0, 0.0), "y": (0.0, 1.0, 0.0), "z": (0.0, 0.0, 1.0)}


def turned(quaternions, axis):
    """The body axis turned by each quaternion (w, x, y, z), normalised
    first; rows whose quaternion is zero or not finite come out NaN."""
    q = np.asarray(quaternions, float)
    with np.errstate(all="ignore"):
        q = q / np.linalg.norm(q, axis=1, keepdims=True)
    w, v = q[:, :1], q[:, 1:]
    a = np.broadcast_to(np.asarray(AXES[axis]), v.shape)
    t = 2 * np.cross(v, a)
    return a + w * t + np.cross(v, t)


def kept_types(frame, types, name):
    """Which particles are of the types asked for (all when None)."""
    n = frame.particles.N
    if types is None:
        return np.ones(n, bool)
    known = list(frame.particles.types)
    unknown = [t for t in types if t not in known]
    if unknown:
        raise Refusal(f"{shown(name)} has no particle type "
                      f"{shown(unknown[0])} (its types: "
                      f"{', '.join(map(shown, known))})")
    ids = [known.index(t) for t in types]
    return np.isin(np.asarray(frame.particles.typeid), ids)


def box_of(frame, name):
    box = np.asarray(frame.configuration.box, float)
    if np.any(box[3:] != 0):
        raise Refusal(f"{shown(name)}: a tilted box (xy, xz, yz "
                      f"{box[3]:g} {box[4]:g} {box[5]:g}) is not drawn yet")
    return box[:3]


def read_gsd_frame(ref, rd):
    with open_gsd(ref.path) as t:
        frame = t[ref.index]
    keep = kept_types(frame, rd.types, ref.path)
    positions = np.asarray(frame.particles.position, float)[keep]
    directions = turned(frame.particles.orientation, rd.axis)[keep]
    lengths = box_of(frame, ref.path)
    index = np.flatnonzero(keep) + 1  # particles numbered from 1
    good = np.isfinite(directions).all(axis=1) & \
        np.isfinite(positions).all(axis=1)
    notes, lost = [], {}
    if not good.all():
        bad = int((~good).sum())
        lost["with no finite direction or position"] = bad
        notes.append(f"{shown(str(ref))}: left out {plural(bad, 'rod')} "
                     f"with a zero or non-finite orientation or position, "
                     f"the first particle {index[~good][0]}")
    return systems.system(positions[good], directions[good], index[good],
                          lengths=lengths, low=-lengths / 2,
                          time=float(frame.configuration.step), notes=notes,
                          lost=lost)
