#!/usr/bin/python3
"""Order measured on rods whose answer is known, against the test's own
order tensor (numpy's eigh), never the code's numbers.

usage: order_test.py GROUP SPLIT_PROGRAM
(with the build's python folder on PYTHONPATH for the module's part)

Groups:
  measure  --order's table, files and rodscene.order() for a perfect
           nematic, an isotropic sample and a biaxial one; two domains at
           right angles, far apart, whose mean local S is 1 beside a
           global S of 1/4, and their rods in --table-rods; the plot's
           labels, legend, formats and size on paper.
  local    each rod's local order against every pair's distance, across a
           box's faces too, found whole, a slab or a chunk of rods at a
           time, through the module too; a frame's own box and time used
           by --order.
  pictures --highlight disorder draws solid only the rods at the wall
           between two domains at right angles; --view director sees a
           rod end on, across sees it lying, pointing right; mistakes
           refused in one line.

Every group exits 77 (skipped) without scipy (--order measures local
order too), pictures without POV-Ray.
"""

import csv
import importlib.util
import io
import pathlib
import shutil
import sys
import tempfile
import warnings

from render_checks import (ROOT, SKIP, blob, check, config_file, np, pixels,
                           render)

sys.path.insert(0, str(ROOT / "render"))
from rodscene_render.order import neighbours, order, order_table  # noqa
from rodscene_render.reading import inputs  # noqa: E402

RNG = np.random.default_rng(7)


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
    names = [config_file(tmp, k, np.hstack([RNG.uniform(  # in split's z
        [-70, -45, -30], [70, 45, 20], (len(u), 3)), u]))
        for k, u in samples.items()]
    # Two domains 60 apart, along x and along y: each rod's neighbours lie
    # along it, so its local S is 1, and the global S is 1/4.
    domains = [(x, y, 0, *((1, 0, 0) if x < 0 else (0, 1, 0)))
               for x in (-60, -56, -52, 52, 56, 60) for y in range(-20, 21, 4)]
    names.append(config_file(tmp, "domains", domains))
    program = ["--program", "split", "--converters",
               pathlib.Path(split).parent]
    run = render(["--order", "--table", tmp / "t.csv", "--plot",
                  tmp / "s.png", "--table-rods", tmp / "rods.csv", "--t0", 5,
                  "--dt", 2] + program + names)
    check(run.returncode == 0, f"--order failed: {run.stderr}")
    check(run.stdout.startswith("file,time,rods,S,mean_local_S,nx,ny,nz,"
                                "biaxiality\n") and
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
    check([r["time"] for r in rows] == ["5", "7", "9", "11"] and
          float(rows[0]["mean_local_S"]) > 0.99999 and
          abs(float(rows[3]["S"]) - 0.25) < 1e-5 and
          float(rows[3]["mean_local_S"]) > 0.99999 and
          float(rows[1]["mean_local_S"]) > float(rows[1]["S"]) + 0.05,
          f"times or mean local S wrong: {rows}")
    table_of_rods(tmp / "rods.csv", samples, domains)
    plots(tmp, [names[0]] + program)
    # Times no plot can span, text too large for the plot, a plot too
    # large to write and a plot's unit without the plot are refused
    # before any file is written.
    for case in (["--t0", "1e308", "--plot", tmp / "far.png"],
                 ["--font-pt", "40", "--plot", tmp / "far.png"],
                 ["--print-width", "140cm", "--plot", tmp / "far.png"],
                 ["--time-unit", "ns"]):
        run = render(["--order", "--table", tmp / "far.csv", names[0]] +
                     program + case)
        check(run.returncode == 2 and len(run.stderr.splitlines()) == 1 and
              not (tmp / "far.csv").exists(), f"{case}: {run.stderr}")
    try:
        import rodscene
    except ImportError:
        return
    scene = tmp / "scene.pov"  # the same rods as scene text
    scene.write_bytes(rodscene.scene_text(names[0], "split"))
    for name, u in zip(names[:3] + [scene],
                       [*samples.values(), samples["nematic"]]):
        # Names in bytes too; rows of any finite length, however large
        # or small, scaled before they are normalised.
        for got in (rodscene.order(name), rodscene.order(bytes(name)),
                    rodscene.order(3 * u), rodscene.order(1e300 * u),
                    rodscene.order(1e-300 * u)):
            agrees((got["S"], got["director"], got["biaxiality"]), u,
                   f"rodscene.order({name.name})")
    got = rodscene.order(names[3])
    check(abs(got["S"] - 0.25) < 1e-9 and got["mean_local_S"] > 1 - 1e-9,
          f"rodscene.order(domains) gives {got}")


def plots(tmp, inputs):
    """The plot's axes labelled with the unit and its legend naming both
    lines, as text an SVG keeps; a PDF; a PNG as wide in pixels as its
    print width at its dpi: 8.6 cm at 300 dpi is 1015.7. A plot 5 cm
    wide has room for its text, as a picture that size would not."""
    cases = {"s.svg": ["--time-unit", "ns"], "s.pdf": [],
             "wide.png": ["--print-width", "8.6cm", "--dpi", "300"],
             "narrow.png": ["--print-width", "5cm"]}
    for plot, options in cases.items():
        run = render(["--order", "--plot", tmp / plot] + inputs + options)
        check(run.returncode == 0, f"{plot} failed: {run.stderr}")
    svg = (tmp / "s.svg").read_text()
    check(all(f">{text}<" in svg for text in ("time (ns)", "order parameter",
                                              "global S", "mean local S")),
          "the SVG plot lacks its axis labels or legend as text")
    check((tmp / "s.pdf").read_bytes().startswith(b"%PDF-"),
          "the PDF plot is not a PDF")
    width = pixels(tmp / "wide.png").shape[1]
    check(abs(width - 1016) <= 1, f"a plot 8.6 cm at 300 dpi is {width} "
                                  f"pixels wide")


def table_of_rods(path, samples, domains):
    """--table-rods: a rod a line, each frame's rods under its number, the
    domains' rods with local S 1 along their own axis."""
    with open(path) as f:
        rods = list(csv.DictReader(f))
    check(path.read_text().startswith("frame,line,x,y,z,S_local,nx,ny,nz\n")
          and [int(r["frame"]) for r in rods] ==
          [k for k, n in enumerate([*map(len, samples.values()),
                                    len(domains)], 1) for _ in range(n)],
          f"{path.name}: not a rod a line under its frame's number")
    got = np.array([[float(r[k]) for k in ("x", "y", "z", "S_local", "nx",
                                           "ny", "nz")]
                    for r in rods if r["frame"] == "4"])
    check(np.allclose(got[:, :3], np.array(domains)[:, :3]) and
          np.allclose(got[:, 3], 1) and
          np.allclose(got[:, 4:], np.array(domains)[:, 3:]) and
          all(r["line"] in ("", str(k + 2)) for k, r in
              enumerate(r for r in rods if r["frame"] == "4")),
          f"{path.name}: the domains' rods are {got[:3]}...")


def local(split, tmp):
    box = np.array([-50.0, -40, -30, 50, 40, 30])
    size = box[3:] - box[:3]
    points = RNG.uniform(box[:3], box[3:], (600, 3))
    u = RNG.normal(size=(600, 3)) * [3, 1, 1]
    u /= np.linalg.norm(u, axis=1, keepdims=True)
    away = points + size * RNG.integers(-2, 3, (600, 3))  # the same, wrapped
    for wrap, given in ((None, points), (box, away)):
        s, n = order.local_order(given, u, 16.0, wrap)
        d = points[:, None] - points[None]
        if wrap is not None:
            d -= size * np.round(d / size)
        near = np.linalg.norm(d, axis=2) <= 16.0
        for i in range(0, 600, 7):
            agrees((s[i], n[i], expected(u[near[i]])[2]), u[near[i]],
                   f"rod {i}, box {wrap}")
        # The pairs held at once kept few: found a slab at a time (2000),
        # or so few that a chunk of rods at a time (300).
        for few in (2000, 300):
            whole, neighbours.PAIRS = neighbours.PAIRS, few
            try:
                cut = order.local_order(given, u, 16.0, wrap)
            finally:
                neighbours.PAIRS = whole
            check(np.allclose(cut[0], s, atol=1e-12) and
                  np.allclose(np.abs((cut[1] * n).sum(axis=1)), 1),
                  f"local order {few} pairs at a time differs, box {wrap}")
    # A radius past the box's half diagonal takes in every rod.
    s, _ = order.local_order(away, u, 80.0, box)
    check(np.allclose(s, expected(u)[0]), "a radius of the whole box")
    own_box(tmp, box, points, u, s)


def own_box(tmp, box, points, u, wide):
    """A frame's own box and time used by --order's row, and the module's
    local order across a box given by its lengths."""
    ends = np.hstack([points - 8 * u, points + 8 * u])
    fr = inputs.frame("f", ends, points, np.ones(600, bool), [],
                      box=(box[:3], box[3:]), time=1000.0)
    row = order_table.measured(16.0, None, None, fr)
    t, own = order_table.row_times([row], 1.0, 0.0)
    s, _ = order.local_order(points, u, 16.0, box)
    check(abs(row["mean_local_S"] - s.mean()) < 1e-12 and t[0] == 1000 and
          own and abs(order_table.measured(16.0, [-1e3] * 3 + [1e3] * 3,
                                           None, fr)["mean_local_S"] -
                      s.mean()) < 1e-12,
          f"a frame's own box or time not used: {row}, {t}")
    try:
        import rodscene
    except ImportError:
        return
    got = rodscene.local_order(points + 100, u * 2, radius=16.0,
                               box=box[3:] - box[:3])
    check(np.allclose(got["S"], s) and np.allclose(got["positions"],
                                                    points + 100) and
          np.allclose(rodscene.local_order(points, u, radius=80,
                                           box=box)["S"], wide),
          "rodscene.local_order differs from the render path's")


def pictures(split, tmp):
    options = ["--draft", "--no-key", "--no-axes", "--program", "split", "--converters",
               pathlib.Path(split).parent]
    # One layer of rods seen from above: along x left of x = 0, along y
    # right of it. Only the rods at the wall, x = -4 to 4, have local S
    # below 0.5; inside each domain it is 1.
    sites = [(x, y, 10, *((1, 0, 0) if x < 0 else (0, 1, 0)))
             for x in range(-60, 61, 4) for y in range(-40, 41, 4)]
    wall = config_file(tmp, "wall", sites)
    run = render([wall, tmp / "wall.png", "--view", "top", "--highlight",
                  "disorder"] + options)
    check(run.returncode == 0, f"--highlight failed: {run.stderr}")
    rgb = pixels(tmp / "wall.png")
    drawn = np.nonzero(np.abs(rgb - rgb[0, 0]).sum(axis=2) > 30)[1]
    solid = np.nonzero((rgb[..., 1] > rgb[..., 0] + 60) &
                       (rgb[..., 1] > 100))[1]
    # Columns to x: the drawn rods span x = -68 (a tail) to 61.2 (a side).
    x = -68 + (solid - drawn.min()) / np.ptp(drawn) * 129.2
    check(len(solid) > 100 and x.min() > -16 and x.max() < 8 and
          drawn.min() < solid.min() - 50,
          f"solid rods between x = {x.min():.0f} and {x.max():.0f}, not "
          f"at the wall, or the others not drawn faint")
    rod = config_file(tmp, "rod", [(0, 0, 5, 2 / 3, 2 / 3, 1 / 3)])
    for view, shape in (("director", (0.7, 1.4)), ("across", (1.8, 9))):
        run = render([rod, tmp / "v.png", "--view", view] + options)
        rgb = pixels(tmp / "v.png")
        (tx, _), (w, h) = blob((rgb[..., 1] > rgb[..., 0] + 60), "the rod")
        cap = np.nonzero((rgb[..., 0] > 150) & (rgb[..., 1] < 60))[1]
        check(run.returncode == 0 and shape[0] < w / h < shape[1] and
              (view == "director" or cap.mean() - rgb.shape[1] / 2 < tx),
              f"--view {view}: the rod is {w}x{h}, its tail cap not left")
    for case in (["--below", 2, "--highlight", "disorder"],
                 ["--against", "local"], ["--radius", 5],
                 ["--below", 0, "--highlight", "disorder"]):
        run = render([wall, tmp / "no.png"] + case + options)
        check(run.returncode == 2 and len(run.stderr.splitlines()) == 1,
              f"{case} not refused in one line: {run.stderr}")


def main():
    group, split = sys.argv[1:3]
    warnings.simplefilter("ignore")  # the sparse files' empty slots
    if importlib.util.find_spec("scipy") is None or \
            group == "pictures" and shutil.which("povray") is None:
        print("scipy or POV-Ray is not installed: skipped")
        return SKIP
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        {"measure": measure, "local": local,
         "pictures": pictures}[group](split, tmp)
    print(f"{group}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
