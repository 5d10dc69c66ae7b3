"""A user's own system as frames of rods: every rod read, of the shape the
options give, wrapped into its periodic box by its centre. The box comes
from the file (a configuration's header, a GSD frame, a dump's bounds) or
from --box; where a configuration's header gives only lengths, its origin
is told from the positions."""

import dataclasses

import numpy as np

from ..messages import plural, shown

# The converters' glyph, scaled with the rod's diameter for a head: a red
# sphere of radius 0.25 standing 0.15 past the tail of a rod 2.4 wide
# (0.15 as the converters widen it from single precision).
HEAD_RADIUS = 0.25 / 2.4
HEAD_GAP = float(np.float32(0.15)) / 2.4
ORIGINS = ("centred", "corner")
OUTSIDE_BOX = "outside --box"  # why --box's cut rods are left out
# Beyond this POV-Ray's arithmetic breaks rods into pieces (seen from
# 5e8) or leaves them out, and Embree takes no ray from near 1.8e18.
MAX_COORDINATE = 1e8
ORIGIN_WORDS = {"centred": "centred on the origin", "corner": "from 0 to L",
                "given": "as the file gives it"}


@dataclasses.dataclass(frozen=True)
class shape:
    """How each rod is drawn: its cylinder's length and radius, its ends
    (round: a hemisphere of the radius on each), and whether a red head
    marks its tail."""
    length: float
    radius: float
    round: bool
    heads: bool

    def reach(self):
        """How far a drawn rod reaches beyond its axis' end points."""
        return self.radius

    def head_radius(self):
        return HEAD_RADIUS * 2 * self.radius


@dataclasses.dataclass(frozen=True)
class reader:
    """How a whole system's inputs become frames: the rods' shape, the
    box's origin ("centred", "corner" or None: told from the positions),
    the body axis that a quaternion turns, the particle types kept (None:
    all) and, for a picture of a trajectory, its frame."""
    shape: shape
    origin: str = None
    axis: str = "x"
    types: tuple = None
    in_process: bool = True  # the module reads, in threads


def box_origin(positions, lengths, origin):
    """The box's lower corner: given, or told from the positions (none
    negative: the box runs from 0 to L; else it is centred)."""
    if origin is None:
        origin = "corner" if len(positions) and \
            np.nanmin(positions) >= 0 else "centred"
    lengths = np.asarray(lengths, float)
    return (np.zeros(3) if origin == "corner" else -lengths / 2), origin


def system_box(name, sys_, positions, origin):
    """The system's box as its lower corner, lengths and words, or None
    without one. A box reaching beyond MAX_COORDINATE, which cannot be
    drawn, is left out with a note, and the rods stay where they are."""
    if sys_.lengths is None:
        return None
    lengths = np.asarray(sys_.lengths, float)
    low, told = (np.asarray(sys_.low, float), "given") \
        if sys_.low is not None else box_origin(positions, lengths, origin)
    with np.errstate(all="ignore"):  # NaN and huge lengths are refused
        near = (np.abs(np.concatenate([low, low + lengths])) <=
                MAX_COORDINATE).all()
    if not near:
        sys_.notes.append(f"{shown(name)}: its box reaches beyond "
                          f"{MAX_COORDINATE:g}, which cannot be drawn: its "
                          f"rods are drawn unwrapped, without it")
        return None
    return low, lengths, box_words(lengths, told)


def wrapped(positions, low, lengths):
    """Each centre moved by whole box lengths into [low, low + L)."""
    inside = low + np.mod(positions - low, lengths)
    # mod can round up to L itself for a tiny negative offset
    return np.where(inside >= low + lengths, low, inside)


def glyph_arrays(positions, directions, form):
    """(ends n x 6, caps n x 3) of rods centred on their positions: the
    tail half a length back along the direction, and the head's centre
    past the tail (past its round end, when it has one)."""
    half = form.length / 2
    tail = positions - half * directions
    ends = np.hstack([tail, positions + half * directions])
    diameter = 2 * form.radius
    gap = HEAD_GAP * diameter + (form.radius if form.round else 0.0)
    caps = tail - gap * directions if form.heads else positions.copy()
    return ends, caps


def corners(low, high):
    """A box's eight corners, corner i taking high along axis a when bit
    a of i is set."""
    return np.array([[(low, high)[(i >> a) & 1][a] for a in range(3)]
                     for i in range(8)], dtype=float)


def box_words(lengths, origin):
    return ("box " + " x ".join(f"{v:g}" for v in lengths) + ", " +
            ORIGIN_WORDS[origin])


@dataclasses.dataclass
class system:
    """What a reader of any format gives of one frame: positions and unit
    directions (n x 3), each rod's line (or index), the box as its lengths
    with its lower corner or None, the frame's own time or None, the
    warnings, and the rods read but left out, by why."""
    positions: np.ndarray
    directions: np.ndarray
    lines: np.ndarray
    lengths: object = None
    low: object = None
    time: object = None
    notes: list = dataclasses.field(default_factory=list)
    lost: dict = dataclasses.field(default_factory=dict)


def frame_of(name, sys_, rd, make_frame):
    """The frame drawn of a system: rods wrapped into its box."""
    positions = np.asarray(sys_.positions, float)
    box = about = None
    placed = system_box(name, sys_, positions, rd.origin)
    if placed is not None:
        low, lengths, about = placed
        positions = wrapped(positions, low, lengths)
        box = (low, low + lengths)
    ends, caps = glyph_arrays(positions, sys_.directions, rd.shape)
    total = len(positions) + sum(sys_.lost.values())
    return make_frame(name, ends, caps, np.ones(len(ends), bool),
                      sys_.notes, np.asarray(sys_.lines), box=box,
                      time=sys_.time, total=total, lost=dict(sys_.lost),
                      about=about)


def drawn_words(fr, kept, cut):
    """What a frame shows of its system: "3000 rods", or "2598 of 3000
    rods (the rest outside --box)" when any is left out, with why."""
    count, reason = drawn_parts(fr, kept, cut)
    return count if reason is None else f"{count} ({reason})"


def drawn_parts(fr, kept, cut):
    """drawn_words' count ("2598 of 3000 rods") and why the rest are left
    out (None when none is): the rods read but lost, then those of the
    frame that kept leaves out, counted by why in cut ({words: count})."""
    drawn = int(np.count_nonzero(kept))
    total = fr.total if fr.total is not None else len(fr.ends)
    if drawn == total:
        return plural(total, "rod"), None
    why = dict(fr.lost or {})
    why.update({w: n for w, n in cut.items() if n})
    if len(why) == 1:
        reason = "the rest " + next(iter(why))
    else:
        reason = ", ".join(f"{n} {w}" for w, n in why.items())
    return f"{drawn} of {plural(total, 'rod')}", reason


def summary_of(parts):
    """A summary of what whole systems' frames draw, from each frame's
    drawn_parts: "3000 rods a frame", or the first frame that leaves rods
    out and why."""
    cut = next((i for i, (_, why) in enumerate(parts) if why), None)
    if cut is not None:
        return f"frame {cut + 1} drew {parts[cut][0]} ({parts[cut][1]})"
    counts = [count for count, _ in parts]
    return f"{counts[0]} a frame" if len(set(counts)) == 1 else \
        f"{counts[0]} in the first frame"
