#!/usr/bin/python3
"""Times whole runs of the programs against cat and a static copy of their
output.

For each program: run it in a folder holding the configuration file and
keep its output. Then time, in turn, the program, `cat` of that output, a
static process that only reads that output and writes it (copy_floor.c)
and a static process that does nothing at all (start_floor.c), both built
here with `cc -O2 -static`, all writing to /dev/null, started with
posix_spawn (no shell), and report the medians side by side with the
ratios. The empty process shows what starting and ending a process costs,
so the time of the conversion itself, and the time a ratio leaves for it,
can be read off.

Usage: whole_run.py BUILD_DIR [CONFIG] [RUNS]
  BUILD_DIR  folder with rodscene_split and rodscene_mono
  CONFIG     configuration file (default: examples/readingconfig3.txt)
  RUNS       timed runs of each command (default 41, at least 41)
Needs a C compiler with a static C library (Debian: gcc, libc6-dev).
"""

import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent


def timed(command, cwd, null):
    """Wall time of one run, from spawn to exit."""
    start = time.perf_counter()
    pid = os.posix_spawn(command[0], command, os.environ,
                         file_actions=[(os.POSIX_SPAWN_DUP2, null, 1)])
    _, status = os.waitpid(pid, 0)
    seconds = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command[0]} failed")
    return seconds


def main():
    build = pathlib.Path(sys.argv[1]).resolve()
    config = pathlib.Path(sys.argv[2] if len(sys.argv) > 2 and sys.argv[2] else
                          HERE.parent / "examples" / "readingconfig3.txt")
    runs = max(41, int(sys.argv[3]) if len(sys.argv) > 3 else 41)
    null = os.open(os.devnull, os.O_WRONLY)
    with tempfile.TemporaryDirectory() as tmp:
        floor = str(pathlib.Path(tmp) / "copy_floor")
        start = str(pathlib.Path(tmp) / "start_floor")
        for binary in (floor, start):
            source = HERE / (pathlib.Path(binary).name + ".c")
            subprocess.run(["cc", "-O2", "-static", "-o", binary, str(source)],
                           check=True)
        shutil.copy(config, pathlib.Path(tmp) / "readingconfig3.txt")
        os.chdir(tmp)
        print(f"{config.resolve()}: {runs} alternating runs each, "
              f"median wall time")
        for name in ("rodscene_split", "rodscene_mono"):
            program = str(build / name)
            scene = str(pathlib.Path(tmp) / f"{name}.pov")
            with open(scene, "wb") as out:
                subprocess.run([program], stdout=out, stderr=subprocess.DEVNULL,
                               check=True)
            commands = {"ours": [program], "cat": [shutil.which("cat"), scene],
                        "floor": [floor, scene], "start": [start]}
            times = {key: [] for key in commands}
            for command in commands.values():  # warm the page cache
                timed(command, tmp, null)
            for _ in range(runs):
                for key, command in commands.items():
                    times[key].append(timed(command, tmp, null))
            m = {key: statistics.median(t) for key, t in times.items()}
            print(f"{name:15} {m['ours'] * 1e3:6.3f} ms   "
                  f"cat {m['cat'] * 1e3:6.3f} ms ({m['ours'] / m['cat']:4.2f}x)"
                  f"   static copy {m['floor'] * 1e3:6.3f} ms "
                  f"({m['ours'] / m['floor']:4.2f}x)   "
                  f"{os.path.getsize(scene)} bytes")
            own = m['ours'] - m['start']
            print(f"{'':15} empty static process {m['start'] * 1e3:6.3f} ms: "
                  f"the run's own time is {own * 1e3:6.3f} ms; 1.25x cat "
                  f"would leave {(1.25 * m['cat'] - m['start']) * 1e3:6.3f} ms "
                  f"and 2x the copy {(2 * m['floor'] - m['start']) * 1e3:6.3f}"
                  f" ms")


if __name__ == "__main__":
    main()
