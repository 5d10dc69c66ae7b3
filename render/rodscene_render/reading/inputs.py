"""Inputs: scene text as the converters wrote it, or a configuration file
that a converter turns into scene text; either read strictly into the
glyphs' numbers (scene_reader.py), of which the other steps draw only the
glyphs POV-Ray can draw."""

import dataclasses
import pathlib
import re

import numpy as np

from . import systems
from .conversion import convert
from .system_files import read_system
from .trajectories import trajectory_kind
from ..messages import PROGRAM, Refusal, plural, shown
from .scene_reader import check_program, read_scene_file

SCENE_START = b" cylinder\n"
MAX_COORDINATE = systems.MAX_COORDINATE  # the most a coordinate drawn
# POV-Ray refuses a cylinder whose ends lie closer than 1e-10: such a rod
# is a disc no thinner than this, and is left out with a note instead.
MIN_LENGTH = 1e-6
# The first bytes of a configuration's line that tell whether it starts
# with a number; a line may be of any length, and is read in pieces.
LINE_HEAD = 256
CHUNK = 1 << 16
EXPECTED = ("scene text, a configuration, a GSD file or a LAMMPS text "
            "dump")

# A configuration value as its first token on a line: a number in any of
# the forms the converters read, a repeat count, or a NaN or infinity.
NUMBER_TOKEN = re.compile(
    rb"[ \t]*(\d+\*[^ \t,;]*|[+-]?(nan|inf(inity)?)"
    rb"|[+-]?(\d+\.?\d*|\.\d+)([eEdDqQ]?[+-]?\d+)?"
    rb")([ \t,;/]|\r?$)", re.IGNORECASE)


@dataclasses.dataclass
class frame:
    """One input's drawable glyphs: each glyph's cylinder ends (A, B) and
    cap centre, whether its cylinder is teal, the warnings met on the way,
    and each glyph's line in the input (None when unknown: a converter
    program's output does not say it), and, for a page, its numbers when
    worked out as it was read (frame_numbers.py); the system's periodic
    box as (low corner, high corner) and the file's own time (a
    simulation's step), each None when the file does not give it."""
    name: str
    ends: np.ndarray
    caps: np.ndarray
    teal: np.ndarray
    notes: list
    lines: np.ndarray = None
    numbers: object = None
    box: tuple = None  # the periodic box: (lower corner, upper corner)
    time: float = None  # the frame's own time, where its file gives one
    total: int = None  # rods in a whole system, those left out included
    lost: dict = None  # a whole system's rods left out, by why
    about: str = None  # its box, as the summary tells it

    @property
    def glyphs(self):
        return len(self.ends)

    def points(self):
        """Every point the camera frames: the rods' ends and heads, and
        the corners of the periodic box, which holds a film still."""
        points = np.hstack([self.ends, self.caps]).reshape(-1, 3)
        if self.box is None:
            return points
        return np.vstack([points, systems.corners(*self.box)])


def input_kind(path):
    """'scene' or 'configuration'; refuses what is neither."""
    try:
        if pathlib.Path(path).exists() and not pathlib.Path(path).is_file():
            raise Refusal(f"{shown(path)} is not a regular file")
        with open(path, "rb") as f:
            head = f.read(LINE_HEAD)
            if trajectory_kind(head):
                return trajectory_kind(head)
            if head.startswith(SCENE_START):
                return "scene"
            if head.startswith(SCENE_START.replace(b"\n", b"\r\n")[:10]):
                raise Refusal(f"{shown(path)} is scene text with CR LF line "
                              f"ends, which the converters never write")
            if not head:
                raise Refusal(f"{shown(path)} is empty: it is none of "
                              f"{EXPECTED}")
            f.seek(0)
            if not has_data_record(f):
                raise Refusal(f"{shown(path)} holds no data record: it is none of "
                              f"{EXPECTED}")
    except OSError as e:
        raise Refusal(f"cannot read {shown(path)}: {e.strerror}") from None
    return "configuration"


def line_heads(f):
    """Each line's first LINE_HEAD bytes, the rest of a long line skipped
    a piece at a time, so that no line is ever held whole."""
    while True:
        head = f.readline(LINE_HEAD)
        if not head:
            return
        yield head
        while not head.endswith(b"\n"):
            head = f.readline(CHUNK)
            if not head:
                return


def has_data_record(f):
    """Whether a line after the header line starts with a number."""
    header = False
    for line in line_heads(f):
        if not line.strip():
            continue
        if header and NUMBER_TOKEN.match(line):
            return True
        header = True
    return False


def drawable(ends, caps, lines, name, notes):
    """The glyphs POV-Ray can draw: it cannot read NaN, infinite or huge
    coordinates, and stops on a cylinder whose ends (nearly) meet, so
    those are left out with a note naming the first one's line."""
    with np.errstate(all="ignore"):  # NaN and huge values are counted
        readable = (np.abs(ends) <= MAX_COORDINATE).all(axis=1) & \
            (np.abs(caps) <= MAX_COORDINATE).all(axis=1)
        length = np.linalg.norm(ends[:, 3:] - ends[:, :3], axis=1)
    short = readable & ~(length >= MIN_LENGTH)
    for left, why in ((~readable, f"with NaN, infinite or huge coordinates "
                       f"(beyond {MAX_COORDINATE:g}, which POV-Ray does "
                       f"not draw)"),
                      (short, f"whose cylinder ends are equal or closer "
                       f"than {MIN_LENGTH:g} (POV-Ray cannot draw them)")):
        if left.any():
            where = f", the first at line {lines[left][0]}" \
                if lines is not None else ""
            notes.append(f"{PROGRAM}: {shown(name)}: left out "
                         f"{plural(int(left.sum()), 'glyph')} {why}{where}")
    return readable & ~short


def written_by(settings):
    """The program named as scene text's writer, or None."""
    return settings.program if settings.program_given else None


def load_input(path, kind, converter, scratch, program=None):
    """One input's frame: its glyphs read strictly, scene text as it is
    (refused when program, the one named as its writer, cannot have
    written it) and a configuration through the converter; or a whole
    system's rods, when the converter is a system reader."""
    if isinstance(converter, systems.reader) and kind != "scene":
        return systems.frame_of(path, read_system(path, kind, converter),
                                converter, frame)
    if kind == "scene":
        ends, caps, teal, lines = read_scene_file(path)
        if program:
            check_program(ends, teal, lines, program, path)
        notes = []
    else:
        ends, caps, teal, notes, lines = convert(path, converter, scratch)
    # The notes name scene text's lines alone: a configuration's left-out
    # glyphs are mostly slots that no record reached.
    kept = drawable(ends, caps, lines if kind == "scene" else None, path,
                    notes)
    if not kept.all():  # else no copies: a page holds every frame's
        ends, caps, teal = ends[kept], caps[kept], teal[kept]
        lines = None if lines is None else lines[kept]
    return frame(str(path), ends, caps, teal, notes, lines)
