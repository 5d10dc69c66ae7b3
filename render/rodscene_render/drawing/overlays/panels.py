"""The overlays' ground: their font, ink and opaque backing, and colours
as the picture shows them."""

import numpy as np
from PIL import ImageFont

FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
INK = (40, 40, 40, 255)
PANEL = (255, 255, 255, 255)
RIM = (210, 210, 206, 255)


def font(size):
    try:
        return ImageFont.truetype(FONT_FILE, max(int(size), 6))
    except OSError:
        return ImageFont.load_default()


def rgba(colour, alpha=255):
    return tuple(int(round(255 * c)) for c in colour) + (alpha,)


def srgb(linear):
    """A pigment's linear colour as the picture shows it."""
    c = np.asarray(linear, dtype=float)
    return np.where(c <= 0.0031308, 12.92 * c, 1.055 * c ** (1 / 2.4) - 0.055)


def draw_panel(draw, box, unit):
    """An opaque backing, so that an overlay reads on any background."""
    draw.rounded_rectangle(box, radius=6 * unit, fill=PANEL, outline=RIM,
                           width=max(int(unit), 1))


def linear(encoded):
    """An sRGB colour as the linear light a scene's pigment gives."""
    c = np.asarray(encoded, dtype=float)
    return np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)
