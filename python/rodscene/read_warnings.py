"""The warnings of the module's readers: input that a reader dropped or
filled in, given through Python's warnings."""

import warnings


class ReadWarning(UserWarning):
    """Input that a converter's reader dropped or filled in."""


def warn(lines):
    # stacklevel 3: the warning points at the caller of the public function.
    for line in lines:
        warnings.warn(line, ReadWarning, stacklevel=3)
