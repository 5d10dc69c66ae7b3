#!/usr/bin/env python3
"""POV-Ray renders what the converters write.

usage: render_test.py SPLIT_PROGRAM MONO_PROGRAM

1. Both programs' output for the shipped example (3370 records, every
   direction finite and nonzero), exactly as written, parses and renders
   in POV-Ray inside the committed scene.
2. The render path turns a short configuration, whose unreached slots and
   zero directions make cylinders POV-Ray refuses, into a picture of the
   asked size that shows teal and blue rods, and says what it left out.
3. The render path refuses text that is not a converter's output.

Exits 77 (reported as skipped) when POV-Ray is not installed.
"""

import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
SCENE = ROOT / "render" / "scene.pov"
RENDER = ROOT / "render" / "render_scene.py"
EXAMPLE = ROOT / "examples" / "readingconfig3.txt"
SKIP = 77


def check(condition, message):
    if not condition:
        print(f"FAILED: {message}", file=sys.stderr)
        sys.exit(1)


def png_pixels(path):
    """Width, height and RGB rows of an 8-bit RGB or RGBA PNG."""
    data = path.read_bytes()
    check(data[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    check(depth == 8 and colour in (2, 6), f"unexpected PNG format {header}")
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            corner = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                best = left if pa <= pb and pa <= pc else up if pb <= pc \
                    else corner
                line[i] = (line[i] + best) & 255
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, step)])
        previous = line
    return width, height, rows


def convert(program, config_text, folder):
    (folder / "readingconfig3.txt").write_text(config_text)
    run = subprocess.run([program], cwd=folder, capture_output=True)
    check(run.returncode == 0, f"{program} failed: {run.stderr!r}")
    return run.stdout


def povray_renders_raw_output(programs, tmp):
    config = EXAMPLE.read_text()
    check(len(config.splitlines()) - 1 >= 3360, "the example is too short")
    for program in programs:
        folder = tmp / pathlib.Path(program).name
        folder.mkdir()
        scene = convert(program, config, folder)
        (folder / "rodscene_glyphs.inc").write_bytes(scene)
        run = subprocess.run(
            ["povray", f"+I{SCENE}", "+Oraw.png", "+FN", "+W160", "+H90",
             "-D", "-P", f"+L{folder}"],
            cwd=folder, capture_output=True, text=True)
        check(run.returncode == 0,
              f"POV-Ray refused {program}'s output: {run.stderr[-2000:]}")
        width, height, _ = png_pixels(folder / "raw.png")
        check((width, height) == (160, 90), "raw render has the wrong size")


def is_teal(p):
    return p[0] < 60 and p[1] > 100 and p[2] > 80 and p[1] > p[0] + 60


def is_blue(p):
    return p[2] > 100 and p[2] > p[0] + 60 and p[2] > p[1] + 30


def render_path_drops_what_povray_refuses(split, tmp):
    lines = EXAMPLE.read_text().splitlines()
    # 200 sites from the middle of the slab, one with a zero direction: the
    # other 3160 drawn slots are all zero.
    config = "\n".join([lines[0]] + lines[1600:1800] + ["1 2 3 0 0 0"]) + "\n"
    folder = tmp / "short"
    folder.mkdir()
    scene = folder / "short.pov"
    scene.write_bytes(convert(split, config, folder))
    picture = folder / "short.png"
    run = subprocess.run(
        [sys.executable, str(RENDER), str(scene), str(picture), "--width",
         "320", "--height", "180", "--draft"], capture_output=True, text=True)
    check(run.returncode == 0, f"render path failed: {run.stderr}")
    check("left out 3160 glyphs whose cylinder ends are equal" in run.stderr,
          f"render path did not report the dropped glyphs: {run.stderr}")
    width, height, rows = png_pixels(picture)
    check((width, height) == (320, 180), f"picture is {width}x{height}")
    pixels = [p for row in rows for p in row]
    background = max(set(pixels), key=pixels.count)
    drawn = sum(1 for p in pixels if p != background)
    check(drawn > len(pixels) // 20, f"picture is almost blank ({drawn})")
    check(sum(map(is_teal, pixels)) > 100, "no teal rods in the picture")
    check(sum(map(is_blue, pixels)) > 100, "no blue rods in the picture")


def render_path_refuses_other_text(tmp):
    bogus = tmp / "bogus.pov"
    bogus.write_text("camera { location <0,0,-5> look_at 0 }\n")
    run = subprocess.run([sys.executable, str(RENDER), str(bogus),
                          str(tmp / "bogus.png")], capture_output=True)
    check(run.returncode == 2, "render path accepted text with no glyphs")


def main():
    if shutil.which("povray") is None:
        print("POV-Ray is not installed: skipped")
        return SKIP
    split, mono = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        povray_renders_raw_output([split, mono], tmp)
        render_path_drops_what_povray_refuses(split, tmp)
        render_path_refuses_other_text(tmp)
    print("POV-Ray renders both programs' output; the render path draws "
          "short configurations")
    return 0


if __name__ == "__main__":
    sys.exit(main())
