"""The beam's Monte Carlo run split among the workers of a Dask cluster by slices.

A run of n samples is cut into slices first .. first + count - 1 (stochvar.slices). Each worker
draws its slices with Collection.sample(n, first=first, count=count, ...), which skips the
samples before the slice instead of drawing them, and evaluates the limit state on them. The
slices joined in order are the single-process run, bit for bit, whatever the number of workers.

    PYTHONPATH=build/default/python:examples/python /usr/bin/python3 \\
        examples/python/beam_on_dask.py [SCHEDULER_ADDRESS]

Without an address it starts a local cluster of two worker processes. A run too large for one
machine's memory would send back the failure counts alone instead of the samples.
"""

import sys

import numpy as np

import stochvar
from beam_reliability import BEAM, failure_probability, limit_state


def evaluate_slice(collection, n, first, count, seed, lhs):
    """Samples first .. first + count - 1 of the run of n, and the limit state of each."""
    samples = collection.sample(n, lhs=lhs, seed=seed, first=first, count=count, threads=1)
    return samples, limit_state(samples, collection.names)


def run_on_cluster(client, collection, n, seed, lhs=False, parts=None):
    """Draws the run in slices spread over the cluster's workers (in turn) and joins them."""
    workers = sorted(client.scheduler_info()["workers"])
    shared = client.scatter(collection, broadcast=True)
    futures = [client.submit(evaluate_slice, shared, n, first, count, seed, lhs,
                             workers=[workers[k % len(workers)]], pure=False)
               for k, (first, count) in enumerate(stochvar.slices(n, parts or 2 * len(workers)))]
    results = client.gather(futures)
    return np.vstack([samples for samples, _ in results]), np.concatenate([g for _, g in results])


def main():
    from distributed import Client, LocalCluster

    cluster = None if len(sys.argv) > 1 else LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None)
    with Client(sys.argv[1] if cluster is None else cluster) as client:
        beam = stochvar.load(BEAM)
        samples, g = run_on_cluster(client, beam, 1_000_000, seed=2024)
        pf, se = failure_probability(g)
        print(f"{len(client.scheduler_info()['workers'])} workers: "
              f"failure probability {pf:.3e}, standard error {se:.1e}")
        same = samples.tobytes() == beam.sample(1_000_000, seed=2024).tobytes()
        print("the slices joined equal the single-process run:", same)
    if cluster is not None:
        cluster.close()


if __name__ == "__main__":
    main()
