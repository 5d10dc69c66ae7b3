#!/usr/bin/python3
"""Times how long a film takes to stop after Ctrl-C, on idle and on busy
cores.

Makes the example's short trajectory in a temporary folder, starts a draft
film of it, waits until frames are being rendered, sends SIGINT and times
until the program has exited and none of its children is left. Then a
final film and a final picture of large frames, stopped while a frame is
traced; then draft films with LOAD busy processes per core running beside
them (a machine shared with other jobs). Prints each stop's time and the
slowest.

Usage: stop_bench.py [RUNS [LOAD]]   (default 5 runs, load 4 a core)
Needs POV-Ray, ffmpeg, numpy and tqdm.
"""

import os
import pathlib
import signal
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
RENDER = ROOT / "render" / "render_scene.py"
MAKE = ROOT / "examples" / "make_trajectory.py"
BUSY = "while True: pass"
# Large final frames, each many seconds of tracing; stopped RENDERING
# seconds after the start, while one is traced.
FINAL = ["--quality", "final", "--width", "4000", "--height", "3000"]
RENDERING = 4.0


def session_alive(sid):
    """Whether any process is left in the film's session."""
    for entry in pathlib.Path("/proc").iterdir():
        if entry.name.isdigit():
            try:
                if os.getsid(int(entry.name)) == sid:
                    return True
            except OSError:
                continue
    return False


def film_command(tmp, index, quality):
    """A film of the trajectory, and the folder its frames are kept in."""
    frames = tmp / f"frames{index}"
    return [sys.executable, str(RENDER), "--movie",
            str(tmp / f"f{index}.mp4"), "--frames", str(frames)] + quality + \
        sorted(str(p) for p in (tmp / "run42").glob("step*.txt")), frames


def one_stop(command, frames=None):
    """Seconds from SIGINT until the run and its children are gone, sent
    once a frame is kept (with frames) or after RENDERING seconds."""
    run = subprocess.Popen(command, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, start_new_session=True)
    began = time.monotonic()
    while run.poll() is None and (
            not any(frames.glob("frame*.png")) if frames else
            time.monotonic() - began < RENDERING):
        time.sleep(0.05)
    start = time.monotonic()
    run.send_signal(signal.SIGINT)
    run.wait()
    while session_alive(run.pid):
        time.sleep(0.01)
    return time.monotonic() - start


def said(label, times):
    shown = " ".join(f"{t:.2f}" for t in times)
    print(f"{label}: stops in {shown} s; slowest {max(times):.2f} s")


def runs(tmp, count, label):
    said(label, [one_stop(*film_command(tmp, f"{label}{i}", ["--draft"]))
                 for i in range(count)])


def large(tmp, count):
    """A final film and picture of large frames, stopped while a frame is
    traced: the renderer in this process gives up within a row."""
    said("final film", [one_stop(film_command(tmp, f"final{i}", FINAL)[0])
                        for i in range(count)])
    picture = [sys.executable, str(RENDER),
               str(next((tmp / "run42").glob("step*.txt"))),
               str(tmp / "large.png")] + FINAL
    said("final picture", [one_stop(picture) for _ in range(count)])


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    load = int(sys.argv[2]) if len(sys.argv) > 2 else 4
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        subprocess.run([sys.executable, str(MAKE), str(tmp / "run42")],
                       check=True, stdout=subprocess.DEVNULL)
        runs(tmp, count, "idle")
        large(tmp, min(count, 3))
        busy = [subprocess.Popen([sys.executable, "-c", BUSY])
                for _ in range(load * os.cpu_count())]
        try:
            print(f"load: {len(busy)} busy processes")
            runs(tmp, count, "busy")
        finally:
            for p in busy:
                p.kill()
                p.wait()


if __name__ == "__main__":
    main()
