#!/usr/bin/python3
"""The shipped example is a nematic of rods that do not overlap.

Reads examples/readingconfig3.txt: the shortest distance between the axes
of any two rods (from position - 8 direction to position + 8 direction) is
at least 2.4, their diameter; the order parameter shows a nematic; and the
z range runs past both programs' windows.
"""

import pathlib
import sys

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "examples"))
from make_config import order_parameter, segment_distances  # noqa: E402


def check(condition, message):
    if not condition:
        print(f"FAILED: {message}", file=sys.stderr)
        sys.exit(1)


def main():
    # The distance itself, on cases whose answer is plain: parallel side by
    # side, crossing at right angles, end to end along a line, and skew
    # where the closest points are interior.
    p = np.array([[0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0.0]])
    d = np.array([[16, 0, 0], [16, 0, 0], [16, 0, 0], [16, 0, 0.0]])
    q = np.array([[0, 3, 0], [8, -8, 2], [19, 0, 0], [4, 1, 5.0]])
    e = np.array([[16, 0, 0], [0, 16, 0], [16, 0, 0], [0, 0, -16.0]])
    check(np.allclose(segment_distances(p, d, q, e), [3, 2, 3, 1]),
          "segment distances are wrong on plain cases")

    rows = np.loadtxt(ROOT / "examples" / "readingconfig3.txt", skiprows=1)
    check(rows.shape == (3370, 6), f"the example has shape {rows.shape}")
    position, direction = rows[:, :3], rows[:, 3:]
    start, axis = position - 8 * direction, 16 * direction
    closest = np.inf
    for i in range(len(rows) - 1):
        near = np.sum((position[i + 1:] - position[i]) ** 2, axis=1) < 19 ** 2
        if near.any():
            gaps = segment_distances(start[i], axis[i], start[i + 1:][near],
                                     axis[i + 1:][near])
            closest = min(closest, gaps.min())
    check(closest >= 2.4, f"two rods overlap: their axes are {closest} apart")
    s = order_parameter(direction)
    check(0.7 < s < 0.9, f"order parameter {s:.3f} is no nematic")
    check(position[:, 2].min() < -38 and position[:, 2].max() > 38,
          "the z range does not run past both windows")
    print(f"closest axes {closest:.3f} apart, order parameter {s:.3f}")


if __name__ == "__main__":
    main()
