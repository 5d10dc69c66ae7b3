#!/usr/bin/python3
"""The render path's promises under attack, with a stand-in POV-Ray.

usage: promise_test.py GROUP SPLIT_PROGRAM

Groups:
  owned    one film at a time in a frames' folder; a kept frame that no
           longer decodes, or claims more pixels than can be decoded, is
           rendered again, never left out of the film.
  stops    SIGTERM on a picture ends its POV-Ray; Ctrl-C while inputs are
           read stops before any frame, SIGKILL leaves no reader; an
           interrupt while the film encodes says how to finish it; Ctrl-C
           with SIGTERM or SIGHUP mid-film stops it once, and a stop while
           the program loads is said in one line.
  lines    a film whose name is not UTF-8 and near 255 bytes keeps its
           frames when one fails, and the command it prints finishes it,
           as for a film named -f.mp4; a huge file without a line feed
           under a memory limit, a manifest nested deep, a POV-Ray whose
           threads start late and folders in the way of files are handled.
  disks    a film whose folder fills up keeps the frames that fit, whole
           and resumable, in one line; none fitting leaves no folder.

Exits 77 (skipped) without ffmpeg, and for disks without root.
"""

import contextlib
import hashlib
import json
import os
import pathlib
import re
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import zlib

import film_test
from film_test import PATIENCE, configurations, frame_count, wait_for
from render_checks import EXAMPLE, SKIP, Image, check

# A stand-in ffmpeg that takes its frames, then waits to be stopped.
SLOW_FFMPEG = "#!/bin/sh\ncat > /dev/null\nexec sleep 600\n"
# A stand-in ffmpeg whose films are more than a small disk holds.
BIG_FILM = """#!/bin/sh
{ffmpeg} "$@" || exit
for last; do :; done
head -c 2000000 /dev/zero >> "$last"
"""
PAGE = 4096  # a small file system's block
# A numpy that says when the program loads it and waits to be let go;
# an interrupt that reaches it meanwhile is noted before it goes on.
LOADING = """import os, pathlib, sys, time
mark = pathlib.Path(os.environ["FILM_TEST_LOG"] + ".loading")
mark.touch()
try:
    while not mark.with_suffix(".go").exists():
        time.sleep(0.01)
except KeyboardInterrupt:
    mark.with_suffix(".hit").touch()
    raise
here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path[:] = [p for p in sys.path if os.path.abspath(p or ".") != here]
del sys.modules["numpy"]
import numpy
"""
# A stand-in POV-Ray whose first run cannot start its threads.
LATE_THREADS = """#!/bin/sh
if [ ! -e "{log}.late" ]; then
  touch "{log}.late"
  echo "Timed out waiting for worker thread startup" >&2; exit 1
fi
exec {python} "{bin}/povray" "$@"
"""


def stand_in(b, name, text):
    """A PATH with the stand-in program name first."""
    folder = pathlib.Path(tempfile.mkdtemp(dir=b.tmp))
    (folder / name).write_text(text)
    (folder / name).chmod(0o755)
    return f"{folder}:{b.env['PATH']}"


def session_left(pid):
    """The live processes in a run's session (not zombies, which a
    container's first process may never reap)."""
    run = subprocess.run(["pgrep", "-s", str(pid)], capture_output=True,
                         text=True)
    return [p for p in run.stdout.split() if alive(p)]


def alive(pid):
    try:
        stat = pathlib.Path(f"/proc/{pid}/stat").read_text()
    except OSError:
        return False
    return stat.rsplit(")", 1)[1].split()[0] != "Z"


def owned(b):
    inputs = configurations(b.tmp, 6)
    movie, frames = b.tmp / "film.mp4", b.tmp / "frames"
    first = subprocess.Popen(b.command(["--movie", movie, "--frames", frames]
                                       + inputs), stderr=subprocess.PIPE,
                             text=True, env=dict(b.env, FILM_TEST_PASS="0"))
    wait_for(lambda: b.lines("start"), "the first film's frames", first)
    second = b.run(["--movie", b.tmp / "top.mp4", "--frames", frames,
                    "--view", "top"] + inputs)
    check(second.returncode == 2 and "in use by another film" in
          second.stderr, f"a second film shared the folder: {second.stderr}")
    pathlib.Path(f"{b.log}.go").touch()  # the first film's frames go on
    first.communicate(timeout=PATIENCE)
    check(first.returncode == 0, "the first film failed")

    # A kept frame whose pixels are cut short, its chunks' checksums and
    # the manifest's digest updated to match.
    cut = frames / "frame00003.png"
    vouched(frames, cut.name, cut_pixels(cut.read_bytes()))
    run = b.run(["--movie", movie, "--frames", frames] + inputs)
    check(run.returncode == 0 and frame_count(movie) == "h264,6",
          f"the film is {frame_count(movie)!r} with a cut frame kept: "
          f"{run.stderr}")

    # A kept frame of 225 megapixels, more than Pillow decodes: rendered
    # again, not decoded.
    vouched(frames, "frame00004.png", png_of(15000, 15000))
    b.log.unlink()
    run = b.run(["--movie", movie, "--frames", frames] + inputs)
    check(run.returncode == 0 and frame_count(movie) == "h264,6" and
          len(b.lines("done")) == 1, f"a frame of 225 megapixels: "
          f"{run.stderr[-2000:]}")


def vouched(frames, name, data):
    """The frame's file replaced by data, and the manifest's digest of it
    updated to match."""
    (frames / name).write_bytes(data)
    lines = [json.loads(line) for line in
             (frames / "manifest.jsonl").read_text().splitlines()]
    for entry in lines:
        if entry.get("frame") == name:
            entry["png"] = hashlib.sha256(data).hexdigest()
    (frames / "manifest.jsonl").write_text(
        "".join(json.dumps(e) + "\n" for e in lines))


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(
        ">I", zlib.crc32(kind + body))


def png_of(width, height):
    """A PNG's signature and chunks for an RGB picture of the size, with
    no pixels in its data."""
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(
        ">IIBBBBB", width, height, 8, 2, 0, 0, 0)) + \
        chunk(b"IDAT", zlib.compress(b"")) + chunk(b"IEND", b"")


def cut_pixels(png):
    """The PNG with its image data halved, every chunk's CRC right."""
    out, at = png[:8], 8
    while at < len(png):
        size = struct.unpack(">I", png[at:at + 4])[0]
        kind, body = png[at + 4:at + 8], png[at + 8:at + 8 + size]
        if kind == b"IDAT":
            body = body[:len(body) // 2]
        out += chunk(kind, body)
        at += 12 + size
    return out


def stopped_run(b, args, sig, when, env=None, group=False):
    """Starts a run in a session of its own, sends sig once when(process)
    holds, and returns (process, standard error)."""
    process = subprocess.Popen(b.command(args), stderr=subprocess.PIPE,
                               text=True, env=env or b.env,
                               start_new_session=True)
    wait_for(lambda: when(process), "the moment to stop", process)
    (os.killpg if group else os.kill)(process.pid, sig)
    return process, process.communicate(timeout=PATIENCE)[1]


def reading(path):
    """Whether a run, or a process of its session, has path open."""
    def holds(process):
        for pid in session_left(process.pid):
            with contextlib.suppress(OSError):
                for fd in os.listdir(f"/proc/{pid}/fd"):
                    if os.readlink(f"/proc/{pid}/fd/{fd}") == str(path):
                        return True
        return False
    return holds


def stops(b):
    inputs = configurations(b.tmp, 1)
    # The run waits for what it ends: its POV-Ray is gone when it is.
    run, stderr = stopped_run(
        b, [inputs[0], b.tmp / "picture.png"], signal.SIGTERM,
        lambda _: b.lines("start"), dict(b.env, FILM_TEST_PASS="0"))
    check(run.returncode == 2 and "Traceback" not in stderr and
          not any(alive(pid) for pid, _, _ in b.lines("start")),
          f"SIGTERM left POV-Ray running: {stderr}")

    # Many inputs to read, stopped while they are read: Ctrl-C ends the
    # readers before the run goes on, and they die with a killed run.
    scene = b.tmp / "example.pov"
    with open(scene, "wb") as out:
        subprocess.run([sys.argv[2]], cwd=EXAMPLE.parent, stdout=out,
                       check=True)
    many = ["--movie", b.tmp / "many.mp4"] + [scene] * 300
    b.log.unlink()
    run, stderr = stopped_run(b, many, signal.SIGINT, reading(scene),
                               group=True)
    left = session_left(run.pid)
    check(run.returncode == 2 and not left and "Traceback" not in stderr
          and "interrupted" in stderr and not b.lines("start"),
          f"Ctrl-C while reading: processes left {left}, POV-Ray runs "
          f"{len(b.lines('start'))}: {stderr}")
    run, _ = stopped_run(b, many, signal.SIGKILL, reading(scene))
    wait_for(lambda: not session_left(run.pid), "the readers to die")

    # Ctrl-C while ffmpeg finishes the film.
    path = stand_in(b, "ffmpeg", SLOW_FFMPEG)
    frames = b.tmp / "frames"
    run, stderr = stopped_run(
        b, ["--movie", b.tmp / "film.mp4", "--frames", frames] + inputs,
        signal.SIGINT, lambda _: (frames / "frame00001.png").exists(),
        dict(b.env, PATH=path), group=True)
    check(run.returncode == 2 and "to finish the film, run: " in stderr,
          f"an interrupted encoding did not say how to finish: {stderr}")
    twice(b)
    loading(b, inputs[0])


def twice(b):
    """Ctrl-C and SIGTERM (or SIGHUP) at once mid-film stop it once."""
    inputs = configurations(b.tmp, 8)
    for other in (signal.SIGTERM, signal.SIGHUP):
        frames = b.tmp / f"frames-{other.name}"
        b.log.unlink(missing_ok=True)
        process = subprocess.Popen(
            b.command(["--movie", b.tmp / "twice.mp4", "--frames", frames]
                      + inputs), stderr=subprocess.PIPE, text=True,
            env=dict(b.env, FILM_TEST_PASS="1", FILM_TEST_ONE_AT_A_TIME="1"))
        wait_for(lambda: any(frames.glob("frame*.png")), "a frame", process)
        process.send_signal(signal.SIGINT)
        process.send_signal(other)
        stderr = process.communicate(timeout=PATIENCE)[1]
        check(process.returncode == 2 and "Traceback" not in stderr and
              "interrupted: kept " in stderr and " run: " in stderr,
              f"Ctrl-C with {other.name}: {stderr[-3000:]}")


def loading(b, config):
    """Ctrl-C and SIGTERM while the program loads its modules: held back
    until it can say it stopped, never raised inside an import."""
    fake = b.tmp / "loading" / "numpy"
    fake.mkdir(parents=True)
    (fake / "__init__.py").write_text(LOADING)
    mark = pathlib.Path(f"{b.log}.loading")
    picture = b.tmp / "loaded.png"
    process = subprocess.Popen(
        b.command([config, picture]), stderr=subprocess.PIPE, text=True,
        env=dict(b.env, PYTHONPATH=str(fake.parent)))
    wait_for(mark.exists, "the program to load numpy", process)
    process.send_signal(signal.SIGINT)
    process.send_signal(signal.SIGTERM)
    mark.with_suffix(".go").touch()
    stderr = process.communicate(timeout=PATIENCE)[1]
    check(not mark.with_suffix(".hit").exists(),
          "a stop was raised inside an import")
    check(process.returncode == 2 and stderr.endswith(
        "interrupted: nothing was written\n") and "Traceback" not in stderr
        and not picture.exists(), f"a stop while loading: {stderr}")


def lines(b):
    inputs = configurations(b.tmp, 3)
    name = os.fsdecode(b"\xe9" * 120 + b"x" * 110 + b".mp4")
    failing = stand_in(b, "povray", "#!/bin/sh\nexit 1\n")
    movie = b.tmp / name
    run = b.run(["--movie", movie] + inputs, PATH=failing)
    check(run.returncode == 2 and "Traceback" not in run.stderr and
          "\\xe9" in run.stderr, f"a failing frame: {run.stderr}")
    command = run.stderr.split("to finish the film, run: ")[1].strip()
    again = subprocess.run(["bash", "-c", command], capture_output=True,
                           text=True, env=b.env, timeout=PATIENCE)
    check(again.returncode == 0 and frame_count(movie) == "h264,3",
          f"the printed command did not finish the film: {again.stderr}")
    dashed(b, inputs, failing)
    folders_in_the_way(b, inputs)

    big = b.tmp / "big.txt"
    with open(big, "wb") as f:
        f.write(b"header\n")
        f.truncate(1 << 30)
    limit = (700 << 20, 700 << 20)
    run = subprocess.run(
        b.command([big, b.tmp / "big.png"]), capture_output=True, text=True,
        env=b.env, preexec_fn=lambda: resource.setrlimit(
            resource.RLIMIT_AS, limit))
    check(run.returncode == 2 and "no data record" in run.stderr,
          f"a gigabyte without a line feed: {run.stderr[-300:]}")

    deep = b.tmp / "deep"
    deep.mkdir()
    (deep / "manifest.jsonl").write_text("[" * 100000 + "\n")
    run = b.run(["--movie", b.tmp / "deep.mp4", "--frames", deep] + inputs)
    check(run.returncode == 2 and "not a film's" in run.stderr and
          "Traceback" not in run.stderr, f"a deep manifest: {run.stderr}")

    path = stand_in(b, "povray", LATE_THREADS.format(
        log=b.log, python=sys.executable, bin=b.tmp / "bin"))
    run = b.run(["--movie", b.tmp / "late.mp4"] + inputs, PATH=path)
    check(run.returncode == 0 and frame_count(b.tmp / "late.mp4") ==
          "h264,3", f"POV-Ray's threads late: {run.stderr}")


def disks(b):
    """A film whose folder fills up keeps the frames that fit there, whole
    and resumable, and says so in one line; when none fits, no folder is
    left. Needs root, to mount a small file system."""
    full = b.tmp / "full"
    full.mkdir()
    mount = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m",
                            "tmpfs", str(full)], capture_output=True)
    if mount.returncode != 0:
        print("cannot mount a small file system (needs root): skipped")
        sys.exit(SKIP)
    try:
        filled(b, full)
    finally:
        subprocess.run(["umount", "-l", str(full)], check=True)


def fill(folder, pages):
    """Fills folder's file system but for the pages."""
    room = os.statvfs(folder)
    with open(folder / "filler", "wb") as f:
        f.write(b"\0" * (room.f_bavail * room.f_frsize - pages * PAGE))


def said_once(run):
    """The run's last line, checked to end it in one line of its own."""
    lines = run.stderr.splitlines()
    check(run.returncode == 2 and lines and all(
        line.startswith("render_scene.py: ") for line in lines),
        f"not one line a thing: {run.stderr}")
    return lines[-1]


def filled(b, full):
    inputs = configurations(b.tmp, 8)
    big = stand_in(b, "ffmpeg", BIG_FILM.format(
        ffmpeg=shutil.which("ffmpeg", path=b.env["PATH"])))
    movie = full / "film.mp4"
    fill(full, 6)  # the warnings, the manifest and some frames
    last = said_once(b.run(["--movie", movie] + inputs, PATH=big))
    kept = re.search(r"kept (\d+) of 8 frames in .* \(no more could be "
                     r"copied: No space left on device\)", last)
    check(kept and 0 < int(kept[1]) < 8 and str(b.scratch) not in last,
          f"a film whose folder fills up: {last}")
    count = int(kept[1])
    folder = full / "film-frames"
    check(sorted(os.listdir(folder)) == [f"frame{i:05d}.png" for i in range(
        1, count + 1)] + ["manifest.jsonl"], f"{folder} holds "
        f"{sorted(os.listdir(folder))}")
    for i in range(1, count + 1):
        Image.open(folder / f"frame{i:05d}.png").load()
    (full / "filler").unlink()
    b.log.unlink()
    again = subprocess.run(["bash", "-c", last.split(", run: ")[1]],
                           capture_output=True, text=True, env=b.env,
                           timeout=PATIENCE)
    check(again.returncode == 0 and frame_count(movie) == "h264,8" and
          len(b.lines("done")) == 8 - count,
          f"the kept frames did not finish the film: {again.stderr}")

    # No room for even the manifest.
    for path in full.iterdir():
        (shutil.rmtree if path.is_dir() else os.unlink)(path)
    fill(full, 1)  # the warnings
    last = said_once(b.run(["--movie", full / "none.mp4"] + inputs,
                           PATH=big))
    check("the frames could not be kept in" in last and sorted(
        os.listdir(full)) == ["filler", "none-warnings.log"],
        f"no room for the frames: {last}, leaving {os.listdir(full)}")


def dashed(b, inputs, failing):
    """A film named -f.mp4 keeps its frames in -f-frames, and the command
    it prints, run from the same folder, finishes it."""
    run = subprocess.run(b.command(["--movie=-f.mp4"] + inputs), cwd=b.tmp,
                         capture_output=True, text=True,
                         env=dict(b.env, PATH=failing), timeout=PATIENCE)
    command = run.stderr.split("to finish the film, run: ")[-1]
    again = subprocess.run(["bash", "-c", command], cwd=b.tmp,
                           capture_output=True, text=True, env=b.env,
                           timeout=PATIENCE)
    check(again.returncode == 0 and frame_count(b.tmp / "-f.mp4") ==
          "h264,3", f"a film named -f.mp4 not finished: {run.stderr} "
          f"then {again.stderr}")


def folders_in_the_way(b, inputs):
    """A folder where the warnings' log or the manifest would go is named
    in one line."""
    (b.tmp / "way-warnings.log").mkdir()
    frames = b.tmp / "way-frames"
    (frames / "manifest.jsonl").mkdir(parents=True)
    for args, said in ((["--movie", b.tmp / "way.mp4"],
                        f"{b.tmp / 'way-warnings.log'} exists and is not"),
                       (["--movie", b.tmp / "way2.mp4", "--frames", frames],
                        f"{frames} holds a manifest.jsonl that is not")):
        run = b.run(args + inputs)
        check(run.returncode == 2 and run.stderr.count("\n") == 1 and
              said in run.stderr, f"a folder in the way: {run.stderr}")


GROUPS = {"owned": owned, "stops": stops, "lines": lines, "disks": disks}


if __name__ == "__main__":
    sys.exit(film_test.main(GROUPS))
