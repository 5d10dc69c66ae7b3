#!/usr/bin/python3
"""Times whole runs of the programs against cat writing the same bytes.

For each program: run it in a folder holding the configuration file, keep
its output, then time the program and `cat` of that output alternately,
both writing to /dev/null, and report the medians side by side.

Usage: whole_run.py BUILD_DIR [CONFIG] [RUNS]
  BUILD_DIR  folder with rodscene_split and rodscene_mono
  CONFIG     configuration file (default: examples/readingconfig3.txt)
  RUNS       timed runs of each command (default 41, at least 20)
"""

import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent


def timed(command, cwd):
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


def main():
    build = pathlib.Path(sys.argv[1]).resolve()
    config = pathlib.Path(sys.argv[2] if len(sys.argv) > 2 and sys.argv[2] else
                          ROOT / "examples" / "readingconfig3.txt").resolve()
    runs = max(20, int(sys.argv[3]) if len(sys.argv) > 3 else 41)
    with tempfile.TemporaryDirectory() as tmp:
        shutil.copy(config, pathlib.Path(tmp) / "readingconfig3.txt")
        print(f"{config}: {runs} runs each, median wall time")
        for name in ("rodscene_split", "rodscene_mono"):
            program = str(build / name)
            scene = pathlib.Path(tmp) / f"{name}.pov"
            with open(scene, "wb") as out:
                subprocess.run([program], cwd=tmp, stdout=out, check=True)
            cat = ["cat", str(scene)]
            for command in ([program], cat):  # warm the page cache
                timed(command, tmp)
            ours, theirs = [], []
            for _ in range(runs):
                ours.append(timed([program], tmp))
                theirs.append(timed(cat, tmp))
            a, b = statistics.median(ours), statistics.median(theirs)
            print(f"{name:15} {a * 1e3:7.3f} ms   cat {b * 1e3:7.3f} ms   "
                  f"ratio {a / b:5.2f}   ({scene.stat().st_size} bytes)")


if __name__ == "__main__":
    main()
