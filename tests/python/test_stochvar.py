"""The Python module against independent references: scipy.stats for the families, the
command-line host for the sampled numbers, and documents read back after writing."""

import base64
import contextlib
import inspect
import json
import math
import os
import pickle
import sys
import threading
import warnings

import numpy as np
import pytest
import scipy.stats as st

import stochvar as sv
from owned_process import run

CLI = os.environ["STOCHVAR_CLI"]
BEAM = os.path.join(os.environ["STOCHVAR_EXAMPLES"], "beam.json")

# The library's standard normal functions are approximations: Phi within 7.5e-8, its inverse
# within 4.5e-4 in z. Families that go through them are compared with those tolerances, the
# others with round-off ones (the beta inverse iterates to about 1e-10).
PHI_ATOL, PHI_INVERSE_ATOL = 7.5e-8, 4.5e-4
FAMILIES = [  # variable, the scipy distribution of its converted parameters, through Phi
    (sv.Normal(mean=250, cov=0.1), lambda p: st.norm(p["mean"], p["stddev"]), True),
    (sv.LogNormal(mean=3.2, stddev=0.75, lower_bound=0.1),
     lambda p: st.lognorm(p["epsilon"], loc=p["lower_bound"], scale=np.exp(p["ksi"])), True),
    (sv.Uniform(lower_bound=2, upper_bound=5), lambda p: st.uniform(2, 3), False),
    (sv.Triangular(lower_bound=0.9, most_likely=1, upper_bound=1.15),
     lambda p: st.triang(0.4, loc=0.9, scale=0.25), False),
    (sv.Beta(mean=2, stddev=0.5, lower_bound=1, upper_bound=4),
     lambda p: st.beta(p["r"], p["s"], loc=1, scale=3), False),
    (sv.Exponential(mean=3, stddev=0.5),
     lambda p: st.expon(loc=p["lower_bound"], scale=1 / p["lambda_"]), False),
    (sv.Gumbel(mean=8, cov=0.3), lambda p: st.gumbel_r(loc=p["beta"], scale=1 / p["alpha"]), False),
    (sv.Rayleigh(mean=2, lower_bound=0.5), lambda p: st.rayleigh(loc=0.5, scale=p["theta"]), False),
    (sv.Weibull(mean=5, cov=0.3, lower_bound=1),
     lambda p: st.weibull_min(p["beta"], loc=1, scale=p["alpha"]), False),
]
U = sv.Uniform(lower_bound=0, upper_bound=1)


@pytest.mark.parametrize("variable, reference, through_phi", FAMILIES,
                         ids=[repr(row[0]) for row in FAMILIES])
def test_family_against_scipy(variable, reference, through_phi):
    dist = reference(variable.params)  # the converted parameters, by their keywords
    assert (variable.mean(), variable.std(), variable.var()) == \
        pytest.approx((dist.mean(), dist.std(), dist.var()), rel=1e-12)
    q = np.linspace(0.0005, 0.9995, 201)
    x = dist.ppf(q)
    np.testing.assert_allclose(variable.pdf(x), dist.pdf(x), rtol=1e-12)
    np.testing.assert_allclose(variable.cdf(x), dist.cdf(x), rtol=0,
                               atol=PHI_ATOL if through_phi else 1e-14)
    if through_phi:  # the inverse's error in z
        z = st.norm.ppf(dist.cdf(variable.ppf(q)))
        np.testing.assert_allclose(z, st.norm.ppf(q), rtol=0, atol=PHI_INVERSE_ATOL)
    else:
        np.testing.assert_allclose(variable.ppf(q), x, rtol=1e-9)
    # Sampling inverts the generator's uniform numbers (a uniform variable on [0, 1] shows them)
    # with ppf.
    assert variable.sample(500, seed=3).tobytes() == variable.ppf(U.sample(500, seed=3)).tobytes()
    # Scalars give floats, arrays their shape; a pickled variable is the same variable.
    assert isinstance(variable.cdf(x[0]), float) and variable.ppf(q.reshape(3, 67)).shape == (3, 67)
    c = pickle.loads(pickle.dumps(variable))
    assert (type(c), repr(c), c.params) == (type(variable), repr(variable), variable.params)


def test_variables_and_collections_pickle_with_every_protocol():
    pair = sv.Collection([sv.Fixed(mean=2.5, name="F"), sv.Discrete({"a": 1, "b": 3}, name="D")],
                         numerics="accurate")
    for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
        for thing in (pair, *pair.variables):
            again = pickle.loads(pickle.dumps(thing, protocol=protocol))
            assert (type(again), repr(again)) == (type(thing), repr(thing))
        assert pickle.loads(pickle.dumps(pair, protocol=protocol)).numerics == "accurate"


def test_keywords_choose_the_input_type():
    assert sv.Exponential(lambda_=2, lower_bound=1).input_type == "/LAMBDA/LOWER_BOUND"
    assert sv.Exponential(mean=3, cov=0.5).params["lower_bound"] == 1.5
    with pytest.raises(TypeError, match=r"\(mean, stddev\) or \(mean, cov\); not \(mean, sd\)"):
        sv.Normal(mean=1, sd=2)
    with pytest.raises(TypeError, match="not .mean, stddev, lower_bound"):
        sv.Normal(mean=1, stddev=2, lower_bound=0)
    use = sv.Discrete({"office": 7, "storage": 2, "assembly": 1}, name="use")
    assert use.probabilities == {"office": 0.7, "storage": 0.2, "assembly": 0.1}


# A value, a set of values, categories, a collection (its readiness: see the correlations).
@pytest.mark.parametrize("build, message", [
    (lambda: sv.Normal(mean=1, stddev=0), "StdDev is less than (or equal to) 0"),
    (lambda: sv.Uniform(lower_bound=2, upper_bound=1),
     "Upper bound must be larger than lower bound."),
    (lambda: sv.Normal(mean=float("nan"), stddev=1), "MEAN is not a finite number"),
    (lambda: sv.Discrete({"a": -1}), "Frequency must be >= 0"),
    (lambda: sv.Collection([sv.Fixed(mean=1, name="a"), sv.Fixed(mean=2, name="a")]),
     "collection: a: another variable has the same name"),
    (lambda: sv.Rayleigh(theta=0, lower_bound=0),
     "Lambda must be positive. (Here the scale THETA must be positive.)"),
    # Values that pass their checks but convert to nothing usable.
    (lambda: sv.Weibull(mean=210e9, cov=0.03, lower_bound=0),
     "cannot be sampled: DELTA = ALPHA^-BETA underflows to 0 for MEAN - LOWER_BOUND = 2.1e+11 "
     "and BETA = 42.03866236679265: rescale the units so that MEAN - LOWER_BOUND is nearer 1"),
    (lambda: sv.Gumbel(mean=0, cov=0.1, name="G"),
     "G: cannot be sampled: the standard deviation is 0: a COV gives no spread around a mean of "
     "0; give STDDEV instead"),
    (lambda: sv.Beta(mean=2, stddev=1.5, lower_bound=1, upper_bound=4),
     "cannot be sampled: the exponents R = -0.037037037037037014 and S = -0.07407407407407404 "
     "are not both positive (with mean 2 on [1, 4] the standard deviation must stay below "
     "1.4142135623730951)"),
    (lambda: sv.Beta(r=2, s=3, lower_bound=4, upper_bound=1),
     "cannot be sampled: the lower bound 4 is not below the upper bound 1"),
    (lambda: sv.Discrete({"a": 0, "b": 0}),
     "cannot be sampled: the frequencies of its categories add up to 0"),
])
def test_refusals_carry_the_library_message(build, message):
    with pytest.raises(sv.InputError) as refusal:
        build()
    assert str(refusal.value) == message


def test_correlations_clamped_stored_and_refused():
    pair = sv.Collection([sv.Uniform(lower_bound=0, upper_bound=1, name="a"),
                          sv.Exponential(mean=1, lower_bound=0, name="b"),
                          sv.Normal(mean=0, stddev=1, name="c")])
    with pytest.warns(sv.InputWarning, match="Allowed range is: .-0.8660; 0.8660.") as caught:
        pair.correlate("a", "b", -0.99)
    assert caught[0].filename == __file__  # the warning points at the caller
    pair.correlate(pair["c"], 0, 0.5, space="U")
    (a, b, rho_x, rho_u, space), (c, a2, cx, cu, cspace) = pair.correlations
    assert (a, b, space, c, a2, cspace) == ("a", "b", "X", "c", "a", "U")
    assert rho_x == pytest.approx(-0.866, abs=5e-5) and -1 <= rho_u < rho_x and cu == 0.5
    for args, message in [(("a", "a", 0.1), "a variable cannot be correlated with itself"),
                          (("b", "a", 0.1), "the pair is already correlated"),
                          (("b", "c", 1.5), "the correlation 1.5 does not lie between -1 and 1")]:
        with pytest.raises(sv.InputError, match=message):
            pair.correlate(*args)
    pair.correlate("b", "c", 0.9, space="U")
    with pytest.raises(sv.InputError, match="not positive definite at row 3, variable c"):
        pair.sample(10)


def cli_samples(*args):
    out = run([CLI, "sample", *args, "--out", "-"], check=True, text=True).stdout
    return np.loadtxt(out.splitlines()[1:], delimiter=",", ndmin=2)


@pytest.mark.parametrize("lhs", [False, True])
def test_samples_equal_the_command_line_host(lhs, tmp_path):
    beam = sv.load(BEAM)
    flags = ["--lhs"] if lhs else []
    npy = tmp_path / "run.npy"
    run([CLI, "sample", BEAM, "-n", "3000", "--seed", "7", *flags, "--format", "npy", "--out",
         str(npy)], check=True)
    whole = beam.sample(3000, lhs=lhs, seed=7, threads=3)
    assert whole.shape == (3000, 7) and whole.tobytes() == np.load(npy).tobytes()
    # A slice, with the seeds given as a triple, in the CSV's shortest round-trip digits.
    part = cli_samples(BEAM, "-n", "3000", "--seed", "1,2,3", *flags, "--first", "1100",
                       "--count", "700", "--numbered")
    mine = beam.sample(3000, lhs=lhs, seed=(1, 2, 3), first=1100, count=700, threads=1)
    assert list(part[:, 0]) == list(range(1101, 1801))
    assert part[:, 1:].tobytes() == mine.tobytes()
    assert beam.sample(3000, first=3, count=0).shape == (0, 7)  # an empty slice is no error


@pytest.mark.parametrize("collection, arguments, error, message", [
    (BEAM, dict(n=0), ValueError, "n must be at least 1"),
    (BEAM, dict(n=10, first=10), ValueError, "first must lie in 0 .. n - 1"),
    (BEAM, dict(n=10, first=4, count=7), ValueError, "count must lie in 0 .. n - first"),
    (BEAM, dict(n=10, threads=0), ValueError, "threads must be at least 1 (or none: one per core)"),
    (BEAM, dict(n=2**31 // 7 + 1, lhs=True), ValueError,
     "too many samples for Latin hypercube sampling of 7 variables: 306783379 x 7 strata exceed "
     "the table's 2147483647; at most 306783378 samples, or plain sampling"),
    (None, dict(n=10), sv.InputError, "the collection holds no variables: nothing to sample"),
])
def test_sampling_refusals_raise_the_hosts_exceptions(collection, arguments, error, message):
    """An argument out of range is a ValueError, what the collection refuses an InputError, as
    `stochvar sample` answers them with a usage error and a refusal."""
    chosen = sv.load(collection) if collection else sv.Collection()
    with pytest.raises(ValueError) as refusal:
        chosen.sample(**arguments)
    assert type(refusal.value) is error and str(refusal.value) == message


def test_documents_round_trip(tmp_path):
    built = sv.Collection([sv.LogNormal(mean=3.2, stddev=0.75, lower_bound=0.1, name="R"),
                           sv.Gumbel(alpha=2, beta=1, name="S"),
                           sv.Discrete([("light", 1), ("heavy", 3)], name="load class")],
                          description="two ways to write it", limit_state="R - S")
    built.correlate("R", "S", 0.3)
    built.correlate("load class", "S", -0.2, space="U")
    for name in ["c.json", "c.svc"]:
        built.save(tmp_path / name)
        again = sv.load(tmp_path / name)
        assert (again.description, again.limit_state, again.correlations,
                [repr(v) for v in again.variables]) == \
            (built.description, "R - S", built.correlations, [repr(v) for v in built.variables])
        assert again.sample(500, lhs=True, seed=5).tobytes() == \
            cli_samples(str(tmp_path / name), "-n", "500", "--lhs", "--seed", "5").tobytes()
    assert pickle.loads(pickle.dumps(built)).correlations == built.correlations
    assert pickle.loads(pickle.dumps(built)).limit_state == "R - S"
    assert sv.Collection(built.variables).limit_state is None


def test_numerics_per_collection_and_per_process(tmp_path):
    normals = [sv.Normal(mean=0, stddev=1, name="A"), sv.Normal(mean=5, stddev=2, name="B")]
    rho_u = {}
    for numerics in ["faithful", "accurate"]:
        pair = sv.Collection(normals, numerics=numerics)
        pair.correlate("A", "B", 0.5)
        rho_u[numerics] = pair.correlations[0][3]
        pair.save(tmp_path / f"{numerics}.json")
        assert pickle.loads(pickle.dumps(pair)).numerics == numerics
        assert pair.sample(400, lhs=True, seed=3).tobytes() == cli_samples(
            str(tmp_path / f"{numerics}.json"), "-n", "400", "--lhs", "--seed", "3").tobytes()
    assert abs(rho_u["faithful"] - 0.49997) < 1e-5 and abs(rho_u["accurate"] - 0.5) < 1e-10
    assert sv.load(tmp_path / "accurate.json", numerics="faithful").numerics == "faithful"
    with pytest.raises(ValueError, match="not 'exact'"):
        sv.Collection(normals, numerics="exact")
    # Single variables and collections without a choice follow the process default.
    faithful_z = sv.Normal(mean=0, stddev=1).ppf(0.975)
    assert sv.get_default_numerics() == "faithful" and sv.Collection().numerics == "faithful"
    sv.set_default_numerics("accurate")
    try:
        assert sv.Collection().numerics == "accurate"
        accurate_z = sv.Normal(mean=0, stddev=1).ppf(0.975)
    finally:
        sv.set_default_numerics("faithful")
    assert abs(accurate_z - st.norm.ppf(0.975)) < 4e-15 and faithful_z != accurate_z


# Point masses against scipy's discrete distributions of the same positions and probabilities.
POINT_MASSES = [
    (sv.Fixed(mean=3), lambda p: st.rv_discrete(values=([3], [1.0])), False),
    (sv.Discrete({"a": 1, "b": 0, "c": 3}),
     lambda p: st.rv_discrete(values=([0, 1, 2], [0.25, 0, 0.75])), False),
]


@contextlib.contextmanager
def default_numerics(numerics):
    sv.set_default_numerics(numerics)
    try:
        yield
    finally:
        sv.set_default_numerics("faithful")


def assert_quantiles(variable, dist, q, x, through_phi):
    """x are the variable's quantiles at q, checked against scipy's."""
    if through_phi:  # the faithful inverse's error in z
        np.testing.assert_allclose(st.norm.ppf(dist.cdf(x)), st.norm.ppf(q), atol=PHI_INVERSE_ATOL)
    else:
        np.testing.assert_allclose(x, dist.ppf(q), rtol=1e-9)


# The functions of x at -inf, below the support, above it and at inf, as scipy gives them.
OUTSIDE_THE_SUPPORT = {"pdf": [0, 0, 0, 0], "cdf": [0, 0, 1, 1], "sf": [1, 1, 0, 0],
                       "logpdf": [-np.inf] * 4, "logcdf": [-np.inf, -np.inf, 0, 0],
                       "logsf": [0, 0, -np.inf, -np.inf]}


@pytest.mark.parametrize("numerics", ["faithful", "accurate"])
def test_out_of_domain_arguments_follow_scipy(numerics):
    """NaN in gives NaN out, a probability outside [0, 1] has no quantile, ppf(0) and ppf(1) are
    the ends of the support, the functions are 0 and 1 outside it, only real numbers count;
    moments, median and interval as scipy's."""
    nan, inf = np.nan, np.inf
    with default_numerics(numerics):
        for variable, reference, through_phi in FAMILIES + POINT_MASSES:
            dist = reference(variable.params)
            a, b = dist.support()
            assert variable.support() == (a, b), variable
            np.testing.assert_equal(variable.ppf([nan, -0.5, 0, 1, 1.5]), [nan, nan, a, b, nan])
            np.testing.assert_equal(variable.isf([nan, -0.5, 0, 1, 1.5]), [nan, nan, b, a, nan])
            outside = [-inf, a - 1, b + 1, inf]
            for name, expected in OUTSIDE_THE_SUPPORT.items():
                function = getattr(variable, name)
                assert np.isnan(function(nan)), (variable, name)
                np.testing.assert_equal(function(outside), expected, err_msg=name)
            for argument in ["0.5", None, [0.5, None], 1j, b"1"]:
                for name in [*OUTSIDE_THE_SUPPORT, "ppf", "isf", "interval"]:
                    with pytest.raises(TypeError, match="must be a real number"):
                        getattr(variable, name)(argument)
            assert (variable.mean(), variable.var()) == \
                pytest.approx((dist.mean(), dist.var()), rel=1e-12, abs=1e-300)
            lower, upper = variable.interval(np.array([0.9, 1.5]))
            assert np.isnan(lower[1]) and np.isnan(upper[1])
            assert_quantiles(variable, dist, [0.05, 0.5, 0.95],
                             [lower[0], variable.median(), upper[0]], through_phi)


def c_log(values):
    """The C library's logarithm, element by element (numpy's own may differ in the last bit)."""
    return np.array([math.log(v) if v > 0 else -np.inf for v in values])


@pytest.mark.parametrize("numerics", ["faithful", "accurate"])
def test_tails_inside_the_support(numerics):
    """Faithful numerics give the faithful formulas' own numbers: sf = 1 - cdf, isf(q) =
    ppf(1 - q) and the logarithms of pdf, cdf and sf, exactly. Accurate ones give scipy's values
    in the body of every family (the far tails: test_tails.py), isf inverting sf."""
    q = np.linspace(0.0005, 0.9995, 201)
    with default_numerics(numerics):
        for variable, reference, _ in FAMILIES:
            dist = reference(variable.params)
            x = dist.ppf(q)
            ours = {name: getattr(variable, name)(x)
                    for name in ("sf", "logpdf", "logcdf", "logsf")}
            if numerics == "faithful":
                cdf = variable.cdf(x)
                expected = {"sf": 1 - cdf, "logpdf": c_log(variable.pdf(x)),
                            "logcdf": c_log(cdf), "logsf": c_log(1 - cdf)}
                for name, values in ours.items():
                    np.testing.assert_array_equal(values, expected[name], err_msg=name)
                np.testing.assert_array_equal(variable.isf(q), variable.ppf(1 - q))
                continue
            for name, values in ours.items():
                np.testing.assert_allclose(values, getattr(dist, name)(x), rtol=1e-12,
                                           err_msg=f"{variable!r} {name}")
            np.testing.assert_allclose(variable.sf(variable.isf(q)), q, rtol=1e-9)


def test_point_masses_have_a_mass_function_and_a_step_cdf():
    """Fixed and Discrete are the distributions of the values they sample: pmf, a pdf that is the
    mass (0 off the positions), P(X <= x) and its inverse as scipy's discrete distributions."""
    x = [-1, -0.5, 0, 0.5, 1, 1.5, 2, 2.5, 3, 3.5]
    q = np.linspace(0.01, 0.99, 99)
    for variable, reference, _ in POINT_MASSES:
        dist = reference(variable.params)
        np.testing.assert_equal(variable.pmf(x), dist.pmf(x))
        np.testing.assert_equal(variable.pdf(x), dist.pmf(x))
        np.testing.assert_allclose(variable.cdf(x), dist.cdf(x), rtol=0, atol=1e-15)
        np.testing.assert_allclose(variable.sf(x), dist.sf(x), rtol=0, atol=1e-15)
        with np.errstate(divide="ignore"):
            for name in ("logpmf", "logcdf", "logsf"):
                np.testing.assert_allclose(getattr(variable, name)(x), getattr(dist, name)(x),
                                           rtol=1e-15, err_msg=name)
        np.testing.assert_equal(variable.ppf(q), dist.ppf(q))
        np.testing.assert_equal(variable.isf(q), dist.isf(q))
        uniforms = U.sample(200, seed=1)
        assert variable.sample(200, seed=1).tobytes() == variable.ppf(uniforms).tobytes()
    assert sv.Fixed(mean=3).cdf(3.0) == 1.0 and sv.Discrete({"a": 1, "b": 3}).pdf(-1) == 0.0
    # Each tail summed from its own side: a small upper tail keeps its digits.
    rare = sv.Discrete({"usual": 1, "rare": 1e-20})
    assert (rare.sf(0), rare.logsf(0), rare.isf(1e-21), rare.isf(1e-20)) == \
        (pytest.approx(1e-20, rel=1e-15), pytest.approx(np.log(1e-20), rel=1e-15), 1.0, 0.0)
    assert rare.logcdf(0) == pytest.approx(-1e-20, rel=1e-15)


def test_variables_and_collections_behave_as_python_values():
    R = sv.Normal(mean=1, stddev=0.2, name="R")
    same = [R, pickle.loads(pickle.dumps(R)), sv.Normal(mean=1.0, stddev=0.2, name="R"),
            sv.Collection([R])["R"]]
    others = [sv.Normal(mean=1, stddev=0.2), sv.Normal(mean=1, cov=0.2, name="R"),
              sv.Normal(mean=1, stddev=0.3, name="R"), sv.Fixed(mean=1, name="R")]
    assert all(v == R and hash(v) == hash(R) for v in same) and len(set(same + others)) == 5
    assert R != "R" and sv.Discrete({"a": 1, "b": 2}) != sv.Discrete({"a": 1, "c": 2})
    # Unnamed variables take the first free name of x1, x2, ... in collection order.
    c = sv.Collection([sv.Normal(mean=0, stddev=1), R, sv.Fixed(mean=2),
                       sv.Uniform(lower_bound=0, upper_bound=1, name="x1")])
    assert c.names == ["x2", "R", "x3", "x1"] and "(x2, R, x3, x1)" in repr(c)
    assert ("R" in c, R in c, same[-1] in c, others[0] in c, "S" in c, 0 in c) == \
        (True, True, True, False, False, False)
    assert [v.name for v in c] == c.names
    c.correlate("x2", "R", 0.3)
    c.correlate("x3", "x1", 0.0, space="U")
    c.correlate("R", "x1", -0.1)
    c.remove("x2")
    assert c.names == ["R", "x3", "x1"] and [k[:2] for k in c.correlations] == \
        [("x3", "x1"), ("R", "x1")]
    c.uncorrelate("x1", "x3")
    with pytest.raises(sv.InputError, match="the pair is not correlated"):
        c.uncorrelate("x3", "x1")
    assert [k[:2] for k in c.correlations] == [("R", "x1")]
    assert c.sample(5, seed=1).shape == (5, 3)
    # A correlation refused through the warnings filter is not stored.
    pair = sv.Collection([sv.Uniform(lower_bound=0, upper_bound=1, name="a"),
                          sv.Exponential(mean=1, lower_bound=0, name="b")])
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(sv.InputWarning, match="Allowed range"):
            pair.correlate("a", "b", -0.99)
    assert pair.correlations == []


# Pickles written by release 0.1.0 (its module built from that commit): LogNormal R protocol 2,
# and a collection of R and Discrete D, accurate, R-D correlated 0.3 in X-space, protocol 4.
OLD_VARIABLE = (
    "gAJjc3RvY2h2YXIKX3ZhcmlhYmxlX2Zyb21fZG9jdW1lbnQKcQBjX2NvZGVjcwplbmNvZGUKcQFY9QAAAFNUVkNPTA0K"
    "AQAAAQDDv8O/AAAKAENMb2dOb3JtYWwBUgUAAAADAAAAAQAAAAAAAAAAAAAAwpjCmcKZwpnCmcKZwpk/w43DjMOMw4zD"
    "jMOMG0ABAAAAAAAAAAAAAADCmsKZwpnCmcKZwpkJQAAAAAAAAMOoPwAAAAAAAMOOPwAAAAAAAAAAwprCmcKZwpnCmcKZ"
    "wrk/Bx/DgcOgRcKHw44/TUBJwp7CucKlw7E/AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAcQJYBgAAAGxhdGluMXEDhnEEUnEFhXEGUnEHLg==")
OLD_COLLECTION = (
    "gASVAAIAAAAAAACMCHN0b2NodmFylIwKQ29sbGVjdGlvbpSTlCmBlELOAQAAU1RWQ09MDQoBAAACAP//AAAKAENMb2dO"
    "b3JtYWwBUgUAAAADAAAAAQAAAAAAAAAAAAAAmJmZmZmZmT/NzMzMzMwbQAEAAAAAAAAAAAAAAJqZmZmZmQlAAAAAAAAA"
    "6D8AAAAAAADOPwAAAAAAAAAAmpmZmZmZuT8HH8HgRYfOP01ASZ65pfE/AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAP//AAAJAENEaXNjcmV0ZQFEAwAAAAAAAAAB"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAPA/AQAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAgABYQFiAgAAAAAAAADwPwAAAAAAAAhAAgAAAAAAAADQPwAAAAAAAOg/AQAAAAAA"
    "AQAAAAEAAAB3sICo4j/bPzMzMzMzM9M/lIwIYWNjdXJhdGWUhpRiLg==")


def test_pickles_of_the_previous_release_load():
    R = sv.LogNormal(mean=3.2, stddev=0.75, lower_bound=0.1, name="R")
    assert pickle.loads(base64.b64decode(OLD_VARIABLE)) == R
    pair = pickle.loads(base64.b64decode(OLD_COLLECTION))
    assert (pair.variables, pair.numerics) == ([R, sv.Discrete({"a": 1, "b": 3}, name="D")],
                                               "accurate")
    assert pair.correlations == [("R", "D", 0.3, 0.4257742543729885, "X")]


def test_output_and_argument_errors_as_python_expects(capfd, tmp_path):
    """Diagnostic lines become NumericsWarning instead of C-level output; a missing file is a
    FileNotFoundError; counts are integers; threads are capped at one per core."""
    # A document may hold a variable that cannot be sampled (negative exponents); its functions
    # run into the numerical layers' diagnostics.
    (tmp_path / "odd.json").write_text(json.dumps({"variables": [
        {"name": "B", "type": "BETA", "input": "/MEAN/STDDEV/LOWER_BOUND/UPPER_BOUND",
         "values": {"MEAN": 2, "STDDEV": 1.5, "LOWER_BOUND": 1, "UPPER_BOUND": 4}}]}))
    odd_beta = sv.load(tmp_path / "odd.json")["B"]
    with pytest.warns(sv.NumericsWarning) as caught:
        odd_beta.cdf([1.5, 2.0, 2.5])
    assert [str(w.message) for w in caught] == \
        ["BetaI: a and/or b is le zero", "dLBeta: Both arguments must be > zero"]
    assert caught[0].filename == __file__ and capfd.readouterr().out == ""
    with pytest.raises(FileNotFoundError) as missing:
        sv.load(tmp_path / "nothing.json")
    assert missing.value.filename == str(tmp_path / "nothing.json")
    with pytest.raises(IsADirectoryError):
        sv.load(tmp_path)
    beam = sv.load(BEAM)
    for call in [lambda: U.sample(1e5), lambda: beam.sample(1e5),
                 lambda: beam.sample(10, count=2.0), lambda: beam.sample(True)]:
        with pytest.raises(TypeError, match=r"^(n|count) must be an integer, not (float|bool)$"):
            call()
    with pytest.raises(ValueError, match=r"n must lie in 0 \.\. 2147483647, not 2147483648"):
        U.sample(2**31)
    # The threads a run starts, seen from another thread while it runs (its lock is released).
    seen, done = [], threading.Event()
    watcher = threading.Thread(target=lambda: [seen.append(len(os.listdir("/proc/self/task")))
                                               for _ in iter(done.is_set, True)])
    before = len(os.listdir("/proc/self/task"))
    watcher.start()
    try:
        many = beam.sample(400_000, seed=3, threads=100_000)
    finally:
        done.set()
        watcher.join()
    assert max(seen) <= before + 1 + os.cpu_count()  # the watcher and a thread per core
    assert many.tobytes() == beam.sample(400_000, seed=3, threads=1).tobytes()


def test_help_and_signatures_show_the_parameters():
    """inspect.signature works on every public callable, and the stubs match the module
    (mypy's stubtest)."""
    assert str(inspect.signature(sv.Normal)) == "(*, mean=None, stddev=None, cov=None, name='')"
    assert str(inspect.signature(sv.Normal(mean=0, stddev=1).ppf)) == "(q)"
    assert str(inspect.signature(sv.Collection.sample)) == \
        "(self, n, *, lhs=False, seed=None, first=0, count=None, threads=None)"
    for name in sv.__all__:
        thing = getattr(sv, name)
        if callable(thing) and not issubclass_of(thing, Warning, Exception):
            inspect.signature(thing)
            for member in vars(thing).values() if isinstance(thing, type) else []:
                if callable(member):
                    inspect.signature(member)
    assert sv.Normal(mean=0, stddev=1, cov=None).params["stddev"] == 1  # None: not given
    package = os.path.dirname(sv.__file__)
    assert os.path.exists(os.path.join(package, "py.typed"))
    stubtest = run([sys.executable, "-m", "mypy.stubtest", "--concise", "stochvar"], timeout=240,
                   text=True, cwd=package, env={**os.environ, "MYPYPATH": os.path.dirname(package)})
    assert stubtest.returncode == 0, stubtest.stdout + stubtest.stderr


def issubclass_of(thing, *bases):
    return isinstance(thing, type) and issubclass(thing, bases)
