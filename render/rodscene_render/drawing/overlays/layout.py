"""Where the overlays sit, and the room the framing leaves them. The key
takes the upper right corner, the label the upper left and the triad the
lower left, each of a fixed size in units of the picture. The camera frames
the rods either between a band at the top and one at the bottom (rows) or
between a column at each side (columns), whichever shows them larger, so no
overlay lies on a rod whichever overlays are drawn."""

BASE = 720  # pixels of the picture's shorter side that make a unit a pixel
MIN_UNIT = 0.85  # so the smallest text, 12 units, is at least 10 pixels
EDGE = 16  # units between an overlay and the picture's edge
GAP = 8  # units between an overlay and the nearest rod
KEY_WIDTH = 190
KEY_HEIGHT = 100  # the tallest key: two lines and a colour bar
TRIAD_BOX = 96  # the triad's square, from the picture's corner
ROWS = EDGE + max(KEY_HEIGHT, TRIAD_BOX - EDGE) + GAP  # units, top and bottom
COLUMNS = EDGE + max(KEY_WIDTH, TRIAD_BOX - EDGE) + GAP  # units, each side
MAX_FREE = 0.3  # the most of a side the overlays' room takes
MARGIN = 0.04  # share of the picture left free on each side otherwise


def unit(width, height):
    """Pixels a unit: overlays grow with the picture, never too small to
    read, and on a picture smaller than the qualities' they shrink rather
    than cover the rods."""
    room = MAX_FREE * min(height / ROWS, width / COLUMNS)
    return min(max(min(width, height) / BASE, MIN_UNIT), room)


def margin(size, units, scale):
    """The framing's margin along a side of size pixels that keeps units
    free at each end: the rods fill size / (1 + 2 margin)."""
    free = units * scale / size
    return max(free / (1 - 2 * free), MARGIN)


def margins(width, height):
    """The framing's (across, upward) margins for rows and for columns."""
    scale = unit(width, height)
    return {"rows": (MARGIN, margin(height, ROWS, scale)),
            "columns": (margin(width, COLUMNS, scale), MARGIN)}
