"""The command line: parses, checks every name, input and number before
any work, and dispatches to a picture, a film or a page. Every mistake is
one line on standard error and exit status 2."""

import os
import pathlib
import sys

from .reading import conversion, inputs, system_files, trajectories
from .films import film_encoder
from .order import order_options
from . import (figure_options, folders, options, outputs, processes,
               system_options, tools)
from .page import page
from .drawing.overlays import labels
from .messages import Nothing, Refusal, os_failure, say, shown
from .warning_report import LOG_SUFFIX


def check_outputs(s):
    if s.scheduler is not None and s.movie is None:
        raise Refusal("--scheduler renders the frames of a film: give "
                      "--movie")
    if s.order:
        order_options.check_order(s)
        return
    order_options.refuse_without_order(s)
    if s.html:
        if s.movie:
            raise Refusal("--html and --movie are two outputs: one a run")
        outputs.check_output(s.html, page.PAGE_FORMATS, s.inputs, "page")
        page.check_page(s)
        return
    if s.movie is None:
        if s.frames:
            raise Refusal("--frames keeps a film's frames: it needs --movie")
        if len(s.inputs) != 2:
            raise Refusal("a picture takes one INPUT and the PICTURE to "
                          "write; a film takes --movie FILM.mp4 INPUT...")
        s.inputs, s.picture = s.inputs[:1], pathlib.Path(s.inputs[1])
        outputs.check_output(s.picture, outputs.PICTURE_FORMATS, s.inputs,
                             "picture")
        return
    outputs.check_output(s.movie, film_encoder.CONTAINERS, s.inputs, "film")
    if s.frames:
        check_frames(s.frames)


def check_frames(frames):
    """A folder of the film's own: held for this run when it exists; made
    when the film starts, and until then its nearest existing folder must
    take it."""
    if frames.exists() and not frames.is_dir():
        raise Refusal(f"--frames {shown(frames)} is a file, not a folder")
    if frames.exists():
        folders.claim_frames(frames)
        return
    folder = frames.absolute()
    while not folder.exists():
        folder = folder.parent
    outputs.check_folder(folder)


def check_side_outputs(s):
    """A film's or page's other files (the warnings' log, the frames) may
    not take the place of an input, nor of a file not this program's."""
    written = s.html or s.movie
    if written is None:
        return
    log = folders.beside(written, LOG_SUFFIX)
    for name in s.inputs:
        if outputs.same_file(log, pathlib.Path(name)):
            raise Refusal(f"{shown(log)} would hold the warnings, and it is "
                          f"an input: not overwritten")
    if not s.frames:
        folders.check_log(log)
        return
    if folders.resolved(s.frames) == folders.resolved(s.movie):
        raise Refusal(f"--frames {shown(s.frames)} is the film's own name")
    for name in s.inputs:
        if folders.lies_in(name, s.frames):
            raise Refusal(f"{shown(name)} lies in the --frames folder, which "
                          f"the film writes into: not overwritten")


def find_reader(s, here):
    """What reads the inputs: a converter (--program) or the reader of
    whole systems; every frame of a trajectory becomes an input."""
    system_options.check_trajectory_options(s)
    s.files = list(s.inputs)
    s.converter = None
    if s.program_given and ("gsd" in s.kinds or "dump" in s.kinds):
        raise Refusal(f"--program {s.program} reads configurations: GSD "
                      f"and dump files are read whole, without it")
    if s.program_given and "configuration" in s.kinds:
        s.converter = conversion.find_converter(s.program, s.converters,
                                                here)
    elif set(s.kinds) - {"scene"}:
        if tools.find_core(s, here) is None:
            raise Refusal(system_files.NEEDS_MODULE)
        s.converter = system_options.system_reader(s)
        frames = trajectories.expand(s.inputs, s.kinds, s.frame)
        s.inputs = [path for path, _ in frames]
        s.kinds = [kind for _, kind in frames]


def settings_from(argv, here):
    """The checked settings of one run, or a Refusal."""
    s = options.parser().parse_args(argv)
    s.argv = list(sys.argv[1:] if argv is None else argv)
    options.resolve(s)
    options.check_numbers(s)
    check_outputs(s)
    figure_options.check_output(s, getattr(s, "picture", None))
    check_side_outputs(s)
    if s.scheduler is not None:  # before any input is read
        from .films.cluster import check_scheduler
        s.client = check_scheduler(s.scheduler)
    try:
        labels.check_settings(s)
        tools.check_tools(s, here)
        s.kinds = [inputs.input_kind(path) for path in s.inputs]
        find_reader(s, here)
    except BaseException:
        close_client(s)
        raise
    return s


def close_client(s):
    if getattr(s, "client", None) is not None:
        from .films.cluster import close
        close(s.client)


def run(argv, here, inline=False):
    """One run of the command; inline for a page that another program
    shows and then removes, which names no file of its own."""
    try:
        settings = settings_from(argv, here)
        settings.inline = inline
        try:
            work(settings)
        finally:
            close_client(settings)
    finally:
        folders.release()


def work(settings):
    with folders.scratch() as scratch:
        if settings.order:
            from .order.order_table import write_order
            write_order(settings, scratch)
        elif settings.html:
            page.write_page(settings, scratch)
        elif settings.movie:
            from .films.films import render_film
            render_film(settings, scratch)
        else:
            from .drawing.picture import render_picture
            render_picture(settings, scratch)


def said(e):
    """Says how the run ended, in one line after what a tool said;
    returns the exit status. What is not the run's own ending (a bug, or
    argparse's exit) goes on."""
    if isinstance(e, Refusal):
        if e.detail:
            print(e.detail, file=sys.stderr)
        say(str(e))
        return 2
    if isinstance(e, Nothing):
        say(str(e))
        return 1
    if isinstance(e, (KeyboardInterrupt, processes.stopped)):
        say("interrupted: nothing was written")
    elif isinstance(e, OSError):
        say(os_failure(e))
    elif isinstance(e, MemoryError):
        say("out of memory")
    else:
        raise e
    return 2


def main(argv=None):
    """Runs the command; returns its exit status: 0 done, 1 written but
    showing nothing, 2 refused, failed or stopped. Once the run has ended,
    a stop signal waits: what is said is said whole."""
    if sys.stderr is None:  # closed: print() would write to stdout instead
        sys.stderr = open(os.devnull, "w")
    # The command only writes files: matplotlib draws off screen, whatever
    # backend the environment names for other programs.
    os.environ["MPLBACKEND"] = "Agg"
    try:
        processes.own_signals()  # a stop held back while loading comes here
        run(argv, pathlib.Path(sys.argv[0]).resolve().parent)
        processes.hold_stops()
        return 0
    except BaseException as e:
        processes.hold_stops()
        return said(e)
    finally:
        processes.end_all()
