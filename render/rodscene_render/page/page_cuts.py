"""What the page leaves out and how it frames the window: the rods outside
the command's --box or beyond its --clip, which the page never shows, the
command's --slab, which its slab control starts with, the director a slab
may be taken along, and what the page needs to frame a picture of the
window's shape as the pictures frame theirs."""

import numpy as np

from .. import options
from ..clip_options import clipped
from ..drawing.overlays import layout
from ..drawing.selection import in_box
from ..order import order as measured
from ..order.orientation import order as global_order
from .page_details import page_order

# The framing's room for the overlays (layout.margins), which the page
# works out for the window's shape.
LAYOUT = {"base": layout.BASE, "min_unit": layout.MIN_UNIT,
          "rows": layout.ROWS, "columns": layout.COLUMNS,
          "max_free": layout.MAX_FREE, "margin": layout.MARGIN}


def beyond_clip(settings, fr):
    """Which rods --clip leaves out, as the pictures leave them out."""
    return ~clipped(settings.clip, None, measured.centres(fr.ends))


def outside_slab(settings, fr):
    """Which rods --slab leaves out, as the pictures leave them out."""
    return ~clipped(None, settings.slab, measured.centres(fr.ends))


def places(frames, leaves_out):
    """The page's places of each frame's rods that leaves_out(fr) marks."""
    return [np.flatnonzero(leaves_out(fr)[page_order(fr)]).tolist()
            for fr in frames]


def slab(settings, frames):
    """The command's --slab as the page's slab control starts with it: its
    unit normal, bounds, and the rods it leaves out, found on their exact
    centres (None without one)."""
    if settings.slab is None:
        return None
    normal, low, high = settings.slab
    return {"normal": [float(v) for v in normal], "low": low, "high": high,
            "outside": places(frames, lambda fr: outside_slab(settings,
                                                              fr))}


def cuts(settings, frames):
    """The page's META entries of what it leaves out and how it frames."""
    outside = None
    if settings.box or settings.clip is not None:
        outside = places(frames, lambda fr: ~in_box(settings, fr) |
                         beyond_clip(settings, fr))
    return {"outside": outside, "slab": slab(settings, frames),
            "director": [float(v) for v in global_order(frames[0].ends)[1]],
            "layout": LAYOUT,
            "sizes": [options.MIN_SIZE, options.MAX_SIZE]}
