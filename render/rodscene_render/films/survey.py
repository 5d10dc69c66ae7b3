"""A film's frames surveyed: each read in turn (in parallel, as every
input is) and dropped once what the film needs of it is kept, so that a
film holds one frame's rods a frame being read or rendered, never every
frame's. What is kept: the frame's name, warnings and box, its glyph
count, the points its camera must frame (cut to its hull), whether any rod
is blue, the first frame's director, what the orientation colours' range
needs of its angles, what a whole system's frame draws, and the key's
verdict on scene text."""

import dataclasses
import functools
import types

import numpy as np

from ..drawing.view.framing import framing_points
from ..drawing.overlays.key import KEY_TAKES
from ..drawing.picture import local_order, views_following
from ..drawing.selection import drawn_of, framed
from ..messages import Refusal
from ..order import orientation
from ..reading.reading_pool import load_frames
from ..reading.scene_reader import check_program

PROGRAMS = ("split", "mono")


@dataclasses.dataclass
class surveyed:
    """What a film keeps of one frame (see the module's text); refusals
    are, for each program the key may take, why scene text cannot be that
    program's (None when it can)."""
    name: str
    notes: list
    glyphs: int
    time: float
    box: tuple
    total: int
    points: np.ndarray
    blue: bool
    director: np.ndarray
    angles: tuple
    drawn: tuple
    refusals: dict


def wanted(settings):
    """The settings a survey reads, apart from the rest (which may not
    travel to worker processes)."""
    return types.SimpleNamespace(
        box=settings.box, clip=settings.clip, slab=settings.slab,
        look=settings.look, crop=settings.crop,
        box_edges=settings.box_edges,
        radius=settings.radius, colour=settings.colour,
        against=settings.against,
        checks=settings.key and not settings.program_given,
        follows=settings.azimuth is None)


def survey_frame(want, fr):
    """What a film keeps of a frame."""
    return surveyed(
        name=fr.name, notes=fr.notes, glyphs=len(fr.ends), time=fr.time,
        box=fr.box, total=fr.total,
        points=framing_points(framed(want, fr)),
        blue=bool((~fr.teal).any()),
        director=orientation.order(fr.ends)[1] if want.follows else None,
        angles=frame_angles(want, fr) if want.colour == "orientation"
        else None,
        drawn=drawn_of(want, fr) if fr.total is not None
        else None,
        refusals=refusals(fr) if want.checks else {})


def frame_angles(want, fr):
    """orientation.angle_counts of the frame's rods' angles to the
    director angle_top takes."""
    if not len(fr.ends):
        return orientation.angle_counts([])
    director = local_order(want, fr)[1] if want.against == "local" else \
        orientation.global_director(fr)
    return orientation.angle_counts(orientation.angles(fr.ends, director))


def refusals(fr):
    """Why the key could not take the frame's text for each program; kept
    as the Refusal's words, which cross between processes."""
    found = {}
    if fr.lines is None:  # not scene text, which the key never judges
        return found
    for program in PROGRAMS:
        try:
            check_program(fr.ends, fr.teal, fr.lines, program, fr.name,
                          KEY_TAKES)
            found[program] = None
        except Refusal as e:
            found[program] = (str(e), e.detail)
    return found


def survey_frames(settings, scratch):
    """Every input's survey, in order."""
    return load_frames(settings, scratch,
                       functools.partial(survey_frame, wanted(settings)))


def key_program(settings, frames):
    """drawing.key.key_program, of the frames' surveys."""
    if settings.program_given:
        return settings.program
    if any(fr.total is not None for fr in frames):
        return "rods"
    program = "split" if any(fr.blue for fr in frames) else "mono"
    for fr, kind in zip(frames, settings.kinds):
        if kind == "scene" and settings.key and fr.refusals.get(program):
            raise Refusal(*fr.refusals[program])
    return program


def from_surveys(settings, frames):
    """drawing.picture.from_frames, of the frames' surveys."""
    if settings.colour == "orientation":
        settings.angle_top = orientation.angle_top_of(
            [fr.angles for fr in frames])
    if settings.azimuth is None:
        settings.azimuth, settings.elevation = \
            views_following(frames[0].director)[settings.view]
