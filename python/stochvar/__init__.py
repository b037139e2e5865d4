"""Stochastic variables for structural reliability analysis.

Variables of the library's families, each built from the values of one of its input types::

    import stochvar
    R = stochvar.LogNormal(mean=3.2, stddev=0.75, lower_bound=0.1, name="R")
    S = stochvar.Normal(mean=1.5, cov=0.2, name="S")
    R.cdf(2.0), R.ppf([0.05, 0.5, 0.95])

Collections correlate them (X-space or U-space, Nataf mapping) and draw joint samples, plain or
by Latin hypercube sampling, with the numbers of the command-line host bit for bit::

    pair = stochvar.Collection([R, S])
    pair.correlate("R", "S", 0.3)
    x = pair.sample(1_000_000, seed=7)       # 1000000 x 2 float64 array

stochvar.load and Collection.save read and write the JSON and binary documents of the
command-line host and the editor. A refused value raises InputError with the library's message;
what the library takes with a warning is issued as InputWarning (warnings module), and the
diagnostic lines of its numerical layers as NumericsWarning. Nothing is ever shown in a window.

stochvar.fit and stochvar.fit_collection fit the families to measured data and rank them
(stochvar.fitting, docs/fitting.md).

Numbers are faithful by default: bit for bit those of every other host. For fresh work,
``Collection(..., numerics="accurate")`` or ``set_default_numerics("accurate")`` computes Phi,
Phi^-1 and the Nataf mapping to double precision (docs/sampling.md).
"""

from . import _core
from ._core import (
    Collection,
    InputError,
    InputWarning,
    NumericsWarning,
    Variable,
    __version__,
    get_default_numerics,
    load,
    set_default_numerics,
)

# One class per family (Normal, LogNormal, Discrete, ...): the compiled module binds a class for
# every family the library lists, and each of them is exported here under its own name.
_FAMILIES = [name for name, value in vars(_core).items()
             if isinstance(value, type) and issubclass(value, Variable) and value is not Variable]
globals().update((name, getattr(_core, name)) for name in _FAMILIES)

from .fitting import fit, fit_collection  # noqa: E402  (after the families it returns)

__all__ = sorted([
    "Collection", "InputError", "InputWarning", "NumericsWarning", "Variable", "fit",
    "fit_collection",
    "get_default_numerics", "load", "set_default_numerics", "slices", *_FAMILIES,
])


def slices(n, parts):
    """Splits a run of n samples into `parts` consecutive slices, as (first, count) pairs.

    Each slice can be drawn anywhere with ``collection.sample(n, first=first, count=count, ...)``
    (the same seed and lhs everywhere); the slices stacked in order are the whole run, bit for
    bit. The first ``n % parts`` slices take one sample more.
    """
    if n < 1 or parts < 1:
        raise ValueError("n and parts must be at least 1")
    base, extra = divmod(n, parts)
    bounds = [k * base + min(k, extra) for k in range(parts + 1)]
    return [(first, end - first) for first, end in zip(bounds, bounds[1:]) if end > first]


def _unpickle(rebuild, state):
    """Rebuilds a pickled variable or collection: `rebuild` names the compiled module's function
    that reads the state (a binary document) through the library's checks."""
    return getattr(_core, rebuild)(state)


def _variable_from_document(document):
    """Rebuilds a variable pickled by release 0.1.0, whose pickles name this function."""
    return _core._variable_from_state(document)
