"""A film's frames on a Dask distributed cluster: each frame one task, its
scene's files sent to a worker and its PNG's bytes brought back, then
decorated, written and recorded here as a local frame is. A worker lost
mid-film costs only its frames, which the scheduler runs again elsewhere.

Only a film with --scheduler imports this module, and with it Dask."""

import socket
import urllib.parse
import warnings

from . import tasks
from .frame_tasks import keep, task_of
from .messages import Refusal

SCHEME = "tcp"
CONNECT_SECONDS = 10
# Tasks queued a worker thread: enough to keep every worker busy between
# two visits of this loop, few enough that the scheduler does not hold
# every frame's scene at once.
QUEUED = 2
LARGE_WARNING = "Large object of size"
TOP_UP_SECONDS = 2


def address_of(text):
    """(host, port) of tcp://HOST:PORT, or a Refusal."""
    parts = urllib.parse.urlsplit(text)
    try:
        port = parts.port
    except ValueError:
        port = None
    if parts.scheme != SCHEME or not parts.hostname or port is None:
        raise Refusal(f"--scheduler {text!r} is not an address such as "
                      f"tcp://HOST:PORT")
    return parts.hostname, port


def check_scheduler(text):
    """Refuses an address that cannot be reached, or a missing Dask, before
    any work; imports nothing of Dask."""
    import importlib.util
    if importlib.util.find_spec("distributed") is None:
        raise Refusal("--scheduler needs Dask distributed (Debian: apt-get "
                      "install python3-distributed)")
    host, port = address_of(text)
    try:
        socket.create_connection((host, port), CONNECT_SECONDS).close()
    except OSError as e:
        raise Refusal(f"cannot reach the scheduler at {text}: "
                      f"{e.strerror or e}") from None


def render_cluster(settings, todo, cam, folder, done):
    """Renders the frames to do on the cluster, calling done with each
    frame's index; returns (failed frame or None, its Refusal)."""
    import cloudpickle
    from distributed import Client
    # Workers then need POV-Ray alone, not this package.
    cloudpickle.register_pickle_by_value(tasks)
    # A frame's scene is about a megabyte. The scheduler holds few at a
    # time (see QUEUED); scattering them instead would tie each to one
    # worker, and a lost worker would take the scene with it.
    warnings.filterwarnings("ignore", LARGE_WARNING, UserWarning)
    try:
        client = Client(settings.scheduler, timeout=f"{CONNECT_SECONDS}s")
    except OSError as e:
        raise Refusal(f"cannot connect to the scheduler at "
                      f"{settings.scheduler}: {e}") from None
    waiting = iter(todo)
    frames = {}
    try:
        top_up(client, settings, cam, waiting, frames)
        while frames:
            for job in finished(list(frames)):
                index, fr, entry, order = frames.pop(job)
                try:
                    made, png, detail = job.result()
                except Exception as e:  # the cluster's own failures
                    return fr, Refusal(f"the cluster failed: {e!r}")
                if not made:
                    return fr, Refusal(png, detail)
                keep(settings, fr, cam, index, png, order, folder, entry)
                done(index)
            top_up(client, settings, cam, waiting, frames)
        return None, None
    finally:
        client.cancel(list(frames))
        client.close()


def finished(jobs):
    """The jobs done within TOP_UP_SECONDS, so that workers that join
    meanwhile get frames soon."""
    from distributed import wait
    try:
        return wait(jobs, timeout=TOP_UP_SECONDS,
                    return_when="FIRST_COMPLETED").done
    except TimeoutError:
        return []


def top_up(client, settings, cam, waiting, frames):
    """Submits frames until QUEUED wait for each worker thread."""
    threads = sum(client.nthreads().values())
    while len(frames) < max(threads, 1) * QUEUED:
        item = next(waiting, None)
        if item is None:
            return
        index, fr, entry = item
        command, files, order = task_of(settings, fr, cam)
        job = client.submit(tasks.render_task, command, files, pure=False)
        frames[job] = (index, fr, entry, order)
