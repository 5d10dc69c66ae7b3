#!/usr/bin/python3
"""Measures a draft film's peak memory: how it grows with its frames.

Writes trajectories of the example (examples/make_trajectory.py) of each
length asked for in a temporary folder, renders each as a draft film with
each renderer under GNU time, and prints the render path's own peak
resident memory (its Python process's), the peak of the largest process
of the run (which may be POV-Ray's or ffmpeg's) and the wall time of each
run. A film that holds one frame's rods at a time (times the frames in
flight) peaks at about the same memory whatever its length.

Usage: film_memory.py [BUILD_DIR [RENDER_SCRIPT [FRAMES...]]]
  BUILD_DIR      folder whose python/ holds the rodscene module (default
                 build/release)
  RENDER_SCRIPT  the render path to measure (default render/render_scene.py),
                 so that another tree's can be measured on the same inputs
  FRAMES         the films' lengths (default 24 300)
Needs POV-Ray, ffmpeg, GNU time (Debian: time) and numpy.
"""

import os
import pathlib
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
RENDERERS = ("embree", "povray")
# Runs the render path as its own script, saying its own peak as it ends.
OWN_PEAK = ("import atexit, resource, runpy, sys; atexit.register(lambda: "
            "print('own peak', resource.getrusage(resource.RUSAGE_SELF)"
            ".ru_maxrss, file=sys.stderr)); sys.argv = sys.argv[1:]; "
            "runpy.run_path(sys.argv[0], run_name='__main__')")


def measure(script, env, inputs, renderer, folder):
    """The render path's own peak and the largest process's, in
    kilobytes, and the wall seconds of one film."""
    report = folder / f"time-{renderer}.txt"
    run = subprocess.run(["/usr/bin/time", "-o", report, "-f", "%M %e",
                          sys.executable, "-c", OWN_PEAK, script, "--draft",
                          "--renderer", renderer, "--movie",
                          folder / f"{renderer}.mp4"] + inputs, env=env,
                         check=True, stderr=subprocess.PIPE, text=True)
    own = int(run.stderr.split("own peak ")[-1].split()[0])
    peak, wall = report.read_text().split()
    return own, int(peak), float(wall)


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                         ROOT / "build" / "release").resolve()
    script = sys.argv[2] if len(sys.argv) > 2 else \
        ROOT / "render" / "render_scene.py"
    lengths = [int(n) for n in sys.argv[3:]] or [24, 300]
    env = dict(os.environ, PYTHONPATH=str(build / "python"))
    with tempfile.TemporaryDirectory() as name:
        for frames in lengths:
            folder = pathlib.Path(name) / str(frames)
            subprocess.run([sys.executable, ROOT / "examples" /
                            "make_trajectory.py", folder / "in",
                            str(frames)], check=True,
                           stdout=subprocess.DEVNULL)
            inputs = sorted((folder / "in").iterdir())
            for renderer in RENDERERS:
                own, peak, wall = measure(script, env, inputs, renderer,
                                          folder)
                print(f"{frames:6d} frames  {renderer:7s} own peak "
                      f"{own / 1024:7.1f} MiB  largest process "
                      f"{peak / 1024:7.1f} MiB  wall {wall:7.1f} s",
                      flush=True)


if __name__ == "__main__":
    main()
