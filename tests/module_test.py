#!/usr/bin/python3
"""The Python module rodscene against the programs it wraps.

usage: module_test.py GROUP SPLIT_PROGRAM MONO_PROGRAM
(with the build's python folder on PYTHONPATH)

Groups:
  scenes   on every configuration the suite has and on hostile ones, named
           in str, bytes that are not UTF-8 and os.PathLike: scene_text is
           the program's standard output byte for byte, the warnings are
           its standard error, glyphs() are its numbers within one ulp, and
           read_sites() rounds the 80-bit values correctly to float64.
  failures a file that cannot be opened or read, and an unknown program,
           raise with the programs' reasons; what is not a regular file
           (a device, a pipe) is refused.
  threads  calls run at once without the GIL, each with storage of its
           own: one thread converts a whole file while the main thread
           is in the middle of reading an endless one, then stops that
           read as Ctrl-C does; both get what they get alone; the
           renderer draws the same bytes on any number of threads, two
           pictures at once.
  page     the numbers a page keeps are numpy's bit for bit: packed rods
           as page.py packs them and extents as camera.py measures them;
           a page is the same with them and without them; arrays
           outlive the thread that made them.
           Exits 77 without three.js.
"""

import errno
import faulthandler
import fractions
import importlib.util
import json
import math
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import warnings
import _thread

import numpy as np

import rodscene

ROOT = pathlib.Path(__file__).resolve().parent.parent
EXAMPLE = ROOT / "examples" / "readingconfig3.txt"
PROGRAMS = ("split", "mono")


def check(condition, message):
    if not condition:
        print(f"FAILED: {message}", file=sys.stderr)
        sys.exit(1)


def run_program(program, config, tmp):
    """(status, stdout, stderr lines) of a program run on `config`."""
    folder = pathlib.Path(tempfile.mkdtemp(dir=tmp))
    shutil.copy(config, folder / "readingconfig3.txt")
    run = subprocess.run([program], cwd=folder, capture_output=True)
    return run.returncode, run.stdout, run.stderr.decode().splitlines()


def calling(function, *args):
    """(result, the texts of its ReadWarnings)."""
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = function(*args)
    check(all(w.category is rodscene.ReadWarning for w in caught),
          f"other warnings: {[str(w.message) for w in caught]}")
    return result, [str(w.message) for w in caught]


def hostile_files(tmp):
    """Configurations the fuzz corpus does not spell out, by name."""
    many = ["0 0 0 0"]
    for k in range(3375):  # past the table; both windows' edges
        z = (-40, -38, -37.999, -5, 0, -0.0, 5, 27.999, 28, 30, 38)[k % 11]
        many.append(f"{k * 0.05:.2f} {-k} {z} 0.3 -0.4 {k * 1e-3}"
                    if k % 97 else f"{k} bad{k} 1 2 3 4")
    texts = {
        "empty": b"",
        "nan and huge": b"0 0 0 0\nnan 1e4000 -1e-5000 inf -inf 1\n"
                        b"1 2 3 1e4931 -1e4932 nan\n"
                        b"1e308 2e308 -3e-320 1e-4940 2 3\n"
                        b"-0 -0 -0 -0 -0 -0\n0.05 0.1 1e21 1e-21 -0.05 7\n",
        "short records": b"1 2\n3\n4 5 6\n7 8 9 10\n11 12 / 13\n7 8 9",
        "blank lines": b"\n\n0 0 0 0\r\n\r\n  \t\n1,2,,4;5 6\r\n"
                       b"2*3 4*\n\n1 2 / 3\n\n\n1.5d0 2q1 1.5+3 .5 5. -0\n\n",
        "not utf-8": b"0 0 0 0\n1 2 \xff\xfe 4 5 6\n\xe9t\xe9 1 2\n"
                     b"1 2 3 4 5 " + b"\xc3" * 50 + b"\n1 2 3\x1b 4 5 6\n",
        "many records": ("\n".join(many) + "\n").encode(),
    }
    files = {}
    for name, text in texts.items():
        path = tmp / name
        path.write_bytes(text)
        files[name] = path
    return files


def fields_of(scene):
    """The numbers and the teal flags of a scene text, glyph by glyph."""
    lines = scene.decode().split("\n")
    check(len(lines) % 12 == 1 and lines[-1] == "", "glyphs of 12 lines")
    numbers, teal = [], []
    for g in range(len(lines) // 12):
        glyph = lines[12 * g:12 * g + 12]
        values = [float(t) for t in glyph[2].split()[1:-1] + glyph[8].split()
                  if t not in ("<", ",", ">,", "1.2", "0.25")]
        check(len(values) == 9, f"nine numbers in glyph {g}: {glyph}")
        numbers.append(values)
        teal.append("0.800000" in glyph[4])
    return np.array(numbers).reshape(-1, 9), np.array(teal, dtype=bool)


def within_one_ulp(array, text_values):
    """The arrays hold the 80-bit values rounded; the text their 21 digits,
    which Python rounds again: at most one ulp apart."""
    a, f = array.ravel(), text_values.ravel()
    nan = np.isnan(f)
    close = ((a == f) | (a == np.nextafter(f, np.inf)) |
             (a == np.nextafter(f, -np.inf)))
    return bool(np.all(np.isnan(a) == nan) and np.all(close | nan) and
                np.all((np.signbit(a) == np.signbit(f)) | nan))


# Configurations and the line each drawn site's record starts on, as the
# reader counts lines: a header over three lines, records over two, blank
# lines and CR LF; the slots no record reaches have line 0.
RECORD_LINES = [(b"1 2\n3\n4 5 6\n7 8 9 10\n11 12 / 13\n7 8 9", [4, 6]),
                (b"0 0 0 0\r\n\r\n1 2 3 0 0 1\r\n\n4,5,6,\n1,0,0\n"
                 b"\n\n1 1 -50 1 0 0\n,,5\n", [3, 5, 10])]


def scenes(split, mono, tmp):
    names = [EXAMPLE] + sorted((ROOT / "fuzz" / "corpus").glob("*.txt"))
    names += hostile_files(tmp).values()
    # The same bytes under names of every kind the module takes.
    odd = tmp / os.fsdecode(b"caf\xe9 rods.txt")
    for i, config in enumerate(names):
        shutil.copy(config, odd)
        path = (odd, str(odd), os.fsencode(odd))[i % 3]
        shown = os.fsdecode(os.fsencode(path))
        for name, program in zip(PROGRAMS, (split, mono)):
            status, out, err = run_program(program, config, tmp)
            check(status == 0, f"{program} failed on {config}")
            expected = [line.replace(
                f"{pathlib.Path(program).name}: readingconfig3.txt", shown, 1)
                for line in err]
            text, said = calling(rodscene.scene_text, path, name)
            check(text == out, f"scene_text({config}, {name}) differs from "
                  f"{program}'s output")
            check(said == expected,
                  f"warnings of {config}, {name}: {said} != {expected}")
            glyphs, said = calling(rodscene.glyphs, path, name)
            check(said == expected, f"glyphs() warns otherwise on {config}")
            numbers, teal = fields_of(out)
            check(list(glyphs) == ["ends", "caps", "teal", "lines"] and
                  glyphs["lines"].shape == (len(teal),) and
                  glyphs["ends"].shape == (len(teal), 2, 3) and
                  glyphs["caps"].shape == (len(teal), 3) and
                  glyphs["teal"].dtype == bool,
                  f"glyphs() of {config}: {[(k, v.shape, v.dtype) for k, v in glyphs.items()]}")
            check(within_one_ulp(glyphs["ends"], numbers[:, :6]) and
                  within_one_ulp(glyphs["caps"], numbers[:, 6:]),
                  f"glyphs({config}, {name}) are not the scene's numbers")
            check(np.array_equal(glyphs["teal"], teal),
                  f"glyphs({config}, {name}) has other colours")
        sites, said = calling(rodscene.read_sites, path)
        check(said == [w for w in expected if "drawn slots" not in w],
              f"read_sites() warns otherwise on {config}: {said}")
        n = min(sites["records"], 3370)
        check(sites["positions"].shape == sites["directions"].shape == (n, 3),
              f"read_sites({config}) holds {sites['positions'].shape} for "
              f"{sites['records']} records")
        # The whole-system reader: the converters' warnings first, then its
        # own; every record a unit rod or left out, none past the table lost.
        rods, said_rods = calling(rodscene.read_rods, path)
        converters = [w for w in said if "past the first" not in w]
        check(said_rods[:len(converters)] == converters,
              f"read_rods() warns otherwise on {config}: {said_rods}")
        n = rods.records - rods.left_out
        length = np.linalg.norm(rods.directions, axis=1)
        check(rods.positions.shape == rods.directions.shape == (n, 3) and
              rods.lines.shape == (n,) and (np.diff(rods.lines) > 0).all() and
              np.isfinite(rods.positions).all() and
              (abs(length - 1) < 1e-15).all(),
              f"read_rods({config}): {rods.positions.shape}, {rods.records} "
              f"records, {rods.left_out} left out")
    for text, lines in RECORD_LINES:
        path = tmp / "lines.txt"
        path.write_bytes(text)
        got = calling(rodscene.glyphs, path, "split")[0]["lines"]
        check(list(got[:len(lines)]) == lines and not got[len(lines):].any(),
              f"glyphs() of {text!r} give lines {got[:len(lines) + 1]}")
    sites, _ = calling(rodscene.read_sites, tmp / "many records")
    check(sites["records"] == 3375 and len(sites["positions"]) == 3370 and
          sites["positions"][3369, 1] == -3369,
          f"a file past the table: {sites['records']} records")
    rods, _ = calling(rodscene.read_rods, tmp / "many records")
    check(len(rods.positions) == 3375 - 35 and rods.positions[-1, 1] == -3374
          and rods.lines[-1] == 3376,
          f"read_rods() past the table: {len(rods.positions)} rods")
    dump_frames(tmp)
    rounding(tmp)


def dump_frames(tmp):
    """The example as a LAMMPS dump of two frames: each frame is the
    example's rods, rod for rod and bit for bit."""
    rows = EXAMPLE.read_text().splitlines()[1:]
    frame = ("ITEM: TIMESTEP\n{}\nITEM: NUMBER OF ATOMS\n{}\n"
             "ITEM: BOX BOUNDS pp pp pp\n-80 80\n-49.5 49.5\n-46 46\n"
             "ITEM: ATOMS id x y z mux muy muz\n" +
             "".join(f"{k + 1} {row}\n" for k, row in enumerate(rows)))
    path = tmp / "example.dump"
    path.write_text(frame.format(0, len(rows)) + frame.format(500, len(rows)))
    whole = calling(rodscene.read_rods, EXAMPLE)[0]
    marks = rodscene._core.dump_frames(path)
    check([(t, line) for _, t, line in marks] ==
          [(0, 1), (500, 10 + len(rows))], f"dump frames: {marks}")
    offset, step, line = marks[1]
    got = rodscene._core.read_dump_frame(path, offset, "z", line)
    check(got["timestep"] == 500 and got["warnings"] == [] and
          np.array_equal(got["positions"], whole.positions) and
          np.array_equal(got["directions"], whole.directions) and
          np.array_equal(got["ids"], np.arange(1, len(rows) + 1)) and
          np.array_equal(got["lines"], whole.lines + 17 + len(rows)) and
          got["types"] is None and got["hi"] == (80, 49.5, 46),
          "a dump frame of the example differs from its rods")
    try:
        rodscene._core.dump_frames(EXAMPLE)
        check(False, "a configuration was read as a dump")
    except ValueError as e:
        check("\n" not in str(e) and "ITEM: TIMESTEP" in str(e),
              f"refusal of a configuration as a dump: {e}")


def extended(text):
    """The magnitude of the 80-bit value nearest to a decimal, exactly: 64
    significant bits, ties to even, subnormal below 2^-16382."""
    q = abs(fractions.Fraction(text))
    if q == 0:
        return q
    e = q.numerator.bit_length() - q.denominator.bit_length()
    while q >= fractions.Fraction(2) ** (e + 1):
        e += 1
    while q < fractions.Fraction(2) ** e:
        e -= 1
    unit = fractions.Fraction(2) ** (max(e, -16382) - 63)
    m, rest = divmod(q, unit)
    if rest > unit / 2 or (rest == unit / 2 and m % 2 == 1):
        m += 1
    return m * unit


def rounding(tmp):
    # Each number read into 80 bits, then rounded to float64. Ties of
    # float64 go to even, where rounding their 21 digits would go up (the
    # first) and down (the second). A decimal just off a tie, which 80 bits
    # round onto it, goes to even too, where rounding the decimal straight
    # to float64 would go up (the third) or down (the fourth).
    values = ["1.00000000000000144328993201270350255072116851806640625",
              "1.00000000000000166533453693773481063544750213623046875",
              "1.000000000000000111022302462515654042363166809082031250001",
              "1.0000000000000003330669073875469621270895004272460937",
              "-2.2250738585072011e-308", "4.9406564584124654e-324",
              "2.4703282292062328e-324", "1e-400", "1.7976931348623158e308",
              "1.7976931348623159e308", "-1e4000", "0.1", "-0", "123456789e-5"]
    config = tmp / "rounding"
    config.write_text("0 0 0 0\n" + "".join(
        " ".join(values[i:i + 6] + ["0"] * (6 - len(values[i:i + 6]))) + "\n"
        for i in range(0, len(values), 6)))
    read = rodscene.read_sites(config)
    got = np.concatenate([read["positions"], read["directions"]], axis=1)
    got = got.ravel()[:len(values)]
    for text, value in zip(values, got):
        try:
            want = float(extended(text))  # a Fraction's float is rounded
        except OverflowError:              # correctly
            want = math.inf
        want = math.copysign(want, -1 if text.startswith("-") else 1)
        check(value == want and math.copysign(1, value) ==
              math.copysign(1, want), f"{text} read as {value!r}, not {want!r}")


def failures(split, mono, tmp):
    folder = tmp / "folder"
    folder.mkdir()
    missing = tmp / os.fsdecode(b"missing \xff.txt")
    config = tmp / "readingconfig3.txt"
    for path, kind, code, action in (
            (missing, FileNotFoundError, errno.ENOENT, "open"),
            (os.fsencode(folder), IsADirectoryError, errno.EISDIR, "read")):
        if config.is_symlink():
            config.unlink()
        config.symlink_to(os.fsdecode(path))
        for name, program in zip(PROGRAMS, (split, mono)):
            run = subprocess.run([program], cwd=tmp, capture_output=True)
            said = run.stderr.decode().strip()
            start = f"{pathlib.Path(program).name}: cannot {action} "
            check(run.returncode == 2 and said.startswith(start),
                  f"{program} on {path!r}: {run.returncode}, {said}")
            want = said.removeprefix(start).replace(
                "readingconfig3.txt", f"cannot {action} {os.fsdecode(path)}",
                1)
            for function, args in ((rodscene.read_sites, ()),
                                   (rodscene.glyphs, (name,)),
                                   (rodscene.scene_text, (name,))):
                try:
                    function(path, *args)
                    check(False, f"{function.__name__}({path!r}) succeeded")
                except kind as e:
                    check(e.strerror == want and e.filename == path and
                          e.errno == code,
                          f"{function.__name__}: {e!r}, not {want!r}")
    # What is not a regular file is refused before it is read: a device
    # that never ends, and a pipe that no one writes (whose opening would
    # wait for a writer).
    os.mkfifo(tmp / "pipe")
    for path in ("/dev/zero", tmp / "pipe"):
        for function, args in ((rodscene.read_sites, ()),
                               (rodscene.glyphs, ("split",)),
                               (rodscene.scene_text, ("mono",))):
            faulthandler.dump_traceback_later(60, exit=True)
            try:
                function(path, *args)
                check(False, f"{function.__name__}({path}) succeeded")
            except OSError as e:
                check(e.strerror == f"cannot open {path}: not a regular "
                      f"file" and e.filename == path,
                      f"{function.__name__}({path}): {e!r}")
            faulthandler.cancel_dump_traceback_later()
    # Each keyword takes its option's values alone, of its type and count:
    # no list smuggles in another option.
    picture = tmp / "kw.png"
    for options in (dict(camera=(30, 20, "--width=64", "--no-key")),
                    dict(label=["x", "--html=p.html"]), dict(look=(1, 2)),
                    dict(box=(0, 0, 0, 1, 1, "1")), dict(width=64.5),
                    dict(key="no"), dict(draft=1), dict(view=["front"]),
                    dict(converters=["--converters", str(tmp)]),
                    dict(fps=float("nan"))):
        try:
            rodscene.picture(EXAMPLE, picture, **options)
            check(False, f"{options} were taken")
        except rodscene.Refused as e:
            check(str(e).startswith(f"{next(iter(options))}: takes"),
                  f"{options}: {e}")
    check(not picture.exists(), "a refused picture was written")
    for function in (rodscene.glyphs, rodscene.scene_text):
        try:
            function(missing, "rodscene_split")
            check(False, "an unknown program was taken")
        except ValueError as e:
            check("'rodscene_split'" in str(e) and "'split'" in str(e),
                  f"unknown program: {e}")


def reading(path):
    """Whether this process has path open."""
    for fd in os.listdir("/proc/self/fd"):
        try:
            if os.readlink(f"/proc/self/fd/{fd}") == os.path.realpath(path):
                return True
        except OSError:
            pass
    return False


def threads(split, mono, tmp):
    warnings.simplefilter("ignore", rodscene.ReadWarning)
    other = tmp / "other"
    other.write_text("0 0 0 0\n1 2 3 0 0 1\n4 5 -6 1 0 0\n")
    want_a = rodscene.scene_text(EXAMPLE, "split")
    want_b = rodscene.glyphs(other, "mono")
    # A terabyte of nothing (no disk space: a sparse file), which would
    # take hours to read: the main thread reads it, another thread
    # converts a file meanwhile, which it could not do were the GIL held,
    # then stops the main thread's read as Ctrl-C would.
    endless = tmp / "endless.txt"
    with open(endless, "wb") as f:
        f.truncate(1 << 40)
    got = {}

    def beside():
        while not reading(endless):
            time.sleep(0.001)
        got["b"] = rodscene.glyphs(other, "mono")
        got["a"] = rodscene.scene_text(EXAMPLE, "split")
        _thread.interrupt_main()
    b = threading.Thread(target=beside)
    faulthandler.dump_traceback_later(120, exit=True)
    b.start()
    try:
        rodscene.read_sites(endless)
        check(False, "a read that Ctrl-C stopped came back as done")
    except KeyboardInterrupt:
        pass
    b.join()
    faulthandler.cancel_dump_traceback_later()
    check(got["a"] == want_a, "a call read beside another got another scene")
    check(all(np.array_equal(got["b"][k], want_b[k]) for k in want_b),
          "a call made while another was reading got other glyphs")
    check(rodscene.scene_text(EXAMPLE, "split") == want_a,
          "a call after a stopped read got another scene")
    stopped_film(split, tmp)
    if rodscene._core.has_renderer:
        same_pictures()


def stopped_film(split, tmp):
    """Ctrl-C during film() comes back as KeyboardInterrupt, saying what
    was kept, never as a refusal that a loop would go on after."""
    if shutil.which("ffmpeg") is None or \
            importlib.util.find_spec("tqdm") is None:
        return
    from film_test import STAND_IN  # a POV-Ray that sleeps when asked
    fake = tmp / "bin"
    fake.mkdir()
    (fake / "povray").write_text(STAND_IN)
    (fake / "povray").chmod(0o755)
    log = tmp / "povray.log"
    script = (f"import rodscene, sys\ntry:\n    rodscene.film("
              f"[{str(EXAMPLE)!r}] * 3, {str(tmp / 'f.mp4')!r}, width=64, "
              f"height=48, renderer='povray', "
              f"converters={str(pathlib.Path(split).parent)!r})"
              f"\nexcept KeyboardInterrupt as e:\n    print('stopped:', e)"
              f"\n    sys.exit(3)\n")
    child = subprocess.Popen(
        [sys.executable, "-c", script], stdout=subprocess.PIPE,
        stderr=subprocess.PIPE, text=True,
        env=dict(os.environ, PATH=f"{fake}:{os.environ['PATH']}",
                 FILM_TEST_LOG=str(log), FILM_TEST_PASS="0"))
    while not (log.exists() and "start" in log.read_text()):
        if child.poll() is not None:
            check(False, f"film() ended: {child.communicate()}")
        time.sleep(0.01)
    child.send_signal(signal.SIGINT)
    out, err = child.communicate()
    check(child.returncode == 3 and "stopped: interrupted" in out,
          f"Ctrl-C in film(): {child.returncode} {out} {err}")


def render_rods(rods, round_ends, threads, size=(96, 64)):
    """A final picture of crowded rods, faint and solid, through a box."""
    ends, colours, faint = rods
    caps = np.zeros((0, 3)) if round_ends else ends[:, :3] - 0.1
    camera = {"location": (0, -120, 10), "forward": (0, 1, 0),
              "up": (0, 0, 1), "right": (1, 0, 0), "orthographic": False,
              "span": 60.0, "field": 40.0, "width": size[0],
              "height": size[1]}
    lights = {"key": (-80, -100, 90), "fill": (100, -90, 20),
              "background": (0.96, 0.96, 0.94), "transparent": round_ends}
    return rodscene._core.render_rods(
        ends, 1.2, colours, np.tile((0.12, 0.8), (len(ends), 1)), faint,
        round_ends, caps, 0.25, (1, 0, 0),
        np.array([[-30, -30, -30, 30, -30, -30.0]]), 0.3, (0.5, 0.5, 0.5),
        camera, lights, "final", threads)


def same_pictures():
    """The renderer draws the same bytes on any number of threads, and
    while another thread draws."""
    rng = np.random.default_rng(7)
    centres = rng.uniform(-25, 25, (3000, 3))
    axes = rng.normal(size=(3000, 3))
    axes *= 8 / np.linalg.norm(axes, axis=1)[:, None]
    rods = (np.hstack([centres - axes, centres + axes]),
            rng.uniform(0, 1, (3000, 3)), rng.uniform(size=3000) < 0.5)
    for round_ends in (False, True):
        want = render_rods(rods, round_ends, 1)
        check(want.shape == (64, 96, 4 if round_ends else 3) and
              len(np.unique(want.reshape(-1, want.shape[2]), axis=0)) > 100,
              "the renderer drew no rods")
        got = {}
        pool = [threading.Thread(target=lambda n=n: got.update(
            {n: render_rods(rods, round_ends, n)})) for n in (2, 3)]
        for t in pool:
            t.start()
        for t in pool:
            t.join()
        check(all(np.array_equal(want, got[n]) for n in (2, 3)),
              "the renderer's picture depends on its threads")
    given_up(rods, want)


def given_up(rods, want):
    """halt_renders gives up a large picture being drawn on another
    thread, which raises KeyboardInterrupt; a picture asked for after it
    is drawn whole."""
    ended = []

    def draw():
        try:
            render_rods(rods, True, 2, (2000, 1500))
            ended.append("drawn")
        except KeyboardInterrupt:
            ended.append("given up")
    thread = threading.Thread(target=draw)
    thread.start()
    while thread.is_alive():
        rodscene._core.halt_renders()
        thread.join(0.05)
    check(ended == ["given up"] and
          np.array_equal(render_rods(rods, True, 1), want),
          f"a halted picture was {ended}, or the next one not whole")


def made_glyphs(rng):
    """Glyph sets beyond the example's: none, one, values that quantise
    onto ties (2.5 steps and the like), and magnitudes from 1e-3 to 1e8."""
    ties = np.array([-32767, 32767, 2.5, 3.5, -2.5, 0.5])[:, None] * \
        np.array([1.0, 0.0, 0.0]) + np.array([0.0, 1.0, -1.0])
    half = np.array([0.0, 1.0, 0.5])
    scale = 10 ** rng.uniform(-3, 8, (500, 1))
    wide = rng.normal(0, 1, (500, 9)) * scale
    sets = [np.zeros((0, 9)), rng.normal(0, 5, (1, 9)), wide,
            np.hstack([ties - half, ties + half, ties - 1.01875 * half])]
    return [(g[:, :6], g[:, 6:], rng.random(len(g)) < 0.6) for g in sets]


def page(split, mono, tmp):
    sys.path.insert(0, str(ROOT / "render"))
    from rodscene_render import command_line
    from rodscene_render.drawing.view import camera
    from rodscene_render.page import page as pages
    from rodscene_render.reading import inputs, reading_pool
    if not pages.THREE_FILE.is_file():
        sys.exit(77)
    rng = np.random.default_rng(5)
    sets = [rodscene._core.glyphs(EXAMPLE, name)[:3] for name in PROGRAMS]
    views = list(camera.VIEWS.values()) + [(137.0, -31.0)]
    axes = np.array([camera.view_axes(*v)[::-1] for v in views])
    for ends, caps, teal in sets + made_glyphs(rng):
        ends = ends.reshape(-1, 6)
        fr = inputs.frame("f", ends, caps, teal, [])
        rods, table, count = rodscene._core.packed_rods(ends, caps, teal)
        want = pages.frame_rods(fr)
        check(rods.tobytes() == want[0].tobytes() and count == want[2]
              and repr(table) == repr([float(v) for v in want[1]]),
              f"packed rods of {len(teal)} glyphs are not page.py's")
        for aspect in (720 / 1280, 1.0, 917 / 333) if len(teal) else ():
            tan = camera.slopes(aspect, (0.04, 0.3))
            got = rodscene._core.extents(ends, caps, axes, [tan] * len(views),
                                         camera.PAD)
            for row, a in zip(got, axes):
                want = camera.chunk_extent(fr.points(), a, tan)
                check(np.array_equal(row.view(np.int64),
                                     np.array(want).view(np.int64)),
                      f"extents of {len(teal)} glyphs: {row} != {want}")
    # The same page with and without the numbers worked out as the frames
    # are read: the example, a frame of it with rods moved, one with no
    # rod in the window; a box, and a picture of another shape.
    moved = tmp / "moved.txt"
    lines = EXAMPLE.read_text().splitlines()
    moved.write_text("\n".join(lines[:1] + [" ".join(
        f"{float(v) + 0.37 * (k % 3 == 1):g}" for v in line.split())
        for k, line in enumerate(lines[1:])]) + "\n")
    (tmp / "empty.txt").write_text("0 0 0 0\n1 1 100 0 0 1\n")
    settings = command_line.settings_from(
        [str(a) for a in ("--html", tmp / "view.html", EXAMPLE, moved,
                          tmp / "empty.txt", "--box", -80, -49.5, -46, 80,
                          49.5, 46, "--width", 333, "--height", 917,
                          "--program", "split", "--converters", pathlib.Path(split).parent)],
        ROOT / "render")
    frames = reading_pool.load_frames(settings, tmp)
    text = pages.page_text(settings, frames)
    # A sanitizer's build reads with the programs, which work out nothing.
    check(all(fr.numbers for fr in frames) or
          not settings.converter.in_process, "frames came without numbers")
    for fr in frames:
        fr.numbers = None
    check(pages.page_text(settings, frames) == text,
          "the page differs with numbers worked out as the frames are read")
    # An output named in bytes comes back as a path; a page whose --box
    # holds no rod shows nothing; show()'s commands write where they are
    # run from, the inputs' folder, not the page's folder, which is gone.
    converters = pathlib.Path(split).parent
    written = rodscene.page(EXAMPLE, os.fsencode(tmp / "b.html"),
                            converters=converters)
    check(written == tmp / "b.html" and written.is_file(),
          f"page() with a name in bytes gave {written!r}")
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        rodscene.page(EXAMPLE, tmp / "c.html", converters=converters,
                      box=(500, 500, 500, 501, 501, 501))
    check(any(w.category is rodscene.NothingShown for w in caught),
          "a page with no rod in its box was taken for one that shows")
    shutil.copy(EXAMPLE, tmp / "here.txt")
    os.chdir(tmp)
    view = rodscene.show("here.txt", converters=converters)
    check(view.save(b"saved.html") == pathlib.Path("saved.html") and
          (tmp / "saved.html").read_text() == view.html,
          "a shown page saved under a name in bytes")
    try:
        view.save("here.txt")  # the user's file, not a page
        check(False, "a shown page was saved over a file of another kind")
    except rodscene.Refused:
        check((tmp / "here.txt").read_bytes() == EXAMPLE.read_bytes(),
              "a refused save touched the file")
    meta = json.loads(re.search(r'id="meta">(.*?)</script>', view.html,
                                re.S).group(1))
    check(meta["inputs"] == ["here.txt"] and meta["picture"] == "rods.png"
          and meta["movie"] == "rods.mp4",
          f"show()'s commands write {meta['picture']}, {meta['movie']}")
    # Arrays carved from a thread's blocks (over 16 MB of them) outlive
    # the thread, and no later call writes over them.
    want = rodscene.glyphs(EXAMPLE, "split")
    kept = []
    worker = threading.Thread(target=lambda: kept.extend(
        rodscene.glyphs(EXAMPLE, "split") for _ in range(120)))
    worker.start()
    worker.join()
    later = [rodscene.glyphs(EXAMPLE, "mono") for _ in range(120)]
    check(len(later) == 120 and all(np.array_equal(g[k], want[k])
                                    for g in kept for k in want),
          "kept glyph arrays changed")


def quaternion_turn(q, axis):
    """The axis turned by unit quaternions (w, x, y, z), by the rotation
    matrix: a way of its own, apart from the readers'."""
    w, x, y, z = q.T
    columns = {0: [1 - 2 * (y * y + z * z), 2 * (x * y + w * z),
                   2 * (x * z - w * y)]}
    return np.array(columns[axis]).T


def system_files(tmp, pos, q, box):
    """The same system as a configuration, a GSD file and a LAMMPS dump
    (one frame of plain coordinates, one of scaled ones)."""
    import gsd.hoomd
    u = quaternion_turn(q.astype(float), 0)
    u[::7] *= 2  # lengths other than 1, which the reader warns of once
    config = tmp / "rods.txt"
    config.write_text(f"{len(pos)} {box[0]} {box[1]} {box[2]}\n" + "".join(
        " ".join(repr(float(v)) for v in (*p, *d)) + "\n"
        for p, d in zip(pos, u)))
    snap = gsd.hoomd.Snapshot()
    snap.particles.N = len(pos)
    snap.particles.position, snap.particles.orientation = pos, q
    snap.configuration.box, snap.configuration.step = [*box, 0, 0, 0], 1000
    with gsd.hoomd.open(str(tmp / "rods.gsd"), "wb") as f:
        f.append(snap)
    lo = -np.asarray(box) / 2
    heads = ["x y z", "xs ys zs"]
    rows = [pos.astype(float), (pos.astype(float) - lo) / box]
    dump = tmp / "rods.dump"
    dump.write_text("".join(
        f"ITEM: TIMESTEP\n1000\nITEM: NUMBER OF ATOMS\n{len(pos)}\n"
        f"ITEM: BOX BOUNDS pp pp pp\n" +
        "".join(f"{a!r} {-a!r}\n" for a in lo) +
        f"ITEM: ATOMS id {head} quatw quati quatj quatk\n" +
        "".join(f"{i + 1} " + " ".join(repr(float(v)) for v in (*r, *k)) +
                "\n" for i, (r, k) in enumerate(zip(row, q)))
        for head, row in zip(heads, rows)))
    return config, tmp / "rods.gsd", dump


def systems(split, mono, tmp):
    """One system of 5000 rods, past the converters' 3370, in three files:
    the render path reads every rod of each, the same rods, box and time
    from all three, and warns once of the directions not of unit
    length."""
    sys.path.insert(0, str(ROOT / "render"))
    try:
        import gsd.hoomd  # noqa: F401
    except ImportError:
        sys.exit(77)
    from rodscene_render.reading import inputs, systems as rods
    from rodscene_render.reading.trajectories import expand
    rng = np.random.default_rng(11)
    box = [30.0, 20.0, 10.0]
    pos = ((rng.random((5000, 3)) - 0.5) * box).astype(np.float32)
    q = rng.normal(size=(5000, 4))
    q = (q / np.linalg.norm(q, axis=1, keepdims=True)).astype(np.float32)
    files = system_files(tmp, pos, q, box)
    reader = rods.reader(rods.shape(16.0, 1.2, True, False))
    frames = [inputs.load_input(r, k, reader, None) for r, k in expand(
        files, ["configuration", "gsd", "dump"])]
    check(len(frames) == 4, f"{len(frames)} frames, not 1 + 1 + 2")
    want = frames[0]
    check(len(want.ends) == 5000 and want.total == 5000,
          f"{len(want.ends)} of 5000 rods read")
    unit = [n for n in want.notes if "unit length" in n]
    check(len(unit) == 1 and "715" in unit[0],
          f"one warning of 715 directions not of unit length: {want.notes}")
    for fr, what in zip(frames[1:], ("GSD", "dump", "scaled dump")):
        check(np.allclose(fr.ends, want.ends, rtol=0, atol=1e-5),
              f"the {what} frame's rods differ from the configuration's")
        check(all(np.allclose(a, b) for a, b in zip(fr.box, want.box)),
              f"the {what} frame's box {fr.box} is not {want.box}")
        check(fr.time == 1000, f"the {what} frame's time is {fr.time}")


GROUPS = {"scenes": scenes, "failures": failures, "threads": threads,
          "page": page, "systems": systems}


def main():
    group, split, mono = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        check(group in GROUPS, f"no test group {group}")
        GROUPS[group](split, mono, tmp)
    print(f"{group}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
