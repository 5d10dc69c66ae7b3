#!/usr/bin/env python3
"""Runs both converters on the shipped example and renders their scenes.

usage: run_example.py BUILD_DIR OUT_DIR

Runs rodscene_split and rodscene_mono from BUILD_DIR in this folder, which
holds readingconfig3.txt, and writes their scene text to OUT_DIR/split.pov
and OUT_DIR/mono.pov. With POV-Ray installed it renders OUT_DIR/split.png
and OUT_DIR/mono.png (the whole slab) and OUT_DIR/split-detail.png (a
close-up where the red end caps show); without it, it says how to get it.
"""

import pathlib
import shutil
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
RENDER = HERE.parent / "render" / "render_scene.py"


def main():
    build = pathlib.Path(sys.argv[1]).resolve()
    out = pathlib.Path(sys.argv[2]).resolve()
    out.mkdir(parents=True, exist_ok=True)
    scenes = {}
    for name, short in (("rodscene_split", "split"), ("rodscene_mono", "mono")):
        scene = out / f"{short}.pov"
        with open(scene, "wb") as f:
            subprocess.run([str(build / name)], cwd=HERE, stdout=f, check=True)
        print(f"{name}: wrote {scene}")
        scenes[short] = scene
    if shutil.which("povray") is None:
        print("POV-Ray is not installed, so no pictures were made. On Debian "
              "or Ubuntu: sudo apt-get install povray, then run this again.")
        return
    jobs = [(scenes["split"], out / "split.png", []),
            (scenes["mono"], out / "mono.png", []),
            (scenes["split"], out / "split-detail.png", ["--detail"])]
    for scene, picture, options in jobs:
        subprocess.run([sys.executable, str(RENDER), str(scene), str(picture)]
                       + options, check=True)


if __name__ == "__main__":
    main()
