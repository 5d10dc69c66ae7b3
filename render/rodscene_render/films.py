"""Films: every input one frame, all read in parallel and rendered under
one camera with every core kept busy, each frame kept whole and recorded
so that a film stopped halfway resumes, and handed as it is done to the
ffmpeg run that encodes the film."""

import collections
import concurrent.futures
import multiprocessing
import os
import pathlib
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import threading

import numpy as np

from . import film_encoder, resume, tasks
from .inputs import load_input, set_aside
from .messages import Refusal, plural, program_name, say
from .outputs import written_whole
from .overlays import key_program
from .frame_tasks import SCENE_NAME, keep, task_of
from .picture import camera_for, no_glyph_note
from .povray import povray_command, view_text

FRAME_PATTERN = "frame%05d.png"
LOG_NAME = "warnings.log"  # in the frames' folder
LOG_SUFFIX = "-warnings.log"  # beside a film whose frames are not kept
KEPT_SUFFIX = "-frames"  # beside a film whose frames were not kept
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

# The POV-Ray processes of a local film, so that an interrupted film ends
# them, and whether the film is stopping, so that no new one starts.
running = set()
running_lock = threading.Lock()
stopping = threading.Event()


class interrupted(Exception):
    """A frame's POV-Ray run was ended because the film is stopping."""


def frame_name(index):
    return FRAME_PATTERN % index


def quiet_worker():
    """Ctrl-C reaches every process of the terminal: the film's own
    process handles it and ends the pool. SIGTERM ends a worker."""
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    signal.signal(signal.SIGTERM, signal.SIG_DFL)


def load_aside(path, kind, converter, scratch, aside):
    """One input's frame, its text set aside in the file aside (or dropped
    when aside is None), so that it neither fills memory nor travels back
    from the worker process."""
    return set_aside(load_input(path, kind, converter, scratch), aside)


def load_frames(settings, scratch, keep_text=True):
    """Every input's frame, read and converted in parallel processes (the
    reading is Python's work, one core a process), in order. The glyph
    text is kept in scratch files, or dropped when not keep_text."""
    workers = min(os.cpu_count() or 1, len(settings.inputs))
    context = multiprocessing.get_context("fork")
    pool = concurrent.futures.ProcessPoolExecutor(
        workers, mp_context=context, initializer=quiet_worker)
    try:
        jobs = [pool.submit(load_aside, path, kind, settings.converter,
                            scratch, pathlib.Path(scratch) / f"glyphs{i:05d}"
                            if keep_text else None)
                for i, (path, kind) in enumerate(zip(settings.inputs,
                                                     settings.kinds))]
        return [job.result() for job in jobs]
    finally:
        pool.shutdown(wait=True, cancel_futures=True)


def warning_kind(note, name):
    """A warning without its file, line and numbers: what it says."""
    text = note.split(f"{name}", 1)[-1]
    text = re.sub(r"^(:\d+)?: ", "", text)
    text = re.sub(r'"(\\.|[^"\\])*"', '"..."', text)
    return re.sub(r"\d+", "#", text)


def report_notes(frames, log):
    """The frames' warnings: in full in a log beside the frames, and on
    standard error one line a kind, with the frames it came from."""
    kinds = collections.defaultdict(list)
    lines = []
    for fr in frames:
        notes = fr.notes + ([] if len(fr.ends) else [no_glyph_note(fr)])
        lines += notes
        for kind in dict.fromkeys(warning_kind(n, fr.name) for n in notes):
            kinds[kind].append(pathlib.Path(fr.name).name)
    if not lines:
        return
    with written_whole(log) as temporary:
        temporary.write_text("\n".join(lines) + "\n")
    for kind, names in kinds.items():
        which = names[0] if len(names) == 1 else f"{names[0]} ... {names[-1]}"
        say(f"{plural(len(names), 'frame')} ({which}): {kind}")
    say(f"the warnings are in {log}")


def film_settings(settings, cam):
    """Everything besides the input that shapes a frame's pixels, for the
    manifest: POV-Ray's options and scene, the camera and lights, the
    converter and what is drawn over the picture."""
    converter = settings.converter
    return resume.digest_settings({
        "povray": povray_command("povray", SCENE_NAME, settings, 1)[1:],
        "scene": resume.digest_file(settings.scene),
        "view": view_text(cam, settings.transparent),
        "converter": resume.digest_file(converter) if converter else None,
        "program": settings.program, "key": settings.key_program,
        "colour": settings.colour,
        "box": settings.box, "label": settings.label, "dt": settings.dt,
        "axes": settings.axes, "shows_key": settings.key})


def wanted_entries(settings, cam):
    """The manifest entry each frame should have, in order."""
    digest = film_settings(settings, cam)
    return [{"frame": frame_name(i + 1), "name": pathlib.Path(path).name,
             "input_sha256": resume.digest_file(path), "settings": digest}
            for i, path in enumerate(settings.inputs)]




def run_local(command, files, scratch):
    """A task run here, its POV-Ray process known so that it can be ended,
    in its own session so that only the film answers Ctrl-C."""
    with tempfile.TemporaryDirectory(prefix=tasks.FOLDER_PREFIX,
                                     dir=scratch) as folder:
        line = tasks.prepare(folder, command, files)
        with running_lock:
            if stopping.is_set():
                raise interrupted()
            try:
                process = subprocess.Popen(
                    line, cwd=folder, stdin=subprocess.DEVNULL,
                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                    text=True, start_new_session=True)
            except OSError as e:
                raise Refusal(f"cannot run {line[0]}: {e.strerror}") from None
            running.add(process)
        try:
            stderr = process.communicate()[1]
        finally:
            with running_lock:
                running.discard(process)
        return tasks.outcome(folder, process.returncode, stderr)


def end_local():
    """Stops every POV-Ray run of this film, politely then firmly."""
    with running_lock:
        stopping.set()
        processes = list(running)
    tasks.end_processes(processes)




def local_frame(settings, fr, cam, index, folder, entry, scratch):
    command, files, order = task_of(settings, fr, cam)
    made, png, detail = run_local(command, files, scratch)
    if not made:
        raise Refusal(png, detail)
    keep(settings, fr, cam, index, png, order, folder, entry)


def runs_in_flight(settings, todo):
    """POV-Ray runs at a time: several a core, as free memory allows."""
    runs = (os.cpu_count() or 1) * IN_FLIGHT[settings.quality]
    largest = max((len(fr.ends) for _, fr, _ in todo), default=0)
    need = RUN_BYTES + GLYPH_BYTES * largest + \
        PIXEL_BYTES * settings.width * settings.height
    try:
        free = os.sysconf("SC_AVPHYS_PAGES") * os.sysconf("SC_PAGE_SIZE")
    except (ValueError, OSError):
        return runs
    return max(1, min(runs, free // 2 // need))


def render_local(settings, todo, cam, folder, scratch, done):
    """Renders the frames to do here, several POV-Ray runs a core, calling
    done with each frame's index; returns (failed frame or None, its
    Refusal)."""
    pool = concurrent.futures.ThreadPoolExecutor(
        runs_in_flight(settings, todo))
    try:
        jobs = {pool.submit(local_frame, settings, fr, cam, index, folder,
                            entry, scratch): (index, fr)
                for index, fr, entry in todo}
        for job in concurrent.futures.as_completed(jobs):
            index, fr = jobs[job]
            try:
                job.result()
            except Refusal as e:
                # The frames in flight are finished and kept.
                pool.shutdown(wait=True, cancel_futures=True)
                return fr, e
            done(index)
        return None, None
    except BaseException:
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        pool.shutdown(wait=False, cancel_futures=True)
        end_local()
        pool.shutdown(wait=True)
        raise


def keep_frames(settings, frames):
    """The folder that keeps the frames when no --frames was given."""
    if settings.frames:
        return frames
    kept = settings.movie.with_name(settings.movie.stem + KEPT_SUFFIX)
    number = 1
    while kept.exists():  # another film's frames, or a file: never mixed
        number += 1
        kept = settings.movie.with_name(
            f"{settings.movie.stem}{KEPT_SUFFIX}-{number}")
    shutil.copytree(frames, kept)
    return kept


def resume_command(settings, kept):
    """The command that finishes the film: this one, with the frames'
    folder named when it was not."""
    words = [program_name()] + sys.argv[1:]
    if not settings.frames:
        words += ["--frames", str(kept)]
    return shlex.join(words)


def count_frames(folder, total):
    entries = resume.read_manifest(folder)
    return sum(frame_name(i + 1) in entries for i in range(total))


def on_terminate(number, frame):
    """SIGTERM stops a film as Ctrl-C does."""
    raise KeyboardInterrupt


def render_frames(settings, frames, cam, folder, scratch, todo, enc):
    """Renders the frames to do with the bar, handing each to the encoder;
    on a failure or an interruption says what is kept and how to go on."""
    from tqdm import tqdm
    with tqdm(total=len(frames), initial=len(frames) - len(todo),
              unit="frame", file=sys.stderr, desc="rendering",
              disable=None) as bar:
        def done(index):
            film_encoder.frame_done(enc, index)
            bar.update()
        try:
            if settings.scheduler:
                from .cluster import render_cluster
                failed, error = render_cluster(settings, todo, cam, folder,
                                               done)
            else:
                failed, error = render_local(settings, todo, cam, folder,
                                             scratch, done)
        except KeyboardInterrupt:
            bar.close()
            kept = keep_frames(settings, folder)
            count = count_frames(kept, len(frames))
            raise Refusal(f"interrupted: kept {count} of "
                          f"{plural(len(frames), 'frame')} in {kept}; to "
                          f"finish the film, run: "
                          f"{resume_command(settings, kept)}") from None
    if failed is not None:
        kept = keep_frames(settings, folder)
        raise Refusal(f"cannot render the frame of {failed.name}: {error}; "
                      f"kept {count_frames(kept, len(frames))} of "
                      f"{plural(len(frames), 'frame')} in {kept}",
                      error.detail)


def make_film(settings, frames, cam, folder, scratch, todo):
    """Renders the frames to do while ffmpeg encodes those done; keeps the
    frames when ffmpeg fails, so that running again only encodes."""
    rendered = {index for index, _, _ in todo}
    ready = set(range(1, len(frames) + 1)) - rendered
    enc = film_encoder.start(settings, folder, FRAME_PATTERN, len(frames),
                             scratch, ready)
    try:
        render_frames(settings, frames, cam, folder, scratch, todo, enc)
        try:
            film_encoder.finish(enc, settings.movie)
        except Refusal as e:
            kept = keep_frames(settings, folder)
            raise Refusal(f"{e}; the frames are kept in {kept}; to make the "
                          f"film, run: {resume_command(settings, kept)}",
                          e.detail) from None
    except BaseException:
        film_encoder.stop(enc)
        raise


def render_film(settings, scratch):
    signal.signal(signal.SIGTERM, on_terminate)
    frames = load_frames(settings, scratch)
    folder = pathlib.Path(settings.frames or pathlib.Path(scratch) / "frames")
    folder.mkdir(parents=True, exist_ok=True)
    report_notes(frames, folder / LOG_NAME if settings.frames else
                 settings.movie.with_name(settings.movie.stem + LOG_SUFFIX))
    settings.key_program = key_program(settings, frames)
    cam = camera_for(settings, np.vstack([fr.points() for fr in frames]))
    try:
        kept, missing = resume.plan(folder, wanted_entries(settings, cam))
    except OSError as e:
        raise Refusal(f"cannot write into {folder}: {e.strerror}") from None
    if kept:
        say(f"{plural(len(kept), 'frame')} of {len(frames)} already in "
            f"{folder}: rendering {len(missing)}")
    place = {frame_name(i + 1): i for i in range(len(frames))}
    todo = [(place[e["frame"]] + 1, frames[place[e["frame"]]], e)
            for e in missing]
    make_film(settings, frames, cam, folder, scratch, todo)
    say(f"wrote {plural(len(frames), 'frame')} at {settings.fps:g} per "
        f"second into {settings.movie}")
