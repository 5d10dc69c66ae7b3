"""A frame's label: a template with the fields {name}, {index} and
{time}, checked before any work and filled in for each frame."""

import pathlib
import re
import string

from ...messages import Refusal, shown

MAX_LABEL = 200  # characters: a label is a line, not a page
LABEL_FIELDS = ("name", "index", "time")
SHOWN_LABEL = 60  # characters of a refused label that its message repeats


def template_error(template):
    """What makes a template unsafe to fill in, or None: a field other than
    the three, a field's attribute or item, or a width or precision that
    would build a text longer than a label may be."""
    if not template.isprintable():
        return "a label is one line of printable characters"
    try:
        fields = list(string.Formatter().parse(template))
    except ValueError as e:
        return f"ValueError: {e}"
    for _, field, form, _ in fields:
        if field is None:
            continue
        if field not in LABEL_FIELDS:
            return f"{{{field}}} is not one of {{name}}, {{index}}, {{time}}"
        if "{" in form or any(int(n) > MAX_LABEL for n in
                              re.findall(r"\d+", form)):
            return f"the format {form!r} asks for more than {MAX_LABEL} " \
                "characters"
    return None


def check_label(template, names, dt, t0):
    """The template's error, or None: filled in for each input as its frame
    will be, since a format may fit one name and not another."""
    error = template_error(template)
    if error:
        return error
    for index, name in enumerate(names, 1):
        try:
            text = label_text(template, shown(pathlib.Path(name).name),
                              index, dt, t0)
        except Exception as e:  # a template can raise whatever its fields do
            return f"{type(e).__name__}: {e}"
        if not text.isprintable():  # a format such as {index:c}
            return f"for {shown(name)} it is not one line of printable " \
                "characters"
        if len(text) > MAX_LABEL:
            return (f"{len(text)} characters for {shown(name)}, more than "
                    f"{MAX_LABEL}")
    return None


def label_text(template, name, index, dt, t0, time=None):
    """The label of the frame of index (from 1), whose time is its file's
    own when it has one, else t0 for the first frame and dt more for each
    later one."""
    return template.format(name=name, index=index,
                           time=t0 + (index - 1) * dt if time is None
                           else time)


def check_settings(s):
    """The run's label filled in for every input, as the frames will fill
    it, or a refusal."""
    if s.label is None:
        return
    error = check_label(s.label, s.inputs, s.dt, s.t0)
    if error:
        label = s.label if len(s.label) <= SHOWN_LABEL else \
            s.label[:SHOWN_LABEL] + "..."
        raise Refusal(f"--label '{shown(label)}' cannot be filled in: "
                      f"{error}")
