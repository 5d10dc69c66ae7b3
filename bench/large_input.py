#!/usr/bin/python3
"""Reads huge configuration files and reports time and peak memory.

Two sets of files, each run through rodscene_split with its output to
/dev/null, printing the wall time and the peak resident set size:
  - files of N records ("%14.8f" numbers, about 90 bytes a record) for
    each N given: time should grow linearly and memory stay flat;
  - files of MB megabytes in one awkward shape each: one line that long,
    one number that long (it must read as +Infinity), a header line that
    long, and no line feed at all. Memory must not follow their size.

Usage: large_input.py BUILD_DIR [--mb MB] [N ...]
  (defaults: MB 1024, N 250000 500000 1000000)
Needs GNU time (/usr/bin/time, Debian package time).
"""

import argparse
import pathlib
import random
import subprocess
import tempfile
import time

CHUNK = 1 << 20


def write_records(f, records):
    rng = random.Random(records)
    f.write(f"{records} 160 99 92\n".encode())
    for _ in range(records):
        line = " ".join("%14.8f" % rng.uniform(-50, 50) for _ in range(6))
        f.write(line.encode() + b"\n")


def repeat(f, piece, megabytes):
    block = piece * (CHUNK // len(piece))
    for _ in range(megabytes):
        f.write(block)


# Each shape: what comes before, the repeated piece, and what comes after.
SHAPES = {
    "long line": (b"0 0 0 0\n1 2 3", b" ", b"4 5 6\n"),
    "long number": (b"0 0 0 0\n0.", b"0", b"1e10000000000 2 3 4 5 6\n"),
    "long header": (b"0 0 0 0", b" 7", b"\n1 2 3 4 5 6\n"),
    "no line feed": (b"", b"1 2 3 4 5 6 ", b""),
}


def measure(program, folder, label, size):
    start = time.perf_counter()
    run = subprocess.run(["/usr/bin/time", "-f", "%M", program], cwd=folder,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                         text=True, check=True)
    seconds = time.perf_counter() - start
    peak = int(run.stderr.split()[-1])  # KB, from GNU time
    print(f"{label:22} {size / 1e6:8.1f} MB  {seconds:7.3f} s  "
          f"peak RSS {peak} KB")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--mb", type=int, default=1024)
    parser.add_argument("records", type=int, nargs="*",
                        default=[250000, 500000, 1000000])
    args = parser.parse_intermixed_args()
    program = str(pathlib.Path(args.build).resolve() / "rodscene_split")
    with tempfile.TemporaryDirectory() as tmp:
        config = pathlib.Path(tmp) / "readingconfig3.txt"
        for records in args.records:
            with open(config, "wb") as f:
                write_records(f, records)
            measure(program, tmp, f"{records} records", config.stat().st_size)
        for label, (head, piece, tail) in SHAPES.items():
            with open(config, "wb") as f:
                f.write(head)
                repeat(f, piece, args.mb)
                f.write(tail)
            measure(program, tmp, label, config.stat().st_size)


if __name__ == "__main__":
    main()
