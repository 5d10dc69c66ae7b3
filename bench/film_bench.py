#!/usr/bin/python3
"""Times films of the example: how busy the render path keeps the cores.

Makes 3370-rod configurations by perturbing examples/readingconfig3.txt
(seeded: each rod moved and turned a little, a little more each frame) in
a temporary folder, then renders a 48-frame draft film and a 12-frame
final film of them. A stand-in `povray` on PATH runs the real one under
GNU time, so the POV-Ray processes' own CPU time is known. For each film
it prints the frames per second, POV-Ray's CPU time, the CPU time of the
whole run (converters, Python, POV-Ray and ffmpeg), and the ratio

    wall time / (POV-Ray CPU time / cores)

which is 1 when the cores do nothing but POV-Ray's work all the time.

Usage: film_bench.py [BUILD_DIR [RENDER_SCRIPT [QUALITY...]]]
  BUILD_DIR      folder with rodscene_split (default build/release)
  RENDER_SCRIPT  the render path to time (default render/render_scene.py),
                 so that another tree's can be timed on the same inputs
  QUALITY        draft or final: the films to make (default both)
Needs POV-Ray, ffmpeg, GNU time (Debian: time), numpy and tqdm.
"""

import os
import pathlib
import resource
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
EXAMPLE = ROOT / "examples" / "readingconfig3.txt"
SEED = 14
STEP = 0.4  # how far a rod moves a frame, in the box's units
TURN = 0.03  # how far a rod's direction turns a frame
FILMS = (("draft", 48), ("final", 12))
STAND_IN = """#!/bin/sh
exec /usr/bin/time -a -o {log} -f "%e %U %S" {povray} "$@"
"""


def perturbed(folder, count):
    """count configurations: the example's rods drifting at random."""
    lines = EXAMPLE.read_text().splitlines()
    header, sites = lines[0], np.loadtxt(lines[1:])
    rng = np.random.default_rng(SEED)
    drift = rng.normal(size=sites.shape) * np.array([STEP] * 3 + [TURN] * 3)
    paths = []
    for i in range(count):
        moved = sites + drift * i
        moved[:, 3:] /= np.linalg.norm(moved[:, 3:], axis=1)[:, None]
        path = folder / f"step{i:04d}.txt"
        np.savetxt(path, moved, fmt="%.8f", header=header, comments="")
        paths.append(path)
    return paths


def povray_cpu(log):
    """Seconds of CPU (user + system) of every POV-Ray run in the log."""
    if not log.exists():
        return 0.0
    rows = [line.split() for line in log.read_text().splitlines()]
    return sum(float(r[1]) + float(r[2]) for r in rows if len(r) == 3)


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def film(render, build, folder, quality, count, env):
    inputs = perturbed(folder, count)
    log = pathlib.Path(env["RODSCENE_BENCH_LOG"])
    log.unlink(missing_ok=True)
    movie = folder / f"{quality}.mp4"
    command = [sys.executable, str(render), "--movie", str(movie),
               "--quality", quality, "--converters", str(build)] + \
        [str(p) for p in inputs]
    cpu = children_cpu()
    start = time.perf_counter()
    run = subprocess.run(command, env=env, capture_output=True, text=True)
    wall = time.perf_counter() - start
    cpu = children_cpu() - cpu
    if run.returncode != 0:
        sys.exit(f"film_bench.py: the {quality} film failed:\n{run.stderr}")
    pov = povray_cpu(log)
    cores = os.cpu_count() or 1
    print(f"{quality:>5}: {count} frames in {wall:6.2f} s wall = "
          f"{count / wall:5.2f} frames/s; POV-Ray CPU {pov:6.2f} s, whole "
          f"run CPU {cpu:6.2f} s; wall / (POV-Ray CPU / {cores} cores) = "
          f"{wall / (pov / cores):4.2f}", flush=True)


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                         ROOT / "build" / "release").resolve()
    render = pathlib.Path(sys.argv[2] if len(sys.argv) > 2 else
                          ROOT / "render" / "render_scene.py").resolve()
    povray = shutil.which("povray")
    if povray is None or not os.access("/usr/bin/time", os.X_OK):
        sys.exit("film_bench.py: needs povray and GNU time (Debian: "
                 "apt-get install povray time)")
    with tempfile.TemporaryDirectory(prefix="film-bench-") as tmp:
        folder = pathlib.Path(tmp)
        fake = folder / "bin"
        fake.mkdir()
        log = folder / "povray-times.log"
        (fake / "povray").write_text(STAND_IN.format(log=log, povray=povray))
        (fake / "povray").chmod(0o755)
        env = dict(os.environ, PATH=f"{fake}:{os.environ['PATH']}",
                   RODSCENE_BENCH_LOG=str(log))
        print(f"render path: {render}")
        chosen = sys.argv[3:] or [quality for quality, _ in FILMS]
        for quality, count in FILMS:
            if quality in chosen:
                film(render, build, folder, quality, count, env)


if __name__ == "__main__":
    main()
