"""The numbers a page keeps of each frame, worked out by the rodscene
module as the frame is read, in its reading thread and without the GIL:
its rods packed for the page, and its extents for the named views'
cameras. They are the very bits that page.py and camera.py work out with
numpy, which they do themselves when a frame comes without them (scene
text, or frames read by the converter programs)."""

import dataclasses
import importlib

import numpy as np

from ..drawing.view import camera
from ..drawing.overlays import layout


@dataclasses.dataclass(frozen=True)
class page_numbers:
    """A frame's rods as page.frame_rods gives them (rods, decode table,
    teal count), and its points measured for each named view."""
    rods: tuple
    extents: camera.measured


def page_work(settings):
    """What to work out of each frame as it is read: for a page whose
    configurations the module reads, a function that gives a frame its
    page numbers; else None."""
    conv = settings.converter
    if not settings.html or conv is None or not conv.in_process:
        return None
    if hasattr(conv, "shape"):  # a whole system's rods and box: numpy's
        return None
    core = importlib.import_module("rodscene._core")
    aspect = settings.height / settings.width
    bands = layout.margins(settings.width, settings.height).values()
    views = [(view, i, camera.slopes(aspect, m))
             for view in camera.VIEWS.values() for i, m in enumerate(bands)]
    keys = [(*view, aspect, i) for view, i, _ in views]
    axes = np.array([camera.view_axes(*view)[::-1] for view, _, _ in views])
    tans = np.array([tan for _, _, tan in views])

    def work(fr):
        rows = core.extents(fr.ends, fr.caps, axes, tans, camera.PAD)
        fr.numbers = page_numbers(
            core.packed_rods(fr.ends, fr.caps, fr.teal),
            camera.measured(3 * len(fr.ends), dict(zip(keys, rows)), fr))
        return fr
    return work
