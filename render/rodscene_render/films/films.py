"""Films: every input one frame, all read in parallel and rendered under
one camera with every core kept busy (or on a cluster), each frame kept
whole and recorded so that a film stopped halfway resumes, and handed as
it is done to the ffmpeg run that encodes the film. However a film stops,
the frames already rendered are kept and the command that resumes it is
said."""

import os
import pathlib
import struct
import sys

from PIL import Image

from . import film_digest, film_encoder, resume, survey
from .. import folders, processes
from ..outputs import regular_bytes
from ..messages import (Nothing, Refusal, Stopped, plural, program_name, say,
                        shell_command, shown)
from ..drawing.picture import shows_glyph
from ..drawing.view.framed import camera_for
from ..reading.system_files import frame_ref
from ..reading.systems import summary_of
from .frame_tasks import load_frame
from ..warning_report import LOG_SUFFIX, report_notes

FRAME_PATTERN = "frame%05d.png"
# A PNG's signature and the start of its header chunk, which its width and
# height follow.
PNG_HEAD = b"\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR"


def frame_name(index):
    return FRAME_PATTERN % index


def wanted_entries(settings, cam):
    """The manifest entry each frame should have, in order."""
    digest = film_digest.film_settings(settings, cam)
    files = {}  # a trajectory's file digested once for all its frames
    for path in settings.inputs:
        name = os.fspath(path)
        if name not in files:
            files[name] = resume.digest_file(path)
    return [{"frame": frame_name(i + 1),
             "name": shown(pathlib.Path(path).name),
             "input_sha256": files[os.fspath(path)] +
             (f"#{path.index}" if isinstance(path, frame_ref) else ""),
             "settings": digest}
            for i, path in enumerate(settings.inputs)]


def sound_frame(settings):
    """Whether a kept frame's file is a whole PNG of the film's size; its
    size is read from its header first, so that a frame of another size,
    however many pixels it claims, is rendered again, never decoded."""
    head = PNG_HEAD + struct.pack(">II", settings.width, settings.height)

    def sound(path):
        if regular_bytes(path, len(head)) != head:
            return False
        try:
            with Image.open(path) as image:
                image.load()  # every pixel decoded, not only the checksums
                return image.size == (settings.width, settings.height)
        except (OSError, SyntaxError, ValueError):
            return False
    return sound


def resume_command(settings, kept):
    """The command that finishes the film: this one, with the frames'
    folder named when it was not."""
    words = [program_name()]
    if not settings.frames:  # before the inputs, which may follow "--";
        # one word, since a name that starts with "-" would read as an option
        words.append(f"--frames={kept}")
    return shell_command(words + settings.argv, settings.inputs)


def count_frames(folder, total):
    entries = resume.read_manifest(folder)
    return sum(frame_name(i + 1) in entries for i in range(total))


def stop_message(settings, folder, total, why, then="finish the film"):
    """What a stopped film keeps and how to go on: its frames stay in
    --frames, or are copied beside the film from scratch."""
    short = ""
    if settings.frames:
        kept = folder
    else:
        try:
            kept, short = folders.keep_frames(folder, settings.movie)
        except Refusal as e:
            return f"{why}; {e}"
    if short:
        short = f" (no more could be copied: {short})"
    return (f"{why}: kept {count_frames(kept, total)} of "
            f"{plural(total, 'frame')} in {shown(kept)}{short}; to {then}, "
            f"run: {resume_command(settings, kept)}")


def render_all(settings, todo, cam, folder, scratch, done):
    if settings.scheduler:
        from .cluster import render_cluster
        return render_cluster(settings, todo, cam, folder, scratch, done)
    from .local_frames import render_local
    return render_local(settings, todo, cam, folder, scratch, done)


def render_frames(settings, frames, cam, folder, scratch, todo, enc):
    """Renders the frames to do with the bar, handing each to the encoder;
    on a failure or a stop says what is kept and how to go on. Returns
    whether any frame rendered shows a glyph."""
    shown_any = []
    from tqdm import tqdm
    with tqdm(total=len(frames), initial=len(frames) - len(todo),
              unit="frame", file=sys.stderr, desc="rendering",
              disable=None) as bar:
        def done(index, shows):
            if shows:
                shown_any.append(index)
            film_encoder.frame_done(enc, index)
            bar.update()
        try:
            try:
                failed, error = render_all(settings, todo, cam, folder,
                                           scratch, done)
            finally:
                resume.settle(folder)
        except (KeyboardInterrupt, processes.stopped):
            bar.close()
            raise Stopped(stop_message(settings, folder, len(frames),
                                       "interrupted")) from None
    if failed is not None:
        raise Refusal(stop_message(
            settings, folder, len(frames),
            f"cannot render the frame of {shown(failed.name)}: {error}"),
            error.detail)
    return bool(shown_any)


def make_film(settings, frames, cam, folder, scratch, todo):
    """Renders the frames to do while ffmpeg encodes those done; keeps the
    frames when ffmpeg fails or the film stops, so that running again only
    encodes. Returns whether any frame rendered shows a glyph."""
    rendered = {index for index, _, _ in todo}
    ready = set(range(1, len(frames) + 1)) - rendered
    enc = film_encoder.start(settings, folder, FRAME_PATTERN, len(frames),
                             scratch, ready)
    try:
        shows = render_frames(settings, frames, cam, folder, scratch, todo,
                              enc)
        try:
            film_encoder.finish(enc, settings.movie)
        except (KeyboardInterrupt, processes.stopped):
            raise Stopped(stop_message(settings, folder, len(frames),
                                       "interrupted while encoding")) \
                from None
        except Refusal as e:
            raise Refusal(stop_message(settings, folder, len(frames),
                                       str(e), "make the film"),
                          e.detail) from None
    except BaseException:
        film_encoder.stop(enc)
        raise
    return shows


def kept_shows(settings, cam, scratch, kept):
    """Whether any frame kept from an earlier run (indices from 1) shows a
    glyph: each read again, one at a time, until one does."""
    return any(shows_glyph(settings, cam, load_frame(settings, i, scratch))
               for i in sorted(kept))


def render_film(settings, scratch):
    """The film: its frames surveyed, then each read again and rendered
    where it is done, so that no more frames are held than are in
    flight."""
    frames = survey.survey_frames(settings, scratch)
    folder = pathlib.Path(settings.frames or pathlib.Path(scratch) / "frames")
    folders.claim_frames(folder)
    settings.key_program = survey.key_program(settings, frames)
    survey.from_surveys(settings, frames)
    cam = camera_for(settings, [fr.points for fr in frames])
    try:
        kept, missing = resume.plan(folder, wanted_entries(settings, cam),
                                    sound_frame(settings))
    except OSError as e:
        raise Refusal(f"cannot write into {shown(folder)}: "
                      f"{e.strerror}") from None
    report_notes(frames, folder / folders.LOG_NAME if settings.frames else
                 folders.beside(settings.movie, LOG_SUFFIX))
    if kept:
        say(f"{plural(len(kept), 'frame')} of {len(frames)} already in "
            f"{shown(folder)}: rendering {len(missing)}")
    place = {frame_name(i + 1): i for i in range(len(frames))}
    todo = [(place[e["frame"]] + 1, frames[place[e["frame"]]], e)
            for e in missing]
    shows = make_film(settings, frames, cam, folder, scratch, todo)
    drawn = None if not frames or any(fr.total is None for fr in frames) \
        else summary_of([fr.drawn for fr in frames])
    message = (f"wrote {plural(len(frames), 'frame')} at {settings.fps:g} "
               f"per second into {shown(settings.movie)}" +
               (f"; {drawn}" if drawn else ""))
    done = {index for index, _, _ in todo}
    if not shows and not kept_shows(settings, cam, scratch,
                                    set(range(1, len(frames) + 1)) - done):
        raise Nothing(f"{message}, but no frame shows a glyph")
    say(message)
