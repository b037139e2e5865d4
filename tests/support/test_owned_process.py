"""A program started through owned_process.run goes, with everything it started, when its deadline
passes; and it goes when the test process that started it is killed."""

import os
import signal
import subprocess
import sys
import time

import pytest

from owned_process import run

HERE = os.path.dirname(os.path.abspath(__file__))




def living(pids):
    """The processes among pids that have not ended, each with its process group."""
    found = {}
    for pid in pids:
        try:
            with open(f"/proc/{pid}/stat") as stat:
                state, _, group = stat.read().rsplit(")", 1)[1].split()[:3]
        except (OSError, IndexError):
            continue
        if state not in "ZX":
            found[pid] = int(group)
    return found


def gone(pids):
    for _ in range(500):
        if not living(pids):
            return True
        time.sleep(0.01)
    return False


def test_the_deadline_ends_the_whole_group():
    # A shell with two long runs in the background, which print their process ids.
    shell = ["/bin/sh", "-c", "echo $$; sleep 600 & echo $!; sleep 600 & echo $!; wait"]
    with pytest.raises(subprocess.TimeoutExpired) as expired:
        run(shell, timeout=1)
    pids = [int(pid) for pid in expired.value.output.split()]
    assert len(pids) == 3 and gone(pids)


def test_a_killed_test_takes_its_program_with_it():
    # The "test" is a Python process of its own that starts a long run and is then killed.
    program = ["/bin/sh", "-c", "echo $$; exec sleep 600"]
    owner = subprocess.Popen(
        [sys.executable, "-c", f"import sys, owned_process; owned_process.run({program!r}, "
         "timeout=60, stdout=sys.stdout)"],
        stdout=subprocess.PIPE, text=True, env=dict(os.environ, PYTHONPATH=HERE))
    try:
        pid = int(owner.stdout.readline())
        assert living([pid]) == {pid: pid}
    finally:
        owner.send_signal(signal.SIGKILL)
        owner.wait()
    assert gone([pid])
