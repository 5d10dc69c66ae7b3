#!/usr/bin/python3
"""Runs both converters on the shipped example and renders their scenes.

usage: run_example.py BUILD_DIR OUT_DIR [--pictures DIR]

Runs rodscene_split and rodscene_mono from BUILD_DIR in this folder, which
holds readingconfig3.txt, and writes their scene text to OUT_DIR/split.pov
and OUT_DIR/mono.pov. With POV-Ray installed it renders split.png and
mono.png (the whole slab) and split-detail.png (a close-up where the red
end caps show) into OUT_DIR, or, with --pictures, into DIR at final quality
and the size the README shows; without POV-Ray it says how to get it.
"""

import argparse
import importlib.util
import pathlib
import shutil
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
RENDER = HERE.parent / "render" / "render_scene.py"
README_SIZE = ["--width", "960", "--height", "540"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", type=pathlib.Path)
    parser.add_argument("out", type=pathlib.Path)
    parser.add_argument("--pictures", type=pathlib.Path)
    args = parser.parse_args()
    build, out = args.build.resolve(), args.out.resolve()
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
    if importlib.util.find_spec("numpy") is None:
        print(f"numpy is not installed for {sys.executable}, so no pictures "
              "were made. On Debian or Ubuntu: sudo apt-get install "
              "python3-numpy, then run this again.")
        return
    pictures = args.pictures.resolve() if args.pictures else out
    quality = ["--quality", "final"] + README_SIZE if args.pictures else []
    jobs = [(scenes["split"], "split.png", []),
            (scenes["mono"], "mono.png", []),
            (scenes["split"], "split-detail.png", ["--detail"])]
    for scene, picture, options in jobs:
        subprocess.run([sys.executable, str(RENDER), str(scene),
                        str(pictures / picture)] + quality + options,
                       check=True)


if __name__ == "__main__":
    main()
