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


def renderers():
    """Which renderers this build has, as --version says it."""
    from .reading.conversion import find_module
    core = find_module(None, FOLDER)
    if core is not None and getattr(core, "has_renderer", False):
        return "renderers: embree (default), povray"
    return "renderer: POV-Ray only (built without Embree)"
