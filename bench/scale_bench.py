#!/usr/bin/python3
"""Pages of many rods in headless Chromium (software WebGL): the time from
opening a page to its first drawn frame, an orbit frame's time while the
view turns and once it is still, and a frame switch's time.

usage: scale_bench.py BUILD_DIR [--against OLD_RENDER_FOLDER] [RODS ...]
  (default RODS: 70000 100000 1000000)

Each page is written by large_page.py from frames made there, of RODS rods
in one frame (and a second frame, so that frames switch), shown in a
1280 x 720 viewport. With --against, another tree's render folder (today's
main, say) writes and shows the same pages, its figures printed beside
this tree's. Goals: first drawn frame 3 s or less, a frame switch 16 ms or
less, and an orbit frame fast enough to turn the view by hand.
"""

import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
import viewer_test  # noqa: E402 (the tests' browser and flags)

VIEWPORT = (1280, 720)
ORBITS = 3  # orbit frames timed
SWITCHES = 20
PATIENCE = 600  # seconds a page may take to draw before it is given up
# One orbit frame drawn and waited for: the page's own turn when it has
# one (it then draws what it draws while the view moves), else the state
# turned by hand; a pixel read waits until the drawing is done.
ORBIT = """
const v = window.rodscene, gl = v.drawn.renderer.getContext();
const px = new Uint8Array(4), t = [];
for (let i = 0; i < arguments[0]; i++) {
  const s = performance.now();
  if (v.turn) v.turn(7, 0); else v.state.azimuth += 2.1;
  draw();
  gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, px);
  t.push(performance.now() - s);
}
return t;"""
STILL = """
const v = window.rodscene, gl = v.drawn.renderer.getContext();
const px = new Uint8Array(4), s = performance.now();
if (v.still) v.still(); else draw();
gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, px);
return performance.now() - s;"""
SWITCH = """
const v = window.rodscene, t = [];
for (let i = 0; i < arguments[0]; i++) {
  v.load_frame(i % 2); t.push(v.drawn.update_ms); }
return t;"""


def write(render, build, page, rods):
    started = time.perf_counter()
    run = subprocess.run([sys.executable, str(ROOT / "bench" /
                                              "large_page.py"),
                          str(render), str(build), str(page), str(rods), "2"],
                         capture_output=True, text=True)
    return time.perf_counter() - started, run


def first_frame(driver, page):
    """Seconds from opening the page to its first frame's pixels, to
    the polling's 20 ms for a page that does not say when they came."""
    driver.get("about:blank")
    driver.get(page.as_uri())
    deadline = time.time() + PATIENCE
    while not driver.execute_script(
            "const v = window.rodscene; return !!v && "
            "v.drawn.first_ms !== null"):
        if time.time() > deadline:
            return None
        time.sleep(0.02)
    # A page that times its first frame to its pixels says so (it has
    # still()); for another, its pixels are waited for here.
    return driver.execute_script(
        "const v = window.rodscene; if (v.still) return v.drawn.first_ms;"
        "const gl = v.drawn.renderer.getContext();"
        "gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, "
        "new Uint8Array(4)); return performance.now()") / 1000


def browse(name, page, tmp):
    driver = viewer_test.browser(tmp, viewport=VIEWPORT)
    driver.set_script_timeout(PATIENCE)
    try:
        first = first_frame(driver, page)
        if first is None:
            print(f"  {name}: no frame drawn in {PATIENCE} s")
            return
        orbit = driver.execute_script(ORBIT, ORBITS)
        still = driver.execute_script(STILL)
        switch = driver.execute_script(SWITCH, SWITCHES)
    finally:
        driver.quit()
    print(f"  {name}: first drawn frame {first:.2f} s (goal 3 s); orbit "
          f"frame median {statistics.median(orbit):.0f} ms, slowest "
          f"{max(orbit):.0f} ms; the still view's frame {still:.0f} ms; "
          f"frame switch median {statistics.median(switch):.1f} ms, "
          f"slowest {max(switch):.1f} ms (goal 16 ms)")


def main():
    args = sys.argv[1:]
    renders = {"this tree": ROOT / "render"}
    if "--against" in args:
        at = args.index("--against")
        renders["against"] = pathlib.Path(args[at + 1]).resolve()
        del args[at:at + 2]
    if not args:
        sys.exit(__doc__)
    build = pathlib.Path(args[0]).resolve()
    counts = [int(a) for a in args[1:]] or [70000, 100000, 1000000]
    with tempfile.TemporaryDirectory(prefix="scale-bench-") as name:
        tmp = pathlib.Path(name)
        for rods in counts:
            print(f"{rods} rods a frame, 2 frames")
            for label, render in renders.items():
                page = tmp / f"{label.replace(' ', '-')}-{rods}.html"
                seconds, run = write(render, build, page, rods)
                said = run.stderr.strip().splitlines()
                print(f"  {label}: writing {seconds:.2f} s, exit "
                      f"{run.returncode}: {said[-1] if said else ''}")
                if run.returncode == 0:
                    print(f"  {label}: page {page.stat().st_size / 1e6:.1f}"
                          f" MB")
                    browse(label, page, tmp)


if __name__ == "__main__":
    main()
