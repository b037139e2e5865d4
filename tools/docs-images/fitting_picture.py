"""The picture of docs/fitting.md: 300 annual maxima of a wind speed (drawn with a fixed seed from
a Gumbel distribution of location 20 m/s and scale 4 m/s, as a measured record would come), the
three best families by BIC over its histogram, and the QQ plot of the best. Every fit comes from
stochvar.fit; the picture is its report's own plot.

    PYTHONPATH=build/default/python /usr/bin/python3 tools/docs-images/fitting_picture.py OUT.png
    (make docs-images)
"""

import pathlib
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after the backend is chosen)
import numpy as np  # noqa: E402

import stochvar  # noqa: E402

SAMPLES = 300


def main():
    out = pathlib.Path(sys.argv[1])
    rng = np.random.default_rng(20)
    wind = 20.0 - 4.0 * np.log(-np.log(rng.uniform(size=SAMPLES)))
    report = stochvar.fit(wind, bootstrap=199)
    fig, axes = plt.subplots(1, 2, figsize=(11, 4.5), dpi=100)
    report.plot(ax=axes)
    best = report.ranking[0]
    axes[0].set_xlabel("annual maximum wind speed [m/s]")
    axes[0].set_title(f"{SAMPLES} maxima and the three best fits (BIC)")
    axes[1].set_title(f"QQ plot of the best fit: {best.family}, KS p = {best.ks_pvalue:.2f}, "
                      f"AD p = {best.ad_pvalue:.2f}")
    fig.tight_layout()
    fig.savefig(out)
    plt.close(fig)
    for record in report.ranking:
        print(f"{record.family:12s} {record.bic:10.2f} {record.ks_pvalue:6.3f} {record.refusal}")
    print(out)


if __name__ == "__main__":
    main()
