#!/usr/bin/python3
"""Time of each rod's local order (rodscene_render's order.local_order),
the work --order adds to the global order parameter of a frame, and of
--order's whole row of a frame already read (order_table.measured: the
global order and the mean local S), with --table-rods' lines too.

usage: order_bench.py [RUNS] [--radius R] [--rods N ...] [--root DIR]

Times local order on the shipped example's rods as rodscene_mono draws
them, and on N rods (default 3370, 10^5 and 10^6) at the example's
density in a periodic box, handed to the function as arrays. Prints the
best and median of RUNS runs (default 3), the CPU time of the best run
(on a shared machine the wall time waits for other work) and the
process's peak memory so far, beside the goals: 50 ms for 3370 rods, 1 s
for 10^5 and 15 s for 10^6 (those of --order's row). --root times
another checkout's render package (an older commit, say) on the same
rods; one whose --order has no local order times its row without it.
The rods are seeded, so every run sees the same.
"""

import argparse
import inspect
import pathlib
import resource
import statistics
import sys
import tempfile
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


def timed(work, runs):
    walls, cpus = [], []
    for _ in range(runs):
        start, cpu = time.perf_counter(), time.process_time()
        mean = work()
        walls.append(time.perf_counter() - start)
        cpus.append(time.process_time() - cpu)
    return walls, cpus[walls.index(min(walls))], mean


def works(rods, radius, scratch):
    """What is timed, by name: each a function giving the mean local S
    (NaN where it is not measured)."""
    from rodscene_render.order import order, order_table
    from rodscene_render.reading.inputs import frame
    points, u, box = rods
    ends = np.hstack([points - 8 * u, points + 8 * u])
    fr = frame("bench", ends, points, np.ones(len(u), bool), [],
               np.arange(2, len(u) + 2))
    local = len(inspect.signature(order_table.measured).parameters) > 1
    row = (lambda part: order_table.measured(radius, box, part, fr)) \
        if local else (lambda part: order_table.measured(fr))
    timed_works = {"local order": lambda: float(np.mean(
        order.local_order(points, u, radius, box)[0])),
        "--order row": lambda: row(None).get("mean_local_S", np.nan)}
    if local:
        timed_works["+ --table-rods"] = lambda: row(scratch)["mean_local_S"]
    return timed_works


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("runs", type=int, nargs="?", default=3)
    parser.add_argument("--radius", type=float, default=RADIUS)
    parser.add_argument("--rods", type=int, nargs="+", default=SIZES)
    parser.add_argument("--root", type=pathlib.Path, default=ROOT)
    args = parser.parse_args()
    sys.path.insert(0, str(args.root / "render"))
    cases = [("example, mono's rods", example_rods(), GOALS[3370])] + \
        [("periodic", synthetic(n), GOALS.get(n)) for n in args.rods]
    with tempfile.TemporaryDirectory() as scratch:
        for name, rods, goal in cases:
            goal = f"goal {goal:g} s; " if goal else ""
            for what, work in works(rods, args.radius, scratch).items():
                walls, cpu, mean = timed(work, args.runs)
                peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
                print(f"{len(rods[0]):7} rods, {name:20} {what:15} best "
                      f"{min(walls):7.3f} s (CPU {cpu:7.3f} s)  median "
                      f"{statistics.median(walls):7.3f} s  peak "
                      f"{peak / 1024:5.0f} MB  ({goal}mean local S "
                      f"{mean:.4f})", flush=True)


if __name__ == "__main__":
    main()
