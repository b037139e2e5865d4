"""The Python module against independent references: scipy.stats for the families, the
command-line host for the sampled numbers, and documents read back after writing."""

import os
import pickle

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
    assert (variable.mean, variable.stddev) == pytest.approx((dist.mean(), dist.std()), rel=1e-12)
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
                          description="two ways to write it")
    built.correlate("R", "S", 0.3)
    built.correlate("load class", "S", -0.2, space="U")
    for name in ["c.json", "c.svc"]:
        built.save(tmp_path / name)
        again = sv.load(tmp_path / name)
        assert (again.description, again.correlations, [repr(v) for v in again.variables]) == \
            (built.description, built.correlations, [repr(v) for v in built.variables])
        assert again.sample(500, lhs=True, seed=5).tobytes() == \
            cli_samples(str(tmp_path / name), "-n", "500", "--lhs", "--seed", "5").tobytes()
    assert pickle.loads(pickle.dumps(built)).correlations == built.correlations
    with pytest.raises(sv.InputError, match="nothing.json: cannot open"):
        sv.load(tmp_path / "nothing.json")


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
