"""The frames folder's manifest: one line a finished frame, with the digest
of its input, of the settings it was made with and of its PNG, so that a
film run again renders only the frames that are missing or changed.

A line is appended only after its frame has been renamed into place, and
a line cut short by a lost machine is not read, so the manifest never
vouches for a frame that is not whole."""

import hashlib
import json
import os
import pathlib
import threading

MANIFEST_NAME = "manifest.jsonl"
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


def read_manifest(folder):
    """The manifest's entries by frame file name; later lines win."""
    entries = {}
    try:
        lines = (pathlib.Path(folder) / MANIFEST_NAME).read_text().splitlines()
    except (OSError, UnicodeDecodeError):
        return entries
    for line in lines:
        try:
            entry = json.loads(line)
            entries[entry["frame"]] = entry
        except (ValueError, KeyError, TypeError, RecursionError):
            continue
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
    path = pathlib.Path(folder) / MANIFEST_NAME
    temporary = path.with_name(f".{MANIFEST_NAME}.{os.getpid()}.tmp")
    try:
        temporary.write_text("".join(json.dumps(e) + "\n" for e in entries))
        os.replace(temporary, path)
    finally:
        temporary.unlink(missing_ok=True)


def record(folder, entry, png_digest):
    """Appends a finished frame's line; the frame is already in place."""
    line = json.dumps(dict(entry, png=png_digest)) + "\n"
    with lock, open(pathlib.Path(folder) / MANIFEST_NAME, "a") as f:
        f.write(line)
        f.flush()
        os.fsync(f.fileno())
