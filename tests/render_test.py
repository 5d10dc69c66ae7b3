#!/usr/bin/python3
"""POV-Ray renders what the converters write, as pictures and films.

usage: render_test.py GROUP SPLIT_PROGRAM MONO_PROGRAM

Groups:
  output  both programs' output for the shipped example renders unchanged
          in the committed scene; the render path leaves out what POV-Ray
          refuses and refuses text that is no converter's output.
  views   two rods at known places show right-handed, z up, in each view.
  film    one camera for a whole film; the film's frame count and size; the
          messages for a failing frame and for a missing ffmpeg.

Exits 77 (reported as skipped) when POV-Ray is not installed.
"""

import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

try:
    import numpy as np
    from PIL import Image
except ImportError as e:
    sys.exit(f"render_test.py: needs {e.name} (Debian: apt-get install "
             f"python3-{'pil' if e.name == 'PIL' else e.name})")

ROOT = pathlib.Path(__file__).resolve().parent.parent
SCENE = ROOT / "render" / "scene.pov"
RENDER = ROOT / "render" / "render_scene.py"
EXAMPLE = ROOT / "examples" / "readingconfig3.txt"
SKIP = 77


def check(condition, message):
    if not condition:
        print(f"FAILED: {message}", file=sys.stderr)
        sys.exit(1)


def pixels(path):
    return np.asarray(Image.open(path).convert("RGB")).astype(int)


def teal_mask(rgb):
    r, g, b = rgb[..., 0], rgb[..., 1], rgb[..., 2]
    return (g > r + 60) & (b > r + 40) & (g > 100)


def blue_mask(rgb):
    r, g, b = rgb[..., 0], rgb[..., 1], rgb[..., 2]
    return (b > r + 60) & (b > g + 30)


def render(args, env=None):
    return subprocess.run([sys.executable, str(RENDER)] + [str(a) for a in args],
                          capture_output=True, text=True, env=env)


def config_file(folder, name, sites):
    """A configuration of the given sites (x y z phi1 phi2 phi3)."""
    path = folder / name
    path.write_text("0 0 0 0\n" + "".join(
        " ".join(str(v) for v in site) + "\n" for site in sites))
    return path


def output(split, mono, tmp):
    for program in (split, mono):
        folder = tmp / pathlib.Path(program).name
        folder.mkdir()
        shutil.copy(EXAMPLE, folder / "readingconfig3.txt")
        with open(folder / "rodscene_glyphs.inc", "wb") as out:
            subprocess.run([program], cwd=folder, stdout=out, check=True)
        run = subprocess.run(
            ["povray", f"+I{SCENE}", "+Oraw.png", "+FN", "+W160", "+H90",
             "-D", "-P", f"+L{folder}"],
            cwd=folder, capture_output=True, text=True)
        check(run.returncode == 0,
              f"POV-Ray refused {program}'s output: {run.stderr[-2000:]}")

    # 200 sites and one with a zero direction: the other 3160 drawn slots
    # are all zero, cylinders POV-Ray refuses.
    lines = EXAMPLE.read_text().splitlines()
    config = tmp / "short.txt"
    config.write_text("\n".join([lines[0]] + lines[1600:1800] +
                                ["1 2 3 0 0 0"]) + "\n")
    run = render([config, tmp / "short.png", "--width", 320, "--height", 180,
                  "--draft", "--converters", pathlib.Path(split).parent])
    check(run.returncode == 0, f"render path failed: {run.stderr}")
    check("left out 3160 glyphs whose cylinder ends are equal" in run.stderr,
          f"render path did not report the dropped glyphs: {run.stderr}")
    rgb = pixels(tmp / "short.png")
    check(rgb.shape == (180, 320, 3), f"picture is {rgb.shape}")
    check(teal_mask(rgb).sum() > 100 and blue_mask(rgb).sum() > 100,
          "the picture lacks teal or blue rods")

    bogus = tmp / "bogus.pov"
    bogus.write_text(" cylinder\n camera { location <0,0,-5> look_at 0 }\n")
    check(render([bogus, tmp / "bogus.png"]).returncode == 2,
          "render path accepted text that is no converter's output")


def blob(mask):
    """Centre (right of the middle > 0, above the middle > 0) and extent."""
    ys, xs = np.nonzero(mask)
    check(len(xs) > 30, "a rod is missing from the picture")
    h, w = mask.shape
    return ((xs.mean() - w / 2, h / 2 - ys.mean()),
            (np.ptp(xs) + 1, np.ptp(ys) + 1))


def views(split, tmp):
    # A teal rod along x at (+30, +15, +20) and a blue one along y at
    # (-30, -15, -20): teal shows right of and above blue in every view
    # of a right-handed frame with z up, and each rod's length shows where
    # it lies across the view.
    config = config_file(tmp, "two rods", [(30, 15, 20, 1, 0, 0),
                                           (-30, -15, -20, 0, 1, 0)])
    # Which rod looks long in each view: (teal wide, blue wide, blue tall).
    shapes = {"front": (True, False, False), "side": (False, True, False),
              "top": (True, False, True), "iso": (None, None, None)}
    for view, (teal_wide, blue_wide, blue_tall) in shapes.items():
        picture = tmp / f"{view}.png"
        run = render([config, picture, "--view", view, "--draft", "--width",
                      320, "--height", 240, "--no-key", "--no-axes",
                      "--converters",
                      pathlib.Path(split).parent])
        check(run.returncode == 0, f"{view}: {run.stderr}")
        rgb = pixels(picture)
        (tx, ty), (tw, th) = blob(teal_mask(rgb))
        (bx, by), (bw, bh) = blob(blue_mask(rgb))
        check(tx > bx and ty > by,
              f"{view}: teal at {tx:.0f},{ty:.0f} is not right of and above "
              f"blue at {bx:.0f},{by:.0f}: mirrored or upside down")
        if teal_wide is not None:
            check((tw > 2 * th) == teal_wide and (bw > 2 * bh) == blue_wide
                  and (bh > 2 * bw) == blue_tall,
                  f"{view}: rods look {tw}x{th} (teal) and {bw}x{bh} "
                  f"(blue): the wrong view")


def film(split, tmp):
    converters = ["--converters", pathlib.Path(split).parent]
    sites = [(x, y, z, 1, 0, 0) for x in (-40, 0, 40) for y in (-20, 20)
             for z in (-15, 15)]
    first = config_file(tmp, "first.txt", sites)
    # The same but for the rod at the top right, moved farther out: a
    # camera fitted to each frame alone would move.
    second = config_file(tmp, "second.txt",
                         sites[:-1] + [(70, 20, 25, 1, 0, 0)])
    movie, frames = tmp / "film.mp4", tmp / "frames"
    run = render(["--movie", movie, "--frames", frames, first, second, first,
                  "--quality", "draft", "--width", 320, "--height", 180,
                  "--view", "front"] + converters)
    check(run.returncode == 0, f"film failed: {run.stderr}")
    probe = subprocess.run(
        ["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
         "-show_entries", "stream=nb_read_frames,width,height,codec_name",
         "-of", "csv=p=0", str(movie)], capture_output=True, text=True)
    check(probe.stdout.strip() == "h264,320,180,3",
          f"film is {probe.stdout.strip()!r}, not 3 frames of 320x180")
    a = pixels(frames / "frame00001.png")
    b = pixels(frames / "frame00002.png")
    ys, xs = np.nonzero(np.abs(a - b).sum(axis=2) > 30)
    check(len(xs) > 0, "the second frame does not move its rod")
    check(xs.min() > 160 and ys.max() < 90, "frames differ away from the rod that changed: the "
                         "camera moved between frames")

    # A failing frame (its rod ends at x = 85.25): named with POV-Ray's
    # message; frames made are kept.
    fake = tmp / "fake"
    fake.mkdir()
    (fake / "povray").write_text(
        "#!/bin/sh\nif grep -q ' 85.25' rodscene_glyphs.inc; then\n"
        "  echo 'Parse Error: a broken frame' >&2; exit 1\nfi\n"
        f"exec {shutil.which('povray')} \"$@\"\n")
    (fake / "povray").chmod(0o755)
    broken = config_file(tmp, "broken.txt", [(77.25, 0, 0, 1, 0, 0)])
    env = dict(os.environ, PATH=f"{fake}:{os.environ['PATH']}")
    kept = tmp / "kept"
    run = render(["--movie", tmp / "broken.mp4", "--frames", kept, first,
                  second, broken, "--quality", "draft"] + converters, env)
    check(run.returncode == 2 and "broken.txt" in run.stderr and
          "Parse Error: a broken frame" in run.stderr,
          f"a failing frame was not reported: {run.stderr}")
    check((kept / "frame00001.png").is_file() and
          (kept / "frame00002.png").is_file(), "frames made were not kept")

    # No ffmpeg: said with its package before any frame is rendered.
    (fake / "povray").write_text("#!/bin/sh\necho called >> calls\n")
    (fake / "povray").chmod(0o755)
    env["PATH"] = str(fake)
    left = tmp / "left"
    run = render(["--movie", tmp / "none.mp4", "--frames", left, first,
                  "--quality", "draft"] + converters, env)
    check(run.returncode == 2 and
          "ffmpeg is not installed (Debian: apt-get install ffmpeg)"
          in run.stderr, f"a missing ffmpeg was not reported: {run.stderr}")
    check(not list(left.glob("*.png")), "frames were rendered without ffmpeg")


def main():
    if shutil.which("povray") is None:
        print("POV-Ray is not installed: skipped")
        return SKIP
    group, split, mono = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        if group == "output":
            output(split, mono, tmp)
        elif group == "views":
            views(split, tmp)
        elif group == "film":
            film(split, tmp)
        else:
            check(False, f"no test group {group}")
    print(f"{group}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
