"""Order measured by the module: of a file's rods, read as the command
reads them, or of arrays; global and each rod's local order."""

import os

from . import _core
from .notebook import render_module
from .read_warnings import warn as _warn


def _drawn_ends(path, program):
    """The rods a picture draws of a file, scene text or configuration, as
    n x 6 ends, and the periodic box its header gives (or None); what the
    command refuses raises ValueError. Scene text that program (when
    given) cannot have written is refused."""
    if program not in (None, "split", "mono"):
        raise ValueError(f"unknown program {program!r}: choose 'split' or "
                         f"'mono'")
    inputs = render_module("reading.inputs")
    refusal = render_module("messages").Refusal
    path = os.fsdecode(path)
    kind = "configuration"
    try:
        if os.path.exists(path):
            kind = inputs.input_kind(path)
            if kind == "scene":
                ends, caps, teal, lines = inputs.read_scene_file(path)
                if program is not None:
                    inputs.check_program(ends, teal, lines, program, path)
                return ends[inputs.drawable(ends, caps, lines, path, [])], \
                    None
    except refusal as e:
        raise ValueError(str(e)) from None
    if kind != "configuration":
        raise ValueError(f"{path} is a trajectory: measure its frames with "
                         f"rodscene_render --order")
    if program is None:  # the whole system: every record a rod
        return _whole(path, inputs, refusal)
    ends, caps, _, warned, _ = _core.glyphs(path, program)
    _warn(warned)
    ends = ends.reshape(-1, 6)
    return ends[inputs.drawable(ends, caps, None, path, [])], None


def _whole(path, inputs, refusal):
    """A configuration's rods as the command reads them: every record,
    wrapped into the header's box."""
    systems = render_module("reading.systems")
    reader = systems.reader(systems.shape(2.0, 1.0, False, False))
    try:
        fr = inputs.load_input(path, "configuration", reader, None)
    except refusal as e:
        raise ValueError(str(e)) from None
    _warn(note.split(": ", 1)[1] for note in fr.notes)
    return fr.ends, fr.box


def _rows(values, what, unit=False):
    """values as an (n, 3) float64 array of finite rows; of unit length
    when unit, each row scaled by its largest component first so that no
    length over- or underflows. ValueError when they are not."""
    import numpy as np
    d = np.asarray(values, dtype=float)
    if d.ndim != 2 or d.shape[1] != 3:
        raise ValueError(f"{what} are an (n, 3) array, not {d.shape}")
    if not unit:
        if not np.isfinite(d).all():
            raise ValueError(f"every one of the {what} needs to be finite")
        return d
    with np.errstate(all="ignore"):  # what is not finite is refused below
        scale = np.abs(d).max(axis=1, initial=0.0, keepdims=True)
        d = d / scale
        length = np.linalg.norm(d, axis=1, keepdims=True)
    if not (np.isfinite(scale) & (scale > 0)).all():
        raise ValueError(f"every one of the {what} needs a finite length "
                         f"above 0")
    return d / length


def _rods(rods, directions, program):
    """The rods' centres and unit directions, and the periodic box a
    file gives, of a file's drawn rods or of the arrays given."""
    measure = render_module("order.order")
    if isinstance(rods, (str, bytes, os.PathLike)):
        ends, box = _drawn_ends(rods, program)
        return measure.centres(ends), measure.directions(ends), box
    if directions is None:
        raise ValueError("local order needs the rods' positions and their "
                         "directions")
    points, u = _rows(rods, "positions"), _rows(directions, "directions",
                                               unit=True)
    if len(points) != len(u):
        raise ValueError(f"{len(points)} positions but {len(u)} directions")
    return points, u, None


def _radius(radius):
    measure = render_module("order.order")
    radius = measure.RADIUS if radius is None else float(radius)
    if not 0 < radius < float("inf"):
        raise ValueError(f"the radius is a finite distance above 0, not "
                         f"{radius}")
    return radius


def order(rods, program=None, positions=None, radius=None, box=None):
    """The order of a file's rods, or of directions (n, 3): global, and
    the mean of each rod's local order when the positions are known."""
    import numpy as np
    measure = render_module("order.order")
    if isinstance(rods, (str, bytes, os.PathLike)):
        points, u, known = _rods(rods, None, program)
        box = known if box is None else box
    else:
        u = _rows(rods, "directions", unit=True)
        points = None if positions is None else _rods(positions, u,
                                                      program)[0]
    result = measure.measure(u)
    result["mean_local_S"] = np.nan if points is None else \
        measure.mean_local_s(points, u, _radius(radius),
                             measure.box_size(box))
    return result


def local_order(rods, directions=None, radius=None, box=None,
                program=None):
    """Each rod's local S and director, of a file's rods or of positions
    and directions (n, 3)."""
    measure = render_module("order.order")
    points, u, known = _rods(rods, directions, program)
    box = known if box is None else box
    s, n = measure.local_order(points, u, _radius(radius),
                               measure.box_size(box))
    return {"S": s, "director": n, "positions": points}
