"""Folders and files the program owns, and only those: a frames' folder is
a film's when it holds its manifest, or is new or empty; one run at a time
holds it; a killed run's leftovers are known by the program's own
temporary names; a warnings log beside a film or page is replaced only
when the program wrote it. Names beside an output are cut to fit."""

import contextlib
import fcntl
import os
import pathlib
import re
import shutil
import tempfile

from .messages import Refusal, shown
from .outputs import cut_to_fit, regular_bytes, temporary_name
from .films import resume
from .films.resume import MANIFEST_NAME, is_manifest

# What a killed run was writing: .NAME.PID.tmp, renamed when whole.
OWN_NAMES = r"(frame\d{5,}\.png|manifest\.jsonl|warnings\.log)"
LEFTOVER = re.compile(rf"\.{OWN_NAMES}\.\d+(\.\d+)?\.tmp")
LOG_HEADER = "# rodscene_render's warnings"
LOG_NAME = "warnings.log"  # in a film's frames folder
KEPT_SUFFIX = "-frames"  # beside a film whose frames were not kept

SCRATCH_PREFIX = "rodscene-"
SCRATCH_MARK = ".rodscene-scratch"  # in a scratch folder this program made

held = {}  # the resolved folders whose locks this run holds, and theirs


def beside(path, suffix):
    """PATH's stem with suffix, in PATH's folder, the stem cut to fit."""
    path = pathlib.Path(path)
    room = len(os.fsencode(suffix))
    return path.with_name(cut_to_fit(path.stem, room) + suffix)


def resolved(path):
    return pathlib.Path(os.path.realpath(path))


def lies_in(name, folder):
    """Whether a file's name, or the file it leads to, lies in folder."""
    folder = resolved(folder)
    return resolved(pathlib.Path(name).absolute().parent) == folder or \
        resolved(name).parent == folder


def lock(folder):
    """Holds the folder for this run; refuses when another run holds it."""
    try:
        handle = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    except OSError as e:
        raise Refusal(f"cannot open {shown(folder)}: {e.strerror}") from None
    try:
        fcntl.flock(handle, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        os.close(handle)
        raise Refusal(f"--frames {shown(folder)} is in use by another film: "
                      f"wait for it to end, or give another folder") from None
    held[resolved(folder)] = handle


def release():
    """Lets go of every folder this run holds: the run is over (a notebook
    goes on after it)."""
    for handle in held.values():
        os.close(handle)
    held.clear()


def claim_frames(folder):
    """Makes, or checks and locks, a film's frames' folder; removes what a
    killed run of this program left half-written there."""
    folder = pathlib.Path(folder)
    try:
        folder.mkdir(parents=True, exist_ok=True)
        if resolved(folder) not in held:
            lock(folder)
        names = os.listdir(folder)
    except OSError as e:
        raise Refusal(f"cannot make {shown(folder)}: {e.strerror}") from None
    if MANIFEST_NAME in names and not is_manifest(folder):
        raise Refusal(f"--frames {shown(folder)} holds a {MANIFEST_NAME} "
                      f"that is not a film's: give a new or empty folder")
    if LOG_NAME in names:
        check_log(folder / LOG_NAME)
    if MANIFEST_NAME not in names:
        other = [n for n in names if not LEFTOVER.fullmatch(n)]
        if other:
            raise Refusal(f"--frames {shown(folder)} holds files that are "
                          f"not a film's (such as {shown(other[0])}): give "
                          f"a new or empty folder")
    for name in names:
        if LEFTOVER.fullmatch(name):
            (folder / name).unlink(missing_ok=True)


def check_log(path):
    """Refuses a warnings log name that holds a file this program did not
    write (read only when it is a regular file: a FIFO would block)."""
    if not path.exists() and not path.is_symlink():
        return
    if regular_bytes(path, len(LOG_HEADER)) != LOG_HEADER.encode():
        raise Refusal(f"{shown(path)} exists and is not a warnings log of "
                      f"this program: not overwritten")


def kept_folder(movie):
    """A new folder beside the film for its frames: never another's."""
    kept, number = beside(movie, KEPT_SUFFIX), 1
    while kept.exists() or kept.is_symlink():
        number += 1
        kept = beside(movie, f"{KEPT_SUFFIX}-{number}")
    return kept


def keep_frames(frames, movie):
    """Copies a film's frames from scratch to a new folder beside it, as a
    film writes its frames' folder: the manifest first, then each frame
    whole and its line after it, so that a disk that fills up leaves a
    folder that resumes with the frames it holds. Returns the folder and
    what stopped the copy ("" when nothing did); when not one frame could
    be kept, removes the folder and refuses."""
    kept = kept_folder(movie)
    try:
        kept.mkdir()
    except OSError as e:
        raise Refusal(f"the frames could not be kept in {shown(kept)}: "
                      f"{e.strerror}") from None
    why = copy_frames(frames, kept)
    if why and not resume.read_manifest(kept):
        shutil.rmtree(kept, ignore_errors=True)
        raise Refusal(f"the frames could not be kept in {shown(kept)}: "
                      f"{why}")
    return kept, why


def copy_frames(frames, kept):
    """Copies the frames the manifest vouches for into the new folder
    kept; returns what stopped it (a full disk, or a stop), or ""."""
    try:
        resume.rewrite(kept, [])
    except Refusal as e:
        return str(e)
    for name, entry in sorted(resume.read_manifest(frames).items()):
        temporary = None
        try:
            temporary = temporary_name(kept / name)
            shutil.copyfile(frames / name, temporary)
            os.replace(temporary, kept / name)
            resume.record(kept, entry, entry.get("png", ""))
        except (OSError, KeyboardInterrupt) as e:
            if temporary is not None:
                temporary.unlink(missing_ok=True)
            return getattr(e, "strerror", None) or str(e) or "interrupted"
    return ""


@contextlib.contextmanager
def scratch():
    """The run's scratch folder, held while the run lives and removed when
    it ends; first removes those of runs killed outright (this program's
    by their mark, and held by no live run)."""
    remove_abandoned()
    folder = tempfile.mkdtemp(prefix=SCRATCH_PREFIX)
    handle = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    try:
        fcntl.flock(handle, fcntl.LOCK_EX)
        (pathlib.Path(folder) / SCRATCH_MARK).touch()
        yield folder
    finally:
        shutil.rmtree(folder, ignore_errors=True)
        os.close(handle)


def remove_abandoned():
    try:
        entries = list(os.scandir(tempfile.gettempdir()))
    except OSError:
        return
    for entry in entries:
        if not entry.name.startswith(SCRATCH_PREFIX):
            continue
        try:
            if entry.stat(follow_symlinks=False).st_uid != os.getuid() or \
                    not os.path.isfile(os.path.join(entry.path,
                                                    SCRATCH_MARK)):
                continue
            handle = os.open(entry.path, os.O_RDONLY | os.O_DIRECTORY |
                             os.O_NOFOLLOW)
        except OSError:
            continue
        try:
            fcntl.flock(handle, fcntl.LOCK_EX | fcntl.LOCK_NB)
            shutil.rmtree(entry.path, ignore_errors=True)
        except BlockingIOError:
            pass  # a live run's
        finally:
            os.close(handle)
