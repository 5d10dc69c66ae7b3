#!/usr/bin/python3
"""The shipped example is a nematic of rods that do not overlap, and the
shipped pictures are the ones the program makes of it.

usage: example_test.py
       example_test.py pictures BUILD_DIR

Reads examples/readingconfig3.txt: the shortest distance between the axes
of any two rods (from position - 8 direction to position + 8 direction) is
at least 2.4, their diameter; the order parameter shows a nematic; and the
z range runs past both programs' windows.

With pictures, runs the pictures target's command (examples/run_example.py
with BUILD_DIR's programs) into a folder of its own, and fails unless each
picture it makes has the pixels of the one of that name in examples/, the
one the README shows: after a change to what is drawn, remake them with
cmake --build --preset example --target pictures. Exits 77 (skipped)
without POV-Ray.
"""

import pathlib
import shutil
import subprocess
import sys
import tempfile

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "examples"))
from make_config import order_parameter, segment_distances  # noqa: E402


def check(condition, message):
    if not condition:
        print(f"FAILED: {message}", file=sys.stderr)
        sys.exit(1)


SKIP = 77  # CTest reports the test as skipped
SHIPPED = ("split.png", "mono.png", "split-detail.png", "viewer.png")


def pictures(build):
    """The shipped pictures against those the pictures target makes now."""
    from PIL import Image
    if shutil.which("povray") is None:
        print("POV-Ray is not installed: skipped")
        return SKIP
    # The page's command names the program from the scenes' folder, which
    # the example preset puts in build/example/scenes: as deep here.
    (ROOT / "build").mkdir(exist_ok=True)
    with tempfile.TemporaryDirectory(dir=ROOT / "build",
                                     prefix="pictures-") as name:
        made = pathlib.Path(name)
        subprocess.run([sys.executable, str(ROOT / "examples" /
                                            "run_example.py"), build,
                        made / "scenes", "--pictures", made], check=True,
                       stdout=subprocess.DEVNULL)
        stale = []
        for picture in SHIPPED:
            if not (made / picture).exists():
                print(f"{picture} was not made here: not compared")
                continue
            new = np.asarray(Image.open(made / picture).convert("RGBA"))
            old = np.asarray(Image.open(ROOT / "examples" / picture)
                             .convert("RGBA"))
            if new.shape != old.shape:
                stale.append(f"{picture} ({old.shape[1]} x {old.shape[0]}, "
                             f"made {new.shape[1]} x {new.shape[0]})")
            elif (new != old).any():
                changed = (new != old).any(axis=2).mean()
                stale.append(f"{picture} ({changed:.1%} of pixels differ)")
    check(not stale, f"the shipped pictures are not what the program makes: "
          f"{', '.join(stale)}; remake them with cmake --build --preset "
          f"example --target pictures")
    print(f"the {len(SHIPPED)} shipped pictures are the program's")
    return 0


def rods():
    # The distance itself, on cases whose answer is plain: parallel side by
    # side, crossing at right angles, end to end along a line, and skew
    # where the closest points are interior.
    p = np.array([[0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0.0]])
    d = np.array([[16, 0, 0], [16, 0, 0], [16, 0, 0], [16, 0, 0.0]])
    q = np.array([[0, 3, 0], [8, -8, 2], [19, 0, 0], [4, 1, 5.0]])
    e = np.array([[16, 0, 0], [0, 16, 0], [16, 0, 0], [0, 0, -16.0]])
    check(np.allclose(segment_distances(p, d, q, e), [3, 2, 3, 1]),
          "segment distances are wrong on plain cases")

    rows = np.loadtxt(ROOT / "examples" / "readingconfig3.txt", skiprows=1)
    check(rows.shape == (3370, 6), f"the example has shape {rows.shape}")
    position, direction = rows[:, :3], rows[:, 3:]
    start, axis = position - 8 * direction, 16 * direction
    closest = np.inf
    for i in range(len(rows) - 1):
        near = np.sum((position[i + 1:] - position[i]) ** 2, axis=1) < 19 ** 2
        if near.any():
            gaps = segment_distances(start[i], axis[i], start[i + 1:][near],
                                     axis[i + 1:][near])
            closest = min(closest, gaps.min())
    check(closest >= 2.4, f"two rods overlap: their axes are {closest} apart")
    s = order_parameter(direction)
    check(0.7 < s < 0.9, f"order parameter {s:.3f} is no nematic")
    check(position[:, 2].min() < -38 and position[:, 2].max() > 38,
          "the z range does not run past both windows")
    print(f"closest axes {closest:.3f} apart, order parameter {s:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(pictures(sys.argv[2]) if sys.argv[1:2] == ["pictures"]
             else rods())
