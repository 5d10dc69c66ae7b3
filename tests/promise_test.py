#!/usr/bin/python3
"""The render path's promises under attack, with a stand-in POV-Ray.

usage: promise_test.py GROUP SPLIT_PROGRAM

Groups:
  owned    one film at a time in a frames' folder; a kept frame that no
           longer decodes is rendered again, never left out of the film.
  stops    SIGTERM on a picture ends its POV-Ray; Ctrl-C and SIGKILL while
           inputs are read end every reading process; an interrupt while
           the film encodes says how to finish it.
  lines    a film whose name is not UTF-8 and near 255 bytes keeps its
           frames when one fails, and the command it prints finishes it;
           a huge file without a line feed under a memory limit, a manifest
           nested deep and a POV-Ray whose threads start late are handled.

Exits 77 (skipped) without ffmpeg.
"""

import hashlib
import json
import os
import pathlib
import resource
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

import film_test
from film_test import PATIENCE, configurations, frame_count, wait_for
from render_checks import EXAMPLE, check

READING = 1.0  # seconds into reading 300 scenes, some 10 ms each
# A stand-in ffmpeg that takes its frames, then waits to be stopped.
SLOW_FFMPEG = "#!/bin/sh\ncat > /dev/null\nexec sleep 600\n"
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
                             text=True, env=dict(b.env, FILM_TEST_SLEEP="1"))
    wait_for(lambda: b.lines("start"), "the first film's frames", first)
    second = b.run(["--movie", b.tmp / "top.mp4", "--frames", frames,
                    "--view", "top"] + inputs)
    check(second.returncode == 2 and "in use by another film" in
          second.stderr, f"a second film shared the folder: {second.stderr}")
    first.communicate(timeout=PATIENCE)
    check(first.returncode == 0, "the first film failed")

    # A kept frame whose pixels are cut short, its chunks' checksums and
    # the manifest's digest updated to match.
    cut = frames / "frame00003.png"
    data = cut_pixels(cut.read_bytes())
    cut.write_bytes(data)
    lines = [json.loads(line) for line in
             (frames / "manifest.jsonl").read_text().splitlines()]
    for entry in lines:
        if entry.get("frame") == cut.name:
            entry["png"] = hashlib.sha256(data).hexdigest()
    (frames / "manifest.jsonl").write_text(
        "".join(json.dumps(e) + "\n" for e in lines))
    run = b.run(["--movie", movie, "--frames", frames] + inputs)
    check(run.returncode == 0 and frame_count(movie) == "h264,6",
          f"the film is {frame_count(movie)!r} with a cut frame kept: "
          f"{run.stderr}")


def cut_pixels(png):
    """The PNG with its image data halved, every chunk's CRC right."""
    out, at = png[:8], 8
    while at < len(png):
        size = struct.unpack(">I", png[at:at + 4])[0]
        kind, body = png[at + 4:at + 8], png[at + 8:at + 8 + size]
        if kind == b"IDAT":
            body = body[:len(body) // 2]
        out += struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body))
        at += 12 + size
    return out


def stopped_run(b, args, sig, when, env=None, group=False):
    """Starts a run in a session of its own, sends sig once when() holds,
    and returns (status, standard error, seconds to end)."""
    process = subprocess.Popen(b.command(args), stderr=subprocess.PIPE,
                               text=True, env=env or b.env,
                               start_new_session=True)
    wait_for(when, "the moment to stop", process)
    (os.killpg if group else os.kill)(process.pid, sig)
    start = time.monotonic()
    stderr = process.communicate(timeout=PATIENCE)[1]
    return process, stderr, time.monotonic() - start


def stops(b):
    inputs = configurations(b.tmp, 1)
    run, stderr, _ = stopped_run(
        b, [inputs[0], b.tmp / "picture.png"], signal.SIGTERM,
        lambda: b.lines("start"), dict(b.env, FILM_TEST_SLEEP="60"))
    time.sleep(0.5)
    check(run.returncode == 2 and "Traceback" not in stderr and
          not any(alive(pid) for pid, _, _ in b.lines("start")),
          f"SIGTERM left POV-Ray running: {stderr}")

    # Many inputs to read, stopped while they are read.
    scene = b.tmp / "example.pov"
    with open(scene, "wb") as out:
        subprocess.run([sys.argv[2]], cwd=EXAMPLE.parent, stdout=out, check=True)
    for sig, group in ((signal.SIGINT, True), (signal.SIGKILL, False)):
        reading = time.monotonic() + READING
        run, stderr, seconds = stopped_run(
            b, ["--movie", b.tmp / "many.mp4"] + [scene] * 300, sig,
            lambda: time.monotonic() > reading, group=group)
        time.sleep(0.5)
        left = session_left(run.pid)
        check(seconds < 5 and not left and "Traceback" not in stderr,
              f"{sig.name} while reading: {seconds:.1f} s, processes "
              f"left {left}: {stderr}")

    # Ctrl-C while ffmpeg finishes the film.
    path = stand_in(b, "ffmpeg", SLOW_FFMPEG)
    frames = b.tmp / "frames"
    run, stderr, _ = stopped_run(
        b, ["--movie", b.tmp / "film.mp4", "--frames", frames] + inputs,
        signal.SIGINT, lambda: (frames / "frame00001.png").exists(),
        dict(b.env, PATH=path), group=True)
    check(run.returncode == 2 and "to finish the film, run: " in stderr,
          f"an interrupted encoding did not say how to finish: {stderr}")


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


GROUPS = {"owned": owned, "stops": stops, "lines": lines}


if __name__ == "__main__":
    sys.exit(film_test.main(GROUPS))
