"""One frame's POV-Ray run as a self-contained task: the scene's files and
POV-Ray's options in, the PNG's bytes out. It imports nothing of this
package, so that a cluster's workers, which receive it by value, need only
POV-Ray; a local film runs the same steps in its own threads."""

import pathlib
import shutil
import socket
import subprocess
import tempfile

PICTURE_NAME = "picture.png"
FOLDER_PREFIX = "rodscene-frame-"
MESSAGE_LINES = 12  # the end of POV-Ray's report that a failure shows
STOP_WAIT = 0.5  # seconds a stopped process has to end before it is killed


def prepare(folder, command, files):
    """Writes the scene's files into the folder; returns the command to run
    there, with this machine's POV-Ray and the folder as library path."""
    for name, text in files.items():
        (pathlib.Path(folder) / name).write_text(text)
    program = shutil.which(command[0]) or command[0]
    return [program] + command[1:] + [f"+L{folder}"]


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


def end_processes(processes):
    """Ends the processes, politely then firmly, and waits for them."""
    for process in processes:
        process.terminate()
    for process in processes:
        try:
            process.wait(STOP_WAIT)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def render_task(command, files):
    """A cluster worker's run: POV-Ray may only write below its working
    folder, so each frame has its own."""
    with tempfile.TemporaryDirectory(prefix=FOLDER_PREFIX) as folder:
        try:
            run = subprocess.run(prepare(folder, command, files), cwd=folder,
                                 capture_output=True, text=True)
        except OSError as e:
            return (False, f"cannot run {command[0]} on "
                    f"{socket.gethostname()}: {e.strerror}", "")
        return outcome(folder, run.returncode, run.stderr)
