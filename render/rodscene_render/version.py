"""The version of rodscene, kept in one place: the CMake project's. An
install writes it to VERSION beside this package; the source tree reads
it from project() in CMakeLists.txt."""

import pathlib
import re

FOLDER = pathlib.Path(__file__).resolve().parent.parent
PROJECT = re.compile(r"project\(\s*rodscene\s+VERSION\s+([0-9.]+)")


def version():
    installed = FOLDER / "VERSION"
    if installed.is_file():
        return installed.read_text().strip()
    source = FOLDER.parent / "CMakeLists.txt"
    found = PROJECT.search(source.read_text()) if source.is_file() else None
    return found.group(1) if found else "unknown"
