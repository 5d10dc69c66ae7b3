"""What a browser can open: a page whose texts it cannot decode opens with
no rods, so such a page is refused before it is written, in one line that
says the limit and how to keep within it."""

from ..drawing.selection import in_box
from ..messages import Refusal, shown

# Chromium's longest string (V8's, 2^29 - 24 characters): a longer text in
# the page, such as its rods' base64, reads as empty.
MAX_TEXT = 2 ** 29 - 24
ROD_CHARACTERS = 24  # a rod's 18 bytes as base64
MAX_RODS = MAX_TEXT // ROD_CHARACTERS
# The rods a page draws in one frame: the browser holds 264 bytes a rod to
# draw them, and software WebGL as much again; a page of 1e6 rods opens in
# seconds, its view turning at a frame a second or two.
MAX_FRAME_RODS = 1_000_000


def check_texts(settings, frames, meta_characters):
    """Refuses a page whose rods or META would be longer than a browser's
    longest text, or that draws more rods in a frame than a browser
    can."""
    rods = sum(len(fr.ends) for fr in frames)
    if rods > MAX_RODS:
        raise Refusal(too_many(settings, frames, rods))
    for fr in frames:
        drawn = int(in_box(settings, fr).sum()) if settings.box \
            else len(fr.ends)
        if drawn > MAX_FRAME_RODS:
            raise Refusal(f"{shown(settings.html)}: not written: a page "
                          f"draws at most {MAX_FRAME_RODS} rods a frame (a "
                          f"browser's memory to draw them), and "
                          f"{shown(fr.name)} has {drawn}: keep fewer with "
                          f"--box X0 Y0 Z0 X1 Y1 Z1")
    if meta_characters > MAX_TEXT:
        raise Refusal(f"{shown(settings.html)}: not written: its facts of "
                      f"the rods would be {meta_characters} characters, more "
                      f"than the {MAX_TEXT} a browser reads as one text; "
                      f"give fewer INPUTs")


def too_many(settings, frames, rods):
    """The refusal of a page of more rods than MAX_RODS: fewer INPUTs cut
    a trajectory; a frame that alone holds too many is for a picture."""
    head = f"{shown(settings.html)}: not written: a page holds at most " \
        f"{MAX_RODS} rods in all its frames (a browser reads no text over " \
        f"2^29 characters)"
    largest = max(frames, key=lambda fr: len(fr.ends))
    if len(largest.ends) > MAX_RODS:
        return f"{head}, and {shown(largest.name)} has " \
            f"{len(largest.ends)}: draw it as a picture (INPUT PICTURE.png)"
    keep = MAX_RODS // len(largest.ends)
    return f"{head}, and these {len(frames)} frames have {rods}: give at " \
        f"most {keep} of these INPUTs (one in {-(-len(frames) // keep)}, " \
        f"say)"
