#!/usr/bin/env python3
"""Writes readingconfig3.txt: a nematic liquid crystal of 3370 rods.

The rods sit on a jittered lattice in a 160 x 99 x 92 box (a random 3370 of
its 3520 places, so there are voids as in a liquid), centred on the origin.
Their directions scatter around a director along x with a Maier-Saupe
distribution, p(theta) ~ exp(kappa cos^2 theta), whose order parameter is
about 0.8. The z range, -46 to 46, runs past both programs' windows, so the
slab they keep is visible. Deterministic: the same seed gives the same file.

Usage: make_config.py [OUTPUT]   (default: readingconfig3.txt beside this)
"""

import math
import pathlib
import random
import sys

SEED = 20261208
SITES = 3370
CELLS = (8, 22, 20)  # lattice places along x, y, z
SPACING = (20.0, 4.5, 4.6)
JITTER = 0.6  # largest offset from a lattice place, as a share of a cell
KAPPA = 8.0  # Maier-Saupe coupling: S is about 0.8


def direction(rng):
    """A unit vector around +x or -x drawn from exp(KAPPA cos^2 theta)."""
    while True:
        c = rng.uniform(-1.0, 1.0)
        if rng.random() < math.exp(KAPPA * (c * c - 1.0)):
            break
    s = math.sqrt(1.0 - c * c)
    phi = rng.uniform(0.0, 2.0 * math.pi)
    return (c, s * math.cos(phi), s * math.sin(phi))


def sites(rng):
    places = [(i, j, k) for i in range(CELLS[0]) for j in range(CELLS[1])
              for k in range(CELLS[2])]
    rng.shuffle(places)
    for cell in sorted(places[:SITES], key=lambda p: (p[2], p[1], p[0])):
        pos = [(c - (n - 1) / 2.0 + rng.uniform(-JITTER, JITTER) / 2.0) * d
               for c, n, d in zip(cell, CELLS, SPACING)]
        yield pos + list(direction(rng))


def main():
    out = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                       pathlib.Path(__file__).with_name("readingconfig3.txt"))
    rng = random.Random(SEED)
    box = [n * d for n, d in zip(CELLS, SPACING)]
    lines = ["%8d %12.4f %12.4f %12.4f" % (SITES, *box)]
    lines += [" ".join("%14.8f" % v for v in site) for site in sites(rng)]
    out.write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
