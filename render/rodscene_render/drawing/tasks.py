"""One frame's POV-Ray run as a self-contained task: the scene's files and
POV-Ray's options in, the PNG's bytes out. It imports nothing of this
package, so that a cluster's workers, which receive it by value, need only
POV-Ray; a local film or picture runs the same steps with its own runner.

Each run has a folder of its own, which is its home and working folder
too, with POV-Ray's I/O restrictions set to that folder alone. POV-Ray
runs with an environment of ours alone (no POVINI, no locale of the
user's) and reads our own povray.ini in the folder, which it takes before
any other INI file: what it draws depends on the task alone, as a film's
frames folder records it. A time limit that scales with the picture ends
a run that hangs."""

import os
import pathlib
import shutil
import socket
import subprocess
import tempfile

PICTURE_NAME = "picture.png"
FOLDER_PREFIX = "rodscene-frame-"
MESSAGE_LINES = 12  # the end of POV-Ray's report that a failure shows
# POV-Ray's user settings, which may only narrow the system's.
SETTINGS_PATH = ".povray/3.7/povray.conf"
SETTINGS = """[File I/O Security]
restricted
[Shellout Security]
forbidden
[Permitted Paths]
read+write = {folder}
"""
# POV-Ray's INI file, found in its working folder before the user's or the
# system's; the command line sets everything else a frame depends on.
INI_NAME = "povray.ini"
INI = """; rodscene's own settings: no other INI file is read
Verbose=On
"""
# The environment POV-Ray runs with: nothing of the user's.
ENVIRONMENT = {"PATH": os.defpath, "LC_ALL": "C"}
# A loaded machine may not start POV-Ray's threads in time; such a run is
# tried again.
BUSY_MACHINE = "Timed out waiting for worker thread startup"
ATTEMPTS = 3
# A run's time limit: a base, and a multiple of what a pixel costs one
# core at each quality (measured: a final 1920 x 1080 picture of 3370
# rods takes 7.4 s of CPU).
BASE_SECONDS = 120.0
PIXEL_SECONDS = {"draft": 5e-7, "normal": 1e-6, "final": 4e-6}
MARGIN = 50
SETPRIV = ["setpriv", "--pdeathsig", "KILL", "--"]


def time_limit(quality, width, height):
    return BASE_SECONDS + MARGIN * PIXEL_SECONDS[quality] * width * height


def prepare(folder, command, files):
    """Writes the scene's files and POV-Ray's settings into the folder;
    returns the command to run there, with this machine's POV-Ray and the
    folder as library path, and its environment, the folder its home."""
    for name, text in files.items():
        (pathlib.Path(folder) / name).write_text(text)
    settings = pathlib.Path(folder) / SETTINGS_PATH
    settings.parent.mkdir(parents=True)
    settings.write_text(SETTINGS.format(folder=folder))
    (pathlib.Path(folder) / INI_NAME).write_text(INI)
    program = shutil.which(command[0]) or command[0]
    return ([program] + command[1:] + [f"+L{folder}"],
            dict(ENVIRONMENT, HOME=str(folder)))


def outcome(folder, status, stderr):
    """(True, PNG bytes, "") when POV-Ray made its picture, else (False,
    what failed, the end of POV-Ray's report without progress lines)."""
    made = pathlib.Path(folder) / PICTURE_NAME
    if status == 0 and made.is_file():
        return True, made.read_bytes(), ""
    lines = [line for line in stderr.splitlines()
             if line.strip() and "Rendered" not in line]
    return (False, f"POV-Ray failed with status {status}",
            "\n".join(lines[-MESSAGE_LINES:]))


def render_with(runner, command, files, seconds, scratch=None,
                busy=None):
    """A frame's run by runner(line, folder, environment, seconds), which
    returns (status, standard error) or raises subprocess.TimeoutExpired;
    a run that could not start its threads is tried again, after telling
    busy() when given."""
    for attempt in range(ATTEMPTS):
        with tempfile.TemporaryDirectory(prefix=FOLDER_PREFIX,
                                         dir=scratch) as folder:
            line, env = prepare(folder, command, files)
            try:
                status, stderr = runner(line, folder, env, seconds)
            except subprocess.TimeoutExpired:
                return (False, f"POV-Ray took more than {seconds:.0f} s "
                        f"and was ended", "")
            if BUSY_MACHINE not in stderr or attempt + 1 == ATTEMPTS:
                return outcome(folder, status, stderr)
            if busy:
                busy()


def run_here(line, folder, env, seconds):
    """A worker's run, killed with the worker when setpriv is there."""
    setpriv = shutil.which(SETPRIV[0])
    if setpriv:
        line = [setpriv] + SETPRIV[1:] + line
    run = subprocess.run(line, cwd=folder, env=env, capture_output=True,
                         text=True, errors="replace", timeout=seconds,
                         start_new_session=True)
    return run.returncode, run.stderr


def render_task(command, files, seconds):
    """A cluster worker's run of a frame."""
    try:
        return render_with(run_here, command, files, seconds)
    except OSError as e:
        return (False, f"cannot run {command[0]} on {socket.gethostname()}: "
                f"{e.strerror}", "")
