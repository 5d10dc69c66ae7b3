#!/usr/bin/python3
"""The in-process renderer (Embree) beside POV-Ray, in one run, on the
same inputs and the same machine load:

- a draft film of the example (24 drifting frames): frames per second and
  CPU seconds;
- a final 1920 x 1080 picture of the example: wall and CPU seconds;
- a normal picture of the example with and without --highlight disorder:
  the time ratio, of one pair and the median of five;
- 1e5 rods at 1280 x 720 (draft; normal for Embree alone) and 1e6 rods
  (draft), drawn from arrays:
  seconds and peak memory (POV-Ray at 1e6 only with --million-povray: it
  needs some 3.3 GB);
- the film manifest's cost a frame: a line forced to disk each frame, as
  films did, against lines forced once a film, as they do now.

Usage: renderer_bench.py [--million-povray]   (after a release build)
Needs POV-Ray, ffmpeg, numpy, tqdm and the module built with Embree.
"""

import os
import pathlib
import resource
import subprocess
import sys
import tempfile
import time

import numpy as np

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
RENDER = ROOT / "render" / "render_scene.py"
EXAMPLE = ROOT / "examples" / "readingconfig3.txt"
BUILD = ROOT / "build" / "release"
RENDERERS = ("embree", "povray")
FILM_FRAMES = 24
MANIFEST_FRAMES = 48
PAIRS = 5  # runs with and without faint rods, back to back
# A child that draws count random rods from arrays and prints its seconds
# and peak memory: {count} {width} {height} {quality} {renderer}.
MANY = ROOT / "bench" / "many_rods.py"


def children_cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def run(args):
    """Wall and CPU seconds of a render path run."""
    cpu, start = children_cpu(), time.perf_counter()
    subprocess.run([sys.executable, str(RENDER)] + [str(a) for a in args] +
                   ["--converters", str(BUILD)], check=True,
                   capture_output=True)
    return time.perf_counter() - start, children_cpu() - cpu


def row(what, figures, unit="s"):
    cells = "   ".join(f"{name} {value:8.3f} {unit}"
                       for name, value in figures.items())
    print(f"{what:40s} {cells}", flush=True)


def film(tmp):
    sys.path.insert(0, str(HERE))
    from film_bench import perturbed
    folder = tmp / "steps"
    folder.mkdir()
    inputs = perturbed(folder, FILM_FRAMES)
    fps, cpu = {}, {}
    for name in RENDERERS:
        wall, used = run(["--movie", tmp / f"{name}.mp4", "--draft",
                          "--renderer", name] + inputs)
        fps[name], cpu[name] = FILM_FRAMES / wall, used / FILM_FRAMES
    row(f"draft film, {FILM_FRAMES} frames: frames/s", fps, "fps")
    row("draft film: CPU a frame", cpu)


def pictures(tmp):
    for what, options in (("final 1920x1080 picture", ["--quality", "final"]),
                          ("normal picture", ["--quality", "normal"]),
                          ("normal, --highlight disorder",
                           ["--quality", "normal", "--highlight",
                            "disorder"])):
        walls, cpus = {}, {}
        for name in RENDERERS:
            walls[name], cpus[name] = run([EXAMPLE, tmp / f"{name}.png",
                                           "--renderer", name] + options)
        row(f"{what}: wall", walls)
        row(f"{what}: CPU", cpus)
        if "highlight" in what:
            ratios = {n: cpus[n] / plain[n] for n in RENDERERS}
            row("--highlight disorder / normal: CPU ratio", ratios, "x")
        plain = cpus
    row("the same, median of pairs", disorder_pairs(tmp), "x")


def disorder_pairs(tmp):
    """The CPU ratio of a normal picture with and without --highlight
    disorder, each pair run back to back, the median of PAIRS: a single
    pair on a shared machine swings by a third with the load."""
    ratios = {}
    for name in RENDERERS:
        found = []
        for _ in range(PAIRS):
            out = [tmp / f"{name}.png", "--renderer", name, "--quality",
                   "normal"]
            plain = run([EXAMPLE] + out)[1]
            found.append(run([EXAMPLE] + out + ["--highlight",
                                                "disorder"])[1] / plain)
        ratios[name] = sorted(found)[PAIRS // 2]
    return ratios


def many(count, width, height, quality, renderers):
    for name in renderers:
        out = subprocess.run(
            [sys.executable, str(MANY), str(count), str(width), str(height),
             quality, name], check=True, capture_output=True, text=True,
            env=dict(os.environ, PYTHONPATH=str(BUILD / "python")))
        seconds, cpu, megabytes, before = map(float, out.stdout.split())
        print(f"{count:.0e} rods, {width}x{height} {quality}, {name}: "
              f"{seconds:.2f} s wall, {cpu:.2f} s CPU, peak "
              f"{megabytes:.0f} MB ({before:.0f} MB before drawing)",
              flush=True)


def manifest(tmp):
    """Seconds a frame of the manifest's own work, forced each frame and
    forced once."""
    sys.path.insert(0, str(ROOT / "render"))
    from rodscene_render.films import resume
    figures = {}
    for way in ("each frame", "once"):
        folder = tmp / way.replace(" ", "_")
        folder.mkdir()
        resume.rewrite(folder, [])
        start = time.perf_counter()
        for i in range(MANIFEST_FRAMES):
            entry = {"frame": f"frame{i:05d}.png", "input_sha256": "0" * 64,
                     "settings": "1" * 64}
            resume.record(folder, entry, "2" * 64)
            if way == "each frame":
                resume.settle(folder)
        resume.settle(folder)
        figures[way] = (time.perf_counter() - start) / MANIFEST_FRAMES * 1e3
    row("manifest, a frame:", figures, "ms")


def main():
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        manifest(tmp)
        film(tmp)
        pictures(tmp)
    many(100000, 1280, 720, "draft", RENDERERS)
    many(100000, 1280, 720, "normal", ("embree",))
    many(1000000, 640, 360, "draft",
         RENDERERS if "--million-povray" in sys.argv else ("embree",))


if __name__ == "__main__":
    main()
