"""Ctrl+C stops the module's long calls while they run. Each call runs in a child process that
receives SIGINT, as from a terminal, half a second after it said it starts the call; left to
finish, every call would take far longer than the child's deadline (a slow beta inverse takes
tens of microseconds, the Latin hypercube skip to the end of a run of 4e7 walks the strata of
every sample before it)."""

import signal
import subprocess
import sys
import textwrap
import time

import pytest
from owned_process import started

CHILD = textwrap.dedent("""
    import sys
    import numpy as np
    import stochvar as sv

    slow = sv.Beta(mean=2, stddev=0.1, lower_bound=1, upper_bound=4)
    normal = sv.Collection([sv.Normal(mean=0, stddev=1)])
    calls = {  # the function and its arguments, made before the call starts
        "cdf": lambda: (slow.cdf, np.full(20_000_000, 2.5)),
        "ppf": lambda: (slow.ppf, np.full(3_000_000, 0.3)),
        "isf": lambda: (slow.isf, np.full(3_000_000, 0.3)),
        "sample": lambda: (slow.sample, 3_000_000),
        "batches": lambda: (sv.Collection([slow]).sample, 3_000_000),
        "skip": lambda: (lambda n: normal.sample(n, lhs=True, first=n - 1), 40_000_000),
    }
    function, argument = calls[sys.argv[1]]()
    print("ready", flush=True)
    try:
        function(argument)
        print("finished")
    except KeyboardInterrupt:
        print("interrupted")
""")
DEADLINE = 20  # seconds; an interrupted call returns within a fraction of one


@pytest.mark.parametrize("call", ["cdf", "ppf", "isf", "sample", "batches", "skip"])
def test_ctrl_c_stops_a_long_call(call):
    with started([sys.executable, "-c", CHILD, call], stdout=subprocess.PIPE,
               stderr=subprocess.PIPE, text=True) as child:
        assert child.stdout.readline() == "ready\n"
        time.sleep(0.5)
        child.send_signal(signal.SIGINT)
        try:
            out, err = child.communicate(timeout=DEADLINE)
        except subprocess.TimeoutExpired:
            out, err = "", f"still running after {DEADLINE} s"
    assert out.strip() == "interrupted", err
