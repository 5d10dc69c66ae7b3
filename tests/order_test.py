#!/usr/bin/python3
"""Order measured on rods whose answer is known, against the test's own
order tensor (numpy's eigh), never the code's numbers.

usage: order_test.py GROUP SPLIT_PROGRAM
(with the build's python folder on PYTHONPATH for the module's part)

Groups:
  measure  --order's table for a perfect nematic, an isotropic sample and a
           biaxial one; its plot and table files; rodscene.order() alike.
"""

import csv
import io
import pathlib
import sys
import tempfile
import warnings

from render_checks import check, config_file, np, render

RNG = np.random.default_rng(7)


def places(n):
    """Rod centres well inside split's window, -38 < z < 28."""
    return RNG.uniform([-70, -45, -30], [70, 45, 20], (n, 3))


def expected(u):
    """S, director and biaxiality from Q = <3/2 u u - 1/2 I>."""
    u = u / np.linalg.norm(u, axis=1, keepdims=True)
    q = 1.5 * np.einsum("ni,nj->ij", u, u) / len(u) - 0.5 * np.eye(3)
    w, v = np.linalg.eigh(q)
    return w[2], v[:, 2], w[1] - w[0]


def agrees(got, u, what):
    s, n, b = expected(u)
    check(abs(got[0] - s) < 1e-5 and abs(got[2] - b) < 1e-5 and
          abs(abs(np.dot(got[1], n)) - 1) < 1e-5,
          f"{what}: S, n, biaxiality {got}, not {s}, {n}, {b}")


def measure(split, tmp):
    axis = np.array([1.0, 2.0, -2.0]) / 3
    samples = {"nematic": np.outer(RNG.choice([-1, 1], 40), axis),
               "isotropic": RNG.normal(size=(3000, 3)),
               "biaxial": np.repeat(np.eye(3)[:2], [70, 30], axis=0)}
    names = [config_file(tmp, k, np.hstack([places(len(u)), u]))
             for k, u in samples.items()]
    run = render(["--order", "--table", tmp / "t.csv", "--plot",
                  tmp / "s.png", "--converters", pathlib.Path(split).parent]
                 + names)
    check(run.returncode == 0, f"--order failed: {run.stderr}")
    check(run.stdout.startswith("file,rods,S,nx,ny,nz,biaxiality\n") and
          (tmp / "t.csv").read_text() == run.stdout and
          (tmp / "s.png").read_bytes()[:4] == b"\x89PNG",
          f"table or plot wrong: {run.stdout}")
    rows = list(csv.DictReader(io.StringIO(run.stdout)))
    for row, name, u in zip(rows, names, samples.values()):
        check(row["file"] == str(name) and int(row["rods"]) == len(u),
              f"row {row} is not {name}'s {len(u)} rods")
        got = [float(row[k]) for k in ("S", "nx", "ny", "nz", "biaxiality")]
        agrees((got[0], got[1:4], got[4]), u, name.name)
    check(float(rows[0]["S"]) > 0.99999 and float(rows[1]["S"]) < 0.05 and
          abs(float(rows[2]["biaxiality"]) - 0.45) < 1e-5,
          f"nematic, isotropic and biaxial measure {rows}")
    try:
        import rodscene
    except ImportError:
        return
    for name, u in zip(names, samples.values()):
        for got in (rodscene.order(name), rodscene.order(3 * u)):
            agrees((got["S"], got["director"], got["biaxiality"]), u,
                   f"rodscene.order({name.name})")


def main():
    group, split = sys.argv[1:3]
    warnings.simplefilter("ignore")  # the sparse files' empty slots
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        {"measure": measure}[group](split, tmp)
    print(f"{group}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
