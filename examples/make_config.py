#!/usr/bin/python3
"""Writes readingconfig3.txt: a nematic liquid crystal of 3370 rods.

Rods of length 16 and diameter 2.4 (the glyphs' cylinders) are placed one
by one at random in a 160 x 99 x 92 box centred on the origin, each kept
only if its axis stays at least 2.4 plus a small margin from every rod
placed before, so no two rods overlap. Their directions scatter around a
director along x with a Maier-Saupe distribution, p(theta) ~ exp(kappa
cos^2 theta), whose order parameter S is about 0.8. The z range, -46 to
46, runs past both programs' windows, so the slab they keep is visible.
Deterministic: the same seed gives the same file.

Usage: make_config.py [OUTPUT]   (default: readingconfig3.txt beside this)
Needs numpy (Debian: python3-numpy).
"""

import math
import pathlib
import sys

import numpy as np

SEED = 20261208
SITES = 3370
BOX = np.array([160.0, 99.0, 92.0])
HALF_LENGTH = 8.0  # rods run from position - 8 direction to + 8 direction
DIAMETER = 2.4
CLEARANCE = DIAMETER + 0.05  # room for the 8 decimals the file keeps
KAPPA = 8.0  # Maier-Saupe coupling: S is about 0.8


def segment_distances(p, d, q, e):
    """Shortest distances between the segments p + s d and q + t e, s and t
    in [0, 1], for arrays of them (one segment against many, or pairs);
    no segment has zero length."""
    r = p - q
    a = np.sum(d * d, axis=-1)
    b = np.sum(d * e, axis=-1)
    c = np.sum(d * r, axis=-1)
    f = np.sum(e * r, axis=-1)
    g = np.sum(e * e, axis=-1)
    denom = a * g - b * b
    with np.errstate(divide="ignore", invalid="ignore"):
        s = np.where(denom > 1e-12 * a * g,
                     np.clip((b * f - c * g) / denom, 0.0, 1.0), 0.0)
    t = (b * s + f) / g
    s = np.where(t < 0, np.clip(-c / a, 0.0, 1.0),
                 np.where(t > 1, np.clip((b - c) / a, 0.0, 1.0), s))
    t = np.clip(t, 0.0, 1.0)
    gap = (p + d * s[..., None]) - (q + e * t[..., None])
    return np.sqrt(np.sum(gap * gap, axis=-1))


def direction(rng):
    """A unit vector around +x or -x drawn from exp(KAPPA cos^2 theta)."""
    while True:
        c = rng.uniform(-1.0, 1.0)
        if rng.random() < math.exp(KAPPA * (c * c - 1.0)):
            break
    s = math.sqrt(1.0 - c * c)
    phi = rng.uniform(0.0, 2.0 * math.pi)
    return np.array([c, s * math.cos(phi), s * math.sin(phi)])


def place_rods(rng):
    """Positions and directions of SITES rods, none overlapping."""
    positions = np.zeros((SITES, 3))
    directions = np.zeros((SITES, 3))
    n = 0
    reach = 2 * HALF_LENGTH + CLEARANCE  # farther centres cannot touch
    while n < SITES:
        p = (rng.random(3) - 0.5) * BOX
        u = direction(rng)
        near = np.sum((positions[:n] - p) ** 2, axis=1) < reach * reach
        if near.any():
            starts = positions[:n][near] - HALF_LENGTH * directions[:n][near]
            gaps = segment_distances(p - HALF_LENGTH * u, 2 * HALF_LENGTH * u,
                                     starts,
                                     2 * HALF_LENGTH * directions[:n][near])
            if gaps.min() < CLEARANCE:
                continue
        positions[n], directions[n] = p, u
        n += 1
    return positions, directions


def order_parameter(directions):
    """The largest eigenvalue of the Q tensor, 3/2 <u u> - 1/2."""
    q = 1.5 * directions.T @ directions / len(directions) - 0.5 * np.eye(3)
    return float(np.linalg.eigvalsh(q)[-1])


def main():
    out = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                       pathlib.Path(__file__).with_name("readingconfig3.txt"))
    rng = np.random.default_rng(SEED)
    positions, directions = place_rods(rng)
    lines = ["%8d %12.4f %12.4f %12.4f" % (SITES, *BOX)]
    lines += [" ".join("%14.8f" % v for v in (*p, *u))
              for p, u in zip(positions, directions)]
    out.write_text("\n".join(lines) + "\n")
    print(f"{out}: {SITES} rods, order parameter "
          f"{order_parameter(directions):.3f}")


if __name__ == "__main__":
    main()
