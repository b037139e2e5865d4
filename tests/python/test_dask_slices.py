"""A run split among the worker processes of a Dask cluster (examples/python/beam_on_dask.py)
equals the single-process run, bit for bit, plain and by Latin hypercube sampling, in both
numerics: a collection that follows the client's default numerics takes them to the workers,
whose own default stays faithful."""

import logging
import os

import dask
import pytest
from distributed import Client, LocalCluster

import stochvar as sv
from beam_on_dask import run_on_cluster
from beam_reliability import BEAM, limit_state

# Debian's Tornado warns about the way its distributed starts the event loop.
pytestmark = pytest.mark.filterwarnings("ignore:make_current is deprecated:DeprecationWarning")


def test_slices_on_two_worker_processes_equal_the_single_process_run():
    with dask.config.set({"distributed.comm.timeouts.connect": "20s"}), \
            LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                         dashboard_address=None, silence_logs=logging.ERROR) as cluster, \
            Client(cluster, timeout="30s") as client:
        worker_pids = set(client.run(os.getpid).values())
        assert len(worker_pids) == 2 and os.getpid() not in worker_pids
        runs = {}
        for numerics in ("faithful", "accurate"):
            sv.set_default_numerics(numerics)
            try:
                beam = sv.load(BEAM)
                for lhs in (False, True):
                    samples, g = run_on_cluster(client, beam, 30001, seed=11, lhs=lhs, parts=5)
                    whole = beam.sample(30001, lhs=lhs, seed=11)
                    assert samples.tobytes() == whole.tobytes(), (numerics, lhs)
                    assert g.tobytes() == limit_state(whole, beam.names).tobytes()
                    runs[numerics, lhs] = whole
            finally:
                sv.set_default_numerics("faithful")
        assert set(client.run(lambda: sv.get_default_numerics()).values()) == {"faithful"}
        assert all(runs["faithful", lhs].tobytes() != runs["accurate", lhs].tobytes()
                   for lhs in (False, True))
