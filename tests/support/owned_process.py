"""Programs that a Python test starts, owned by it: each runs in a process group of its own (so
whatever it starts belongs to the group), under a deadline, and the whole group is killed when
the program ends, when the deadline passes and when the test leaves early. setpriv makes the
kernel kill the program should the test process itself be killed (a test timeout)."""

import contextlib
import os
import shutil
import signal
import subprocess

# util-linux's setpriv sets the parent-death signal and then runs the program in its place.
_SETPRIV = shutil.which("setpriv")
_DIE_WITH_TEST = [_SETPRIV, "--pdeathsig", "KILL", "--"] if _SETPRIV else []


@contextlib.contextmanager
def owned(args, **kwargs):
    """subprocess.Popen of the program owned as above, for a test that talks to it; its whole
    group is killed when the block leaves."""
    with subprocess.Popen(_DIE_WITH_TEST + list(args), start_new_session=True, **kwargs) as process:
        try:
            yield process
        finally:
            # Also after the program ended: what it started may live on in its group (whose id,
            # while the group has members, no new process can take).
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.kill()
            process.wait()


def run(args, timeout=120, check=False, **kwargs):
    """subprocess.run with the program owned as above; TimeoutExpired after `timeout` seconds."""
    with owned(args, stdout=kwargs.pop("stdout", subprocess.PIPE),
               stderr=kwargs.pop("stderr", subprocess.PIPE), **kwargs) as process:
        out, err = process.communicate(timeout=timeout)
    completed = subprocess.CompletedProcess(list(args), process.returncode, out, err)
    if check:
        completed.check_returncode()
    return completed
