#!/usr/bin/python3
"""The shipped notebook, run for real: its cells execute in a Jupyter
kernel with the rodscene module, and the page rodscene.show() returns is
opened in headless Chromium, where its viewer must draw the rods with a
clean console.

usage: notebook_test.py PYTHON_FOLDER

PYTHON_FOLDER holds the built rodscene package. Exits 77 (skipped) without
nbclient, ipykernel, Chromium or selenium.
"""

import os
import pathlib
import shutil
import sys
import tempfile

from render_checks import EXAMPLE, ROOT, SKIP, check
import viewer_test

NOTEBOOK = ROOT / "examples" / "rods.ipynb"
CELL_SECONDS = 120


def executed(folder, python):
    """The notebook run in folder, as nbclient leaves it."""
    import nbclient
    import nbformat
    os.environ["PYTHONPATH"] = os.pathsep.join(
        [str(python)] + os.environ.get("PYTHONPATH", "").split(os.pathsep))
    notebook = nbformat.read(NOTEBOOK, as_version=4)
    client = nbclient.NotebookClient(
        notebook, timeout=CELL_SECONDS, kernel_name="python3",
        resources={"metadata": {"path": str(folder)}})
    client.execute()
    return notebook


def outputs(notebook, kind):
    return [o for cell in notebook.cells if cell.cell_type == "code"
            for o in cell.outputs if kind in o.get("data", {})]


def main():
    try:
        import nbclient  # noqa: F401
        import ipykernel  # noqa: F401
        import selenium  # noqa: F401
    except ImportError as e:
        print(f"{e.name} is not installed: skipped")
        return SKIP
    if not shutil.which("chromium"):
        print("chromium is not installed: skipped")
        return SKIP
    python = pathlib.Path(sys.argv[1]).resolve()
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        shutil.copy(EXAMPLE, tmp)
        notebook = executed(tmp, python)
        texts = [o["data"]["text/plain"] for o in outputs(notebook,
                                                          "text/plain")]
        check(any("3370" in t for t in texts),
              f"the sites were not read: {texts}")
        check((tmp / "front.png").is_file(), "the picture was not drawn")
        refused = [o.get("text", "") for cell in notebook.cells
                   for o in cell.get("outputs", [])]
        check(any("--zoom must lie between" in t for t in refused),
              "a refusal did not reach the notebook as the command says it")
        pages = outputs(notebook, "text/html")
        check(len(pages) == 1, f"{len(pages)} pages shown, not 1")
        shown = tmp / "shown.html"
        shown.write_text(pages[0]["data"]["text/html"])
        driver = viewer_test.browser(tmp)
        try:
            driver.get(shown.as_uri())
            driver.switch_to.frame(0)
            viewer_test.settle(driver, "the notebook's page")
            rgb = viewer_test.canvas_pixels(driver)
        finally:
            driver.quit()
        r, g, b = (rgb[..., i].astype(int) for i in range(3))
        grey_blue = (b > r + 4) & (b < r + 60) & (r < 220) & \
            (abs(2 * g - r - b) < 30)
        check(grey_blue.sum() > 1000,
              "the notebook's page does not draw the system's grey rods")
    print("notebook: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
