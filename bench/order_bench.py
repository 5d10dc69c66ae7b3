#!/usr/bin/python3
"""Time of each rod's local order (rodscene_render's order.local_order).

usage: order_bench.py [RUNS] [--radius R]

Times local order on the shipped example's rods as rodscene_mono draws
them, on 3370 rods at the example's density in a periodic box, and on
10^5 rods at that density, handed to the function as arrays. Prints the
best and median of RUNS runs (default 7) beside the goals: 50 ms for 3370
rods and 1 s for 10^5. The rods are seeded, so every run sees the same.
"""

import argparse
import pathlib
import statistics
import sys
import time

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "render"))
from rodscene_render.order import order  # noqa: E402

EXAMPLE = ROOT / "examples" / "readingconfig3.txt"
BOX = (160.0, 99.0, 92.0)  # the example's box: 3370 rods in it
DENSITY = 3370 / np.prod(BOX)
MONO_WINDOW = (-38.0, 38.0)
GOALS = {3370: 0.05, 100000: 1.0}


def example_rods():
    """The example's sites in mono's window, as centres and directions."""
    sites = np.loadtxt(EXAMPLE, skiprows=1)
    z = sites[:, 2]
    kept = sites[(z > MONO_WINDOW[0]) & (z < MONO_WINDOW[1])]
    u = kept[:, 3:] / np.linalg.norm(kept[:, 3:], axis=1, keepdims=True)
    return kept[:, :3], u, None


def synthetic(n, seed=1):
    """n nematic rods (along x, spread by about 20 degrees) at the
    example's density in a cube centred on the origin."""
    rng = np.random.default_rng(seed)
    side = (n / DENSITY) ** (1 / 3)
    points = rng.uniform(-side / 2, side / 2, (n, 3))
    u = np.array([1.0, 0.0, 0.0]) + rng.normal(0, 0.25, (n, 3))
    u /= np.linalg.norm(u, axis=1, keepdims=True)
    return points, u, [-side / 2] * 3 + [side / 2] * 3


def timed(rods, radius, runs):
    points, u, box = rods
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        s, _ = order.local_order(points, u, radius, box)
        times.append(time.perf_counter() - start)
    return times, float(np.mean(s))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("runs", type=int, nargs="?", default=7)
    parser.add_argument("--radius", type=float, default=order.RADIUS)
    args = parser.parse_args()
    cases = [("example, mono's rods", example_rods()),
             ("3370 rods, periodic", synthetic(3370)),
             ("100000 rods, periodic", synthetic(100000))]
    for name, rods in cases:
        times, mean = timed(rods, args.radius, args.runs)
        goal = GOALS.get(len(rods[0]), GOALS[3370])
        print(f"{name:24} {len(rods[0]):6} rods  best "
              f"{min(times) * 1e3:7.1f} ms  median "
              f"{statistics.median(times) * 1e3:7.1f} ms  (goal "
              f"{goal * 1e3:.0f} ms; mean local S {mean:.2f})")


if __name__ == "__main__":
    main()
