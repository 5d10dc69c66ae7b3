"""Inputs read in parallel, in order: in threads when the rodscene module
reads configurations (it lets go of Python's lock while it reads), else
in worker processes (the reading is then Python's work, one core a
process), which die with the program, however it ends, and which a stop
ends at once rather than waiting for their inputs."""

import concurrent.futures
import multiprocessing
import os
import threading

from .. import processes
from .frame_numbers import page_work
from .inputs import load_input, written_by


def load_reduced(then, path, kind, converter, scratch, program,
                 work=None):
    fr = load_input(path, kind, converter, scratch, program)
    return then(work(fr) if work else fr)


def keep_frame(fr):
    return fr


def load_frames(settings, scratch, then=keep_frame):
    """Every input's frame, in order, with a page's numbers when the
    module works them out; or what then (a module's function, which
    worker processes can be handed) makes of each, where it was read, so
    that only that comes back."""
    jobs = [(then, path, kind, settings.converter, scratch,
             written_by(settings))
            for path, kind in zip(settings.inputs, settings.kinds)]
    work = page_work(settings)  # only where the module reads, in threads
    workers = min(os.cpu_count() or 1, len(jobs))
    if workers == 1:
        return [load_reduced(*job, work) for job in jobs]
    if settings.converter is None or settings.converter.in_process:
        pool = concurrent.futures.ThreadPoolExecutor(workers)
        try:
            return list(pool.map(lambda job: load_reduced(*job, work), jobs))
        finally:  # a stop leaves the inputs not yet begun unread
            pool.shutdown(wait=True, cancel_futures=True)
    # Forked workers start at once, but a fork while another thread runs
    # (a cluster's client) may copy a lock it holds: then they start anew.
    method = "fork" if threading.active_count() == 1 else "spawn"
    pool = multiprocessing.get_context(method).Pool(
        workers, initializer=processes.die_with_parent)
    try:
        frames = pool.starmap(load_reduced, jobs, chunksize=1)
    except BaseException:
        pool.terminate()
        pool.join()
        raise
    pool.close()
    pool.join()
    return frames
