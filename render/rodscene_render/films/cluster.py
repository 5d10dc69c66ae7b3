"""A film's frames on a Dask distributed cluster: each frame one task, its
scene's files sent to a worker and its PNG's bytes brought back, then
decorated, written and recorded here as a local frame is. A worker lost
mid-film costs only its frames, which the scheduler runs again elsewhere;
a lost scheduler ends the film as a failed frame does, keeping those done.

Only a film with --scheduler imports this module, and with it Dask. The
client connects while the command line is checked, before any input is
read, so that a wrong address costs no work."""

import contextlib
import logging
import socket
import urllib.parse
import warnings

from ..drawing import tasks
from .frame_tasks import keep, load_frame, task_of
from ..messages import Refusal, shown
from ..drawing.povray import time_limit

SCHEMES = ("tcp", "tls")
CONNECT_SECONDS = 10
# Tasks queued a worker thread: enough to keep every worker busy between
# two visits of this loop, few enough that the scheduler does not hold
# every frame's scene at once.
QUEUED = 2
LARGE_WARNING = "Large object of size"
quieted = []  # the logging levels quiet_dask() turned off
TOP_UP_SECONDS = 2
TLS_NEEDS = ("a tls:// scheduler needs Dask's TLS settings: "
             "distributed.comm.tls.ca-file and .client.cert (and "
             ".client.key unless the certificate holds it), in Dask's "
             "configuration or as DASK_DISTRIBUTED__COMM__TLS__CA_FILE, "
             "DASK_DISTRIBUTED__COMM__TLS__CLIENT__CERT and "
             "DASK_DISTRIBUTED__COMM__TLS__CLIENT__KEY")


def first_line(error):
    """What an exception says, in one line."""
    text = str(error).strip() or type(error).__name__
    return shown(text.splitlines()[0])


def address_of(text):
    """(scheme, host, port) of tcp://HOST:PORT or tls://HOST:PORT, or a
    Refusal."""
    try:
        parts = urllib.parse.urlsplit(text)
        port = parts.port
    except ValueError:
        port = parts = None
    if parts is None or parts.scheme not in SCHEMES or not parts.hostname \
            or port is None or parts.path or parts.query or parts.fragment \
            or not text.isprintable():
        raise Refusal(f"--scheduler '{shown(text)}' is not an address such "
                      f"as tcp://HOST:PORT or tls://HOST:PORT")
    return parts.scheme, parts.hostname, port


def security_of(scheme):
    """Dask's security settings from its configuration and environment,
    their files read now; a tls:// address needs a CA and a certificate."""
    from distributed import Security
    try:
        security = Security()
    except ValueError as e:
        raise Refusal(f"Dask's security settings: {first_line(e)}") \
            from None
    if scheme != "tls":
        return security
    if not (security.tls_ca_file and security.tls_client_cert):
        raise Refusal(TLS_NEEDS)
    try:
        security.get_connection_args("client")
    except (OSError, ValueError) as e:
        raise Refusal(f"cannot use Dask's TLS settings (CA "
                      f"{shown(security.tls_ca_file)}, certificate "
                      f"{shown(security.tls_client_cert)}): "
                      f"{first_line(e)}") from None
    return security


def reach(text, host, port):
    """Refuses an address that no service listens at, saying why."""
    try:
        socket.create_connection((host, port), CONNECT_SECONDS).close()
    except OSError as e:
        raise Refusal(f"cannot reach the scheduler at {text}: "
                      f"{e.strerror or e}") from None
    except UnicodeError as e:  # a host name that is not a name
        raise Refusal(f"cannot reach the scheduler at {text}: "
                      f"{first_line(e)}") from None


def quiet_dask():
    """Dask's client logs a lost connection with tracebacks from its own
    thread, some through loggers of asyncio's modules; this program logs
    nothing itself and says what failed in one line instead. Undone by
    close(), for a notebook that goes on logging."""
    quieted.append(logging.root.manager.disable)
    logging.disable(logging.CRITICAL)


def close(client):
    """Closes the client, however it is, and lets logging speak again."""
    with contextlib.suppress(Exception):  # closed already, or lost
        client.close()
    while quieted:
        logging.disable(quieted.pop())


def check_scheduler(text):
    """The Dask client connected to the scheduler at text, or a Refusal:
    a wrong address, a missing Dask or a service that is not a Dask
    scheduler is one line before any work."""
    import importlib.util
    if importlib.util.find_spec("distributed") is None:
        raise Refusal("--scheduler needs Dask distributed (Debian: apt-get "
                      "install python3-distributed)")
    scheme, host, port = address_of(text)
    security = security_of(scheme)
    reach(text, host, port)
    from distributed import Client
    quiet_dask()
    try:
        return Client(text, security=security,
                      timeout=f"{CONNECT_SECONDS}s")
    except Exception as e:  # Dask's own failures to shake hands
        cause = e.__cause__ or e
        why = f"no answer within {CONNECT_SECONDS} s" if \
            isinstance(cause, TimeoutError) else first_line(cause)
        raise Refusal(f"{text} is not a Dask scheduler over {scheme}://: "
                      f"{why}") from None


def render_cluster(settings, todo, cam, folder, scratch, done):
    """Renders the frames to do on the cluster of settings.client, calling
    done with each frame's index and whether it shows a glyph; returns
    (failed frame or None, its Refusal). Closes the client however it
    ends."""
    import cloudpickle
    client = settings.client
    # Workers then need POV-Ray alone, not this package.
    cloudpickle.register_pickle_by_value(tasks)
    # A frame's scene is about a megabyte. The scheduler holds few at a
    # time (see QUEUED); scattering them instead would tie each to one
    # worker, and a lost worker would take the scene with it.
    with warnings.catch_warnings():
        warnings.filterwarnings("ignore", LARGE_WARNING, UserWarning)
        return render_all(client, settings, todo, cam, folder, scratch,
                          done)


def render_all(client, settings, todo, cam, folder, scratch, done):
    waiting = list(reversed(todo))
    frames = {}
    try:
        while waiting or frames:
            for (index, fr, entry, order), result in collect(
                    client, settings, cam, waiting, frames, scratch):
                made, png, detail = result
                if not made:
                    return fr, Refusal(png, detail)
                done(index, keep(settings, fr, cam, index, png, order,
                                 folder, entry))
        return None, None
    finally:
        with contextlib.suppress(Exception):
            client.cancel(list(frames))
        close(client)


def collect(client, settings, cam, waiting, frames, scratch):
    """Tops the queue up and returns [(frame, task's result)] for the tasks
    done. A failure of the cluster itself (a lost scheduler, a broken
    connection) comes back as the failed result of a frame not yet kept."""
    results, current = [], None
    try:
        top_up(client, settings, cam, waiting, frames, scratch)
        for job in finished(list(frames)):
            current = frames[job]
            results.append((current, job.result()))
            frames.pop(job)
    except Refusal:  # this machine's own, as for a local film
        raise
    except Exception as e:  # the cluster's own failures
        # The frame that failed, else the oldest still out, else the next
        # to go (with no order parameter yet); none when all are kept.
        lost = current or next(iter(frames.values()), None) or \
            (waiting[-1] + (None,) if waiting else None)
        if lost is not None:
            why = cluster_failure(client, settings.scheduler, e)
            results.append((lost, (False, why, "")))
    return results


def cluster_failure(client, address, error):
    """Why the cluster failed, in one line."""
    if client.status != "running":
        return f"the cluster failed: lost the scheduler at {address}"
    return f"the cluster failed: {type(error).__name__}: {first_line(error)}"


def finished(jobs):
    """The jobs done within TOP_UP_SECONDS, so that workers that join
    meanwhile get frames soon."""
    from distributed import wait
    try:
        return wait(jobs, timeout=TOP_UP_SECONDS,
                    return_when="FIRST_COMPLETED").done
    except TimeoutError:
        return []


def top_up(client, settings, cam, waiting, frames, scratch):
    """Submits frames until QUEUED wait for each worker thread, each read
    here as it is submitted and held until it is kept; a frame leaves the
    waiting list once submitted."""
    if not waiting:
        return
    threads = sum(client.nthreads().values())
    while waiting and len(frames) < max(threads, 1) * QUEUED:
        index, _, entry = waiting[-1]
        fr = load_frame(settings, index, scratch)
        command, files, order = task_of(settings, fr, cam)
        job = client.submit(tasks.render_task, command, files,
                            time_limit(settings), pure=False)
        frames[job] = (index, fr, entry, order)
        waiting.pop()
