"""Failure probability of the steel beam of examples/beam.json: FORM, confirmed by importance
sampling.

The simply supported beam fails in bending when the moment its loads cause exceeds its
resistance. In the document's units (fy in kN/cm2, W in cm3, G and Q in kN/m, L in m) both
moments are in kNm, and the limit state is

    g = theta * fy * W / 100  -  (G + Q) * L**2 / 8        (failure where g <= 0)

with theta the model uncertainty of the resistance. The category of use does not enter it.

    PYTHONPATH=build/default/python /usr/bin/python3 examples/python/beam_reliability.py

FORM finds the design point, the most likely combination of values at which the beam fails, the
reliability index beta and each variable's share in it (its importance factor). FORM takes the
failure surface for the plane that touches it there; importance sampling around the design
point then estimates Pf without that approximation, with its 95 % interval, for a fraction of
the calls that plain Monte Carlo would need. The importance factors and the design point are
drawn in docs/images/beam-importance.png.
"""

import argparse
import math
import os
import pathlib

import numpy as np

import stochvar
from stochvar import reliability

HERE = pathlib.Path(__file__).resolve().parent
BEAM = HERE.parent / "beam.json"
PICTURE = HERE.parent.parent / "docs" / "images" / "beam-importance.png"


def limit_state(samples, names):
    """g in kNm for every row of samples (columns in the order of names); failure where g <= 0."""
    x = dict(zip(names, samples.T))
    resistance = x["theta"] * x["fy"] * x["W"] / 100
    load_effect = (x["G"] + x["Q"]) * x["L"] ** 2 / 8
    return resistance - load_effect


def failure_probability(g):
    """The share of failures among independent samples and its standard error."""
    pf = np.count_nonzero(g <= 0) / g.size
    return pf, math.sqrt(pf * (1 - pf) / g.size)


def continuous_part(collection):
    """The collection without its discrete variables, with the correlations among the others.
    FORM follows the gradient of g and refuses discrete variables, which g does not use here."""
    keep = [v for v in collection.variables if not isinstance(v, stochvar.Discrete)]
    part = stochvar.Collection(keep, description=collection.description)
    for a, b, rho_x, rho_u, space in collection.correlations:
        if a in part.names and b in part.names:
            part.correlate(a, b, rho_x if space == "X" else rho_u, space=space)
    return part


def save_picture(beam, form, check, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    order = sorted(beam.names, key=form.importance.get)
    means = {v.name: v.mean for v in beam.variables}
    fig, ax = plt.subplots(figsize=(8, 4.5), dpi=100)
    shares = [100 * form.importance[name] for name in order]
    ax.barh(order, shares, color="#4878a8")
    for row, name in enumerate(order):
        ax.annotate(f"  design point {form.design_point[name]:.4g} (mean {means[name]:.4g})",
                    (shares[row], row), va="center", fontsize=9)
    ax.set_xlim(0, 100)
    ax.set_xlabel("importance factor [%]: the variable's share in beta")
    ax.set_title(f"Steel beam: FORM beta = {form.beta:.2f}, Pf = {form.pf:.2e}\nimportance "
                 f"sampling Pf = {check.pf:.2e} (95 % {check.ci[0]:.2e} to {check.ci[1]:.2e})")
    fig.tight_layout()
    fig.savefig(path)
    plt.close(fig)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seed", type=int, default=2024)
    parser.add_argument("--picture", type=pathlib.Path, default=PICTURE)
    args = parser.parse_args()

    beam = continuous_part(stochvar.load(BEAM))

    def g(x):
        return limit_state(x, beam.names)

    form = reliability.form(beam, g)
    print(f"FORM: beta {form.beta:.3f}, failure probability {form.pf:.3e} ({form.calls} calls)")
    print("variable  design point      mean  importance")
    for v in sorted(beam.variables, key=lambda v: -form.importance[v.name]):
        print(f"{v.name:8} {form.design_point[v.name]:13.4g} {v.mean:9.4g} "
              f"{form.importance[v.name]:10.1%}")

    check = reliability.importance_sampling(beam, g, form=form, target_cov=0.02, seed=args.seed)
    print(f"importance sampling: failure probability {check.pf:.3e}, coefficient of variation "
          f"{check.cov:.1%}")
    print(f"95 % interval {check.ci[0]:.3e} to {check.ci[1]:.3e} ({check.samples} samples, "
          f"{check.calls} calls with FORM's)")
    save_picture(beam, form, check, args.picture)
    print(f"picture: {os.path.relpath(args.picture)}")


if __name__ == "__main__":
    main()
