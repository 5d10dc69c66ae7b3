"""A film's ffmpeg run: started before the first frame is rendered and fed
the frames' PNG files in order as they are done, so that encoding keeps
pace with rendering and the film is complete soon after its last frame.
ffmpeg writes into the scratch folder; the film is moved into place whole
once ffmpeg has ended well."""

import dataclasses
import re
import pathlib
import shutil
import subprocess
import tempfile
import threading

from .. import processes
from ..messages import Refusal, shown
from ..outputs import written_whole

# Film names: (format, bytes at an offset that tell an existing file of
# it) for the name checks, and ffmpeg's muxer and encoder options. H.264
# and VP9 need even sizes; a GIF gets a palette made from the film itself.
CONTAINERS = {".mp4": ("MP4", b"ftyp", 4),
              ".webm": ("WebM", b"\x1a\x45\xdf\xa3", 0),
              ".gif": ("GIF", b"GIF8", 0)}
EVEN = "pad=ceil(iw/2)*2:ceil(ih/2)*2"
ENCODERS = {
    ".mp4": ["-f", "mp4", "-vf", EVEN, "-c:v", "libx264", "-pix_fmt",
             "yuv420p", "-crf", "18"],
    ".webm": ["-f", "webm", "-vf", EVEN, "-c:v", "libvpx-vp9", "-pix_fmt",
              "yuv420p", "-crf", "30", "-b:v", "0", "-row-mt", "1"],
    ".gif": ["-f", "gif", "-filter_complex",
             "split[a][b];[a]palettegen=stats_mode=full[p];"
             "[b][p]paletteuse=dither=sierra2_4a", "-loop", "0"],
}
# How hard each encoder works, by quality: a draft film is a quick look,
# and at their default effort the encoders would cost it as much CPU as
# POV-Ray (VP9's slowest setting costs it more).
EFFORTS = {
    ".mp4": {"draft": ["-preset", "veryfast"],
             "normal": ["-preset", "medium"],
             "final": ["-preset", "medium"]},
    ".webm": {"draft": ["-deadline", "realtime", "-cpu-used", "8"],
              "normal": ["-deadline", "good", "-cpu-used", "4"],
              "final": ["-deadline", "good", "-cpu-used", "2"]},
    ".gif": {"draft": [], "normal": [], "final": []},
}
# ffmpeg's report of its progress, whose last frame count tells how many
# frames the film holds.
PROGRESS_NAME = "progress.txt"
FRAME_COUNT = re.compile(r"^frame=(\d+)$", re.MULTILINE)


@dataclasses.dataclass
class encoder:
    """A running ffmpeg, the frames' folder it is fed from, the frames
    done so far (by index from 1), and what ended its feeding early."""
    process: subprocess.Popen
    folder: pathlib.Path
    pattern: str
    count: int
    target: pathlib.Path
    messages: object
    done: set = dataclasses.field(default_factory=set)
    ready: threading.Condition = dataclasses.field(
        default_factory=threading.Condition)
    stopped: bool = False
    failure: str = None
    feeder: threading.Thread = None


def command(settings, count, target, progress):
    suffix = settings.movie.suffix.lower()
    return ([settings.ffmpeg, "-y", "-loglevel", "error", "-nostdin",
             "-progress", str(progress),
             "-f", "image2pipe", "-framerate", str(settings.fps),
             "-c:v", "png", "-i", "pipe:0", "-frames:v", str(count)] +
            ENCODERS[suffix] + EFFORTS[suffix][settings.quality] +
            [str(target)])


def start(settings, folder, pattern, count, scratch, done):
    """ffmpeg, waiting for the film's frames; they are named by pattern
    (with their index from 1) in folder, and those in done are there
    already."""
    target = pathlib.Path(scratch) / f"film{settings.movie.suffix.lower()}"
    progress = pathlib.Path(scratch) / PROGRESS_NAME
    messages = tempfile.TemporaryFile(dir=scratch)
    try:
        process = processes.start(
            command(settings, count, target, progress),
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
            stderr=messages)
    except OSError as e:
        messages.close()
        raise Refusal(f"cannot run {settings.ffmpeg}: {e.strerror}") from None
    except BaseException:
        messages.close()
        raise
    enc = encoder(process, pathlib.Path(folder), pattern, count, target,
                  messages, set(done))
    enc.feeder = threading.Thread(target=feed, args=(enc,), daemon=True)
    enc.feeder.start()
    return enc


def frame_done(enc, index):
    with enc.ready:
        enc.done.add(index)
        enc.ready.notify_all()


def feed(enc):
    """Writes each frame's file to ffmpeg once it is done, in order."""
    try:
        for index in range(1, enc.count + 1):
            with enc.ready:
                enc.ready.wait_for(lambda: index in enc.done or enc.stopped)
                if enc.stopped:
                    return
            path = enc.folder / (enc.pattern % index)
            try:
                data = path.read_bytes()
            except OSError as e:
                enc.failure = f"cannot read {shown(path)}: {e.strerror}"
                return
            enc.process.stdin.write(data)
    except OSError:
        return  # ffmpeg has ended: its status and messages tell why
    finally:
        try:
            enc.process.stdin.close()
        except OSError:
            pass


def finish(enc, movie):
    """Waits for ffmpeg to end and moves the film into place, or refuses
    with ffmpeg's messages."""
    enc.feeder.join()
    status = enc.process.wait()
    processes.forget(enc.process)
    enc.messages.seek(0)
    said = enc.messages.read().decode(errors="replace").strip()
    enc.messages.close()
    if enc.failure:
        raise Refusal(enc.failure)
    if status != 0:
        raise Refusal(f"ffmpeg failed with status {status}", said)
    encoded = frames_encoded(enc.target.with_name(PROGRESS_NAME))
    if encoded != enc.count:
        raise Refusal(f"ffmpeg encoded {encoded} of "
                      f"{enc.count} frames", said)
    with written_whole(movie) as temporary:
        shutil.move(enc.target, temporary)


def frames_encoded(progress):
    try:
        counts = FRAME_COUNT.findall(progress.read_text(errors="replace"))
    except OSError:
        return 0
    return int(counts[-1]) if counts else 0


def stop(enc):
    """Ends ffmpeg and its feeding."""
    with enc.ready:
        enc.stopped = True
        enc.ready.notify_all()
    processes.end([enc.process])
    processes.forget(enc.process)
    enc.feeder.join()
    enc.messages.close()
