"""What the render path's test scripts share: where things are, running
rodscene_render, small configurations, and reading pictures."""

import pathlib
import subprocess
import sys

try:
    import numpy as np
    from PIL import Image
except ImportError as e:
    sys.exit(f"{pathlib.Path(sys.argv[0]).name}: needs {e.name} (Debian: "
             f"apt-get install "
             f"python3-{'pil' if e.name == 'PIL' else e.name})")

ROOT = pathlib.Path(__file__).resolve().parent.parent
RENDER = ROOT / "render" / "render_scene.py"
EXAMPLE = ROOT / "examples" / "readingconfig3.txt"
SKIP = 77  # CTest reports the test as skipped


def check(condition, message):
    if not condition:
        print(f"FAILED: {message}", file=sys.stderr)
        sys.exit(1)


RUN_SECONDS = 300  # a run that takes longer hangs


def render(args, env=None):
    return subprocess.run([sys.executable, str(RENDER)] +
                          [str(a) for a in args], capture_output=True,
                          text=True, env=env, timeout=RUN_SECONDS)


def config_file(folder, name, sites):
    """A configuration of the given sites (x y z phi1 phi2 phi3)."""
    path = folder / name
    path.write_text("0 0 0 0\n" + "".join(
        " ".join(str(v) for v in site) + "\n" for site in sites))
    return path


def pixels(path):
    return np.asarray(Image.open(path).convert("RGB")).astype(int)


def blob(mask, what):
    """Centre (right of the middle > 0, above it > 0) and extent."""
    ys, xs = np.nonzero(mask)
    check(len(xs) > 30, f"{what} is missing")
    h, w = mask.shape
    return ((xs.mean() - w / 2, h / 2 - ys.mean()),
            (np.ptp(xs) + 1, np.ptp(ys) + 1))
