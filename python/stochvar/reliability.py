"""Reliability analysis of a collection: the probability that a limit state g fails, g(x) <= 0.

Five methods, each a function of a collection and g::

    import stochvar
    from stochvar import reliability

    pair = stochvar.Collection([stochvar.LogNormal(mean=10, stddev=1.5, name="R"),
                                stochvar.LogNormal(mean=4, stddev=1, name="S")])
    g = lambda x: x[:, 0] - x[:, 1]       # x: (n, k) array, columns in collection order
    f = reliability.form(pair, g)         # pf, beta, design point, importance of the variables
    s = reliability.sorm(pair, g, form=f)
    i = reliability.importance_sampling(pair, g, form=f, target_cov=0.05, seed=7)
    m = reliability.monte_carlo(pair, g, lhs=True, max_calls=10**6, seed=7)
    u = reliability.subset_simulation(pair, g, n_per_level=2000, p0=0.1, seed=7)

g is either a vectorised Python function, g(x) -> array of n values for x of shape (n, k), or an
expression over the variables' names as the command-line host reads it ("R - S"; see
docs/reliability.md); without g, the collection's own limit_state (a document's "limitState").
An expression runs on the library's threads (threads=), and FORM, SORM, importance sampling and
subset simulation then work on the variables it names, as on the command line: their joint
distribution is the one they have in the whole collection, so a discrete variable that g leaves
out does not stop FORM, and the results name those variables only.

The analyses hand g whole batches of points (a gradient, a batch of samples, a step of the Markov
chains) and release the interpreter lock while they work, taking it back only to call g; Ctrl+C
stops them. executor= spreads every batch over a
concurrent.futures.Executor or a Dask distributed.Client: each batch is split into one chunk
per worker, and the values gathered in order are those of the serial run, bit for bit, as long
as g's value at a point depends on that point alone.

Options share the names of the command-line host's: target_cov, max_calls, lhs, seed (None,
one whole number or three 32-bit seeds, as Collection.sample), n_per_level, p0, threads (None:
one per core; the numbers do not depend on it) and numerics ('faithful', 'accurate', or None: the
collection's own choice, else accurate, which the gradients of FORM and SORM need).

FORM, SORM and importance sampling work in the standard normal space of the collection and
refuse discrete variables; Monte Carlo draws the samples that Collection.sample draws with the
same seed and numerics, discrete variables included (as their category positions).

Results are immutable: pf, beta, cov (None for FORM and SORM), ci (the 95 % interval of Monte
Carlo and importance sampling, else None), calls (points at which g was evaluated, those of a
FORM result reused included), converged and reason, numerics, seconds, the method's own fields,
and to_dict(). An analysis that cannot run, or a g that raises, returns an array of the wrong
shape or a value that is not a finite number, raises ReliabilityError (a ValueError), with g's
own exception as its __cause__; so does an expression that cannot be parsed, with the position
of the problem.
"""

from __future__ import annotations

import concurrent.futures
import dataclasses
import os
import types
import collections.abc
from typing import Any, Callable, ClassVar, Optional, Tuple, Union

import numpy as np

from ._core import Collection
from ._core import _reliability as _engine

ReliabilityError = _engine.ReliabilityError

__all__ = [
    "FormResult", "ImportanceSamplingResult", "MonteCarloResult", "ReliabilityError", "Result",
    "SormResult", "SubsetLevel", "SubsetSimulationResult", "form", "importance_sampling",
    "monte_carlo", "sorm", "subset_simulation",
]

_DEFAULTS = _engine.defaults()
_MONTE_CARLO = _DEFAULTS["monte_carlo"]
_IMPORTANCE = _DEFAULTS["importance_sampling"]
_SUBSET = _DEFAULTS["subset_simulation"]

LimitState = Union[Callable[[np.ndarray], Any], str, None]
Seed = Union[None, int, Tuple[int, int, int]]


# --- g -------------------------------------------------------------------------------------------

class _LimitState:
    """g as the analyses call it: one batch of points at a time, on the analysis's thread, with
    the interpreter lock held. With an executor each batch is split into one contiguous chunk per
    worker and the chunks' values are joined in order."""

    def __init__(self, g, executor):
        self._g = g
        self._executor, self._workers = _executor_and_workers(executor)

    def __call__(self, x):
        if self._executor is None:
            return _values(_call(self._g, x), len(x))
        parts = np.array_split(x, min(self._workers, len(x)))
        futures = [self._executor.submit(self._g, part) for part in parts]
        try:
            return np.concatenate([_values(_call(future.result), len(part))
                                   for future, part in zip(futures, parts)])
        finally:  # after an error or Ctrl+C, what has not started yet need not run
            for future in futures:
                future.cancel()


def _executor_and_workers(executor):
    if executor is None:
        return None, 1
    if not isinstance(executor, concurrent.futures.Executor) and hasattr(executor, "get_executor"):
        # A Dask distributed.Client. pure=False: the chunks are not worth hashing, and every call
        # of g is meant to run.
        return executor.get_executor(pure=False), max(1, sum(executor.nthreads().values()))
    if not callable(getattr(executor, "submit", None)):
        raise TypeError("executor takes a concurrent.futures.Executor or a Dask "
                        f"distributed.Client, not {type(executor).__name__}")
    return executor, getattr(executor, "_max_workers", None) or os.cpu_count() or 1


def _call(function, *args):
    try:
        return function(*args)
    except Exception as error:  # KeyboardInterrupt and SystemExit pass unchanged
        raise ReliabilityError(f"the limit state g raised {type(error).__name__}: {error}") \
            from error


def _values(values, n):
    """What g returned as n float64 values. Values that are not finite the library refuses, naming
    the point."""
    try:
        array = np.asarray(values, dtype=np.float64)
    except (TypeError, ValueError) as error:
        raise ReliabilityError(f"the limit state g returned {type(values).__name__}, which is "
                               f"not an array of numbers: {error}") from error
    if array.shape != (n,):
        raise ReliabilityError(
            f"the limit state g returned an array of shape {array.shape} for {n} points; it "
            f"must return one value per point, shape ({n},): g receives x of shape (n, k), one "
            f"row per point, columns in collection order")
    return array


def _limit_state(g, executor):
    if g is None or isinstance(g, str):  # the library parses the expression (None: its own)
        if executor is not None:
            raise ValueError("executor spreads a Python g; an expression runs on the library's "
                             "threads (threads=)")
        return g
    if not callable(g):
        raise TypeError("g is a function of an (n, k) array of points or an expression, not "
                        f"{type(g).__name__}")
    return _LimitState(g, executor)


def _checked_collection(collection):
    if not isinstance(collection, Collection):
        raise TypeError(f"the analyses take a stochvar.Collection, not {type(collection).__name__}")
    return collection


def _checked_cov(target_cov):
    if not target_cov >= 0:
        raise ValueError(f"target_cov must be 0 or more (0 spends the whole budget), not "
                         f"{target_cov!r}")
    return target_cov


def _checked_form(form):
    if form is not None and not isinstance(form, FormResult):
        raise TypeError(f"form takes the result of reliability.form, not {type(form).__name__}")
    return form


# --- results -------------------------------------------------------------------------------------

def _frozen_array(values):
    array = np.array(values, dtype=np.float64)
    array.flags.writeable = False
    return array


def _by_name(names, values):
    return types.MappingProxyType(dict(zip(names, map(float, values))))


def _plain(value):
    """value in plain Python types (lists, dicts, floats), as to_dict gives it."""
    if isinstance(value, Result):
        return value.to_dict()
    if isinstance(value, SubsetLevel):
        return dataclasses.asdict(value)
    if isinstance(value, collections.abc.Mapping):
        return {key: _plain(item) for key, item in value.items()}
    if isinstance(value, np.ndarray):
        return value.tolist()
    if isinstance(value, (tuple, list)):
        return [_plain(item) for item in value]
    return value


def _short(value):
    if isinstance(value, float):
        return f"{value:.4g}"
    if isinstance(value, collections.abc.Mapping):
        return "{" + ", ".join(f"{key!r}: {_short(item)}" for key, item in value.items()) + "}"
    if isinstance(value, np.ndarray):
        return "[" + ", ".join(_short(float(item)) for item in value) + "]"
    if isinstance(value, tuple):
        return "(" + ", ".join(_short(item) for item in value) + ")"
    return repr(value)


@dataclasses.dataclass(frozen=True, repr=False, eq=False)
class Result:
    """What every analysis reports.

    pf: the probability of failure P[g(X) <= 0]; beta: the reliability index -Phi^-1(pf)
    (+inf for pf = 0). cov: the coefficient of variation of the estimate of pf (None for the
    approximations FORM and SORM). ci: a 95 % interval of pf (Wilson's score interval) for Monte
    Carlo and importance sampling, else None. calls and gradient_calls: points at which g and its
    gradient were evaluated. converged: whether the method met its criterion (FORM: the
    convergence tests; the sampling methods: target_cov; subset simulation: the failure level),
    and reason says why not. numerics: what the analysis ran with. seconds: its time.
    """

    pf: float
    beta: float
    cov: Optional[float]
    ci: Optional[Tuple[float, float]]
    calls: int
    gradient_calls: int
    converged: bool
    reason: str
    numerics: str
    seconds: float

    method: ClassVar[str] = ""
    _SUMMARY: ClassVar[Tuple[str, ...]] = ()

    @staticmethod
    def _common(fields, estimate=True):
        return dict(pf=fields["pf"], beta=fields["beta"],
                    cov=fields["cov"] if estimate else None,
                    ci=tuple(fields["ci"]) if "ci" in fields else None,
                    calls=fields["calls"], gradient_calls=fields["gradient_calls"],
                    converged=fields["converged"], reason=fields["reason"],
                    numerics=fields["numerics"], seconds=fields["seconds"])

    def to_dict(self) -> dict:
        """The result in plain Python types (JSON-ready but for inf and nan), with its method."""
        fields = {field.name: _plain(getattr(self, field.name))
                  for field in dataclasses.fields(self)}
        return {"method": self.method, **fields}

    def __repr__(self):
        shown = ["pf", "beta", *(["cov"] if self.cov is not None else []),
                 *(["ci"] if self.ci is not None else []), "calls", *self._SUMMARY, "converged",
                 *(["reason"] if not self.converged else [])]
        return (f"{type(self).__name__}("
                + ", ".join(f"{name}={_short(getattr(self, name))}" for name in shown) + ")")


@dataclasses.dataclass(frozen=True, repr=False, eq=False)
class FormResult(Result):
    """FORM: pf = Phi(-beta), beta the distance of the design point from the origin of the
    standard normal space.

    design_point: the point in the variables' values (name -> value); design_point_u: the point
    in u, whose coordinates are the random variables named in coordinates (fixed variables take
    none); alpha: the unit normal towards failure there, u = beta alpha; importance: the share of
    each variable in the variance of the linearised limit state (name -> factor, summing to 1; for
    correlated variables from Der Kiureghian's gamma vector); gradient_u: the gradient of g in u;
    g_at_design_point: g there; iterations: of the search.
    """

    design_point: collections.abc.Mapping[str, float]
    design_point_u: np.ndarray
    coordinates: Tuple[str, ...]
    alpha: np.ndarray
    importance: collections.abc.Mapping[str, float]
    gradient_u: np.ndarray
    g_at_design_point: float
    iterations: int

    method: ClassVar[str] = "FORM"
    _SUMMARY: ClassVar[Tuple[str, ...]] = ("design_point", "importance")

    @classmethod
    def _from_engine(cls, fields):
        names = fields["names"]
        return cls(**cls._common(fields, estimate=False),
                   design_point=_by_name(names, fields["x"]),
                   design_point_u=_frozen_array(fields["u"]),
                   coordinates=tuple(fields["coordinates"]),
                   alpha=_frozen_array(fields["alpha"]),
                   importance=_by_name(names, fields["importance"]),
                   gradient_u=_frozen_array(fields["gradient_u"]),
                   g_at_design_point=fields["g"], iterations=fields["iterations"])

    def _to_engine(self):
        """What SORM and importance sampling take of it."""
        return dict(names=list(self.design_point), u=self.design_point_u.tolist(),
                    alpha=self.alpha.tolist(), gradient_u=self.gradient_u.tolist(),
                    g=self.g_at_design_point, beta=self.beta, converged=self.converged,
                    reason=self.reason, calls=self.calls, gradient_calls=self.gradient_calls,
                    seconds=self.seconds, numerics=self.numerics)


@dataclasses.dataclass(frozen=True, repr=False, eq=False)
class SormResult(Result):
    """SORM at FORM's design point: the failure surface fitted by a paraboloid there.

    pf is Tvedt's; pf_breitung and pf_hohenbichler_rackwitz are the other two formulas (nan where
    one does not apply, with a line in warnings). curvatures: the principal curvatures, ascending
    (positive where the surface bends away from the origin). form: the FORM result used.
    calls include FORM's and the hessian_calls of the curvatures.
    """

    form: FormResult
    curvatures: np.ndarray
    pf_breitung: float
    pf_hohenbichler_rackwitz: float
    pf_tvedt: float
    hessian_calls: int
    warnings: Tuple[str, ...]

    method: ClassVar[str] = "SORM"
    _SUMMARY: ClassVar[Tuple[str, ...]] = ("curvatures",)

    @classmethod
    def _from_engine(cls, fields, form):
        return cls(**cls._common(fields, estimate=False), form=form,
                   curvatures=_frozen_array(fields["curvatures"]),
                   pf_breitung=fields["pf_breitung"],
                   pf_hohenbichler_rackwitz=fields["pf_hohenbichler_rackwitz"],
                   pf_tvedt=fields["pf_tvedt"], hessian_calls=fields["hessian_calls"],
                   warnings=tuple(fields["warnings"]))


@dataclasses.dataclass(frozen=True, repr=False, eq=False)
class MonteCarloResult(Result):
    """Monte Carlo (or Latin hypercube, lhs) sampling: failures among samples drawn until cov
    reached target_cov or max_calls ran out."""

    samples: int
    failures: int
    lhs: bool

    method: ClassVar[str] = "Monte Carlo"
    _SUMMARY: ClassVar[Tuple[str, ...]] = ("samples", "failures")

    @classmethod
    def _from_engine(cls, fields):
        return cls(**cls._common(fields), samples=fields["samples"],
                   failures=fields["failures"], lhs=fields["lhs"])


@dataclasses.dataclass(frozen=True, repr=False, eq=False)
class ImportanceSamplingResult(Result):
    """Importance sampling around centre, FORM's design point in u (form: that FORM result).
    calls include FORM's."""

    samples: int
    failures: int
    centre: np.ndarray
    form: FormResult

    method: ClassVar[str] = "importance sampling"
    _SUMMARY: ClassVar[Tuple[str, ...]] = ("samples", "failures")

    @classmethod
    def _from_engine(cls, fields, form):
        common = cls._common(fields)
        if fields["form"] is None:  # a FORM result given: its calls and time count here too
            common.update(calls=common["calls"] + form.calls,
                          gradient_calls=common["gradient_calls"] + form.gradient_calls,
                          seconds=common["seconds"] + form.seconds)
        else:
            form = FormResult._from_engine(fields["form"])
        return cls(**common, samples=fields["samples"], failures=fields["failures"],
                   centre=_frozen_array(fields["centre"]), form=form)


@dataclasses.dataclass(frozen=True)
class SubsetLevel:
    """One level of subset simulation: its threshold b (0 on the last level), the fraction of
    its points with g <= b, that fraction's coefficient of variation and chain correlation factor
    gamma, the acceptance rate and scale of the chains that made the level, and its calls."""

    threshold: float
    probability: float
    cov: float
    gamma: float
    acceptance: float
    scale: float
    calls: int


@dataclasses.dataclass(frozen=True, repr=False, eq=False)
class SubsetSimulationResult(Result):
    """Subset simulation: pf the product of the levels' probabilities."""

    levels: Tuple[SubsetLevel, ...]

    method: ClassVar[str] = "subset simulation"

    def __repr__(self):
        return super().__repr__()[:-1] + f", levels={len(self.levels)})"

    @classmethod
    def _from_engine(cls, fields):
        return cls(**cls._common(fields),
                   levels=tuple(SubsetLevel(**level) for level in fields["levels"]))


# --- the analyses --------------------------------------------------------------------------------

def form(collection: Collection, g: LimitState = None, *, numerics: Optional[str] = None,
         threads: Optional[int] = None, executor: Any = None) -> FormResult:
    """The first-order reliability method: the design point (the point of g = 0 nearest to the
    origin of the standard normal space, by the improved HLRF search) and pf = Phi(-beta).

    Each step evaluates g at a point and its neighbours for the gradient in one batch. Raises
    ReliabilityError for a discrete variable (use a sampling method) and for a g that fails; a
    search that does not converge returns with converged False and the reason.
    """
    collection = _checked_collection(collection)
    return FormResult._from_engine(_engine.form(collection, _limit_state(g, executor),
                                                numerics, threads))


def sorm(collection: Collection, g: LimitState = None, *, form: Optional[FormResult] = None,
         numerics: Optional[str] = None, threads: Optional[int] = None,
         executor: Any = None) -> SormResult:
    """The second-order reliability method at FORM's design point: the principal curvatures of
    the failure surface (central differences, one batch) and pf by the formulas of Breitung,
    Hohenbichler and Rackwitz, and Tvedt (reported).

    form: a FORM result of the same collection and g to start from; FORM runs first without one.
    """
    collection = _checked_collection(collection)
    given = _checked_form(form)
    fields = _engine.sorm(collection, _limit_state(g, executor),
                          None if given is None else given._to_engine(), numerics, threads)
    used = given if given is not None else FormResult._from_engine(fields["form"])
    return SormResult._from_engine(fields, used)


def monte_carlo(collection: Collection, g: LimitState = None, *,
                target_cov: float = _MONTE_CARLO["target_cov"],
                max_calls: int = _MONTE_CARLO["max_calls"], lhs: bool = _MONTE_CARLO["lhs"],
                seed: Seed = None, numerics: Optional[str] = None, threads: Optional[int] = None,
                executor: Any = None) -> MonteCarloResult:
    """pf by Monte Carlo sampling, or Latin hypercube sampling with lhs (stratified over
    max_calls samples): batches of samples until the coefficient of variation of pf reaches
    target_cov or max_calls samples are drawn. The points are the samples of
    Collection.sample(max_calls, lhs=lhs, seed=seed) under the analysis's numerics, bit for bit.
    """
    collection = _checked_collection(collection)
    return MonteCarloResult._from_engine(_engine.monte_carlo(
        collection, _limit_state(g, executor), numerics, threads, seed, _checked_cov(target_cov),
        max_calls, lhs))


def importance_sampling(collection: Collection, g: LimitState = None, *,
                        form: Optional[FormResult] = None,
                        target_cov: float = _IMPORTANCE["target_cov"],
                        max_calls: int = _IMPORTANCE["max_calls"], seed: Seed = None,
                        numerics: Optional[str] = None, threads: Optional[int] = None,
                        executor: Any = None) -> ImportanceSamplingResult:
    """pf by importance sampling: standard normal points around FORM's design point, each failure
    weighted by the ratio of the densities, in batches until the coefficient of variation reaches
    target_cov or max_calls points are drawn.

    form: a FORM result of the same collection and g whose design point to use; FORM runs first
    without one. calls include FORM's either way.
    """
    collection = _checked_collection(collection)
    given = _checked_form(form)
    fields = _engine.importance_sampling(
        collection, _limit_state(g, executor), None if given is None else given._to_engine(),
        numerics, threads, seed, _checked_cov(target_cov), max_calls)
    return ImportanceSamplingResult._from_engine(fields, given)


def subset_simulation(collection: Collection, g: LimitState = None, *,
                      n_per_level: int = _SUBSET["n_per_level"], p0: float = _SUBSET["p0"],
                      seed: Seed = None, numerics: Optional[str] = None,
                      threads: Optional[int] = None,
                      executor: Any = None) -> SubsetSimulationResult:
    """pf by subset simulation: n_per_level points per level, each level's threshold at the p0
    quantile of g among them, the next level grown by Markov chains (adaptive conditional
    sampling) until the threshold reaches 0. n_per_level * p0 must be a whole number that divides
    n_per_level. Suits small pf and limit states with several failure regions.
    """
    collection = _checked_collection(collection)
    return SubsetSimulationResult._from_engine(_engine.subset_simulation(
        collection, _limit_state(g, executor), numerics, threads, seed, n_per_level, p0))
