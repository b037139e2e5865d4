"""Failure probability of the steel beam of examples/beam.json by Monte Carlo sampling.

The simply supported beam fails in bending when the moment its loads cause exceeds its
resistance. In the document's units (fy in kN/cm2, W in cm3, G and Q in kN/m, L in m) both
moments are in kNm, and the limit state is

    g = theta * fy * W / 100  -  (G + Q) * L**2 / 8        (failure where g < 0)

with theta the model uncertainty of the resistance. The category of use does not enter it.

    PYTHONPATH=build/default/python /usr/bin/python3 examples/python/beam_reliability.py

draws 1e6 joint samples (correlated as the document says), estimates P(g < 0) with its standard
error and saves a histogram of g to docs/images/beam-limit-state.png.
"""

import argparse
import math
import pathlib

import numpy as np

import stochvar

HERE = pathlib.Path(__file__).resolve().parent
BEAM = HERE.parent / "beam.json"
PICTURE = HERE.parent.parent / "docs" / "images" / "beam-limit-state.png"


def limit_state(samples, names):
    """g in kNm for every row of samples (columns in the order of names); failure where g < 0."""
    x = dict(zip(names, samples.T))
    resistance = x["theta"] * x["fy"] * x["W"] / 100
    load_effect = (x["G"] + x["Q"]) * x["L"] ** 2 / 8
    return resistance - load_effect


def failure_probability(g):
    """The share of failures among independent samples and its standard error."""
    pf = np.count_nonzero(g < 0) / g.size
    return pf, math.sqrt(pf * (1 - pf) / g.size)


def save_histogram(g, pf, se, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots(figsize=(8, 4.5), dpi=100)
    bins = np.linspace(min(g.min(), -10.0), g.max(), 240)
    ax.hist(g[g >= 0], bins=bins, color="#4878a8", label="safe")
    failures = np.count_nonzero(g < 0)
    ax.hist(g[g < 0], bins=bins, color="#c03c30", label=f"failure: {failures} samples")
    ax.axvline(0, color="black", linewidth=0.8)
    ax.set_yscale("log")
    ax.set_xlabel("g = theta fy W / 100 - (G + Q) L² / 8   [kNm]")
    ax.set_ylabel("samples per bin")
    ax.set_title(f"Steel beam, {g.size:,} Monte Carlo samples: "
                 f"P(g < 0) = {pf:.2e} ± {se:.1e}")
    ax.legend()
    fig.tight_layout()
    fig.savefig(path)
    plt.close(fig)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-n", type=float, default=1e6, help="samples (default 1e6)")
    parser.add_argument("--seed", type=int, default=2024)
    parser.add_argument("--picture", type=pathlib.Path, default=PICTURE)
    args = parser.parse_args()

    beam = stochvar.load(BEAM)
    # Plain Monte Carlo: the samples are independent, so the binomial standard error holds.
    samples = beam.sample(int(args.n), seed=args.seed)
    g = limit_state(samples, beam.names)
    pf, se = failure_probability(g)
    print(f"{g.size} samples, {np.count_nonzero(g < 0)} failures")
    print(f"failure probability {pf:.3e}, standard error {se:.1e} "
          f"(coefficient of variation {se / pf:.1%})" if pf > 0 else "no failure drawn")
    print(f"reliability index {-stochvar.Normal(mean=0, stddev=1).ppf(pf):.2f}" if pf > 0 else "")
    save_histogram(g, pf, se, args.picture)
    print(f"histogram: {args.picture}")


if __name__ == "__main__":
    main()
