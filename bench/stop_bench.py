#!/usr/bin/python3
"""Times how long a film takes to stop after Ctrl-C, on idle and on busy
cores.

Makes the example's short trajectory in a temporary folder, starts a draft
film of it, waits until frames are being rendered, sends SIGINT and times
until the program has exited and none of its children is left. Then the
same with LOAD busy processes per core running beside it (a machine shared
with other jobs). Prints each stop's time and the slowest.

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


def one_stop(tmp, index):
    frames = tmp / f"frames{index}"
    film = subprocess.Popen(
        [sys.executable, str(RENDER), "--movie", str(tmp / f"f{index}.mp4"),
         "--frames", str(frames), "--draft"] +
        sorted(str(p) for p in (tmp / "run42").glob("step*.txt")),
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    while not any(frames.glob("frame*.png")) and film.poll() is None:
        time.sleep(0.05)
    start = time.monotonic()
    film.send_signal(signal.SIGINT)
    film.wait()
    while session_alive(film.pid):
        time.sleep(0.01)
    return time.monotonic() - start


def runs(tmp, count, label):
    times = [one_stop(tmp, f"{label}{i}") for i in range(count)]
    shown = " ".join(f"{t:.2f}" for t in times)
    print(f"{label}: stops in {shown} s; slowest {max(times):.2f} s")


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    load = int(sys.argv[2]) if len(sys.argv) > 2 else 4
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        subprocess.run([sys.executable, str(MAKE), str(tmp / "run42")],
                       check=True, stdout=subprocess.DEVNULL)
        runs(tmp, count, "idle")
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
