"""The picture of docs/reliability.md: the two-variable problem of examples/rs.json in its own
units, with the failure domain R < S, Monte Carlo samples of the document and FORM's design point
with its reliability index. Every number comes from the command-line host: the samples from
`stochvar sample`, the design point and beta from `stochvar reliability --method form --json -`.

    /usr/bin/python3 tools/docs-images/reliability_picture.py STOCHVAR OUT.png   (make docs-images)
"""

import csv
import io
import json
import pathlib
import subprocess
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after the backend is chosen)
import numpy as np  # noqa: E402

DOCUMENT = pathlib.Path(__file__).resolve().parents[2] / "examples" / "rs.json"
SAMPLES = 3000


def run(cli, *args):
    return subprocess.run([cli, *args], check=True, capture_output=True, text=True).stdout


def main():
    cli, out = sys.argv[1], pathlib.Path(sys.argv[2])
    rows = list(csv.DictReader(io.StringIO(
        run(cli, "sample", str(DOCUMENT), "-n", str(SAMPLES), "--seed", "7",
            "--numerics", "accurate", "--out", "-"))))
    r = np.array([float(row["R"]) for row in rows])
    s = np.array([float(row["S"]) for row in rows])
    form = json.loads(run(cli, "reliability", str(DOCUMENT), "--method", "form", "--json", "-"))
    r_star, s_star = form["design_point"]["R"], form["design_point"]["S"]
    failed = r - s <= 0

    fig, ax = plt.subplots(figsize=(7, 6), dpi=100)
    low, high = 2.0, 16.0
    ax.fill_between([low, high], [low, high], low, color="#f3d0cc", label="failure: R - S <= 0")
    ax.plot([low, high], [low, high], color="#c03c30", linewidth=1)
    ax.scatter(s[~failed], r[~failed], s=4, color="#4878a8", label="safe samples")
    ax.scatter(s[failed], r[failed], s=8, color="#c03c30",
               label=f"failed samples: {failed.sum()} of {SAMPLES}")
    ax.plot([s_star], [r_star], marker="*", markersize=16, color="black", linestyle="none",
            label=f"FORM design point ({s_star:.2f}, {r_star:.2f})")
    ax.annotate(f"beta = {form['beta']:.3f}\nPf = {form['pf']:.3e}", (s_star, r_star),
                xytext=(s_star + 1.2, r_star - 3.2), arrowprops={"arrowstyle": "->"})
    ax.set_xlim(low, high)
    ax.set_ylim(low, high)
    ax.set_xlabel("S, load effect (Gumbel, mean 6, sd 1.2)")
    ax.set_ylabel("R, resistance (lognormal, mean 10, sd 1.5)")
    ax.set_title("examples/rs.json: g = R - S")
    ax.legend(loc="upper left")
    fig.tight_layout()
    fig.savefig(out)
    plt.close(fig)
    print(out)


if __name__ == "__main__":
    main()
