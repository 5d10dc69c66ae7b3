#!/usr/bin/python3 -S
"""rodscene_render: rodscene configurations and scene text as pictures and
films, through POV-Ray.

usage: rodscene_render INPUT PICTURE [options]
       rodscene_render --movie FILM.mp4 INPUT... [options]

The work is done by the package rodscene_render beside this script (in the
source tree) or in ../share/rodscene (when installed); see its
command_line module and `rodscene_render --help`.
"""

# Ctrl-C, SIGTERM and SIGHUP are held back while the program loads (an
# interrupt inside an import comes out as a traceback, or as another
# error) and taken as a stop once the program can say so in one line.
# Python's site folders are added after, when the first line kept Python
# from adding them before this.
import _signal
import sys

_signal.pthread_sigmask(_signal.SIG_BLOCK, {_signal.SIGINT, _signal.SIGTERM,
                                            _signal.SIGHUP})
if sys.flags.no_site:
    import site
    site.main()

import pathlib  # noqa: E402 (after the stops are held back)

HERE = pathlib.Path(__file__).resolve().parent
for folder in (HERE, HERE.parent / "share" / "rodscene"):
    if (folder / "rodscene_render" / "command_line.py").is_file():
        sys.path.insert(0, str(folder))
        break

# Debian's names for the packages the render path imports.
PACKAGES = {"numpy": "python3-numpy", "PIL": "python3-pil",
            "rodscene_render": "rodscene"}

try:
    from rodscene_render.command_line import main
except ImportError as e:
    print(f"{pathlib.Path(sys.argv[0]).name}: needs {e.name} (Debian: "
          f"apt-get install {PACKAGES.get(e.name, e.name)})", file=sys.stderr)
    sys.exit(2)

if __name__ == "__main__":
    sys.exit(main())
