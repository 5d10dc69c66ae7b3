#!/usr/bin/python3
"""Renders rodscene configurations with POV-Ray: pictures and films.

usage: rodscene_render INPUT PICTURE [options]
       rodscene_render --movie FILM.mp4 INPUT... [options]

An INPUT is either a converter's output saved to a file (scene text, which
starts with " cylinder") or a configuration file of any name, which is
converted first by rodscene_split or rodscene_mono (--program) in a scratch
folder where it is readingconfig3.txt. The scene file scene.pov beside this
script (or in ../share/rodscene when installed) supplies the camera, lights
and background and includes the glyphs.

The picture shows the configuration's right-handed frame with z up, from
the --view chosen: front (from -y; x right), side (from +x; y right), top
(from +z; x right, y up) or iso (from the +x, -y, +z octant; the default).
The camera frames every drawn glyph with a small margin; in a film one
camera frames all frames together, so nothing jumps.

POV-Ray stops on glyphs it cannot draw, so the copy of the glyphs handed to
it leaves those out, and standard error says how many:
  - a cylinder whose two ends are equal (a slot no record reached, or a
    zero direction): "Degenerate cylinder, base point = apex point";
  - a glyph with a NaN or infinite coordinate, or one beyond POV-Ray's
    double range, which it cannot parse.
The input itself is never changed.

Exit status: 0 with the picture or film written, 2 on a failure (the reason
on standard error).
"""

import argparse
import concurrent.futures
import math
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

PROGRAM = pathlib.Path(sys.argv[0]).name


def say(message):
    print(f"{PROGRAM}: {message}", file=sys.stderr)


def fail(message):
    say(message)
    sys.exit(2)


try:
    import numpy as np
except ImportError:
    fail("needs numpy (Debian: apt-get install python3-numpy)")
try:
    from tqdm import tqdm  # only films need it
except ImportError:
    tqdm = None

CONFIG_NAME = "readingconfig3.txt"
GLYPHS_NAME = "rodscene_glyphs.inc"
VIEW_NAME = "rodscene_view.inc"
GLYPH_LINES = 12
CYLINDER_RECORD = 2  # index of the "< A >, < B >, 1.2" line in a glyph
SPHERE_RECORD = 8
CYLINDER_RADIUS = 1.2
FIELD = 40.0  # horizontal field of view, degrees
MARGIN = 0.04  # share of the picture left free around the glyphs
DETAIL_SIZE = 30.0  # edge of the cube the detail view frames
BOX_RADIUS = 0.3
BOX_PIGMENT = "pigment { color rgb <0.55, 0.55, 0.55> }"

# Each view: the camera's forward and up directions in the configuration's
# frame; right is forward x up.
VIEWS = {
    "front": ((0.0, 1.0, 0.0), (0.0, 0.0, 1.0)),
    "side": ((-1.0, 0.0, 0.0), (0.0, 0.0, 1.0)),
    "top": ((0.0, 0.0, -1.0), (0.0, 1.0, 0.0)),
    "iso": ((-1.0, 1.0, -0.8), (0.0, 0.0, 1.0)),
}

# Width, height and POV-Ray options of each quality.
QUALITIES = {
    "draft": (640, 360, []),
    "normal": (1280, 720, ["+A0.3"]),
    "final": (1920, 1080, ["+A0.05", "+AM2", "+R3"]),
}


def glyphs(n):
    return f"{n} glyph" if n == 1 else f"{n} glyphs"


def scene_file():
    here = pathlib.Path(__file__).resolve().parent
    for candidate in (here / "scene.pov",
                      here.parent / "share" / "rodscene" / "scene.pov"):
        if candidate.is_file():
            return candidate
    fail(f"cannot find scene.pov beside {here}")


def tool(name, package):
    path = shutil.which(name)
    if path is None:
        fail(f"{name} is not installed (Debian: apt-get install {package})")
    return path


# ---------------------------------------------------------------------------
# Inputs: scene text as it is, configurations through a converter.

def is_scene_text(path):
    """A converter's output is empty or starts with its cylinder record."""
    try:
        with open(path, "rb") as f:
            head = f.read(10)
    except OSError as e:
        fail(f"cannot read {path}: {e.strerror}")
    return head == b"" or head.startswith(b" cylinder\n")


def converter(name, folder):
    """The converter program: in --converters when given; else beside this
    script (as installed), on PATH, or in this source tree's build folders."""
    here = pathlib.Path(__file__).resolve().parent
    if folder:
        program = pathlib.Path(folder) / name
        if not program.is_file():
            fail(f"no {name} in {folder}")
        return str(program)
    if (here / name).is_file():
        return str(here / name)
    found = shutil.which(name)
    if found:
        return found
    for build in ("release", "example"):
        program = here.parent / "build" / build / name
        if program.is_file():
            return str(program)
    fail(f"cannot find {name}: build it, install it, or name its folder "
         f"with --converters")


def convert(config, program, scratch):
    """Runs the converter on a configuration file; returns its scene text."""
    folder = pathlib.Path(tempfile.mkdtemp(dir=scratch))
    (folder / CONFIG_NAME).symlink_to(pathlib.Path(config).resolve())
    run = subprocess.run([program], cwd=folder, capture_output=True)
    for line in run.stderr.decode(errors="replace").splitlines():
        print(line.replace(CONFIG_NAME, str(config)), file=sys.stderr)
    if run.returncode != 0:
        fail(f"{pathlib.Path(program).name} failed on {config} "
             f"with status {run.returncode}")
    shutil.rmtree(folder)
    return run.stdout.decode("ascii")


def record_numbers(records, places, name):
    """The numbers of each vector record, by their token places."""
    tokens = " ".join(records).split()
    size = max(places) + 3  # the closing ">," and the radius follow
    try:
        return np.array(tokens).reshape(len(records), size)[:, places] \
            .astype(float)
    except ValueError:
        fail(f"{name}: a glyph's vector record is not as the converters "
             f"write it")


def split_glyphs(text, name):
    """The glyphs POV-Ray can draw, their points, and the counts left out."""
    lines = text.splitlines(keepends=True)
    if len(lines) % GLYPH_LINES != 0:
        fail(f"{name} has {len(lines)} lines, not a multiple of "
             f"{GLYPH_LINES}: is it a converter's output?")
    for i in range(0, len(lines), GLYPH_LINES):
        if lines[i].strip() != "cylinder" or lines[i + 6].strip() != "sphere":
            fail(f"{name}: line {i + 1} does not start a glyph")
    count = len(lines) // GLYPH_LINES
    # "< a , b , c >, < d , e , f >, 1.2" and "< a , b , c >, 0.25"
    ends = record_numbers(lines[CYLINDER_RECORD::GLYPH_LINES],
                          [1, 3, 5, 8, 10, 12], name)
    caps = record_numbers(lines[SPHERE_RECORD::GLYPH_LINES], [1, 3, 5], name)
    readable = np.isfinite(ends).all(axis=1) & np.isfinite(caps).all(axis=1)
    degenerate = readable & (ends[:, :3] == ends[:, 3:]).all(axis=1)
    kept = np.flatnonzero(readable & ~degenerate)
    if degenerate.any():
        say(f"{name}: left out {glyphs(int(degenerate.sum()))} whose cylinder "
            f"ends are equal (POV-Ray cannot draw them)")
    if count - readable.sum():
        say(f"{name}: left out {glyphs(int(count - readable.sum()))} with NaN "
            f"or infinite coordinates")
    text = "".join("".join(lines[i * GLYPH_LINES:(i + 1) * GLYPH_LINES])
                   for i in kept)
    points = np.hstack([ends[kept], caps[kept]]).reshape(-1, 3)
    return text, points


def load(path, args, scratch):
    """The drawable glyph text of an input and the points it spans."""
    if is_scene_text(path):
        try:
            text = pathlib.Path(path).read_bytes().decode("ascii")
        except (OSError, UnicodeDecodeError) as e:
            fail(f"cannot read {path} as scene text: "
                 f"{getattr(e, 'strerror', None) or e}")
    else:
        text = convert(path, args.converter, scratch)
    return split_glyphs(text, path)


def box_text(box):
    """The twelve edges of the box as thin grey rods, and its corners."""
    low, high = np.array(box[:3]), np.array(box[3:])
    corners = np.array([[(low, high)[(i >> a) & 1][a] for a in range(3)]
                        for i in range(8)])
    edges = []
    for i in range(8):
        for a in range(3):
            j = i | (1 << a)
            if j != i:
                a_end, b_end = corners[i], corners[j]
                edges.append(
                    "cylinder { <%r, %r, %r>, <%r, %r, %r>, %r rotate <90,0,0> "
                    "%s }\n" % (*a_end, *b_end, BOX_RADIUS, BOX_PIGMENT))
    return "".join(edges), corners


# ---------------------------------------------------------------------------
# The camera.

def to_povray(v):
    """A point or direction of the configuration in POV-Ray's frame."""
    return (float(v[0]), float(v[2]), float(v[1]))


def view_axes(view):
    forward, up = (np.array(v, dtype=float) for v in VIEWS[view])
    forward /= np.linalg.norm(forward)
    up -= forward * up.dot(forward)
    up /= np.linalg.norm(up)
    return forward, up, np.cross(forward, up)


def detail_cube(points, forward):
    """A cube at the middle of the glyphs' face toward the camera."""
    low, high = points.min(axis=0), points.max(axis=0)
    centre = (low + high) / 2
    depth = np.abs(forward).dot(high - low) / 2
    centre = centre - forward * max(depth - DETAIL_SIZE / 2, 0.0)
    offsets = np.array([[(i >> a) & 1 for a in range(3)] for i in range(8)])
    return centre + (offsets - 0.5) * DETAIL_SIZE


def fit_camera(points, view, width, height, detail):
    """Location, look-at point and sky of a camera that frames the points,
    padded by the cylinder radius, in the configuration's frame."""
    forward, up, right = view_axes(view)
    if detail and len(points):
        points = detail_cube(points, forward)
    if not len(points):
        points = np.zeros((1, 3))
    centre = (points.min(axis=0) + points.max(axis=0)) / 2
    rel = points - centre
    depth, across, upward = rel @ forward, rel @ right, rel @ up
    tan_x = math.tan(math.radians(FIELD / 2)) / (1 + 2 * MARGIN)
    tan_y = tan_x * height / width
    pad = CYLINDER_RADIUS
    distance = max(np.max((np.abs(across) + pad) / tan_x - depth),
                   np.max((np.abs(upward) + pad) / tan_y - depth),
                   np.max(-depth) + 2 * pad)
    location = centre - forward * distance
    return location, centre, up, right


def view_text(camera, transparent):
    location, look, up, right = camera
    distance = np.linalg.norm(location - look)
    key = location + distance * (0.9 * up - 0.6 * right)
    fill = location + distance * (0.3 * up + 0.8 * right)
    declares = {"View_Location": location, "View_Look": look, "View_Sky": up,
                "Key_Light": key, "Fill_Light": fill}
    lines = ["#declare %s = <%r, %r, %r>;" % (name, *to_povray(v))
             for name, v in declares.items()]
    lines.append(f"#declare View_Angle = {FIELD!r};")
    lines.append(f"#declare Background_Transmit = {1 if transparent else 0};")
    return "\n".join(lines) + "\n"


# ---------------------------------------------------------------------------
# POV-Ray.

def povray_command(args, picture_name, threads):
    command = [args.povray, f"+I{scene_file()}", f"+O{picture_name}", "+FN",
               f"+W{args.width}", f"+H{args.height}", "-D", "-P"]
    command += QUALITIES[args.quality][2]
    if args.transparent:
        command.append("+UA")
    if threads:
        command.append(f"+WT{threads}")
    return command


def povray_message(stderr):
    """The end of POV-Ray's report, without its progress lines."""
    lines = [line for line in stderr.splitlines()
             if line.strip() and "Rendered" not in line]
    return "\n".join(lines[-12:])


def render_frame(args, glyphs_file, view, picture, threads=0):
    """Renders one picture; returns None or POV-Ray's message on failure."""
    with tempfile.TemporaryDirectory() as tmp:
        folder = pathlib.Path(tmp)
        shutil.copyfile(glyphs_file, folder / GLYPHS_NAME)
        (folder / VIEW_NAME).write_text(view)
        # POV-Ray may only write below its working folder.
        command = povray_command(args, "picture.png", threads) + [f"+L{tmp}"]
        run = subprocess.run(command, cwd=tmp, capture_output=True, text=True)
        made = folder / "picture.png"
        if run.returncode != 0 or not made.is_file():
            return (povray_message(run.stderr) +
                    f"\nPOV-Ray failed with status {run.returncode}")
        try:
            shutil.copyfile(made, picture)
        except OSError as e:
            return f"cannot write {picture}: {e.strerror}"
    return None


def render_picture(args, scratch):
    glyph_text, points = load(args.inputs[0], args, scratch)
    drawn = len(points) // 3
    if args.box:
        edges, corners = box_text(args.box)
        glyph_text += edges
        points = np.vstack([points, corners])
    camera = fit_camera(points, args.view, args.width, args.height,
                        args.detail)
    glyphs_file = pathlib.Path(scratch) / GLYPHS_NAME
    glyphs_file.write_text(glyph_text)
    error = render_frame(args, glyphs_file,
                         view_text(camera, args.transparent), args.picture)
    if error:
        print(error, file=sys.stderr)
        fail(f"cannot render {args.inputs[0]}")
    say(f"drew {glyphs(drawn)} into {args.picture}")


# ---------------------------------------------------------------------------
# Films.

def load_frames(args, scratch):
    """Each input's glyph text saved in scratch, and all points together."""
    texts, points = [], []
    edges, corners = box_text(args.box) if args.box else ("", np.zeros((0, 3)))
    for i, path in enumerate(args.inputs):
        glyph_text, frame_points = load(path, args, scratch)
        text_file = pathlib.Path(scratch) / f"frame{i:05d}.inc"
        text_file.write_text(glyph_text + edges)
        texts.append(text_file)
        points.append(frame_points)
    return texts, np.vstack(points + [corners])


def render_frames(args, texts, view, frames):
    """Renders every frame, all cores busy; stops at the first failure."""
    jobs = {}
    workers = os.cpu_count() or 1
    with concurrent.futures.ThreadPoolExecutor(workers) as pool, \
            tqdm(total=len(texts), unit="frame", file=sys.stderr,
                 desc="rendering") as bar:
        for i, text in enumerate(texts):
            picture = frames / f"frame{i + 1:05d}.png"
            job = pool.submit(render_frame, args, text, view, picture, 1)
            jobs[job] = i
        for job in concurrent.futures.as_completed(jobs):
            error = job.result()
            if error:
                pool.shutdown(wait=True, cancel_futures=True)
                return args.inputs[jobs[job]], error
            bar.update()
    return None, None


def assemble(args, frames, ffmpeg):
    command = [ffmpeg, "-y", "-loglevel", "error", "-framerate",
               str(args.fps), "-i", str(frames / "frame%05d.png"),
               "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264",
               "-pix_fmt", "yuv420p", "-crf", "18", str(args.movie)]
    run = subprocess.run(command, capture_output=True, text=True)
    if run.returncode != 0:
        print(run.stderr.strip(), file=sys.stderr)
        fail(f"ffmpeg failed with status {run.returncode}")


def keep_frames(args, frames):
    """The folder that keeps the frames when no --frames was given."""
    if args.frames:
        return frames
    kept = args.movie.with_name(args.movie.stem + "-frames")
    shutil.copytree(frames, kept, dirs_exist_ok=True)
    return kept


def render_film(args, scratch):
    if tqdm is None:
        fail("needs tqdm (Debian: apt-get install python3-tqdm)")
    ffmpeg = shutil.which("ffmpeg")
    missing_ffmpeg = ("ffmpeg is not installed (Debian: apt-get install "
                      "ffmpeg)")
    if ffmpeg is None and not args.frames:
        fail(missing_ffmpeg)
    texts, points = load_frames(args, scratch)
    camera = fit_camera(points, args.view, args.width, args.height,
                        args.detail)
    frames = pathlib.Path(args.frames or pathlib.Path(scratch) / "frames")
    try:
        frames.mkdir(parents=True, exist_ok=True)
    except OSError as e:
        fail(f"cannot make {frames}: {e.strerror}")
    failed, error = render_frames(args, texts,
                                  view_text(camera, args.transparent), frames)
    if failed:
        print(error, file=sys.stderr)
        done = len(list(frames.glob("frame*.png")))
        fail(f"cannot render the frame of {failed}; kept the {done} frames "
             f"already made in {keep_frames(args, frames)}")
    if ffmpeg is None:
        fail(f"{missing_ffmpeg}; the frames are in {frames}")
    assemble(args, frames, ffmpeg)
    say(f"wrote {len(texts)} frames at {args.fps} per second into "
        f"{args.movie}")


# ---------------------------------------------------------------------------

def parse_arguments():
    parser = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Render rodscene configurations or scene text with "
                    "POV-Ray, as a picture or a film.")
    parser.add_argument("inputs", nargs="+", metavar="INPUT",
                        help="scene text or configuration file; for a "
                             "picture, INPUT then PICTURE")
    parser.add_argument("--movie", type=pathlib.Path, metavar="FILM.mp4",
                        help="render every INPUT as a frame of this film")
    parser.add_argument("--frames", type=pathlib.Path, metavar="DIR",
                        help="keep a film's PNG frames in DIR")
    parser.add_argument("--fps", type=float, default=24,
                        help="film frames per second (default 24)")
    parser.add_argument("--view", choices=VIEWS, default="iso",
                        help="camera direction (default iso)")
    parser.add_argument("--program", choices=("split", "mono"),
                        default="split",
                        help="converter for configuration files "
                             "(default split)")
    parser.add_argument("--converters", metavar="DIR",
                        help="folder holding rodscene_split and "
                             "rodscene_mono")
    parser.add_argument("--quality", choices=QUALITIES, default="normal",
                        help="draft (640x360, no anti-aliasing), normal "
                             "(1280x720) or final (1920x1080, fine "
                             "anti-aliasing); default normal")
    parser.add_argument("--draft", action="store_true",
                        help="the same as --quality draft")
    parser.add_argument("--width", type=int, help="picture width in pixels")
    parser.add_argument("--height", type=int,
                        help="picture height in pixels")
    parser.add_argument("--transparent", action="store_true",
                        help="PNG with alpha: no background")
    parser.add_argument("--box", type=float, nargs=6,
                        metavar=("X0", "Y0", "Z0", "X1", "Y1", "Z1"),
                        help="draw this box's edges as thin grey rods")
    parser.add_argument("--detail", action="store_true",
                        help="frame a 30-unit cube at the middle of the "
                             "glyphs' face toward the camera")
    args = parser.parse_args()
    if args.draft:
        args.quality = "draft"
    width, height, _ = QUALITIES[args.quality]
    args.width = args.width or width
    args.height = args.height or height
    if args.width < 1 or args.height < 1 or args.fps <= 0:
        parser.error("--width, --height and --fps must be positive")
    if args.box and not all(a < b for a, b in zip(args.box[:3],
                                                   args.box[3:])):
        parser.error("--box needs X0 < X1, Y0 < Y1 and Z0 < Z1")
    if args.movie is None:
        if len(args.inputs) != 2:
            parser.error("a picture takes one INPUT and the PICTURE to write")
        args.inputs, args.picture = args.inputs[:1], args.inputs[1]
    elif args.movie.suffix.lower() != ".mp4":
        parser.error("--movie names an .mp4 file")
    return args


def main():
    args = parse_arguments()
    args.povray = tool("povray", "povray")
    if any(not is_scene_text(path) for path in args.inputs):
        args.converter = converter(f"rodscene_{args.program}", args.converters)
    with tempfile.TemporaryDirectory() as scratch:
        if args.movie:
            render_film(args, scratch)
        else:
            render_picture(args, scratch)


if __name__ == "__main__":
    main()
