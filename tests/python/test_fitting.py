"""stochvar.fit and stochvar.fit_collection against scipy.stats: the maximum-likelihood fits of
the families whose parametrisation scipy shares reach the same log-likelihood (1e-6 relative),
the bootstrap KS p-values are uniform under the null, and the reports, plots and collections
carry what the fits found."""

import math

import numpy as np
import pytest
from scipy import stats

import stochvar

N = 2000


def record(report, family):
    return next(r for r in report.ranking if r.family == family)


def loglik(dist, x):
    return float(np.sum(dist.logpdf(x)))


# (family, scipy distribution, data, our options, scipy's fit options, our parameters -> scipy's)
CASES = [
    ("Normal", stats.norm, stats.norm(10, 2), {}, {},
     lambda v: (v["MEAN"], v["STDDEV"])),
    ("LogNormal", stats.lognorm, stats.lognorm(0.5, 0, math.exp(1.0)), {"lower_bound": 0.0},
     {"floc": 0}, lambda v: (v["EPSILON"], v["LOWER_BOUND"], math.exp(v["KSI"]))),
    ("Exponential", stats.expon, stats.expon(-1, 0.25), {"lower_bound": -1.0}, {"floc": -1},
     lambda v: (v["LOWER_BOUND"], 1 / v["LAMBDA"])),
    ("Gumbel", stats.gumbel_r, stats.gumbel_r(10, 2), {}, {},
     lambda v: (v["BETA"], 1 / v["ALPHA"])),
    ("Weibull", stats.weibull_min, stats.weibull_min(1.5, 0, 2), {"lower_bound": 0.0},
     {"floc": 0}, lambda v: (v["BETA"], v["LOWER_BOUND"], v["ALPHA"])),
]


@pytest.mark.parametrize("family,scipy_dist,truth,ours,theirs,to_scipy", CASES,
                         ids=[c[0] for c in CASES])
def test_likelihood_agrees_with_scipy(family, scipy_dist, truth, ours, theirs, to_scipy):
    x = truth.rvs(size=N, random_state=np.random.default_rng(7))
    r = record(stochvar.fit(x, families=[family], **ours), family)
    assert r.fitted and r.method == "likelihood", r.refusal
    scipy_params = scipy_dist.fit(x, **theirs)
    scipy_loglik = float(np.sum(scipy_dist.logpdf(x, *scipy_params)))
    assert r.loglik == pytest.approx(scipy_loglik, rel=1e-6)
    # The variable's own density gives the reported log-likelihood, and scipy's density at our
    # parameters gives it too.
    assert loglik(r.variable, x) == pytest.approx(r.loglik, rel=1e-12)
    assert float(np.sum(scipy_dist.logpdf(x, *to_scipy(r.values)))) == pytest.approx(
        r.loglik, rel=1e-9)
    np.testing.assert_allclose(to_scipy(r.values), scipy_params, rtol=2e-3, atol=1e-6)


def test_lognormal_with_free_lower_bound_agrees_with_scipy():
    x = stats.lognorm(0.4, 5.0, math.exp(2.0)).rvs(size=N, random_state=np.random.default_rng(3))
    r = record(stochvar.fit(x, families=["LogNormal"]), "LogNormal")
    assert r.fitted, r.refusal
    s, loc, scale = stats.lognorm.fit(x)
    scipy_loglik = float(np.sum(stats.lognorm.logpdf(x, s, loc, scale)))
    # Both find the interior maximum of the likelihood, ours by the profile over the bound.
    assert r.loglik == pytest.approx(scipy_loglik, rel=1e-6)
    assert r.values["LOWER_BOUND"] < x.min()


def test_bootstrap_ks_pvalues_are_uniform_under_the_null():
    rng = np.random.default_rng(2024)
    pvalues = []
    for _ in range(200):
        x = stats.gumbel_r(3, 1.5).rvs(size=25, random_state=rng)
        pvalues.append(stochvar.fit(x, families=["Gumbel"], bootstrap=39).ranking[0].ks_pvalue)
    counts, _ = np.histogram(pvalues, bins=5, range=(0, 1))
    # 40 expected in each bin (sd 5.7); a generous band.
    assert all(18 <= c <= 62 for c in counts), counts


def test_report_ranking_refusals_and_plot():
    import matplotlib
    matplotlib.use("Agg")
    x = stats.gumbel_r(20, 4).rvs(size=500, random_state=np.random.default_rng(11))
    report = stochvar.fit(x, lower_bound=15.0)
    assert isinstance(report.best, stochvar.Gumbel)
    bics = [r.bic for r in report.ranking if r.fitted]
    assert bics == sorted(bics)
    refused = [r for r in report.ranking if not r.fitted]
    assert refused and all("data outside the support" in r.refusal for r in refused)
    assert all(not r.fitted for r in report.ranking[len(bics):])
    hist_ax, qq_ax = report.plot()
    assert len(hist_ax.lines) == min(3, len(bics)) and len(qq_ax.lines) == 2
    assert "Gumbel" in qq_ax.get_title()


def test_refusals_raise_fit_error():
    with pytest.raises(stochvar.fitting.FitError, match="value 2 is not a finite number"):
        stochvar.fit([1.0, math.nan, 2.0, 3.0])
    with pytest.raises(ValueError, match="too few points"):
        stochvar.fit([1.0, 2.0])
    with pytest.raises(ValueError, match="not a continuous family"):
        stochvar.fit([1.0, 2.0, 3.0], families=["Discrete"])


def test_fit_collection_correlates_the_best_variables():
    rng = np.random.default_rng(5)
    z = rng.multivariate_normal([0, 0], [[1, 0.6], [0.6, 1]], size=800)
    table = {"fy": stats.lognorm(0.1, 0, 300).ppf(stats.norm.cdf(z[:, 0])),
             "load": stats.gumbel_r(20, 4).ppf(stats.norm.cdf(z[:, 1])),
             "grade": np.where(z[:, 0] > 1.0, "S355", "S235")}
    reports = stochvar.fit(table)
    assert list(reports) == ["fy", "load", "grade"]
    assert [r.family for r in reports["grade"].ranking] == ["Discrete"]
    with pytest.raises(TypeError, match="labels"):
        reports["grade"].plot()
    pair = stochvar.fit_collection(table)
    assert pair.names == ["fy", "load", "grade"]
    assert type(pair["fy"]) is type(reports["fy"].best)
    assert pair["fy"].params == reports["fy"].best.params
    grade = pair["grade"]
    assert dict(grade.categories) == {"S235": float(np.sum(z[:, 0] <= 1.0)),
                                      "S355": float(np.sum(z[:, 0] > 1.0))}
    (entry,) = pair.correlations
    assert entry[2] == pytest.approx(np.corrcoef(table["fy"], table["load"])[0, 1], abs=1e-12)
