"""A film's frames rendered on this machine: several POV-Ray runs a core,
as many as free memory allows and the machine can start, or one frame
drawn in this process a core, each frame kept and recorded as it is done;
a stop ends every run at once."""

import concurrent.futures
import os
import signal
import threading

from .. import processes
from ..drawing import embree_render, tasks
from .frame_tasks import draw_and_keep, keep, load_frame, task_of
from ..messages import Refusal, os_failure
from ..drawing.povray import run_local, time_limit

# POV-Ray runs in flight a core, by quality. Each run idles in timed waits
# as it starts and ends, twice a draft frame's tracing: with many runs
# more than cores, others work meanwhile. A final frame is mostly tracing,
# and an interrupted film loses the frames in flight.
IN_FLIGHT = {"draft": 8, "normal": 3, "final": 2}
# A POV-Ray run's memory, roughly: its own, each glyph's two objects and
# the picture's buffers. Runs in flight leave half the free memory free.
RUN_BYTES = 24 << 20
GLYPH_BYTES = 2560
PIXEL_BYTES = 20
WAKE = 0.2  # seconds between looks at a stop while frames render


class gate:
    """The POV-Ray runs allowed at a time: halved, down to one a core,
    each time a run cannot start its threads, which a machine kept busy
    by others does not do in time."""

    def __init__(self, runs, least):
        self.allowed, self.least, self.active = runs, least, 0
        self.changed = threading.Condition()

    def __enter__(self):
        with self.changed:
            self.changed.wait_for(lambda: self.active < self.allowed)
            self.active += 1

    def __exit__(self, *_):
        with self.changed:
            self.active -= 1
            self.changed.notify_all()

    def narrow(self):
        with self.changed:
            self.allowed = max(self.least, self.allowed // 2)


def local_frame(settings, cam, index, folder, entry, scratch, runs):
    """A frame read, rendered by POV-Ray, kept; whether it shows any
    glyph."""
    fr = load_frame(settings, index, scratch)
    command, files, order = task_of(settings, fr, cam)
    with runs:
        made, png, detail = tasks.render_with(
            run_local, command, files, time_limit(settings), scratch,
            runs.narrow)
    if not made:
        raise Refusal(png, detail)
    return keep(settings, fr, cam, index, png, order, folder, entry)


def drawn_frame(settings, cam, index, folder, entry, scratch, runs):
    """A frame read and drawn in this process, one a thread: the renderer
    leaves the GIL, so the threads draw side by side."""
    return draw_and_keep(settings, load_frame(settings, index, scratch),
                         cam, index, folder, entry)


def runs_in_flight(settings, todo):
    """POV-Ray runs at a time: several a core, as free memory allows."""
    runs = (os.cpu_count() or 1) * IN_FLIGHT[settings.quality]
    largest = max((fr.glyphs for _, fr, _ in todo), default=0)
    need = RUN_BYTES + GLYPH_BYTES * largest + \
        PIXEL_BYTES * settings.width * settings.height
    try:
        free = os.sysconf("SC_AVPHYS_PAGES") * os.sysconf("SC_PAGE_SIZE")
    except (ValueError, OSError):
        return runs
    return max(1, min(runs, free // 2 // need))


def finished_jobs(jobs):
    """The jobs as they finish. The wait wakes every WAKE seconds: the
    kernel may hand a stop signal to a worker thread, and Python runs its
    handler only once the main thread runs again."""
    pending = set(jobs)
    while pending:
        finished, pending = concurrent.futures.wait(
            pending, timeout=WAKE,
            return_when=concurrent.futures.FIRST_COMPLETED)
        yield from sorted(finished, key=lambda job: jobs[job][0])


def render_local(settings, todo, cam, folder, scratch, done):
    """Renders the frames to do here, calling done with each frame's
    index and whether it shows a glyph; returns (failed frame or None, its
    Refusal). The frames in flight at a failure are finished and kept."""
    most = runs_in_flight(settings, todo)
    work = local_frame
    if settings.renderer == "embree":
        most, work = os.cpu_count() or 1, drawn_frame
    runs = gate(most, min(most, os.cpu_count() or 1))
    pool = concurrent.futures.ThreadPoolExecutor(most)
    try:
        jobs = {pool.submit(work, settings, cam, index, folder, entry,
                            scratch, runs): (index, fr)
                for index, fr, entry in todo}
        for job in finished_jobs(jobs):
            index, fr = jobs[job]
            try:
                shows = job.result()
            except (Refusal, OSError) as e:
                pool.shutdown(wait=True, cancel_futures=True)
                return fr, e if isinstance(e, Refusal) else Refusal(
                    os_failure(e))
            done(index, shows)
        return None, None
    except BaseException:
        # A second Ctrl-C would cut the stop short; the handler comes back
        # after it, for whoever called (a notebook's kernel goes on).
        main = threading.current_thread() is threading.main_thread()
        handler = signal.signal(signal.SIGINT, signal.SIG_IGN) if main \
            else None
        try:
            pool.shutdown(wait=False, cancel_futures=True)
            processes.end_all()
            embree_render.halt()  # the frames drawn here, within a row
            pool.shutdown(wait=True)
        finally:
            if main:
                signal.signal(signal.SIGINT, handler)
        raise
