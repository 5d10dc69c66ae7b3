#!/usr/bin/python3
"""Films: resumed, whole, on a cluster, in each container.

usage: film_test.py resume|whole|cluster|containers SPLIT_PROGRAM

A stand-in povray on PATH draws a picture from a digest of its glyphs and
logs each run, so that a group knows which frames were rendered. Exits 77
(skipped) without ffmpeg, or without Dask for the cluster group.
"""

import contextlib
import json
import os
import pathlib
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import types

from render_checks import RENDER, SKIP, Image, check, np

# Seconds before a step that should take one is a failure: a guard against
# a hang, never a measure, so generous enough for a machine loaded many
# times over (a Dask worker then takes tens of seconds to join).
PATIENCE = 120
# A stand-in POV-Ray: a picture of the size asked for, its colour (or its
# noise) drawn from the glyphs' digest; "start PID PARENT DIGEST" and
# "done PID DIGEST" lines in $FILM_TEST_LOG; one run at a time, each
# holding a lock on the log, when asked; when FILM_TEST_PASS is set, runs
# beyond that many done wait for $FILM_TEST_LOG.go, so that a film is
# stopped with those frames done and no more. POV-Ray runs with an
# environment of the render path's own: the test's settings come from its
# parent's.
STAND_IN = f"""#!{sys.executable}
import fcntl, hashlib, os, sys, time
from PIL import Image
with open(f"/proc/{{os.getppid()}}/environ", "rb") as f:
    environ = dict(os.fsdecode(v).split("=", 1) for v in f.read().split(b"\\0")
                   if b"=" in v)
args = {{a[:2]: a[2:] for a in sys.argv[1:] if a[:2] in ("+W", "+H", "+O")
        and a[2:3] != "T"}}
digest = hashlib.sha256(open("rodscene_glyphs.inc", "rb").read()).hexdigest()
name = environ["FILM_TEST_LOG"]
def log(line):
    with open(name, "a") as f:
        f.write(line + "\\n")
log(f"start {{os.getpid()}} {{os.getppid()}} {{digest}}")
if environ.get("FILM_TEST_ONE_AT_A_TIME"):
    held = open(name, "a")  # the lock lasts as long as the file is open
    fcntl.flock(held, fcntl.LOCK_EX)
passing = int(environ.get("FILM_TEST_PASS", "-1"))
while 0 <= passing <= open(name).read().count("\\ndone ") and \\
        not os.path.exists(name + ".go"):
    time.sleep(0.01)
size = (int(args["+W"]), int(args["+H"]))
if environ.get("FILM_TEST_NOISE"):
    seed = bytes.fromhex(digest) * (size[0] * size[1] * 3 // 32 + 1)
    image = Image.frombytes("RGB", size, seed[:size[0] * size[1] * 3])
else:
    image = Image.new("RGB", size, tuple(bytes.fromhex(digest)[:3]))
image.save(args["+O"])
log(f"done {{os.getpid()}} {{digest}}")
"""

# A stand-in ffmpeg that takes the frames and fails.
BROKEN_FFMPEG = """#!/bin/sh
cat > /dev/null
echo "stand-in encoder: broken" >&2
exit 1
"""


def configurations(folder, count):
    """count configurations that differ only in an inner rod, so that the
    film's camera is the same whichever of them change."""
    paths = []
    for i in range(count):
        sites = [(x, y, z, 1, 0, 0) for x in (-40, 40) for y in (-20, 20)
                 for z in (-15, 15)] + [(i - count / 2, 0, 5, 1, 0, 0)]
        path = folder / f"step{i:02d}.txt"
        path.write_text("0 0 0 0\n" + "".join(
            " ".join(str(v) for v in site) + "\n" for site in sites))
        paths.append(path)
    return paths


class rig:
    """The test's folder, the stand-in's log and the environment."""

    def __init__(self, tmp, split):
        self.tmp = tmp
        self.log = tmp / "povray.log"
        fake = tmp / "bin"
        fake.mkdir()
        (fake / "povray").write_text(STAND_IN)
        (fake / "povray").chmod(0o755)
        scratch = tmp / "scratch"
        scratch.mkdir()
        self.scratch = scratch
        self.env = dict(os.environ, PATH=f"{fake}:{os.environ['PATH']}",
                        FILM_TEST_LOG=str(self.log), TMPDIR=str(scratch))
        self.options = ["--program", "split", "--converters", str(pathlib.Path(split).parent),
                        "--width", "64", "--height", "48", "--no-key",
                        "--no-axes", "--renderer", "povray"]

    def command(self, args):
        return [sys.executable, str(RENDER)] + [str(a) for a in args] + \
            self.options

    def run(self, args, **env):
        return subprocess.run(self.command(args), capture_output=True,
                              text=True, env=dict(self.env, **env),
                              timeout=PATIENCE * 2)

    def lines(self, kind):
        if not self.log.exists():
            return []
        return [line.split()[1:] for line in self.log.read_text().splitlines()
                if line.startswith(kind + " ")]


def frame_count(movie):
    probe = subprocess.run(
        ["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
         "-show_entries", "stream=codec_name,nb_read_frames", "-of",
         "csv=p=0", str(movie)], capture_output=True, text=True)
    return probe.stdout.strip()


def wait_for(condition, what, process=None):
    deadline = time.monotonic() + PATIENCE
    while not condition():
        check(time.monotonic() < deadline, f"waited too long for {what}")
        check(process is None or process.poll() is None,
              f"the film ended before {what}")
        time.sleep(0.002)


def resume(b):
    inputs = configurations(b.tmp, 8)
    movie, frames = b.tmp / "film.mp4", b.tmp / "frames"
    process = subprocess.Popen(b.command(["--movie", movie, "--frames",
                                          frames] + inputs),
                               stderr=subprocess.PIPE, text=True,
                               env=dict(b.env, FILM_TEST_PASS="2",
                                        FILM_TEST_ONE_AT_A_TIME="1"))
    # Two frames finish one by one, and the rest wait for Ctrl-C.
    wait_for(lambda: len(list(frames.glob("frame*.png"))) >= 2,
             "two frames", process)
    process.send_signal(signal.SIGINT)
    stderr = process.communicate(timeout=PATIENCE)[1]
    check(process.returncode == 2 and "interrupted: kept " in stderr,
          f"Ctrl-C was not reported: {stderr}")
    check(not any(os.path.exists(f"/proc/{pid}")
                  for pid, _, _ in b.lines("start")),
          "a POV-Ray run outlived Ctrl-C")
    left = [p.name for p in frames.iterdir()
            if not p.name.startswith("frame")] + \
        [p.name for p in b.scratch.iterdir()]
    check(sorted(left) == ["manifest.jsonl", "warnings.log"],
          f"Ctrl-C left files behind: {left}")

    # The printed command finishes the film rendering only the frames the
    # folder lacks: frames in flight at Ctrl-C were ended, not kept.
    kept = len(list(frames.glob("frame*.png")))
    check(kept == 2 and "kept 2 of 8 frames" in stderr,
          f"{kept} frames kept of 2 done: {stderr}")
    # A shell runs it: its inputs may be a pattern.
    command = ["bash", "-c", stderr.split("to finish the film, run: ")[1]]
    check("/step0*.txt " in command[2], f"the inputs are not named by "
          f"their pattern: {command[2]}")
    b.log.unlink()
    run = subprocess.run(command, capture_output=True, text=True,
                         env=b.env, timeout=PATIENCE * 2)
    check(run.returncode == 0, f"the resumed film failed: {run.stderr}")
    check(frame_count(movie) == "h264,8", f"the resumed film is "
          f"{frame_count(movie)!r}, not 8 frames")
    done = [digest for _, digest in b.lines("done")]
    check(len(done) == len(set(done)) == 8 - kept, f"{len(done)} renders "
          f"of {len(set(done))} frames, not {8 - kept} for {kept} kept")

    # Run again: the frame rate shapes no frame, a changed input its own.
    b.log.unlink()
    run = b.run(["--movie", movie, "--frames", frames, "--fps", "12"] +
                inputs)
    check(run.returncode == 0 and not b.lines("start"),
          f"an unchanged film rendered frames again: {run.stderr}")
    other = b.tmp / "other"
    other.mkdir()
    configurations(other, 9)[0].replace(inputs[3])
    run = b.run(["--movie", movie, "--frames", frames] + inputs)
    check(run.returncode == 0 and len(b.lines("done")) == 1,
          f"{len(b.lines('done'))} frames rendered for one changed input")


def whole(b):
    inputs = configurations(b.tmp, 4)
    movie, frames = b.tmp / "film.mp4", b.tmp / "frames"
    frames.mkdir()
    size = ["--width", "1600", "--height", "1600"]
    process = subprocess.Popen(b.command(["--movie", movie, "--frames",
                                          frames] + inputs + size),
                               stderr=subprocess.DEVNULL,
                               env=dict(b.env, FILM_TEST_NOISE="1"),
                               start_new_session=True)
    # Killed as soon as the first frame's bytes appear in the folder.
    wait_for(lambda: any("frame" in p.name for p in frames.iterdir()),
             "a frame's file", process)
    os.killpg(process.pid, signal.SIGKILL)
    process.wait()
    for path in frames.glob("frame*.png"):
        try:
            Image.open(path).load()
        except (OSError, SyntaxError) as e:
            check(False, f"{path.name} is not whole: {e}")
    run = b.run(["--movie", movie, "--frames", frames] + inputs + size,
                FILM_TEST_NOISE="1")
    check(run.returncode == 0, f"the film did not run again: {run.stderr}")
    left = sorted(p.name for p in frames.iterdir())
    check(left == [f"frame{i:05d}.png" for i in range(1, 5)] +
          ["manifest.jsonl", "warnings.log"],
          f"the frames' folder holds {left}")
    failed_encoder(b, configurations(b.tmp, 3))
    angle_range()


def angle_range():
    """A film keeps a few counts of each frame's angles, not the angles:
    the colour range it finds from them is angle_top's of all the frames'
    angles, for angles at, beside and about the steps' bounds, where the
    95th percentile falls between two angles either side of a bound."""
    sys.path.insert(0, str(RENDER.parent))
    from rodscene_render.order import orientation
    bounds = np.array(orientation.step_bounds())
    near = np.concatenate([bounds, np.nextafter(bounds, np.inf),
                           np.nextafter(bounds, -np.inf), bounds + 0.3,
                           bounds - 0.3])
    near = near[(near >= 0) & (near <= 90)]
    rng = np.random.default_rng(11)
    made, orientation.angles = orientation.angles, lambda ends, _: ends
    try:
        for _ in range(3000):
            frames = [types.SimpleNamespace(ends=np.concatenate([
                rng.choice(near, rng.integers(0, 12)),
                rng.uniform(0, 90, rng.integers(0, 4))]))
                for _ in range(rng.integers(1, 5))]
            whole = orientation.angle_top(frames, lambda fr: None)
            kept = orientation.angle_top_of(
                [orientation.angle_counts(fr.ends) for fr in frames])
            check(kept == whole, f"the colour range of counts is {kept}, "
                  f"of the angles {whole}: {[fr.ends for fr in frames]}")
    finally:
        orientation.angles = made


def failed_encoder(b, inputs):
    """A failing ffmpeg loses neither an earlier film nor the frames: the
    command it prints makes the film without rendering them again."""
    movie = b.tmp / "kept.mp4"
    earlier = b"\0\0\0\x10ftypisom\0\0\0\0"
    movie.write_bytes(earlier)
    broken = b.tmp / "broken"
    broken.mkdir()
    (broken / "ffmpeg").write_text(BROKEN_FFMPEG)
    (broken / "ffmpeg").chmod(0o755)
    run = b.run(["--movie", movie] + inputs,
                PATH=f"{broken}:{b.env['PATH']}")
    check(run.returncode == 2 and "stand-in encoder: broken" in run.stderr
          and "ffmpeg failed with status 1" in run.stderr
          and "to make the film, run: " in run.stderr,
          f"the failed encoder was not reported: {run.stderr}")
    check(movie.read_bytes() == earlier, "the earlier film was overwritten")
    command = ["bash", "-c", run.stderr.split("to make the film, run: ")[1]]
    b.log.unlink()
    run = subprocess.run(command, capture_output=True, text=True,
                         env=b.env, timeout=PATIENCE * 2)
    check(run.returncode == 0 and not b.lines("start"),
          f"the kept frames were rendered again: {run.stderr}")
    check(frame_count(movie) == "h264,3", f"the film is "
          f"{frame_count(movie)!r}, not 3 frames")


def cluster(b):
    """A service that is not a Dask scheduler; a scheduler and two workers
    on 127.0.0.1, one killed while its POV-Ray renders a frame; a scheduler
    and a worker over TLS."""
    try:
        import distributed  # noqa: F401 (the cluster's own test)
    except ImportError:
        print("Dask distributed is not installed: skipped")
        sys.exit(SKIP)
    not_a_scheduler(b)
    inputs = configurations(b.tmp, 6)
    run = b.run(["--movie", b.tmp / "local.mp4", "--frames", b.tmp / "local"]
                + inputs)
    check(run.returncode == 0, f"the local film failed: {run.stderr}")
    b.log.unlink()
    with dask_cluster(b, "tcp", 2, FILM_TEST_PASS="0") as (processes,
                                                           address):
        lost_worker_film(b, inputs, address, processes[1:])
    key, cert = str(b.tmp / "key.pem"), str(b.tmp / "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1",
                    "-subj", "/CN=film_test", "-keyout", key, "-out", cert],
                   check=True, capture_output=True)
    tls = ["--tls-key", key, "--tls-cert", cert, "--tls-ca-file", cert]
    with dask_cluster(b, "tls", 1, ["--protocol", "tls"] + tls) as (_, at):
        run = b.run(["--movie", b.tmp / "tls.mp4", "--scheduler", at]
                    + inputs[:3], DASK_DISTRIBUTED__COMM__TLS__CA_FILE=cert,
                    DASK_DISTRIBUTED__COMM__TLS__CLIENT__CERT=cert,
                    DASK_DISTRIBUTED__COMM__TLS__CLIENT__KEY=key)
    check(run.returncode == 0, f"the film over TLS failed: {run.stderr}")
    check(frame_count(b.tmp / "tls.mp4") == "h264,3",
          f"the film over TLS is {frame_count(b.tmp / 'tls.mp4')!r}")


def hang_up(server):
    while True:
        server.accept()[0].close()


def not_a_scheduler(b):
    """Refused in one line before any input is read: the missing input
    would be refused then."""
    server = socket.create_server(("127.0.0.1", 0))
    threading.Thread(target=hang_up, args=(server,), daemon=True).start()
    run = b.run(["--movie", b.tmp / "film.mp4", "--scheduler",
                 f"tcp://127.0.0.1:{server.getsockname()[1]}",
                 b.tmp / "missing.txt"])
    # Told by the closed connection, not by the handshake's time running
    # out.
    check(run.returncode == 2 and run.stderr.count("\n") == 1 and
          "not a Dask scheduler" in run.stderr and
          "no answer within" not in run.stderr,
          f"a service that is not a Dask scheduler: {run.stderr}")


@contextlib.contextmanager
def dask_cluster(b, name, workers, options=(), **env):
    """A scheduler and workers on 127.0.0.1, with env added to theirs;
    yields their processes and the scheduler's address once every worker
    has joined."""
    address, log = b.tmp / f"{name}.json", b.tmp / f"{name}.log"
    dask = ["--no-dashboard", "--host", "127.0.0.1", "--scheduler-file",
            str(address)] + list(options)
    commands = [["dask", "scheduler", "--port", "0"] + dask] + \
        [["dask", "worker", "--nthreads", "1", "--no-nanny"] + dask] * workers
    with open(log, "w") as out:
        processes = [subprocess.Popen(c, env=dict(b.env, **env), stdout=out,
                                      stderr=out,
                                      start_new_session=True)
                     for c in commands]
    try:
        wait_for(lambda: log.read_text().count("Registered to") == workers,
                 f"{workers} workers")
        yield processes, json.loads(address.read_text())["address"]
    finally:
        for process in processes:
            process.terminate()
            process.wait()


def lost_worker_film(b, inputs, address, workers):
    film = subprocess.Popen(
        b.command(["--movie", b.tmp / "film.mp4", "--frames", b.tmp / "frames",
                   "--scheduler", address] + inputs),
        stderr=subprocess.PIPE, text=True)
    workers = {p.pid: p for p in workers}

    def busy():
        """The workers whose POV-Ray has started a frame."""
        return [int(parent) for _, parent, _ in b.lines("start")
                if int(parent) in workers]
    # The workers' POV-Ray runs wait until one worker is killed mid-frame.
    wait_for(busy, "a frame on a worker", film)
    workers[busy()[0]].kill()
    pathlib.Path(f"{b.log}.go").touch()
    stderr = film.communicate(timeout=PATIENCE * 2)[1]
    check(film.returncode == 0, f"the film lost with a worker: {stderr}")
    check(frame_count(b.tmp / "film.mp4") == "h264,6",
          f"the film is {frame_count(b.tmp / 'film.mp4')!r}, not 6 frames")
    for i in range(1, 7):
        name = f"frame{i:05d}.png"
        check(np.array_equal(np.asarray(Image.open(b.tmp / "frames" / name)),
                             np.asarray(Image.open(b.tmp / "local" / name))),
              f"{name} differs from the local run's")


def containers(b):
    inputs = configurations(b.tmp, 1) * 3
    for suffix, codec in ((".mp4", "h264"), (".webm", "vp9"),
                          (".gif", "gif")):
        movie, frames = b.tmp / f"film{suffix}", b.tmp / f"frames{suffix}"
        run = b.run(["--movie", movie, "--frames", frames, "--label",
                     "{index}", "--width", "320", "--height", "180"] + inputs)
        check(run.returncode == 0, f"the {suffix} film failed: {run.stderr}")
        check(frame_count(movie) == f"{codec},3", f"the {suffix} film is "
              f"{frame_count(movie)!r}, not 3 {codec} frames")
    # One input thrice: the frames differ by their label alone, at the top
    # left.
    a = np.asarray(Image.open(frames / "frame00001.png"), int)
    c = np.asarray(Image.open(frames / "frame00003.png"), int)
    ys, xs = np.nonzero(np.abs(a - c).sum(axis=2))
    check(len(xs) and xs.max() < 160 and ys.max() < 90,
          "the label is not drawn on every frame, at the top left")


GROUPS = {"resume": resume, "whole": whole, "cluster": cluster,
          "containers": containers}


def main(groups=None):
    """Runs the group the arguments name, of groups (this script's by
    default), on a rig of its own."""
    if shutil.which("ffmpeg") is None:
        print("ffmpeg is not installed: skipped")
        return SKIP
    group, split = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as name:
        (groups or GROUPS)[group](rig(pathlib.Path(name), split))
    print(f"{group}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
