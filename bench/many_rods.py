#!/usr/bin/python3
"""Draws COUNT random rods (seeded; length 16, radius 1.2, at the density
of a liquid of them) with the render path's camera, lights and colours,
by the in-process renderer from arrays or by POV-Ray from scene text, and
prints the seconds of wall time and of CPU, the peak memory in MB of
this process and its children, and this process's memory before drawing
(the rods' arrays, numpy and the interpreter).

Usage: many_rods.py COUNT WIDTH HEIGHT QUALITY embree|povray
(with the build's python folder on PYTHONPATH)
"""

import pathlib
import resource
import sys
import tempfile
import time
import types

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "render"))

from rodscene_render.drawing import (embree_render, povray,  # noqa
                                     scene_writer)
from rodscene_render.drawing.view import camera  # noqa

SEED = 3
VOLUME = 240.0  # room a rod, about three times its own


def rods(count):
    rng = np.random.default_rng(SEED)
    side = (count * VOLUME) ** (1 / 3)
    centres = rng.uniform(-side / 2, side / 2, (count, 3))
    axes = rng.normal(size=(count, 3))
    axes *= 8 / np.linalg.norm(axes, axis=1)[:, None]
    ends = np.hstack([centres - axes, centres + axes])
    caps = centres - axes * (8.15 / 8)
    return ends, caps, rng.uniform(size=count) < 0.5


def draw(renderer, settings, cam, ends, caps, teal):
    if renderer == "embree":
        embree_render.render(settings, cam, {
            "ends": ends, "caps": caps, "teal": teal, "colours": None,
            "faint": None}, 0)
        return
    text = scene_writer.glyph_text(ends, caps,
                                   scene_writer.converter_pigments(teal))
    with tempfile.TemporaryDirectory() as scratch:
        povray.render_png(settings, text, povray.view_text(cam, settings),
                          scratch)


def resident():
    """This process's resident memory now, in MB."""
    for line in pathlib.Path("/proc/self/status").read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024
    return 0.0


def usage():
    cpu = [resource.getrusage(who) for who in
           (resource.RUSAGE_SELF, resource.RUSAGE_CHILDREN)]
    return (sum(r.ru_utime + r.ru_stime for r in cpu),
            max(r.ru_maxrss for r in cpu) / 1024)


def main():
    count, width, height = map(int, sys.argv[1:4])
    quality, renderer = sys.argv[4:6]
    ends, caps, teal = rods(count)
    points = np.vstack([ends[:, :3], ends[:, 3:]])
    cam = camera.fit_camera(points, -45.0, 30.0, width, height, "perspective")
    settings = types.SimpleNamespace(
        width=width, height=height, quality=quality, transparent=False,
        box=None, scene=ROOT / "render" / "scene.pov")
    cpu, before = usage()[0], resident()
    start = time.perf_counter()
    draw(renderer, settings, cam, ends, caps, teal)
    seconds = time.perf_counter() - start
    used, megabytes = usage()
    print(f"{seconds:.3f} {used - cpu:.3f} {megabytes:.1f} {before:.1f}")


if __name__ == "__main__":
    main()
