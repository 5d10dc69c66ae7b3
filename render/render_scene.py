#!/usr/bin/python3
"""rodscene_render: rodscene configurations and scene text as pictures and
films, through POV-Ray.

usage: rodscene_render INPUT PICTURE [options]
       rodscene_render --movie FILM.mp4 INPUT... [options]

The work is done by the package rodscene_render beside this script (in the
source tree) or in ../share/rodscene (when installed); see its
command_line module and `rodscene_render --help`.
"""

import pathlib
import sys

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
except KeyboardInterrupt:  # Ctrl-C while the program starts
    print(f"{pathlib.Path(sys.argv[0]).name}: interrupted: nothing was "
          f"written", file=sys.stderr)
    sys.exit(2)

if __name__ == "__main__":
    sys.exit(main())
