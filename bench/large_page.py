#!/usr/bin/python3
"""Writes a page of many rods with a render tree's own page writer, from
frames made here rather than read: the converters hold no more than 3370
rods, and a page's size and speed are to be measured far past that.

usage: large_page.py RENDER_FOLDER CONVERTERS OUT.html RODS [FRAMES]

RENDER_FOLDER holds that tree's package rodscene_render; CONVERTERS is a
build folder whose converters the command line looks for. The rods are a
nematic-ish packing: centres spread evenly over a box of about 8 rod
volumes a rod, directions near z. Prints the command's exit status and
what it said; exits with its status.
"""

import pathlib
import sys

import numpy as np

EXAMPLE = pathlib.Path(__file__).resolve().parent.parent / "examples" / \
    "readingconfig3.txt"
HALF = 8.0  # the converters' rods run 8 either way of their site


def made_frames(frame_class, rods, count):
    """count frames of rods each, teal above z = 0 and blue below, sharing
    one set of arrays a frame when there are many."""
    rng = np.random.default_rng(7)
    side = (rods * 8 * 16 * 2.4 ** 2) ** (1 / 3)
    centres = rng.uniform(-side / 2, side / 2, (rods, 3))
    axes = rng.normal([0, 0, 1], 0.4, (rods, 3))
    axes /= np.linalg.norm(axes, axis=1)[:, None]
    tails, heads = centres - HALF * axes, centres + HALF * axes
    ends = np.hstack([tails, heads])
    teal = centres[:, 2] > 0
    lines = np.arange(2, rods + 2)
    return [frame_class(f"made{k + 1:05d}.txt", ends, heads.copy(), teal, [],
                        lines) for k in range(count)]


def main():
    if len(sys.argv) not in (5, 6):
        sys.exit(__doc__)
    folder, converters, out, rods = sys.argv[1:5]
    count = int(sys.argv[5]) if len(sys.argv) == 6 else 1
    sys.path.insert(0, folder)
    from rodscene_render import command_line
    from rodscene_render.reading.inputs import frame
    from rodscene_render.page import page
    made = made_frames(frame, int(rods), count)
    page.load_frames = lambda settings, scratch: made
    argv = ["--html", out, "--converters", converters, "--width", "1280",
            "--height", "720", *[str(EXAMPLE)] * count]
    return command_line.main(argv)


if __name__ == "__main__":
    sys.exit(main())
