#!/usr/bin/env python3
"""Renders the scene text of rodscene_split or rodscene_mono with POV-Ray.

usage: render_scene.py SCENE_TEXT PICTURE [--width W] [--height H]
                       [--detail] [--draft]

SCENE_TEXT is a converter's standard output saved to a file; PICTURE is the
PNG to write. The scene file scene.pov beside this script (or in
../share/rodscene when installed) supplies the camera, lights and
background and includes the glyphs.

POV-Ray stops on glyphs it cannot draw, so the copy of the glyphs handed to
it leaves those out, and standard error says how many:
  - a cylinder whose two ends are equal (a slot no record reached, or a
    zero direction): "Degenerate cylinder, base point = apex point";
  - a glyph with a NaN or infinite coordinate, or one beyond POV-Ray's
    double range, which it cannot parse.
SCENE_TEXT itself is never changed.

The camera looks at the drawn glyphs from the front, a little to the right
and above, and frames all of them; --detail frames a cube at the middle of
the front face instead, close enough to see the red end caps.

Exit status: 0 with the picture written, 2 on a failure (the reason on
standard error).
"""

import argparse
import math
import pathlib
import shutil
import subprocess
import sys
import tempfile

INCLUDE_NAME = "rodscene_glyphs.inc"
GLYPH_LINES = 12
CYLINDER_RECORD = 2  # index of the "< A >, < B >, 1.2" line in a glyph
SPHERE_RECORD = 8
CYLINDER_RADIUS = 1.2

# The camera: from the front, a little to the right and above, with a
# horizontal field of view of FIELD degrees.
VIEW = (0.3, 0.45, -1.0)
FIELD = 40.0
DETAIL_SIZE = 30.0  # edge of the cube the detail view frames


PROGRAM = pathlib.Path(sys.argv[0]).name


def say(message):
    print(f"{PROGRAM}: {message}", file=sys.stderr)


def fail(message):
    say(message)
    sys.exit(2)


def glyphs(n):
    return f"{n} glyph" if n == 1 else f"{n} glyphs"


def scene_file():
    here = pathlib.Path(__file__).resolve().parent
    for candidate in (here / "scene.pov",
                      here.parent / "share" / "rodscene" / "scene.pov"):
        if candidate.is_file():
            return candidate
    fail(f"cannot find scene.pov beside {here}")


def numbers(record):
    """The numbers of a vector record, in order, as POV-Ray reads them."""
    values = []
    for token in record.split():
        if token in ("<", ",", ">,", ">, <") or token.startswith(">"):
            continue
        try:
            values.append(float(token))
        except ValueError:
            pass
    return values


def rotated(x, y, z):
    """Where "rotate <90,0,0>" puts a point: (x, y, z) -> (x, -z, y)."""
    return (x, -z, y)


def split_glyphs(text):
    """The glyphs POV-Ray can draw, their points, and the counts left out."""
    lines = text.splitlines(keepends=True)
    if len(lines) % GLYPH_LINES != 0:
        fail(f"scene text has {len(lines)} lines, not a multiple of "
             f"{GLYPH_LINES}: is it a converter's output?")
    kept, points = [], []
    degenerate = unreadable = 0
    for i in range(0, len(lines), GLYPH_LINES):
        glyph = lines[i:i + GLYPH_LINES]
        if glyph[0].strip() != "cylinder" or glyph[6].strip() != "sphere":
            fail(f"line {i + 1} does not start a glyph")
        ends = numbers(glyph[CYLINDER_RECORD])[:6]
        cap = numbers(glyph[SPHERE_RECORD])[:3]
        if not all(math.isfinite(v) for v in ends + cap):
            unreadable += 1
        elif ends[:3] == ends[3:]:
            degenerate += 1
        else:
            kept.append("".join(glyph))
            points += [rotated(*ends[:3]), rotated(*ends[3:]), rotated(*cap)]
    return kept, points, degenerate, unreadable


def unit(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v)


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
            a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def camera(points, width, height, detail):
    """Camera location and look-at point framing the points (or a corner)."""
    if not points:
        return (0.0, 0.0, -100.0), (0.0, 0.0, 0.0)
    low = [min(p[i] for p in points) - CYLINDER_RADIUS for i in range(3)]
    high = [max(p[i] for p in points) + CYLINDER_RADIUS for i in range(3)]
    if detail:
        # A cube at the middle of the front face.
        middle = [(a + b) / 2 for a, b in zip(low, high)]
        half = DETAIL_SIZE / 2
        low, high = ([max(low[0], middle[0] - half),
                      max(low[1], middle[1] - half), low[2]],
                     [min(high[0], middle[0] + half),
                      min(high[1], middle[1] + half),
                      min(high[2], low[2] + DETAIL_SIZE)])
    centre = tuple((a + b) / 2 for a, b in zip(low, high))
    back = unit(VIEW)  # from the look-at point toward the camera
    forward = tuple(-c for c in back)
    right = unit(cross((0.0, 1.0, 0.0), forward))
    up = cross(forward, right)
    tan_x = math.tan(math.radians(FIELD / 2))
    tan_y = tan_x * height / width
    distance = 0.0
    for corner in ((x, y, z) for x in (low[0], high[0])
                   for y in (low[1], high[1]) for z in (low[2], high[2])):
        d = tuple(c - m for c, m in zip(corner, centre))
        depth = dot(d, forward)
        distance = max(distance, abs(dot(d, right)) / tan_x - depth,
                       abs(dot(d, up)) / tan_y - depth)
    distance *= 1.04  # a small margin around the glyphs
    location = tuple(m + distance * b for m, b in zip(centre, back))
    return location, centre


def render(args):
    try:
        text = pathlib.Path(args.scene_text).read_text()
    except OSError as e:
        fail(f"cannot read {args.scene_text}: {e.strerror}")
    kept, points, degenerate, unreadable = split_glyphs(text)
    if degenerate:
        say(f"left out {glyphs(degenerate)} whose cylinder ends are equal "
            f"(POV-Ray cannot draw them)")
    if unreadable:
        say(f"left out {glyphs(unreadable)} with NaN or infinite coordinates")
    povray = shutil.which("povray")
    if povray is None:
        fail("POV-Ray is not installed (Debian: apt-get install povray)")
    location, look = camera(points, args.width, args.height, args.detail)
    declares = [f"Declare={name}={value!r}" for name, value in
                zip(("Camera_X", "Camera_Y", "Camera_Z",
                     "Look_X", "Look_Y", "Look_Z"), location + look)]
    with tempfile.TemporaryDirectory() as tmp:
        (pathlib.Path(tmp) / INCLUDE_NAME).write_text("".join(kept))
        # POV-Ray may only write below its working folder.
        command = [povray, f"+I{scene_file()}", "+Opicture.png", "+FN",
                   f"+W{args.width}", f"+H{args.height}", "-D", "-P",
                   f"+L{tmp}", f"Declare=Field={FIELD}"] + declares
        if not args.draft:
            command += ["+A0.1", "+R3"]
        run = subprocess.run(command, cwd=tmp, capture_output=True, text=True)
        picture = pathlib.Path(tmp) / "picture.png"
        if run.returncode != 0 or not picture.is_file():
            lines = [l for l in run.stderr.splitlines() if "Rendered" not in l]
            print("\n".join(lines[-15:]), file=sys.stderr)
            fail(f"POV-Ray failed with status {run.returncode}")
        try:
            shutil.copyfile(picture, args.picture)
        except OSError as e:
            fail(f"cannot write {args.picture}: {e.strerror}")
    say(f"drew {glyphs(len(kept))} into {args.picture}")


def main():
    parser = argparse.ArgumentParser(
        description="Render a rodscene converter's output with POV-Ray.")
    parser.add_argument("scene_text")
    parser.add_argument("picture")
    parser.add_argument("--width", type=int, default=800)
    parser.add_argument("--height", type=int, default=450)
    parser.add_argument("--detail", action="store_true",
                        help="frame a close-up of the middle of the front face")
    parser.add_argument("--draft", action="store_true",
                        help="no anti-aliasing")
    render(parser.parse_args())


if __name__ == "__main__":
    main()
