"""Films: every input one frame, all read and rendered in parallel under
one camera, then assembled by ffmpeg."""

import collections
import concurrent.futures
import os
import pathlib
import re
import shutil
import subprocess
import sys

import numpy as np

from .inputs import load_input
from .messages import Refusal, plural, say
from .outputs import save_picture, written_whole
from .overlays import key_program
from .picture import camera_for, draw_frame, no_glyph_note

FRAME_PATTERN = "frame%05d.png"
LOG_NAME = "warnings.log"  # in the frames' folder
LOG_SUFFIX = "-warnings.log"  # beside a film whose frames are not kept
# Film names: (format, bytes at an offset that tell an existing file of
# it) for the name checks, and ffmpeg's muxer and encoder options.
CONTAINERS = {".mp4": ("MP4", b"ftyp", 4)}
ENCODERS = {".mp4": ["-f", "mp4", "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2",
                     "-c:v", "libx264", "-pix_fmt", "yuv420p", "-crf", "18"]}


def frame_name(index):
    return FRAME_PATTERN % index


def load_frames(settings, scratch):
    """Every input's frame, read and converted in parallel, in order."""
    workers = os.cpu_count() or 1
    with concurrent.futures.ThreadPoolExecutor(workers) as pool:
        jobs = [pool.submit(load_input, path, kind, settings.converter,
                            scratch)
                for path, kind in zip(settings.inputs, settings.kinds)]
        return [job.result() for job in jobs]


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


def render_frames(settings, frames, cam, folder):
    """Renders every frame into the folder, all cores busy; stops at the
    first failure, naming its input."""
    from tqdm import tqdm
    workers = os.cpu_count() or 1
    with concurrent.futures.ThreadPoolExecutor(workers) as pool, \
            tqdm(total=len(frames), unit="frame", file=sys.stderr,
                 desc="rendering", disable=None) as bar:
        jobs = {pool.submit(render_one, settings, fr, cam, i + 1, folder): fr
                for i, fr in enumerate(frames)}
        for job in concurrent.futures.as_completed(jobs):
            try:
                job.result()
            except Refusal as e:
                pool.shutdown(wait=True, cancel_futures=True)
                raise Refusal(f"cannot render the frame of "
                              f"{jobs[job].name}: {e}; kept the "
                              f"{len(list(folder.glob('frame*.png')))} frames "
                              f"made in {keep_frames(settings, folder)}",
                              e.detail) from None
            bar.update()


def render_one(settings, fr, cam, index, folder):
    image = draw_frame(settings, fr, cam, index, threads=1)
    save_picture(image, folder / frame_name(index))


def keep_frames(settings, frames):
    """The folder that keeps the frames when no --frames was given."""
    if settings.frames:
        return frames
    kept = settings.movie.with_name(settings.movie.stem + "-frames")
    shutil.copytree(frames, kept, dirs_exist_ok=True)
    return kept


def assemble(settings, folder):
    suffix = settings.movie.suffix.lower()
    with written_whole(settings.movie) as temporary:
        command = [settings.ffmpeg, "-y", "-loglevel", "error",
                   "-framerate", str(settings.fps),
                   "-i", str(folder / FRAME_PATTERN)] + ENCODERS[suffix] + \
            [str(temporary)]
        run = subprocess.run(command, capture_output=True, text=True)
        if run.returncode != 0:
            raise Refusal(f"ffmpeg failed with status {run.returncode}",
                          run.stderr.strip())


def render_film(settings, scratch):
    frames = load_frames(settings, scratch)
    folder = pathlib.Path(settings.frames or pathlib.Path(scratch) / "frames")
    folder.mkdir(parents=True, exist_ok=True)
    report_notes(frames, folder / LOG_NAME if settings.frames else
                 settings.movie.with_name(settings.movie.stem + LOG_SUFFIX))
    settings.key_program = key_program(settings, frames)
    points = [fr.points() for fr in frames]
    cam = camera_for(settings, np.vstack(points))
    render_frames(settings, frames, cam, folder)
    assemble(settings, folder)
    say(f"wrote {plural(len(frames), 'frame')} at {settings.fps:g} per "
        f"second into {settings.movie}")
