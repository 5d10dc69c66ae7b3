"""Outputs: names checked before any work, and files written whole under a
temporary name, then renamed, so that no input and no earlier output is
ever lost to a mistake or a failure."""

import contextlib
import itertools
import os
import pathlib
import stat
import tempfile

from .messages import Refusal, shown

# Picture names: the format each is written in, and the bytes at an offset
# that tell an existing file of that format.
PICTURE_FORMATS = {".png": ("PNG", b"\x89PNG\r\n\x1a\n", 0),
                   ".jpg": ("JPEG", b"\xff\xd8\xff", 0),
                   ".jpeg": ("JPEG", b"\xff\xd8\xff", 0),
                   ".svg": ("SVG", b"<?xml", 0),
                   ".pdf": ("PDF", b"%PDF-", 0)}
JPEG_QUALITY = 92
MAX_NAME = 255  # bytes in a file name on Linux's file systems
TEMPORARY_ROOM = 40  # ".", the process number, a count and ".tmp"
CREATE_NEW = os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_NOFOLLOW


def format_list(formats):
    names = sorted(formats)
    if len(names) == 1:
        return names[0]
    return ", ".join(names[:-1]) + " or " + names[-1]


def article(kind):
    """"an" before a format's initials said from a vowel (an SVG, an MP4,
    an HTML), else "a"."""
    said_from_vowel = kind[:2].isupper() and kind[0] in "AEFHILMNORSX"
    return "an" if said_from_vowel else "a"


def check_output(path, formats, inputs, what):
    """Refuses an output name that has no known format, is too long, names
    an input, is an existing file of another kind, or lies in a folder
    that cannot be written. formats maps a suffix to (format name, bytes,
    offset)."""
    path = pathlib.Path(path)
    suffix = path.suffix.lower()
    if suffix not in formats:
        raise Refusal(f"{shown(path)}: a {what}'s name ends in "
                      f"{format_list(formats)}")
    if len(os.fsencode(path.name)) > MAX_NAME:
        raise Refusal(f"{shown(path.name[:40])}...: a name of more than "
                      f"{MAX_NAME} bytes")
    # Two inputs and no --movie may have been meant as a film.
    hint = " (a film is made with --movie)" if what == "picture" else ""
    for name in inputs:
        if same_file(path, pathlib.Path(name)):
            raise Refusal(f"{shown(path)} is also an input: not "
                          f"overwritten{hint}")
    if path.is_dir():
        raise Refusal(f"{shown(path)} is a folder")
    if path.exists() and not path.is_file():
        raise Refusal(f"{shown(path)} is not a regular file: not written")
    kind, head, offset = formats[suffix]
    if path.exists() and not holds(path, head, offset):
        raise Refusal(f"{shown(path)} exists and is not {article(kind)} "
                      f"{kind} file: not overwritten")
    check_folder(path.parent)


def same_file(a, b):
    try:
        return a.exists() and b.exists() and os.path.samefile(a, b)
    except OSError:
        return False


def holds(path, head, offset):
    try:
        with open(path, "rb") as f:
            first = f.read(offset + len(head))
    except OSError as e:
        raise Refusal(f"cannot read {shown(path)}: {e.strerror}") from None
    return first[offset:] == head


def check_folder(folder):
    """Whether a file can be made in the folder: tried, not guessed."""
    folder = pathlib.Path(folder) if str(folder) else pathlib.Path(".")
    if not folder.is_dir():
        raise Refusal(f"cannot write into {shown(folder)}: no such folder")
    try:
        with tempfile.NamedTemporaryFile(dir=folder, prefix=".rodscene-"):
            pass
    except OSError as e:
        raise Refusal(f"cannot write into {shown(folder)}: "
                      f"{e.strerror}") from None


def cut_to_fit(name, room=0):
    """name shortened from its end until it and room more bytes fit in a
    file name."""
    while len(os.fsencode(name)) + room > MAX_NAME:
        name = name[:-1]
    return name


def regular_bytes(path, size=-1):
    """Up to size bytes of path (all of them by default) when it is a
    regular file, never through a symbolic link; else None. A FIFO or a
    device is never read: it could block, or never end."""
    try:
        handle = os.open(path, os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK)
    except OSError:
        return None
    try:
        regular = stat.S_ISREG(os.fstat(handle).st_mode)
    except OSError:
        regular = False
    if not regular:  # a folder cannot even be wrapped as a file
        os.close(handle)
        return None
    with os.fdopen(handle, "rb") as f:
        return f.read(size)


def temporary_name(path):
    """A new empty file beside path, made here so that it is this run's
    own: .NAME.PID.tmp, or .NAME.PID.N.tmp when a file holds that name;
    NAME cut short enough for the folder."""
    path = pathlib.Path(path)
    name = cut_to_fit(path.name, TEMPORARY_ROOM)
    for number in itertools.count():
        tail = f".{number}" if number else ""
        temporary = path.with_name(f".{name}.{os.getpid()}{tail}.tmp")
        try:
            os.close(os.open(temporary, CREATE_NEW, 0o666))
            return temporary
        except FileExistsError:
            continue


@contextlib.contextmanager
def written_whole(path):
    """Yields a new temporary file beside path; renames it to path when
    the block ends well, and removes it when it does not."""
    temporary = None
    try:
        temporary = temporary_name(path)
        yield temporary
        os.replace(temporary, path)
    except OSError as e:
        raise Refusal(f"cannot write {shown(path)}: {e.strerror}") from None
    finally:
        if temporary is not None:
            with contextlib.suppress(OSError):
                temporary.unlink(missing_ok=True)


def save_picture(image, path, dpi=None):
    """Writes a Pillow image in the format its name gives, with no time
    stamp or other metadata, so that the same pixels give the same bytes;
    and its resolution, when it is printed at a width (dpi)."""
    kind = PICTURE_FORMATS[pathlib.Path(path).suffix.lower()][0]
    density = {} if dpi is None else {"dpi": (dpi, dpi)}
    with written_whole(path) as temporary:
        if kind == "JPEG":
            image.convert("RGB").save(temporary, "JPEG",
                                      quality=JPEG_QUALITY, **density)
        else:
            image.save(temporary, "PNG", **density)
