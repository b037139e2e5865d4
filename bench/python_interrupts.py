"""What the Python module's Ctrl+C checks cost, and how soon they answer.

    PYTHONPATH=build/default/python /usr/bin/python3 bench/python_interrupts.py [--repeat R]

Cost: each workload runs alternately with the checks on and off (stochvar._core.
_set_interrupt_checks: off, element loops never poll, and sampling runs draw the library's fixed
batches and skip in one piece); the least processor time (of all the process's threads) of the
runs of each and their ratio are printed: processor time, as other jobs on a shared machine
stretch wall-clock times by tens of percent, and the least, as they only ever add to it. The
cheapest element functions (a uniform cdf, a few ns) show the element checks at their dearest.
Target: under 1 % everywhere. Run it twice: what stays below the run-to-run spread is noise.

Latency: a child process starts a long call of slow variables (a beta inverse takes tens of
microseconds) and gets SIGINT, as from a terminal; the time from the signal to the
KeyboardInterrupt in the child is printed, the largest of several. Target: under 100 ms.
"""

import argparse
import os
import signal
import subprocess
import sys
import textwrap
import time

import numpy as np

import stochvar as sv
from stochvar import _core

BEAM = os.path.join(os.path.dirname(__file__), "..", "examples", "beam.json")


def workloads():
    uniform = sv.Uniform(lower_bound=0, upper_bound=1)
    normal = sv.Normal(mean=0, stddev=1)
    x = np.random.default_rng(1).random(10_000_000)
    beam = sv.load(BEAM)
    one = sv.Collection([normal])
    return {
        "Uniform.cdf, 1e7 elements": lambda: uniform.cdf(x),
        "Normal.ppf, 1e7 elements": lambda: normal.ppf(x),
        "Uniform.sample(1e7)": lambda: uniform.sample(10_000_000, seed=1),
        "beam.sample(1e6), plain": lambda: beam.sample(1_000_000, seed=1),
        "beam.sample(1e6), lhs, 1 thread": lambda: beam.sample(1_000_000, lhs=True, seed=1,
                                                               threads=1),
        "skip to the end of 1e7, lhs": lambda: one.sample(10_000_000, lhs=True,
                                                           first=10_000_000 - 1),
    }


def timed(call):
    start = time.process_time()
    call()
    return time.process_time() - start


def measure_cost(repeat):
    print(f"{'workload':36} {'checks on':>10} {'off':>10} {'cost':>8}")
    for name, call in workloads().items():
        times = {True: [], False: []}
        for _ in range(repeat):
            for enabled in (True, False):
                _core._set_interrupt_checks(enabled)
                times[enabled].append(timed(call))
        _core._set_interrupt_checks(True)
        on, off = min(times[True]), min(times[False])
        print(f"{name:36} {on:9.4f}s {off:9.4f}s {100 * (on / off - 1):+7.2f}%")


CHILD = textwrap.dedent("""
    import sys, time
    import numpy as np
    import stochvar as sv

    slow = sv.Beta(mean=2, stddev=0.1, lower_bound=1, upper_bound=4)
    calls = {
        "Beta.ppf, 3e6 elements": lambda: (slow.ppf, np.full(3_000_000, 0.3)),
        "Beta.sample(3e6)": lambda: (slow.sample, 3_000_000),
        "10 betas, sample(1e6), 1 thread": lambda: (
            lambda n: sv.Collection([slow] * 10).sample(n, threads=1), 1_000_000),
        "10 betas, sample(1e6), 2 threads": lambda: (
            lambda n: sv.Collection([slow] * 10).sample(n, threads=2), 1_000_000),
        "skip to the end of 4e7, lhs": lambda: (
            lambda n: sv.Collection([slow]).sample(n, lhs=True, first=n - 1), 40_000_000),
    }
    function, argument = calls[sys.argv[1]]()
    print("ready", flush=True)
    try:
        function(argument)
        print("finished")
    except KeyboardInterrupt:
        print(time.monotonic())
""")


def interrupt_latency(call, delay):
    child = subprocess.Popen([sys.executable, "-c", CHILD, call], stdout=subprocess.PIPE,
                             text=True, start_new_session=True)
    try:
        child.stdout.readline()
        time.sleep(delay)
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        out, _ = child.communicate(timeout=120)
        return float(out) - sent
    finally:
        if child.poll() is None:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()


def measure_latency(repeat):
    print(f"\n{'long call':36} {'largest latency':>16}")
    for call in ["Beta.ppf, 3e6 elements", "Beta.sample(3e6)", "10 betas, sample(1e6), 1 thread",
                 "10 betas, sample(1e6), 2 threads", "skip to the end of 4e7, lhs"]:
        latencies = [interrupt_latency(call, 0.3 + 0.23 * k) for k in range(repeat)]
        print(f"{call:36} {1000 * max(latencies):13.1f} ms")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=15)
    args = parser.parse_args()
    measure_cost(args.repeat)
    measure_latency(args.repeat)


if __name__ == "__main__":
    main()
