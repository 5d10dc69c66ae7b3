#!/usr/bin/python3
"""Writes a short trajectory from the shipped example, to try films, pages
and clusters on: FOLDER/step0001.txt to step0024.txt.

Each frame turns every rod's direction a little further about z, so the
director swings through 45 degrees in the film, and moves every rod by a
small random step, so the slab's rods jitter as in a run. Deterministic:
the same seed gives the same files. The rods may touch; it is a picture,
not a simulation.

Usage: make_trajectory.py FOLDER [FRAMES]   (default 24 frames)
Needs numpy (Debian: python3-numpy).
"""

import math
import pathlib
import sys

import numpy as np

SEED = 42
EXAMPLE = pathlib.Path(__file__).resolve().with_name("readingconfig3.txt")
SWING = 45.0  # degrees the director turns over the whole trajectory
STEP = 0.4  # spread of a rod's move between frames


def turned(directions, degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    x, y, z = directions.T
    return np.column_stack([c * x - s * y, s * x + c * y, z])


def main():
    folder = pathlib.Path(sys.argv[1])
    frames = int(sys.argv[2]) if len(sys.argv) > 2 else 24
    lines = EXAMPLE.read_text().splitlines()
    header = lines[0]
    sites = np.loadtxt(lines[1:])
    positions, directions = sites[:, :3], sites[:, 3:]
    rng = np.random.default_rng(SEED)
    folder.mkdir(parents=True, exist_ok=True)
    for k in range(frames):
        angle = SWING * k / max(frames - 1, 1)
        rows = np.hstack([positions, turned(directions, angle)])
        text = [header] + [" ".join("%14.8f" % v for v in row)
                           for row in rows]
        (folder / f"step{k + 1:04d}.txt").write_text("\n".join(text) + "\n")
        positions = positions + rng.normal(0.0, STEP, positions.shape)
    print(f"{folder}: {frames} frames of {len(sites)} rods, the director "
          f"turning {SWING:g} degrees about z")


if __name__ == "__main__":
    main()
