"""The one owner of every child process of a run: converters, POV-Ray and
ffmpeg are started here, each in a session of its own (only the program
answers Ctrl-C) and killed by the kernel if the program dies (a parent
death signal), and all are ended at once however the run ends: what a
stopped child was making is thrown away, and POV-Ray takes up to half a
second to honour a polite SIGTERM, ffmpeg as long as its input is open.
SIGTERM and SIGHUP stop the command as Ctrl-C does, once: the signals
that follow while it stops are let go."""

import ctypes
import ctypes.util
import shutil
import signal
import subprocess
import threading

# util-linux's setpriv sets the parent death signal, then runs the
# command: Python cannot set it between fork and exec in a thread safely.
SETPRIV = shutil.which("setpriv")
DEATH_SIGNAL = ["--pdeathsig", "KILL", "--"]
PR_SET_PDEATHSIG = 1
STOP_SIGNALS = (signal.SIGTERM, signal.SIGHUP)
COMMAND_STOPS = {signal.SIGINT, *STOP_SIGNALS}

children = set()
lock = threading.Lock()
stopping = threading.Event()
signalled = threading.Event()  # the command has been told to stop


class stopped(Exception):
    """A child was not started, or was ended, because the run stops."""


def on_stop_signal(number, frame):
    """The first stop signal stops the command; a second, raised while the
    first unwinds, could land inside a lock's release and leave it half
    done, so it is let go: the command is stopping already."""
    if not signalled.is_set():
        signalled.set()
        raise KeyboardInterrupt


def own_signals():
    """Ctrl-C, SIGTERM and SIGHUP stop the command, once; one that the
    command was started to ignore (nohup, a shell's background job) stays
    ignored. The launcher holds them back while the program loads, and
    they arrive here."""
    for number in COMMAND_STOPS:
        if signal.getsignal(number) != signal.SIG_IGN:
            signal.signal(number, on_stop_signal)
    signal.pthread_sigmask(signal.SIG_UNBLOCK, COMMAND_STOPS)


def hold_stops():
    """Holds back the command's stop signals: it has ended, and says so."""
    signal.pthread_sigmask(signal.SIG_BLOCK, COMMAND_STOPS)


def die_with_parent():
    """For a forked worker of this program: killed when the program dies,
    however it dies; it leaves stopping to the program."""
    libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    for number in STOP_SIGNALS:
        signal.signal(number, signal.SIG_DFL)


def start(line, cwd=None, **options):
    """A child process, known until it is forgotten; options as Popen's."""
    if SETPRIV:
        line = [SETPRIV] + DEATH_SIGNAL + list(line)
    with lock:
        if stopping.is_set():
            raise stopped()
        process = subprocess.Popen(line, cwd=cwd, start_new_session=True,
                                   **options)
        children.add(process)
    return process


def forget(process):
    with lock:
        children.discard(process)


def run(line, cwd=None, timeout=None, env=None):
    """Runs a child to its end: (status, standard output, standard error)
    as bytes. Raises subprocess.TimeoutExpired after ending it when it
    outlives timeout, and stopped when the run stops meanwhile."""
    process = start(line, cwd, stdin=subprocess.DEVNULL, env=env,
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        out, err = process.communicate(timeout=timeout)
    except BaseException:  # a time limit, or the run stopping meanwhile
        end([process])
        raise
    finally:
        forget(process)
    if stopping.is_set() and process.returncode < 0:
        raise stopped()
    return process.returncode, out, err


def end(processes):
    """Kills the processes and waits for them."""
    for process in processes:
        if process.poll() is None:
            process.kill()
    for process in processes:
        process.wait()


def reset():
    """Allows children again: a new run in the same process begins."""
    stopping.clear()


def end_all():
    """Ends every child and starts no more: the run is stopping."""
    with lock:
        stopping.set()
        running = list(children)
    end(running)
