#!/usr/bin/python3
"""Time of each rod's local order (rodscene_render's order.local_order),
the work --order adds to the global order parameter of a frame.

usage: order_bench.py [RUNS] [--radius R] [--rods N ...] [--root DIR]

Times local order on the shipped example's rods as rodscene_mono draws
them, and on N rods (default 3370, 10^5 and 10^6) at the example's
density in a periodic box, handed to the function as arrays. Prints the
best and median of RUNS runs (default 3), the CPU time of the best run
(on a shared machine the wall time waits for other work) and the
process's peak memory so far, beside the goals: 50 ms for 3370 rods, 1 s
for 10^5 and 15 s for 10^6. --root times another checkout's render
package (an older commit, say) on the same rods. The rods are seeded, so
every run sees the same.
"""

import argparse
import pathlib
import resource
import statistics
import sys
import time

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
EXAMPLE = ROOT / "examples" / "readingconfig3.txt"
BOX = (160.0, 99.0, 92.0)  # the example's box: 3370 rods in it
DENSITY = 3370 / np.prod(BOX)
MONO_WINDOW = (-38.0, 38.0)
RADIUS = 16.0  # a rod's length, local order's default
GOALS = {3370: 0.05, 100000: 1.0, 1000000: 15.0}
SIZES = (3370, 100000, 1000000)


def example_rods():
    """The example's sites in mono's window, as centres and directions."""
    sites = np.loadtxt(EXAMPLE, skiprows=1)
    z = sites[:, 2]
    kept = sites[(z > MONO_WINDOW[0]) & (z < MONO_WINDOW[1])]
    u = kept[:, 3:] / np.linalg.norm(kept[:, 3:], axis=1, keepdims=True)
    return kept[:, :3], u, None


def synthetic(n, seed=1):
    """n nematic rods (along x, spread by about 20 degrees) at the
    example's density in a cube centred on the origin, its bounds the
    periodic box."""
    rng = np.random.default_rng(seed)
    side = (n / DENSITY) ** (1 / 3)
    points = rng.uniform(-side / 2, side / 2, (n, 3))
    u = np.array([1.0, 0.0, 0.0]) + rng.normal(0, 0.25, (n, 3))
    u /= np.linalg.norm(u, axis=1, keepdims=True)
    return points, u, [-side / 2] * 3 + [side / 2] * 3


def timed(local_order, rods, radius, runs):
    points, u, box = rods
    walls, cpus = [], []
    for _ in range(runs):
        start, cpu = time.perf_counter(), time.process_time()
        s, _ = local_order(points, u, radius, box)
        walls.append(time.perf_counter() - start)
        cpus.append(time.process_time() - cpu)
    return walls, cpus[walls.index(min(walls))], float(np.mean(s))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("runs", type=int, nargs="?", default=3)
    parser.add_argument("--radius", type=float, default=RADIUS)
    parser.add_argument("--rods", type=int, nargs="+", default=SIZES)
    parser.add_argument("--root", type=pathlib.Path, default=ROOT)
    args = parser.parse_args()
    sys.path.insert(0, str(args.root / "render"))
    from rodscene_render.order import order
    cases = [("example, mono's rods", example_rods())] + \
        [(f"{n} rods, periodic", synthetic(n)) for n in args.rods]
    for name, rods in cases:
        walls, cpu, mean = timed(order.local_order, rods, args.radius,
                                 args.runs)
        goal = GOALS.get(len(rods[0]), GOALS[3370])
        peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
        print(f"{name:24} {len(rods[0]):7} rods  best {min(walls):7.3f} s "
              f"(CPU {cpu:7.3f} s)  median {statistics.median(walls):7.3f} "
              f"s  peak {peak:5.0f} MB  (goal {goal:g} s; mean local S "
              f"{mean:.4f})", flush=True)


if __name__ == "__main__":
    main()
