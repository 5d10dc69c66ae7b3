#!/usr/bin/python3
"""POV-Ray renders what the converters write, as pictures and films.

usage: render_test.py GROUP SPLIT_PROGRAM MONO_PROGRAM

Groups:
  output  both programs' output for the shipped example renders unchanged
          in the committed scene; the render path leaves out what POV-Ray
          refuses and refuses text that is no converter's output.
  views   two rods at known places show right-handed, z up, in each view;
          the overlays never lie on a rod.
  film    one camera for a whole film; the film's frame count and size; the
          messages for a failing frame and for a missing ffmpeg; warnings
          summarised, not repeated a frame.
  refusals  every mistake refused with one line before POV-Ray is called,
          with no raw control character, and no input or other file of the
          user's overwritten: scene text other than the converters' is not
          POV-Ray's to read.
  pictures  orthographic axis views, the axis triad, colour by orientation,
          the label's corner, and a picture with no glyph in it.
  renderers  the in-process renderer draws the example as POV-Ray does:
          the same rods and background, the same colours within a level.
  systems  a user's own system drawn whole, in its box; a colour that
          stands for local order reads the same in two domains.

Exits 77 (reported as skipped) when POV-Ray is not installed.
"""

import base64
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

from render_checks import (EXAMPLE, RENDER, ROOT, SKIP, blob, check,
                           config_file, np, pixels, render)

SCENE = ROOT / "render" / "scene.pov"


def teal_mask(rgb):
    r, g, b = rgb[..., 0], rgb[..., 1], rgb[..., 2]
    return (g > r + 60) & (b > r + 40) & (g > 100)


def blue_mask(rgb):
    r, g, b = rgb[..., 0], rgb[..., 1], rgb[..., 2]
    return (b > r + 60) & (b > g + 30)


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
                  "--draft", "--program", "split", "--converters", pathlib.Path(split).parent])
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


def ink_mask(rgb):
    """The overlays' dark grey text."""
    return (rgb.max(axis=2) < 90) & (np.ptp(rgb, axis=2) < 20)


def embedded_raster(svg, png):
    """The raster an SVG picture holds under its vector overlays, as a
    PNG file."""
    found = re.search(r'href="data:image/png;base64,([^"]+)"',
                      svg.read_text())
    check(found is not None, f"{svg} holds no raster")
    png.write_bytes(base64.b64decode(found.group(1)))


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
                      "--program", "split", "--converters",
                      pathlib.Path(split).parent])
        check(run.returncode == 0, f"{view}: {run.stderr}")
        rgb = pixels(picture)
        (tx, ty), (tw, th) = blob(teal_mask(rgb), "the teal rod")
        (bx, by), (bw, bh) = blob(blue_mask(rgb), "the blue rod")
        check(tx > bx and ty > by,
              f"{view}: teal at {tx:.0f},{ty:.0f} is not right of and above "
              f"blue at {bx:.0f},{by:.0f}: mirrored or upside down")
        if teal_wide is not None:
            check((tw > 2 * th) == teal_wide and (bw > 2 * bh) == blue_wide
                  and (bh > 2 * bw) == blue_tall,
                  f"{view}: rods look {tw}x{th} (teal) and {bw}x{bh} "
                  f"(blue): the wrong view")

    # The overlays go where no rod is, whichever view and shape: a picture
    # drawn with them differs from its rods alone (the raster an SVG
    # picture holds under its overlays, of the same camera) only off the
    # rods. A third of the example's sites fills the same slab.
    lines = EXAMPLE.read_text().splitlines()
    sample = tmp / "sample.txt"
    sample.write_text("\n".join(lines[:1] + lines[1::3]) + "\n")
    for view in shapes:
        for width, height in ((640, 360), (480, 480)):
            plain, full = tmp / "plain.png", tmp / "full.png"
            words = ["--view", view, "--draft", "--width", width,
                     "--height", height, "--colour", "orientation",
                     "--program", "split", "--converters",
                     pathlib.Path(split).parent, "--label", "{name}, a "
                     "label that wraps in a narrow column"]
            render([sample, full] + words)
            render([sample, tmp / "plain.svg"] + words)
            embedded_raster(tmp / "plain.svg", plain)
            rgb = pixels(plain)
            rods = (rgb != rgb[0, 0]).any(axis=2)
            drawn = (rgb != pixels(full)).any(axis=2)
            check(drawn.sum() > 2000 and not (rods & drawn).any(),
                  f"{view} at {width}x{height}: {(rods & drawn).sum()} "
                  f"overlay pixels lie on rods")


def film(split, tmp):
    converters = ["--program", "split", "--converters", pathlib.Path(split).parent]
    sites = [(x, y, z, 1, 0, 0) for x in (-40, 0, 40) for y in (-20, 20)
             for z in (-15, 15)]
    first = config_file(tmp, "first.txt", sites)
    # The same but for the rod at the top right, moved farther out: a
    # camera fitted to each frame alone would move.
    second = config_file(tmp, "second.txt",
                         sites[:-1] + [(70, 20, 25, 1, 0, 0)])
    movie, frames = tmp / "film.mp4", tmp / "frames"
    # (a slab that keeps every rod: the film's survey cuts each frame too)
    run = render(["--movie", movie, "--frames", frames, first, second, first,
                  "--quality", "draft", "--width", 320, "--height", 180,
                  "--view", "front", "--slab", 0, 0, 1, -100, 100]
                 + converters)
    check(run.returncode == 0, f"film failed: {run.stderr}")
    probe = subprocess.run(
        ["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
         "-show_entries", "stream=nb_read_frames,width,height,codec_name",
         "-of", "csv=p=0", str(movie)], capture_output=True, text=True)
    noisy = [line for line in run.stderr.splitlines() if "left out" in line]
    check(len(noisy) == 1 and (frames / "warnings.log").is_file(),
          f"a film's warnings were not summarised: {run.stderr}")
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
        "#!/bin/sh\nif grep -q '85.25' rodscene_glyphs.inc; then\n"
        "  echo 'Parse Error: a broken frame' >&2; exit 1\nfi\n"
        f"exec {shutil.which('povray')} \"$@\"\n")
    (fake / "povray").chmod(0o755)
    broken = config_file(tmp, "broken.txt", [(77.25, 0, 0, 1, 0, 0)])
    env = dict(os.environ, PATH=f"{fake}:{os.environ['PATH']}")
    kept = tmp / "kept"
    run = render(["--movie", tmp / "broken.mp4", "--frames", kept, first,
                  second, broken, "--quality", "draft", "--renderer",
                  "povray"] + converters, env)
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
                  "--quality", "draft", "--renderer", "povray"] + converters,
                 env)
    check(run.returncode == 2 and
          "ffmpeg is not installed (Debian: apt-get install ffmpeg)"
          in run.stderr, f"a missing ffmpeg was not reported: {run.stderr}")
    check(not list(left.glob("*.png")), "frames were rendered without ffmpeg")


def stand_in_povray(tmp):
    """A povray that only notes that it was called."""
    fake = tmp / "fake"
    fake.mkdir(exist_ok=True)
    calls = tmp / "calls"
    (fake / "povray").write_text(f"#!/bin/sh\necho called >> '{calls}'\n"
                                 "exit 1\n")
    (fake / "povray").chmod(0o755)
    return dict(os.environ, PATH=f"{fake}:{os.environ['PATH']}"), calls


def refusals(split, tmp):
    converters = ["--converters", pathlib.Path(split).parent]
    config = config_file(tmp, "a.txt", [(0, 0, 10, 1, 0, 0)])
    glob_mate = config_file(tmp, "b.txt", [(5, 0, 10, 0, 1, 0)])
    not_png = tmp / "not.png"
    not_png.write_text("notes, not a picture\n")
    (tmp / "empty.txt").write_text("")
    (tmp / "garbage.txt").write_text("garbage here\nmore garbage\n")
    (tmp / "scene.pov").write_text("#version 3.7;\ncamera { location "
                                   "<0,0,-5> look_at 0 }\nsphere { 0, 1 }\n")
    # A film's log would take the place of an input.
    log_mate = config_file(tmp, "film-warnings.log", [(5, 0, 10, 0, 1, 0)])
    # Scene text with a line that is not the converters', which POV-Ray
    # would read as it stands.
    run = subprocess.run([split], cwd=EXAMPLE.parent, capture_output=True,
                         text=True)
    lines = run.stdout.splitlines(keepends=True)[:24]
    lines[4] = ' #include "/etc/hostname"\n'
    (tmp / "edited.pov").write_text("".join(lines))
    # Text after the last glyph's numbers; a radius of 500.
    lines = run.stdout.splitlines(keepends=True)[:24]
    hostile = "".join(lines[:20]).replace(", 1.2\n", ", 500\n")
    (tmp / "radius.pov").write_text(hostile)
    # Scene text that the program named as its writer cannot have
    # written: split's blue rods as mono's, and teal rods at z <= 0 as
    # split's; and one glyph more than a converter writes.
    (tmp / "split.pov").write_text(run.stdout)
    (tmp / "mono.pov").write_text(run.stdout.replace(
        "0.00000, 0.100000, 0.873810", "0.000000, 0.800000, 0.673810"))
    zeros = tmp / "zeros"
    zeros.mkdir()
    (zeros / "readingconfig3.txt").write_text("")
    empty = subprocess.run([split], cwd=zeros, capture_output=True,
                           text=True).stdout
    (tmp / "more.pov").write_text(empty + "".join(lines[:12]))
    victim = tmp / "victim.txt"
    victim.write_text("the user's\n")
    lines[20] = lines[20][:-1] + f' #fopen F "{victim}" write\n'
    (tmp / "fopen.pov").write_text("".join(lines))
    # Folders and logs that hold the user's own files.
    inside = tmp / "inside"
    inside.mkdir()
    mate = config_file(inside, "frame00001.png", [(5, 0, 10, 0, 1, 0)])
    (tmp / "link").symlink_to(inside)
    users = tmp / "users"
    users.mkdir()
    (users / "warnings.log").write_text("the user's\n")
    (users / ".notes.1.tmp").write_text("the user's\n")
    (tmp / "page-warnings.log").write_text("the user's\n")
    os.mkfifo(tmp / "fifo-warnings.log")  # would block a reader
    index = tmp / "index"
    index.mkdir()
    # json.dump's one line, without a final line feed.
    (index / "manifest.jsonl").write_text('{"the user\'s": "index"}')
    out, film = tmp / "out.png", tmp / "film.mp4"
    kept = {p: p.read_bytes() for p in (glob_mate, not_png, log_mate, victim,
                                        mate, tmp / "page-warnings.log",
                                        index / "manifest.jsonl",
                                        *users.iterdir())}
    cases = [[config, glob_mate],  # a glob with --movie forgotten
             [config, tmp / "out.gif"], [config, not_png],
             [config, tmp / "no folder" / "out.png"],
             [tmp / "empty.txt", out], [tmp / "garbage.txt", out],
             [tmp / "scene.pov", out], [tmp / "missing.txt", out],
             [config, out, "--width", "0"], [config, out, "--height", "-4"],
             [config, out, "--zoom", "0"], [config, out, "--fps", "nan"],
             [config, out, "--label", "{nothing}"],
             [config, out, "--label", "{time:d}"],
             [config, out, "--label", "{name[7]}"],  # fits no "a.txt"
             [config, out, "--label", "{index:c}"],  # a control character
             [tmp / "split.pov", out, "--program", "mono"],
             [tmp / "mono.pov", out, "--program", "split"],
             ["--movie", film, tmp / "split.pov", tmp / "mono.pov"],
             [tmp / "more.pov", out],
             [tmp / "edited.pov", out],
             ["--movie", film, config, log_mate],
             [config, tmp / "out.jpg", "--transparent"],
             ["--movie", film, config, "--fps", "0"],
             ["--movie", tmp / "film.avi", config],
             ["--movie", tmp / "no folder" / "film.mp4", config],
             [tmp / "fopen.pov", out], [tmp / "radius.pov", out],
             [config, out, "--box", "-1e12", "-1", "-1", "1e12", "1", "1"],
             [config, out, "--slab", 0, 0, 1, 5, 5],
             [config, out, "--clip", 0, 0, 0, 1],
             [config, out, "--width", "16384", "--height", "16384"],
             [config, out, "--label", "{index:>1500000000}"],
             ["--movie", film, "--frames", tmp / "link", mate],
             ["--movie", film, "--frames", inside / "sub" / "..", mate],
             ["--movie", film, "--frames", users, config],
             ["--html", tmp / "page.html", config],
             [tmp / "escape\x1b[2J.txt", out],
             ["--movie", tmp / "fifo.mp4", config],
             ["--movie", film, "--frames", index, config]]
    env, calls = stand_in_povray(tmp)
    for case in cases:
        run = render(["--program", "split"] + case + converters, env)
        said = run.stderr.strip().splitlines()
        check(run.returncode == 2 and len(said) == 1 and
              said[0].startswith(RENDER.name + ": ") and
              "\x1b" not in run.stderr,
              f"{case}: not refused in one line: {run.returncode} "
              f"{run.stderr}")
        check(not calls.exists(), f"{case}: POV-Ray ran before the refusal")
    for path, content in kept.items():
        check(path.read_bytes() == content, f"{path} was overwritten")
    check(not out.exists(), "a refused picture was written")


def pictures(split, tmp):
    converters = ["--program", "split", "--converters", pathlib.Path(split).parent]
    size = ["--draft", "--width", 320, "--height", 240]

    # A rod along y seen from the front is a disc, not an ellipse, even
    # off the picture's centre, where a perspective camera sees its side.
    rod = config_file(tmp, "rod.txt", [(-40, 0, 10, 0, 1, 0),
                                       (40, 0, 10, 0, 1, 0)])
    run = render([rod, tmp / "disc.png", "--view", "front", "--no-axes",
                  "--no-key"] + size + converters)
    check(run.returncode == 0, f"front view failed: {run.stderr}")
    _, (w, h) = blob(teal_mask(pixels(tmp / "disc.png")[:, 160:]),
                     "the rod seen end on")
    check(0.85 < w / h < 1.18, f"a rod seen end on is {w}x{h}, not a disc")

    # The triad's x arrow points right in the front and top views: red
    # (x) lies right of blue (z) from the front, right of green (y) from
    # above.
    for view in ("front", "top"):
        run = render([rod, tmp / "triad.png", "--view", view, "--no-key",
                      "--draft"] + converters)
        rgb = pixels(tmp / "triad.png")[-100:, :100]
        r, g, b = rgb[..., 0], rgb[..., 1], rgb[..., 2]
        red = np.nonzero((r > 150) & (g < 90) & (b < 90))[1]
        other = np.nonzero((g > r + 50) & (g > b + 30) if view == "top"
                           else (b > r + 80) & (b > g + 60))[1]
        check(len(red) > 5 and len(other) > 5 and
              red.mean() > other.mean() + 8,
              f"{view}: the triad's x arrow does not point right")

    # Colour by orientation: rods along the director light, the one across
    # it dark purple, on the right where it lies.
    sites = [(x, y, 10, 1, 0, 0) for x in (-30, 0) for y in (-20, 0, 20)]
    aligned = config_file(tmp, "aligned.txt", sites + [(30, 0, 10, 0, 1, 0)])
    run = render([aligned, tmp / "orientation.png", "--view", "top",
                  "--colour", "orientation", "--no-axes", "--no-key"]
                 + size + converters)
    check(run.returncode == 0, f"orientation failed: {run.stderr}")
    rgb = pixels(tmp / "orientation.png")
    r, g, b = rgb[..., 0], rgb[..., 1], rgb[..., 2]
    light = np.nonzero((r > 120) & (g > 150) & (b < 100))[1]
    purple = np.nonzero((b > g + 30) & (r > g + 20))[1]
    check(len(light) > 300 and len(purple) > 30 and
          purple.min() > light.max(),
          "rods are not coloured by their angle to the director")

    # The label sits in the upper left corner, and nothing else is ink.
    run = render([rod, tmp / "label.png", "--label", "t = {time:.1f} ns",
                  "--dt", 0.5, "--no-axes", "--no-key"] + size + converters)
    ys, xs = np.nonzero(ink_mask(pixels(tmp / "label.png")))
    check(len(xs) > 20 and xs.max() < 160 and ys.max() < 60,
          f"the label is not in the upper left corner: {run.stderr}")

    # Text sized for print: at 8.6 cm and 300 dpi the picture is 1016
    # pixels wide, and the key's tick digits (below its colour bar, in the
    # white panel at the upper right) are 7 pt high in ems: DejaVu Sans's
    # digits stand 0.756 em.
    run = render([aligned, tmp / "print.png", "--colour", "orientation",
                  "--view", "top", "--print-width", "8.6cm", "--dpi", 300,
                  "--font-pt", 7, "--draft", "--no-axes"] + converters)
    rgb = pixels(tmp / "print.png")
    check(run.returncode == 0 and rgb.shape[1] == 1016,
          f"not 1016 pixels wide at 8.6 cm: {rgb.shape} {run.stderr}")
    corner = rgb[:rgb.shape[0] // 2, rgb.shape[1] // 2:]
    ys, xs = np.nonzero((corner == 255).all(axis=2))
    panel = corner[ys.min():ys.max(), xs.min():xs.max()]
    bar = np.nonzero((np.ptp(panel, axis=2) > 60).sum(axis=1) > 20)[0]
    em = int(7 / 72 * 300)
    below = panel[bar.max() + 1 + em // 3:, :panel.shape[1] // 4]
    rows = np.nonzero(ink_mask(below).any(axis=1))[0]
    check(len(rows) and abs(np.ptp(rows) + 1 - 0.756 * em) <= 2,
          f"the key's tick digits are {np.ptp(rows) + 1 if len(rows) else 0}"
          f" pixels high, not 7 pt's {0.756 * em:.1f} at 300 dpi")

    # POV-Ray reads no INI file of the user's: not $POVINI's, not one in
    # the home folder, whose header would stop every picture.
    header = tmp / "header.inc"
    header.write_text('#error "the user\'s header was read"\n')
    home = tmp / "home" / ".povray" / "3.7"
    home.mkdir(parents=True)
    for ini in (tmp / "user.ini", home / "povray.ini"):
        ini.write_text(f"Include_Header={header}\nAntialias=on\n")
    run = render([rod, tmp / "own.png"] + size + converters,
                 dict(os.environ, POVINI=str(tmp / "user.ini"),
                      HOME=str(tmp / "home")))
    check(run.returncode == 0, f"the user's INI reached POV-Ray: "
          f"{run.stderr}")

    # No glyph in the window: still drawn, with one warning, and not a
    # success.
    away = config_file(tmp, "away.txt", [(0, 0, 100, 1, 0, 0)] * 3360)
    run = render([away, tmp / "away.png"] + size + converters)
    check(run.returncode == 1 and run.stderr.count("no glyph to draw") == 1
          and (tmp / "away.png").is_file(),
          f"a picture with no glyph was not drawn with a warning: "
          f"{run.stderr}")


def systems(split, tmp):
    """A user's own system is drawn whole: 5000 rods, past the converters'
    table, in the periodic box the header gives, those outside it wrapped
    in by their centres, with no warning; the summary says what is drawn,
    and what --box, --slab and --clip leave out and why."""
    rng = np.random.default_rng(3)
    box = np.array([60.0, 40.0, 30.0])
    centres = rng.random((5000, 3)) * box
    moved = centres + np.where(rng.random((5000, 1)) < 0.3, box, 0)
    u = rng.normal(size=(5000, 3))
    config = tmp / "system.txt"
    config.write_text("5000 60 40 30\n" + "".join(
        " ".join(f"{v:.9g}" for v in (*p, *d)) + "\n"
        for p, d in zip(moved, u / np.linalg.norm(u, axis=1)[:, None])))
    size = ["--draft", "--width", 320, "--height", 180]
    run = render([config, tmp / "whole.png", "--view", "top"] + size)
    if "needs the rodscene module" in run.stderr:
        print("no rodscene module to read whole systems: skipped")
        sys.exit(SKIP)
    check(run.returncode == 0 and run.stderr.splitlines() == [
          f"{RENDER.name}: drew 5000 rods into {tmp / 'whole.png'} (box "
          f"60 x 40 x 30, from 0 to L)"], f"not drawn whole: {run.stderr}")
    # --crop tight: the picture as high as the rods' extent makes it, the
    # rods reaching the margin (5% of the longer side) at every edge.
    run = render([config, tmp / "tight.png", "--view", "front", "--crop",
                  "tight", "--margin", 0.05, "--no-key", "--no-axes",
                  "--draft", "--width", 320])
    check(run.returncode == 0, f"--crop tight failed: {run.stderr}")
    rgb = pixels(tmp / "tight.png")
    ys, xs = np.nonzero(np.abs(rgb - rgb[0, 0]).sum(axis=2) > 12)
    height, width = rgb.shape[:2]
    gaps = [xs.min(), width - 1 - xs.max(), ys.min(), height - 1 - ys.max()]
    check(width == 320 and height != 180 and
          all(abs(g - 16) <= 3 for g in gaps),
          f"--crop tight: {width}x{height}, the rods' gaps to the left, "
          f"right, top and bottom edges {gaps}, not 16 {run.stderr}")

    # The default framing fills the picture beside the overlays: the
    # rods' box (of the raster an SVG holds, of the same camera) fills at
    # least 80% of the width or the height.
    run = render([config, tmp / "filled.svg", "--label", "{name}",
                  "--colour", "orientation", "--draft", "--width", 480,
                  "--height", 270])
    check(run.returncode == 0, f"an SVG picture failed: {run.stderr}")
    embedded_raster(tmp / "filled.svg", tmp / "filled.png")
    rgb = pixels(tmp / "filled.png")
    ys, xs = np.nonzero(np.abs(rgb - rgb[0, 0]).sum(axis=2) > 12)
    fill = max((np.ptp(xs) + 1) / 480, (np.ptp(ys) + 1) / 270)
    check(fill >= 0.8,
          f"the rods fill {fill:.0%} of the picture's width or height")

    inside = int((centres[:, 0] <= 30).sum())
    run = render([config, tmp / "cut.png", "--box", 0, 0, 0, 30, 40, 30]
                 + size)
    check(f"drew {inside} of 5000 rods (the rest outside --box)" in
          run.stderr, f"not {inside} rods of the wrapped system in --box: "
          f"{run.stderr}")

    # A hand-edited header's box that no renderer can reach is left out
    # with a note, and its rods drawn where they lie (it once ended Embree).
    (tmp / "far.txt").write_text("2 1e18 1e18 1e18\n1 0 0 1 0 0\n"
                                 "0 0 0 0 1 0\n")
    run = render([tmp / "far.txt", tmp / "far.png"] + size)
    check(run.returncode == 0 and "drew 2 rods" in run.stderr and
          "its box reaches beyond 1e+08" in run.stderr,
          f"a box of 1e18 from its header: {run.returncode} {run.stderr}")

    # A slab at an oblique normal (given at any length) draws, and --order
    # measures, exactly the rods whose centres lie in it.
    low, high = plane_at(centres @ (np.array([1, 2, 2]) / 3), (1500, 3000))
    run = render([config, tmp / "slab.png", "--slab", 1, 2, 2, low[0],
                  high[0]] + size)
    check(f"drew {high[1] - low[1]} of 5000 rods (the rest outside --slab)"
          in run.stderr, f"not the slab's {high[1] - low[1]} rods: "
          f"{run.stderr}")
    run = render(["--order", config, "--slab", 1, 2, 2, low[0], high[0]])
    check(run.stdout.splitlines()[1].split(",")[2] == str(high[1] - low[1]),
          f"--order measured not the slab's rods: {run.stdout}")
    # --clip leaves out the far rods, by either renderer: seen from above
    # about x = 30, no rod lies right of the middle once those beyond
    # x = 20 are gone (a rod reaches 9.2 past its centre).
    plane, kept = plane_at(centres[:, 0], (1640,))[0]
    view = ["--view", "top", "--look", 30, 20, 15, "--no-box-edges",
            "--no-axes", "--no-key"] + size
    for renderer in ("embree", "povray"):
        for clip in ([], ["--clip", 1, 0, 0, plane]):
            run = render([config, tmp / "clip.png", "--renderer", renderer]
                         + view + clip)
            if "built with Embree" in run.stderr:
                break  # POV-Ray alone
            rgb = pixels(tmp / "clip.png")
            rods = np.abs(rgb - rgb[0, 0]).sum(axis=2) > BACKGROUND_LEVELS
            right = rods[:, rgb.shape[1] // 2 + 2:].mean()
            said = f"drew {kept} of 5000 rods (the rest beyond --clip)"
            check((right == 0) == bool(clip) and rods.mean() > 0.05 and
                  (said in run.stderr or not clip),
                  f"{renderer} {clip}: rods on {right:.1%} of the right "
                  f"half, not {kept} rods drawn: {run.stderr}")
    equal_order(tmp)


def lattice(axis, spacing=3.0, side=40.0):
    """Rods along one axis on a square lattice in a cube, each tilted a
    little at random: two layers of a domain whose local S is near 0.97."""
    rng = np.random.default_rng(axis)
    a, b = (g.ravel() for g in np.meshgrid(*[np.arange(spacing / 2, side,
                                                       spacing)] * 2))
    rows = []
    for layer in (side / 4 - 1, 3 * side / 4 - 1):
        c = np.zeros((a.size, 3))
        c[:, axis], c[:, [i for i in range(3) if i != axis]] = layer, \
            np.column_stack([a, b])
        d = rng.normal(scale=0.1, size=(a.size, 3))
        d[:, axis] = 1
        rows += np.hstack([c, d / np.linalg.norm(d, axis=1)[:, None]]) \
            .tolist()
    return f"{len(rows)} {side:g} {side:g} {side:g}\n" + "".join(
        " ".join(f"{v:.6g}" for v in row) + "\n" for row in rows)


def equal_order(tmp):
    """Two domains of equal local S, one along y and one upright, read as
    the same value: their rods' mean luminance within 5% (the key light's
    shading and shadows alone move it by 8%)."""
    luminance = []
    for axis in (1, 2):
        (tmp / "domain.txt").write_text(lattice(axis))
        run = render([tmp / "domain.txt", tmp / "domain.png", "--colour",
                      "local-order", "--draft", "--width", 320, "--height",
                      180, "--no-key", "--no-axes", "--no-box-edges"])
        check(run.returncode == 0, f"a domain failed: {run.stderr}")
        p = pixels(tmp / "domain.png")
        rods = np.abs(p - p[0, 0]).sum(axis=2) > BACKGROUND_LEVELS
        luminance.append((p[rods] @ [0.2126, 0.7152, 0.0722]).mean())
    check(abs(luminance[0] / luminance[1] - 1) <= 0.05,
          f"domains of equal local S at mean luminance {luminance[0]:.0f} "
          f"and {luminance[1]:.0f}")


def plane_at(heights, ranks):
    """For each rank about which a plane should lie: (its height, the rods
    below it), the widest gap between the sorted heights near the rank
    taken, so that no centre lies on the plane."""
    h = np.sort(heights)
    found = []
    for rank in ranks:
        i = max(range(rank, rank + 20), key=lambda i: h[i] - h[i - 1])
        found.append((float(h[i - 1] + h[i]) / 2, i))
    return found


# Small pictures of the example both renderers draw: (quality, view,
# options, width, height): the converter's glyphs, and the whole system
# with its round rods and periodic box.
SPLIT = ["--program", "split"]
RENDERER_CASES = [
    ("draft", "iso", SPLIT + ["--colour", "orientation"], 320, 180),
    ("draft", "front", ["--highlight", "disorder"], 320, 180),
    ("final", "iso", SPLIT + ["--highlight", "disorder"], 192, 108),
    ("final", "side", ["--colour", "orientation", "--heads"], 192, 108),
    ("draft", "top", ["--ends", "flat", "--diameter", "4"], 320, 180),
]
AGREEMENT = 0.999  # of pixels, rod or background in both
MEAN_LEVELS = 1.0  # mean difference of a channel on the rods' pixels
BACKGROUND_LEVELS = 6  # summed over the channels: a pixel off it is a rod


def renderers(split, tmp):
    """Embree draws the example as POV-Ray does, in each projection, by
    orientation and with faint rods, with and without anti-aliasing."""
    for quality, view, extra, width, height in RENDERER_CASES:
        drawn = {}
        for name in ("embree", "povray"):
            out = tmp / f"{name}.png"
            run = render([EXAMPLE, out, "--quality", quality, "--view", view,
                          "--width", width, "--height", height, "--no-key",
                          "--no-axes", "--renderer", name,
                          "--converters", pathlib.Path(split).parent] + extra)
            if "built with Embree" in run.stderr:
                print("no module with the renderer beside the converters: "
                      "skipped")
                sys.exit(SKIP)
            check(run.returncode == 0, f"{name} failed: {run.stderr}")
            drawn[name] = pixels(out)
        a, b = drawn["embree"], drawn["povray"]
        rods = [np.abs(p - p[0, 0]).sum(axis=2) > BACKGROUND_LEVELS
                for p in (a, b)]
        both = rods[0] & rods[1]
        agree = (rods[0] == rods[1]).mean()
        levels = np.abs(a - b)[both].mean()
        case = f"{quality} {view} {' '.join(extra)}"
        check(agree >= AGREEMENT and levels <= MEAN_LEVELS,
              f"{case}: rods agree on {agree:.4%} of pixels, colours differ "
              f"by {levels:.2f} levels")


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
        elif group == "refusals":
            refusals(split, tmp)
        elif group == "pictures":
            pictures(split, tmp)
        elif group == "systems":
            systems(split, tmp)
        elif group == "renderers":
            renderers(split, tmp)
        else:
            check(False, f"no test group {group}")
    print(f"{group}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
