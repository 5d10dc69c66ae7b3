"""The frames folder's manifest: one line a finished frame, with the digest
of its input, of the settings it was made with and of its PNG, so that a
film run again renders only the frames that are missing or changed.

A line is appended only after its frame has been renamed into place, and
a line cut short by a lost machine is not read, so the manifest never
vouches for a frame that is not whole."""

import errno
import hashlib
import json
import os
import pathlib
import threading

from ..outputs import regular_bytes, written_whole

MANIFEST_NAME = "manifest.jsonl"
ENTRY_KEYS = ("frame", "input_sha256", "settings")
ENTRY_START = '{"frame": "frame'  # how json.dumps begins every entry
# The manifest's first line: a folder is a film's by it.
HEADER = json.dumps({"rodscene_render": "frames"})
CHUNK = 1 << 20

lock = threading.Lock()  # frames finish in several threads


def digest_bytes(data):
    return hashlib.sha256(data).hexdigest()


def digest_file(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(CHUNK), b""):
            h.update(block)
    return h.hexdigest()


def digest_settings(parts):
    """One digest of everything besides the input that shapes a frame."""
    return digest_bytes(json.dumps(parts, sort_keys=True).encode())


def manifest_lines(folder):
    """The manifest's lines when it is a regular file, else None."""
    data = regular_bytes(pathlib.Path(folder) / MANIFEST_NAME)
    return None if data is None else data.decode(errors="replace").split("\n")


def entry_of(line):
    """A line's frame entry, or None when it is not one."""
    try:
        entry = json.loads(line)
    except (ValueError, RecursionError):
        return None
    if not isinstance(entry, dict) or not all(
            isinstance(entry.get(k), str) for k in ENTRY_KEYS):
        return None
    return entry


def is_manifest(folder):
    """Whether the folder's manifest is a film's: a regular file that
    starts with the manifest's header (or, as earlier films wrote it, with
    no header but a frame entry), whose whole lines are all frame entries,
    and whose text after the last line feed, if any, is the start of one
    cut short."""
    lines = manifest_lines(folder)
    if lines is None:
        return False
    body = lines[1:] if lines[0] == HEADER else lines
    if body is lines and not entry_of(lines[0]):
        return False
    cut = body[-1]
    return all(entry_of(line) for line in body[:-1] if line.strip()) and \
        (ENTRY_START.startswith(cut) or cut.startswith(ENTRY_START))


def read_manifest(folder):
    """The manifest's entries by frame file name; later lines win."""
    entries = {}
    for line in manifest_lines(folder) or []:
        entry = entry_of(line)
        if entry is not None:
            entries[entry["frame"]] = entry
    return entries


def still_good(folder, wanted, recorded, whole):
    """Whether the frame on disk is the one the wanted entry describes,
    and whole(path) finds it sound."""
    if recorded is None or any(recorded.get(k) != v
                               for k, v in wanted.items()):
        return False
    path = pathlib.Path(folder) / wanted["frame"]
    try:
        return path.is_file() and not path.is_symlink() and \
            digest_file(path) == recorded.get("png") and whole(path)
    except OSError:
        return False


def plan(folder, wanted, whole):
    """Splits the wanted entries (one a frame, in order) into those whose
    frame is on disk as wanted, and sound by whole(path), and those to
    render; rewrites the manifest with the first alone."""
    recorded = read_manifest(folder)
    kept, missing = [], []
    for entry in wanted:
        good = still_good(folder, entry, recorded.get(entry["frame"]), whole)
        (kept if good else missing).append(
            recorded[entry["frame"]] if good else entry)
    rewrite(folder, kept)
    return kept, missing


def rewrite(folder, entries):
    with written_whole(pathlib.Path(folder) / MANIFEST_NAME) as temporary:
        temporary.write_text(HEADER + "\n" + "".join(
            json.dumps(e) + "\n" for e in entries))


def record(folder, entry, png_digest):
    """Appends a finished frame's line; the frame is already in place. A
    line the disk had no room for is cut off again, so that the next
    frame's line never follows half a line. The line is not forced to disk
    one by one (settle does, once): a line that a lost machine never wrote
    only has its frame rendered again, and a frame whose line outlived it
    fails its digest when the film resumes."""
    line = (json.dumps(dict(entry, png=png_digest)) + "\n").encode()
    with lock:
        handle = os.open(pathlib.Path(folder) / MANIFEST_NAME,
                         os.O_WRONLY | os.O_APPEND | os.O_CREAT, 0o666)
        try:
            end = os.fstat(handle).st_size
            try:
                if os.write(handle, line) != len(line):
                    raise OSError(errno.ENOSPC, os.strerror(errno.ENOSPC))
            except OSError:
                os.ftruncate(handle, end)
                raise
        finally:
            os.close(handle)


def settle(folder):
    """Forces the manifest's lines to disk, once the frames are done."""
    path = pathlib.Path(folder) / MANIFEST_NAME
    with lock, open(path, "a") as f:
        os.fsync(f.fileno())
