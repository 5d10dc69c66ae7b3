"""Inputs: scene text as the converters wrote it, or a configuration file
that a converter turns into scene text; and the glyph records of either,
read with numpy into the points and colours the other steps use."""

import dataclasses
import pathlib
import re
import shutil
import subprocess
import tempfile
import warnings

import numpy as np

from .messages import PROGRAM, Refusal, plural

CONFIG_NAME = "readingconfig3.txt"
SCENE_START = b" cylinder\n"
GLYPH_LINES = 12
CYLINDER_RECORD = 2  # "< A.x , A.y , A.z >, < B.x , B.y , B.z >, 1.2"
PIGMENT_RECORD = 4
SPHERE_RECORD = 8  # "< C.x , C.y , C.z >, 0.25"
CYLINDER_NUMBERS = 7  # the two ends, then the radius
SPHERE_NUMBERS = 4  # the centre, then the radius
RECORD_BLANKS = bytes.maketrans(b"<>,", b"   ")
TEAL_PIGMENT = "pigment { color rgb <0.000000, 0.800000, 0.673810>}"
BLUE_PIGMENT = "pigment { color rgb <0.00000, 0.100000, 0.873810>}"
RED_PIGMENT = "pigment { color rgb  <0.952540,0.000000,0.000000>}"
ROTATION = "rotate <90,0,0>"
# The lines of a glyph other than its vector records, as they may read.
LITERAL_LINES = {
    record: {f" {text}\n" for text in texts} for record, texts in {
        0: ["cylinder"], 1: ["{"], 3: [ROTATION],
        PIGMENT_RECORD: [TEAL_PIGMENT, BLUE_PIGMENT], 5: ["}"],
        6: ["sphere"], 7: ["{"], 9: [ROTATION], 10: [RED_PIGMENT],
        11: ["}"]}.items()}
# Beyond this, POV-Ray's bounds leave a glyph out of the picture.
MAX_COORDINATE = 1e9

# A configuration value as its first token on a line: a number in any of
# the forms the converters read, a repeat count, or a NaN or infinity.
NUMBER_TOKEN = re.compile(
    rb"[ \t]*(\d+\*[^ \t,;]*|[+-]?(nan|inf(inity)?)"
    rb"|[+-]?(\d+\.?\d*|\.\d+)([eEdDqQ]?[+-]?\d+)?"
    rb")([ \t,;/]|\r?$)", re.IGNORECASE)


@dataclasses.dataclass
class frame:
    """One input's drawable glyphs: the text handed to POV-Ray (or the
    file it was put aside in), each glyph's cylinder ends (A, B) and cap
    centre, whether its cylinder is teal, and the warnings met on the way."""
    name: str
    text: str
    ends: np.ndarray
    caps: np.ndarray
    teal: np.ndarray
    notes: list
    text_file: str = None

    def points(self):
        return np.hstack([self.ends, self.caps]).reshape(-1, 3)

    def glyph_text(self):
        if self.text is None:
            return pathlib.Path(self.text_file).read_text()
        return self.text


def set_aside(fr, path):
    """The frame with its text in a file: a film of a thousand frames would
    otherwise hold a gigabyte of text. path None drops the text."""
    if path is not None:
        pathlib.Path(path).write_text(fr.text)
    return dataclasses.replace(fr, text=None, text_file=path and str(path))


def input_kind(path):
    """'scene' or 'configuration'; refuses what is neither."""
    if pathlib.Path(path).exists() and not pathlib.Path(path).is_file():
        raise Refusal(f"{path} is not a regular file")
    try:
        with open(path, "rb") as f:
            head = f.read(len(SCENE_START))
            if head.startswith(SCENE_START):
                return "scene"
            if head.startswith(SCENE_START.replace(b"\n", b"\r\n")[:10]):
                raise Refusal(f"{path} is scene text with CR LF line ends, "
                              f"which the converters never write")
            if not head:
                raise Refusal(f"{path} is empty: it is neither scene text "
                              f"nor a configuration")
            f.seek(0)
            if not has_data_record(f):
                raise Refusal(f"{path} holds no data record: it is neither "
                              f"scene text nor a configuration")
    except OSError as e:
        raise Refusal(f"cannot read {path}: {e.strerror}") from None
    return "configuration"


def has_data_record(f):
    """Whether a line after the header line starts with a number."""
    header = False
    for line in f:
        if not line.strip():
            continue
        if header and NUMBER_TOKEN.match(line):
            return True
        header = True
    return False


def find_converter(name, folder, here):
    """The converter program: in folder when given; else beside the
    launcher (as installed), on PATH, or in this source tree's builds."""
    if folder:
        program = pathlib.Path(folder) / name
        if not program.is_file():
            raise Refusal(f"no {name} in {folder}")
        return str(program.resolve())  # it runs in a folder of its own
    if (here / name).is_file():
        return str(here / name)
    found = shutil.which(name)
    if found:
        return found
    for build in ("release", "example"):
        program = here.parent / "build" / build / name
        if program.is_file():
            return str(program)
    raise Refusal(f"cannot find {name}: build it, install it, or name its "
                  f"folder with --converters")


def convert(config, program, scratch):
    """Runs the converter on a configuration file in a folder of its own,
    where the file is readingconfig3.txt. Returns its scene text and its
    warnings, which name the file as the user did."""
    with tempfile.TemporaryDirectory(dir=scratch) as folder:
        (pathlib.Path(folder) / CONFIG_NAME).symlink_to(
            pathlib.Path(config).resolve())
        try:
            run = subprocess.run([program], cwd=folder, capture_output=True)
        except OSError as e:
            raise Refusal(f"cannot run {program}: {e.strerror}") from None
    notes = [line.replace(CONFIG_NAME, str(config)) for line in
             run.stderr.decode(errors="replace").splitlines()]
    if run.returncode != 0:
        reason = notes[-1] if notes else f"status {run.returncode}"
        raise Refusal(f"{pathlib.Path(program).name} failed on {config}: "
                      f"{reason}")
    try:
        return run.stdout.decode("ascii"), notes
    except UnicodeDecodeError:
        raise Refusal(f"{pathlib.Path(program).name} wrote bytes that are "
                      f"not ASCII for {config}: is it a converter?") from None


def record_numbers(records, count, name):
    """The numbers of each vector record: its brackets and commas read as
    blanks, the rest parsed by numpy in one pass (a token at a time in
    Python is three times slower). count is the numbers in a record, the
    radius last."""
    if not records:
        return np.zeros((0, count - 1))
    blob = "".join(records).encode("ascii").translate(RECORD_BLANKS)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        values = np.fromstring(blob, sep=" ")
    if values.size != len(records) * count:
        raise Refusal(f"{name}: a glyph's vector record is not as the "
                      f"converters write it")
    return values.reshape(len(records), count)[:, :-1]


def check_literals(lines, name):
    """Every line of every glyph but its two vector records must be the
    converters' own text: anything else would go to POV-Ray unread."""
    for record, allowed in LITERAL_LINES.items():
        bad = next((i for i, line in
                    enumerate(lines[record::GLYPH_LINES])
                    if line not in allowed), None)
        if bad is not None:
            raise Refusal(f"{name}: line {bad * GLYPH_LINES + record + 1} is "
                          f"not as the converters write it")


def read_glyphs(text, name, notes):
    """The glyphs POV-Ray can draw. It stops on a cylinder whose two ends
    are equal (a slot no record reached, or a zero direction) and cannot
    read NaN or infinite coordinates, so those are left out and counted."""
    lines = text.splitlines(keepends=True)
    if len(lines) % GLYPH_LINES != 0:
        raise Refusal(f"{name} has {plural(len(lines), 'line')}, not a "
                      f"multiple of {GLYPH_LINES}: is it a converter's "
                      f"output?")
    check_literals(lines, name)
    count = len(lines) // GLYPH_LINES
    ends = record_numbers(lines[CYLINDER_RECORD::GLYPH_LINES],
                          CYLINDER_NUMBERS, name)
    caps = record_numbers(lines[SPHERE_RECORD::GLYPH_LINES], SPHERE_NUMBERS,
                          name)
    teal = np.array([line.strip() == TEAL_PIGMENT
                     for line in lines[PIGMENT_RECORD::GLYPH_LINES]], bool)
    readable = (np.abs(ends) <= MAX_COORDINATE).all(axis=1) & \
        (np.abs(caps) <= MAX_COORDINATE).all(axis=1)
    degenerate = readable & (ends[:, :3] == ends[:, 3:]).all(axis=1)
    kept = np.flatnonzero(readable & ~degenerate)
    if degenerate.any():
        notes.append(f"{PROGRAM}: {name}: left out "
                     f"{plural(int(degenerate.sum()), 'glyph')} whose "
                     f"cylinder ends are equal (POV-Ray cannot draw them)")
    if count - readable.sum():
        notes.append(f"{PROGRAM}: {name}: left out "
                     f"{plural(int(count - readable.sum()), 'glyph')} with "
                     f"NaN, infinite or huge coordinates (beyond "
                     f"{MAX_COORDINATE:g}, which POV-Ray does not draw)")
    if len(kept) < count:
        text = "".join("".join(lines[i * GLYPH_LINES:(i + 1) * GLYPH_LINES])
                       for i in kept)
    return frame(str(name), text, ends[kept], caps[kept], teal[kept], notes)


def load_input(path, kind, converter, scratch):
    """One input's frame: scene text as it is, a configuration converted."""
    if kind == "scene":
        try:
            text = pathlib.Path(path).read_bytes().decode("ascii")
        except OSError as e:
            raise Refusal(f"cannot read {path}: {e.strerror}") from None
        except UnicodeDecodeError:
            raise Refusal(f"{path} is not scene text: it holds bytes that "
                          f"are not ASCII") from None
        notes = []
    else:
        text, notes = convert(path, converter, scratch)
    return read_glyphs(text, path, notes)
