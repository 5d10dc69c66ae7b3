#!/usr/bin/python3
"""The page of rodscene_render --html: its size, the time to write it, the
time Chromium takes to draw it and to switch its frames.

usage: viewer_bench.py BUILD_DIR [FRAMES] [--against OLD_RENDER_SCRIPT]

Two pages: the shipped example, and a trajectory of FRAMES (default 1000)
configurations made by jostling the example's 3370 rods, its z pressed
into rodscene_split's window so that every drawn slot (3360) is drawn.
With --against, another tree's render script (today's, say) writes and
shows the same pages in the same runs, its figures printed beside this
tree's. Prints, beside each figure, the goal it has:
  - bytes of page per drawn rod per frame (goal 28 or less);
  - the time to write the page against the converters' own time on the
    same inputs, run one after another and run in parallel as the page
    writer runs them, measured side by side in alternating runs (goal
    1.2 times or less);
  - the time from opening the page in headless Chromium (software WebGL)
    to its first drawn frame (goal 1.5 s or less);
  - the time the page takes to put a frame's rods in place, drawing
    excluded (goal 10 ms or less).
"""

import concurrent.futures
import json
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
import viewer_test  # noqa: E402 (the tests' browser, flags and viewport)

RENDER = ROOT / "render" / "render_scene.py"
EXAMPLE = ROOT / "examples" / "readingconfig3.txt"
CONFIG_NAME = "readingconfig3.txt"
JOSTLE = 0.3  # standard deviation of a site's move between frames
SQUEEZE = 0.55  # z scale that puts every site inside -38 < z < 28
# Alternating runs of each writer, the best of each kept: several for a
# page of one frame, one for a long trajectory.
RUNS = {True: 3, False: 1}
SWITCHES = 100  # frames switched to in the page
META_START = '<script type="application/json" id="meta">'


def trajectory(folder, count):
    """count configurations: the example's sites, each frame jostled from
    the last, directions kept unit."""
    lines = EXAMPLE.read_text().splitlines()
    sites = np.loadtxt(lines[1:])
    sites[:, 2] *= SQUEEZE
    rng = np.random.default_rng(13)
    layout = "%.6f %.6f %.6f %.6f %.6f %.6f\n" * len(sites)
    paths = []
    for k in range(count):
        sites[:, :3] += rng.normal(0, JOSTLE, (len(sites), 3))
        sites[:, 3:] += rng.normal(0, 0.02, (len(sites), 3))
        sites[:, 3:] /= np.linalg.norm(sites[:, 3:], axis=1)[:, None]
        path = folder / f"step{k + 1:05d}.txt"
        path.write_text(lines[0] + "\n" + layout % tuple(sites.ravel()))
        paths.append(path)
    return paths


def convert_one(program, config, scratch):
    with tempfile.TemporaryDirectory(dir=scratch) as folder:
        (pathlib.Path(folder) / CONFIG_NAME).symlink_to(config.resolve())
        subprocess.run([program], cwd=folder, capture_output=True,
                       check=True)


def converters(program, inputs, scratch, workers):
    """Seconds for the converter on every input, workers at a time."""
    started = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(workers) as pool:
        list(pool.map(lambda c: convert_one(program, c, scratch), inputs))
    return time.perf_counter() - started


def write_page(render, build, inputs, page):
    """Seconds to write the page; a page of no rod exits 1."""
    started = time.perf_counter()
    run = subprocess.run([sys.executable, str(render), "--html", str(page),
                          *map(str, inputs), "--converters", str(build)],
                         capture_output=True)
    if run.returncode not in (0, 1):
        sys.exit(f"{render}: {run.stderr.decode(errors='replace')}")
    return time.perf_counter() - started


def python_start():
    """Seconds to start the interpreter and import the render path."""
    started = time.perf_counter()
    subprocess.run([sys.executable, "-c", "import sys; sys.path.insert(0, "
                    f"{str(ROOT / 'render')!r}); import "
                    "rodscene_render.page.page"], check=True)
    return time.perf_counter() - started


def writing(renders, build, inputs, pages, scratch):
    program = build / "rodscene_split"
    workers = os.cpu_count() or 1
    times = {"one by one": [], "parallel": [], "start": []}
    times.update({name: [] for name in renders})
    for _ in range(RUNS[len(inputs) == 1]):
        times["one by one"].append(converters(program, inputs, scratch, 1))
        times["parallel"].append(converters(program, inputs, scratch,
                                            workers))
        times["start"].append(python_start())
        for name, render in renders.items():
            times[name].append(write_page(render, build, inputs,
                                          pages[name]))
    best = {k: min(v) for k, v in times.items()}
    print(f"  the converters one by one: {best['one by one']:.3f} s, "
          f"{workers} at a time: {best['parallel']:.3f} s; starting Python "
          f"and numpy: {best['start']:.3f} s")
    for name in renders:
        print(f"  {name}: writing the page: {best[name]:.3f} s; page / "
              f"converters {best[name] / best['one by one']:.2f} (one by "
              f"one), {best[name] / best['parallel']:.2f} (in parallel; "
              f"goal 0.6 or less)")


def browsing(name, page, frames, tmp):
    driver = viewer_test.browser(tmp)
    try:
        viewer_test.open_page(driver, page)
        first = driver.execute_script("return window.rodscene.drawn.first_ms")
        rods = driver.execute_script("return META.counts[0]")
        switch = driver.execute_script(
            "const v = window.rodscene, t = [];"
            f"for (let i = 0; i < {SWITCHES}; i++) {{"
            f"  v.load_frame(i % {frames}); t.push(v.drawn.update_ms); }}"
            "return t;")
    finally:
        driver.quit()
    print(f"  {name}: opening to the first drawn frame of {rods} rods: "
          f"{first / 1000:.3f} s (goal 1.5 s or less)")
    print(f"  {name}: putting a frame's rods in place: median "
          f"{statistics.median(switch):.2f} ms, slowest "
          f"{max(switch):.2f} ms of {SWITCHES} (goal 16 ms or less)")


def page_meta(page):
    text = page.read_text()
    start = text.index(META_START) + len(META_START)
    return json.loads(text[start:text.index("</script>", start)])


def measure(title, renders, build, inputs, tmp):
    pages = {name: tmp / f"view-{i}.html" for i, name in enumerate(renders)}
    print(title)
    writing(renders, build, inputs, pages, tmp)
    blank = tmp / "blank.txt"
    blank.write_text("0 0 0 0\n1 1 100 0 0 1\n")
    for name, render in renders.items():
        size = pages[name].stat().st_size
        rods = sum(page_meta(pages[name])["counts"])
        empty = tmp / "empty.html"
        write_page(render, build, [blank], empty)
        extra = (size - empty.stat().st_size) / rods
        print(f"  {name}: page: {size / 1e6:.1f} MB for {rods} rods in "
              f"{len(inputs)} frames: {size / rods:.1f} bytes a rod a "
              f"frame, {extra:.1f} without the page's fixed "
              f"{empty.stat().st_size / 1e6:.2f} MB (goal 28 or less)")
        browsing(name, pages[name], len(inputs), tmp)


def main():
    args = sys.argv[1:]
    renders = {"this tree": RENDER}
    if "--against" in args:
        at = args.index("--against")
        renders["against"] = pathlib.Path(args[at + 1]).resolve()
        del args[at:at + 2]
    if len(args) not in (1, 2):
        sys.exit(__doc__)
    build = pathlib.Path(args[0]).resolve()
    count = int(args[1]) if len(args) == 2 else 1000
    if shutil.which("chromium") is None:
        sys.exit("viewer_bench.py: needs chromium and chromium-driver")
    with tempfile.TemporaryDirectory(prefix="viewer-bench-") as name:
        tmp = pathlib.Path(name)
        measure("the example", renders, build, [EXAMPLE], tmp)
        folder = tmp / "run"
        folder.mkdir()
        measure(f"a trajectory of {count} frames", renders, build,
                trajectory(folder, count), tmp)


if __name__ == "__main__":
    main()
