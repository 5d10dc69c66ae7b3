#!/usr/bin/python3
"""Runs both converters on the shipped example and renders their scenes.

usage: run_example.py BUILD_DIR OUT_DIR [--pictures DIR]

Runs rodscene_split and rodscene_mono from BUILD_DIR in this folder, which
holds readingconfig3.txt, and writes their scene text to OUT_DIR/split.pov
and OUT_DIR/mono.pov. With POV-Ray installed it renders system.png (the
example whole, coloured by orientation), split.png and
mono.png (the whole slab) and split-detail.png (a close-up where the red
end caps show) into OUT_DIR, or, with --pictures, into DIR at final quality
and the size the README shows; without POV-Ray it says how to get it. With
three.js installed it writes split.html, the page that shows the split
scene in a browser, into OUT_DIR, and with --pictures a screenshot of it,
viewer.png, into DIR (headless Chromium, as the page's tests drive it).
With numpy it writes a short trajectory, run42/step*.txt, beside OUT_DIR.
"""

import argparse
import importlib.util
import os
import pathlib
import shutil
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
RENDER = HERE.parent / "render" / "render_scene.py"
README_SIZE = ["--width", "960", "--height", "540"]
THREE = pathlib.Path("/usr/share/javascript/three/three.min.js")
SCREEN = (960, 640)  # the browser's viewport for the page's screenshot


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
    # A short trajectory beside the scenes, for the film and page commands
    # the README gives.
    subprocess.run([sys.executable, str(HERE / "make_trajectory.py"),
                    str(out.parent / "run42")], check=True)
    pictures = args.pictures.resolve() if args.pictures else out
    if THREE.is_file():
        # Names relative to the scenes' folder, as a user there types them.
        subprocess.run([sys.executable, os.path.relpath(RENDER, out),
                        "--html", "split.html", "split.pov"] + README_SIZE,
                       cwd=out, check=True)
        if args.pictures:
            screenshot(out / "split.html", pictures / "viewer.png")
    quality = ["--quality", "final"] + README_SIZE if args.pictures else []
    jobs = [(HERE / "readingconfig3.txt", "system.png",
             ["--colour", "orientation"]),
            (scenes["split"], "split.png", []),
            (scenes["mono"], "mono.png", []),
            (scenes["split"], "split-detail.png", ["--detail"])]
    for scene, picture, options in jobs:
        subprocess.run([sys.executable, str(RENDER), str(scene),
                        str(pictures / picture)] + quality + options,
                       check=True)


def screenshot(page, picture):
    sys.path.insert(0, str(HERE.parent / "tests"))
    import tempfile
    import viewer_test
    if importlib.util.find_spec("selenium") is None or \
            shutil.which("chromedriver") is None:
        print("Chromium's driver or selenium is not installed, so the page "
              "has no screenshot. On Debian or Ubuntu: sudo apt-get install "
              "chromium chromium-driver python3-selenium.")
        return
    with tempfile.TemporaryDirectory() as tmp:
        driver = viewer_test.browser(pathlib.Path(tmp), viewport=SCREEN)
        try:
            viewer_test.open_page(driver, page)
            driver.save_screenshot(str(picture))
        finally:
            driver.quit()
    print(f"viewer: wrote {picture}")


if __name__ == "__main__":
    main()
