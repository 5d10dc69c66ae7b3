#!/usr/bin/python3
"""Time of one final-quality 1920x1080 picture of the shipped example.

usage: picture_bench.py [RUNS] [--against OTHER_LAUNCHER]

Renders the example RUNS times (default 3) with this tree's rodscene_render
and prints each run's wall time and the median. With --against, runs the
other launcher (an older render_scene.py, say) in alternation on the same
input, so that both see the same load, and prints the ratio of medians.
The machine's load moves the figures; the ratio is what to quote.
"""

import argparse
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
RENDER = ROOT / "render" / "render_scene.py"
EXAMPLE = ROOT / "examples" / "readingconfig3.txt"
CONVERTERS = ROOT / "build" / "release"
OPTIONS = ["--quality", "final", "--width", "1920", "--height", "1080",
           "--converters", str(CONVERTERS)]


def timed(launcher, picture):
    start = time.perf_counter()
    subprocess.run([sys.executable, str(launcher), str(EXAMPLE), str(picture)]
                   + OPTIONS, check=True, capture_output=True)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("runs", type=int, nargs="?", default=3)
    parser.add_argument("--against", type=pathlib.Path)
    args = parser.parse_args()
    times = {"this": [], "other": []}
    with tempfile.TemporaryDirectory() as tmp:
        for _ in range(args.runs):
            times["this"].append(timed(RENDER, pathlib.Path(tmp) / "a.png"))
            if args.against:
                times["other"].append(timed(args.against,
                                            pathlib.Path(tmp) / "b.png"))
    for name, runs in times.items():
        if runs:
            print(f"{name:6} {' '.join(f'{t:6.2f}' for t in runs)} s   "
                  f"median {statistics.median(runs):6.2f} s")
    if args.against:
        ratio = statistics.median(times["this"]) / \
            statistics.median(times["other"])
        print(f"ratio this / other: {ratio:.2f}")


if __name__ == "__main__":
    main()
