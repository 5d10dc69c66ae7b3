"""The warnings of a film's or page's many frames: in full in a log of
this program's own, and on standard error one line a kind, with the
frames it came from."""

import collections
import pathlib
import re

from .folders import LOG_HEADER
from .messages import plural, say, shown
from .outputs import written_whole

LOG_SUFFIX = "-warnings.log"  # beside a film whose frames are not kept


def no_glyph_note(fr):
    return (f"{shown(fr.name)}: no glyph to draw: every rod lies outside "
            f"the window or cannot be drawn")


def warning_kind(note, name):
    """A warning without its file, line and numbers: what it says."""
    text = note.split(f"{shown(name)}", 1)[-1]
    text = re.sub(r"^(:\d+)?: ", "", text)
    text = re.sub(r'"(\\.|[^"\\])*"', '"..."', text)
    return re.sub(r"\d+", "#", text)


def report_notes(frames, log):
    """Writes the log (or removes an earlier one of this program's when
    there is nothing to say) and says each kind of warning once."""
    kinds = collections.defaultdict(list)
    lines = []
    for fr in frames:
        notes = fr.notes + ([] if fr.glyphs else [no_glyph_note(fr)])
        lines += notes
        for kind in dict.fromkeys(warning_kind(n, fr.name) for n in notes):
            kinds[kind].append(shown(pathlib.Path(fr.name).name))
    if not lines:
        log.unlink(missing_ok=True)  # checked to be this program's
        return
    with written_whole(log) as temporary:
        temporary.write_text(LOG_HEADER + "\n" + "\n".join(lines) + "\n",
                             errors="surrogateescape")
    for kind, names in kinds.items():
        which = names[0] if len(names) == 1 else f"{names[0]} ... {names[-1]}"
        say(f"{plural(len(names), 'frame')} ({which}): {kind}")
    say(f"the warnings are in {shown(log)}")
