"""stochvar.reliability against closed forms and scipy quadrature, executors against the serial
run bit for bit, and what a bad limit state raises."""

import concurrent.futures
import faulthandler
import logging
import os
import signal
import subprocess
import sys
from collections import namedtuple

import numpy as np
import pytest
import scipy.integrate as si
import scipy.stats as st

import stochvar as sv
from stochvar import reliability as rel

Phi, phi = st.norm.cdf, st.norm.pdf
# The problem, its exact pf, FORM's exact beta, importance factors and SORM's curvatures.
Problem = namedtuple("Problem", "collection g pf beta importance kappa")


def normal(name, mean=0.0, stddev=1.0):
    return sv.Normal(mean=mean, stddev=stddev, name=name)


def linear():  # g = 19 + F - X0 - 2 X1 + 3 X2 in correlated normals: beta = 12 / sd(g)
    c = sv.Collection([normal("X0", 10, 2), sv.Fixed(mean=7, name="F"), normal("X1", 5, 1),
                       normal("X2", 2, 0.5)])
    c.correlate("X0", "X1", 0.5, space="U")
    c.correlate("X1", "X2", -0.3, space="U")
    s = np.array([-2.0, -2.0, 1.5])  # sigma_i a_i: the importance factors are their squares, normed
    beta = 12 / np.sqrt(s @ [[1, 0.5, 0], [0.5, 1, -0.3], [0, -0.3, 1]] @ s)
    return Problem(c, lambda x: 19 + x[:, 1] - x[:, 0] - 2 * x[:, 2] + 3 * x[:, 3], Phi(-beta),
                   beta, dict(zip(c.names, np.array([4, 0, 4, 2.25]) / 10.25)), [0, 0])


def lognormal_r_minus_s():  # exact through ln R - ln S
    c = sv.Collection([sv.LogNormal(mean=10, cov=0.15, lower_bound=0, name="R"),
                       sv.LogNormal(mean=4, cov=0.25, lower_bound=0, name="S")])
    zeta2 = np.log1p(np.array([0.15, 0.25]) ** 2)
    beta = (np.log(10 / 4) - (zeta2[0] - zeta2[1]) / 2) / np.sqrt(zeta2.sum())
    return Problem(c, lambda x: x[:, 0] - x[:, 1], Phi(-beta), beta,
                   dict(zip(c.names, zeta2 / zeta2.sum())), [0])


def parabola(beta0=3.0, kappa=0.2):  # g = beta0 - u2 + kappa/2 u1^2
    pf = si.quad(lambda u: phi(u) * Phi(-(beta0 + kappa / 2 * u * u)), -np.inf, np.inf,
                 epsabs=0, epsrel=1e-12)[0]
    return Problem(sv.Collection([normal("u1"), normal("u2")]),
                   lambda x: beta0 - x[:, 1] + kappa / 2 * x[:, 0] ** 2, pf, beta0,
                   {"u1": 0, "u2": 1}, [kappa])


def discrete_load():  # g = 2.5 - D - X, D at 0, 1, 2 with probabilities 0.7, 0.2, 0.1
    c = sv.Collection([sv.Discrete({"low": 7, "mid": 2, "high": 1}, name="D"), normal("X")])
    pf = 0.7 * Phi(-2.5) + 0.2 * Phi(-1.5) + 0.1 * Phi(-0.5)
    return Problem(c, lambda x: 2.5 - x[:, 0] - x[:, 1], pf, None, None, None)


PROBLEMS = [linear, lognormal_r_minus_s, parabola, discrete_load]
METHODS = {  # name: the analysis, and whether it finds FORM's design point first
    "form": (rel.form, True),
    "sorm": (rel.sorm, True),
    "monte_carlo": (lambda c, g, **o: rel.monte_carlo(c, g, seed=7, **o), False),
    "latin_hypercube": (lambda c, g, **o: rel.monte_carlo(c, g, lhs=True, seed=7, **o), False),
    "importance_sampling": (lambda c, g, **o: rel.importance_sampling(c, g, seed=7, **o), True),
    "subset_simulation": (lambda c, g, **o: rel.subset_simulation(c, g, seed=7, **o), False),
}


CALLS = {"importance_sampling": lambda r: r.samples + r.form.calls,
         "subset_simulation": lambda r: sum(level.calls for level in r.levels)}


def tvedt(b, k):
    t, f = b * Phi(-b) - phi(b), (1 + b * k) ** -0.5
    return Phi(-b) * f + t * (f - (1 + (b + 1) * k) ** -0.5) \
        + (b + 1) * t * (f - ((1 + complex(b, 1) * k) ** -0.5).real)


@pytest.mark.parametrize("method", METHODS)
@pytest.mark.parametrize("make", PROBLEMS, ids=lambda make: make.__name__)
def test_methods_against_closed_forms(make, method):
    p = make()
    analysis, needs_form = METHODS[method]
    if p.beta is None and needs_form:
        with pytest.raises(rel.ReliabilityError, match="'D' is discrete"):
            analysis(p.collection, p.g)
        return
    r = analysis(p.collection, p.g)
    assert r.converged, r.reason
    assert r.beta == pytest.approx(-st.norm.ppf(r.pf), rel=1e-9)
    if method == "form":
        assert r.beta == pytest.approx(p.beta, rel=1e-6)
        assert dict(r.importance) == pytest.approx(p.importance, abs=1e-6)
        x = np.array([list(r.design_point.values())])
        assert p.g(x)[0] == r.g_at_design_point == pytest.approx(0, abs=1e-3)
        np.testing.assert_allclose(r.design_point_u, r.beta * r.alpha, atol=1e-3)
    elif method == "sorm":
        assert r.form.beta == pytest.approx(p.beta, rel=1e-6)
        np.testing.assert_allclose(r.curvatures, p.kappa, atol=1e-5)
        b, k = r.form.beta, p.kappa[-1]
        assert r.pf_breitung == pytest.approx(Phi(-b) / np.sqrt(1 + b * k), rel=1e-5)
        assert r.pf == r.pf_tvedt == pytest.approx(tvedt(b, k), rel=1e-5)
        assert r.pf == pytest.approx(p.pf, rel=1e-3)  # Tvedt's is near exact on the parabola
    else:  # the estimates lie within three coefficients of variation
        assert abs(r.pf - p.pf) <= 3 * r.cov * r.pf
        assert r.ci is None or r.ci[0] < r.pf < r.ci[1]
        assert r.calls == CALLS.get(method, lambda r: r.samples)(r)


def without_time(result):
    d = result.to_dict()
    for fields in (d, d.get("form") or {}):
        fields.pop("seconds", None)
    return repr(d)  # repr writes every float exactly (nan included)


def test_reusing_a_form_result_equals_the_run_that_finds_it():
    p = lognormal_r_minus_s()
    f = rel.form(p.collection, p.g)
    for analysis in (rel.sorm, lambda *a, **o: rel.importance_sampling(*a, seed=3, **o)):
        again = analysis(p.collection, p.g, form=f)
        assert again.form is f
        assert without_time(again) == without_time(analysis(p.collection, p.g))
    with pytest.raises(ValueError, match=r"variables \['R', 'S'\], not to \['u1', 'u2'\]"):
        rel.sorm(parabola().collection, p.g, form=f)
    with pytest.raises(ValueError, match="found with accurate numerics, this analysis runs with "
                                         "faithful"):
        rel.importance_sampling(p.collection, p.g, form=f, numerics="faithful")


@pytest.mark.parametrize("lhs", [False, True])
def test_monte_carlo_evaluates_the_samples_of_the_collection(lhs):
    p = lognormal_r_minus_s()
    c = sv.Collection(p.collection.variables, numerics="accurate")
    seen = []
    r = rel.monte_carlo(c, lambda x: seen.append(x) or p.g(x), lhs=lhs, seed=5, max_calls=300000)
    assert np.vstack(seen).tobytes() == c.sample(300000, lhs=lhs, seed=5)[:r.samples].tobytes()


@pytest.fixture(scope="module")
def dask_client():
    from distributed import Client, LocalCluster
    faulthandler.dump_traceback_later(240, exit=True)  # a deadline for a cluster that hangs
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=False,
                      dashboard_address=None, silence_logs=logging.ERROR) as cluster, \
            Client(cluster, timeout="30s") as client:
        yield client
    faulthandler.cancel_dump_traceback_later()


@pytest.mark.filterwarnings("ignore:make_current is deprecated:DeprecationWarning",
                            "ignore:Large object:UserWarning")
@pytest.mark.parametrize("method", METHODS)
def test_executors_give_the_serial_result_bit_for_bit(method, dask_client):
    p = linear()
    analysis = METHODS[method][0]
    serial = without_time(analysis(p.collection, p.g, threads=1))
    with concurrent.futures.ThreadPoolExecutor(3) as pool:
        assert without_time(analysis(p.collection, p.g, executor=pool, threads=2)) == serial
    assert without_time(analysis(p.collection, p.g, executor=dask_client)) == serial


REFUSED_OPTIONS = [  # the analysis, its options, the error
    (rel.monte_carlo, dict(target_cov=-0.1), ValueError, "target_cov must be 0 or more"),
    (rel.monte_carlo, dict(max_calls=0), rel.ReliabilityError, "call budget"),
    (rel.importance_sampling, dict(seed="7"), TypeError, "seed takes None"),
    (rel.subset_simulation, dict(p0=0.3), rel.ReliabilityError, r"N p0 .* \(N = 1000, p0 = 0.3"),
    (rel.form, dict(threads=0), ValueError, "threads must be at least 1"),
    (rel.sorm, dict(numerics="fast"), ValueError, "numerics is 'faithful', 'accurate' or None"),
]


@pytest.mark.parametrize("analysis, options, error, message", REFUSED_OPTIONS)
def test_options_reach_the_library(analysis, options, error, message):
    p = lognormal_r_minus_s()
    with pytest.raises(error, match=message):
        analysis(p.collection, p.g, **options)


BOOM = ZeroDivisionError("boom")


def raise_boom(x):
    raise BOOM


BAD_G = [  # g, what the error says, the type of its cause
    (raise_boom, "g raised ZeroDivisionError: boom", ZeroDivisionError),
    (lambda x: x, r"shape \((\d+), 2\) for \1 points; it must return one value per point", None),
    (lambda x: [["a"]] * len(x), "not an array of numbers", ValueError),
    (lambda x: np.where(x[:, 0] > 0, np.nan, 1.0), r"g is nan at \(R = [\d.]+, S = [\d.]+\)",
     None),
]


@pytest.mark.parametrize("workers", [None, 2])
@pytest.mark.parametrize("g, message, cause", BAD_G)
def test_a_bad_limit_state_raises_with_its_cause(g, message, cause, workers):
    with pytest.raises(rel.ReliabilityError, match=message) as error, \
            concurrent.futures.ThreadPoolExecutor(workers) as pool:
        rel.subset_simulation(lognormal_r_minus_s().collection, g, n_per_level=15, p0=0.2,
                              executor=pool if workers else None)
    assert type(error.value.__cause__) is (cause or type(None))
    assert cause is not ZeroDivisionError or error.value.__cause__ is BOOM


def test_results_are_immutable():
    r = rel.form(parabola().collection, parabola().g)
    for change in (lambda: setattr(r, "pf", 0.5), lambda: r.design_point.update(u1=1),
                   lambda: r.alpha.__setitem__(0, 1.0)):
        with pytest.raises((AttributeError, TypeError, ValueError)):
            change()
    assert repr(r).startswith("FormResult(pf=0.00135, beta=3, calls=")


def test_ctrl_c_stops_an_analysis():
    script = ("import stochvar as sv\nfrom stochvar import reliability as rel\n"
              "def g(x):\n    print('running', flush=True)\n    return 9 - x[:, 0]\n"
              "rel.monte_carlo(sv.Collection([sv.Normal(mean=0, stddev=1)]), g, target_cov=0,"
              " max_calls=2**31 - 1)\nprint('finished')\n")
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, start_new_session=True)
    try:
        assert child.stdout.readline() == b"running\n"
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=60)
    finally:
        if child.poll() is None:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
    assert b"KeyboardInterrupt" in err and b"finished" not in out
