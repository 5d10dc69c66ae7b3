"""A picture as SVG or PDF: the rendered rods as an embedded raster, and
the overlays (key, label, triad, scale bar) drawn over it as vector
shapes and text, so that a journal's figure keeps its text sharp and
editable. The overlays draw on a recorder that takes Pillow's drawing
calls, which are then laid out again with matplotlib in the picture's
pixels; the bytes are the same for the same picture (no dates, a fixed
hash salt)."""

import pathlib

from ... import outputs
from ...figure_options import SAVED_METADATA, SAVED_STYLE

FONT_FAMILY = "DejaVu Sans"  # the font the overlays are measured in
# Pillow's text anchors: the horizontal alignment, and the place of the
# baseline below the anchor's point as a share of (ascent, descent).
ALIGN = {"l": "left", "m": "center", "r": "right"}


class recorder:
    """Takes the drawing calls the overlays make on a Pillow ImageDraw
    and keeps them, in order."""

    def __init__(self):
        self.calls = []

    def textlength(self, words, font):
        return font.getlength(words)

    def __getattr__(self, name):
        def record(*args, **kwargs):
            self.calls.append((name, args, kwargs))
        return record


def colour(fill):
    return None if fill is None else tuple(c / 255 for c in fill)


def flat(points):
    """Pillow's points, as [(x, y), ...] from pairs or a flat list."""
    points = list(points)
    if points and not isinstance(points[0], (tuple, list)):
        points = list(zip(points[0::2], points[1::2]))
    return [tuple(map(float, p)) for p in points]


def baseline(y, font, anchor):
    """The baseline's place of a text Pillow anchors at y."""
    ascent, descent = font.getmetrics()
    vertical = anchor[1] if anchor else "a"
    return y + {"a": ascent, "m": (ascent - descent) / 2, "s": 0,
                "d": -descent}[vertical]


def replay(ax, calls, points):
    """The recorded calls drawn on ax, whose data units are the
    picture's pixels (y down); points is points a pixel."""
    from matplotlib import patches
    for name, args, kw in calls:
        fill, outline = colour(kw.get("fill")), colour(kw.get("outline"))
        width = kw.get("width", 1) * points
        if name in ("rectangle", "rounded_rectangle", "ellipse"):
            (x0, y0), (x1, y1) = flat(args[0])
            if name == "ellipse":
                shape = patches.Ellipse(((x0 + x1) / 2, (y0 + y1) / 2),
                                        x1 - x0, y1 - y0)
            else:
                pad = kw.get("radius", 0)
                shape = patches.FancyBboxPatch(
                    (x0 + pad, y0 + pad), x1 - x0 - 2 * pad,
                    y1 - y0 - 2 * pad, boxstyle=f"round,pad={pad}")
            shape.set(facecolor=fill or "none", edgecolor=outline or "none",
                      linewidth=width if outline else 0)
            ax.add_patch(shape)
        elif name == "polygon":
            ax.add_patch(patches.Polygon(flat(args[0]), closed=True,
                                         facecolor=fill, linewidth=0))
        elif name == "line":
            xs, ys = zip(*flat(args[0]))
            ax.plot(xs, ys, color=fill, linewidth=width,
                    solid_capstyle="butt")
        elif name == "text":
            x, y = map(float, args[0])
            font, anchor = kw["font"], kw.get("anchor") or "la"
            ax.text(x, baseline(y, font, anchor), args[1], color=fill,
                    fontsize=font.size * points, family=FONT_FAMILY,
                    ha=ALIGN[anchor[0]], va="baseline",
                    parse_math=False)  # a "$" is the label's own text


def save_vector(image, calls, path, dpi):
    """Writes the picture (a Pillow image, without overlays) with the
    recorded overlays over it, in the format of path's name (.svg or
    .pdf), dpi pixels an inch."""
    import matplotlib
    matplotlib.use("Agg")
    from matplotlib.figure import Figure
    width, height = image.size
    kind = pathlib.Path(path).suffix.lower().lstrip(".")
    with matplotlib.rc_context({**SAVED_STYLE, "font.family": FONT_FAMILY}):
        figure = Figure(figsize=(width / dpi, height / dpi), dpi=dpi)
        ax = figure.add_axes((0, 0, 1, 1))
        ax.set_axis_off()
        ax.imshow(image, extent=(0, width, height, 0),
                  interpolation="none")
        ax.set_xlim(0, width)
        ax.set_ylim(height, 0)
        replay(ax, calls, 72.0 / dpi)
        with outputs.written_whole(path) as temporary:
            figure.savefig(temporary, format=kind, dpi=dpi,
                           metadata=SAVED_METADATA[kind])
