#!/usr/bin/env python3
"""Reads ever larger configuration files and reports time and peak memory.

Writes files of N records ("%14.8f" numbers, about 90 bytes a record) for
each N given, runs rodscene_split on each with its output to /dev/null, and
prints the wall time, the time per record and the peak resident set size.
Memory should stay flat and time grow linearly with N.

Usage: large_input.py BUILD_DIR [N ...]   (default N: 250000 500000 1000000)
Needs GNU time (/usr/bin/time, Debian package time).
"""

import pathlib
import random
import subprocess
import sys
import tempfile
import time


def write_config(path, records):
    rng = random.Random(records)
    with open(path, "w") as f:
        f.write(f"{records} 160 99 92\n")
        for _ in range(records):
            line = " ".join("%14.8f" % rng.uniform(-50, 50) for _ in range(6))
            f.write(line + "\n")


def main():
    program = str(pathlib.Path(sys.argv[1]).resolve() / "rodscene_split")
    sizes = [int(n) for n in sys.argv[2:]] or [250000, 500000, 1000000]
    for records in sizes:
        with tempfile.TemporaryDirectory() as tmp:
            config = pathlib.Path(tmp) / "readingconfig3.txt"
            write_config(config, records)
            subprocess.run(["cat", str(config)], stdout=subprocess.DEVNULL)
            start = time.perf_counter()
            run = subprocess.run(["/usr/bin/time", "-f", "%M", program],
                                 cwd=tmp, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE, text=True, check=True)
            seconds = time.perf_counter() - start
            peak = int(run.stderr.split()[-1])  # KB, from GNU time
            print(f"{records:9d} records  {config.stat().st_size / 1e6:7.1f} MB"
                  f"  {seconds:7.3f} s  {seconds / records * 1e9:6.0f} ns/record"
                  f"  peak RSS {peak} KB")


if __name__ == "__main__":
    main()
