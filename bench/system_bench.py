#!/usr/bin/python3
"""Wall time and peak memory of a whole system's picture, order table
and page, at several sizes.

usage: system_bench.py [RODS ...] [--what picture,order,page]
                       [-- OPTIONS for every run, e.g. --renderer povray]

Writes a nematic-ish system of each size (default 3370 100000 1000000
rods, aspect 124 x 124 x 75 at the quench's density) into a scratch
folder, then runs rodscene_render on it once a task: a 1280 x 720
picture, --order with local order (--against local colours need it too),
and a page. Prints wall seconds and the peak resident memory of the run
(GNU time's %M). Runs of one size follow each other, so compare figures
taken in one run of this script; the machine's load moves them.
"""

import argparse
import pathlib
import subprocess
import sys
import tempfile

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
RENDER = ROOT / "render" / "render_scene.py"
DENSITY = 3000 / (124 * 124 * 75)  # rods a unit volume, as the quench's
TASKS = {
    "picture": lambda f, d: [f, d / "p.png", "--quality", "normal"],
    "order": lambda f, d: ["--order", f, "--table-rods", d / "rods.csv"],
    "page": lambda f, d: ["--html", d / "p.html", f],
}


def system_file(folder, n, rng):
    """n rods in a box of the quench's shape, their directions about z."""
    side = (n / DENSITY / (124 * 124 * 75)) ** (1 / 3)
    box = side * np.array([124.0, 124.0, 75.0])
    u = rng.normal(size=(n, 3)) * [0.3, 0.3, 1.0]
    u /= np.linalg.norm(u, axis=1, keepdims=True)
    path = folder / f"rods{n}.txt"
    with open(path, "w") as f:
        f.write(f"{n} {box[0]:.6f} {box[1]:.6f} {box[2]:.6f}\n")
        np.savetxt(f, np.hstack([rng.random((n, 3)) * box, u]), fmt="%.6f")
    return path


def measured(args):
    """(wall seconds, peak MB, last line) of one run."""
    run = subprocess.run(["/usr/bin/time", "-f", "%e %M", sys.executable,
                          str(RENDER)] + [str(a) for a in args],
                         capture_output=True, text=True)
    lines = run.stderr.strip().splitlines()
    seconds, kb = lines[-1].split()
    said = lines[-2] if len(lines) > 1 else ""
    return float(seconds), int(kb) / 1024, said


def main():
    argv = sys.argv[1:]
    extra = argv[argv.index("--") + 1:] if "--" in argv else []
    argv = argv[:argv.index("--")] if "--" in argv else argv
    parser = argparse.ArgumentParser()
    parser.add_argument("rods", type=int, nargs="*",
                        default=[3370, 100000, 1000000])
    parser.add_argument("--what", default="picture,order,page")
    args = parser.parse_args(argv)
    rng = np.random.default_rng(1)
    with tempfile.TemporaryDirectory() as name:
        folder = pathlib.Path(name)
        for n in args.rods:
            path = system_file(folder, n, rng)
            for task in args.what.split(","):
                seconds, mb, said = measured(TASKS[task](path, folder) +
                                             extra)
                print(f"{n:8d} rods  {task:8s} {seconds:7.2f} s "
                      f"{mb:7.0f} MB   {said[:70]}", flush=True)


if __name__ == "__main__":
    main()
