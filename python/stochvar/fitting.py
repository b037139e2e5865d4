"""Fitting the families to measured data: which variable the data support, with the evidence.

::

    import stochvar
    report = stochvar.fit(yield_strengths)            # every continuous family, ranked by BIC
    report.best                                       # a stochvar variable (LogNormal, ...)
    report.ranking[0].bic, report.ranking[0].ks       # the evidence of each family
    report.plot()                                     # histogram with densities, QQ plot

    table = {"fy": fy, "wind": wind, "grade": grades} # columns: numbers or labels
    pair = stochvar.fit_collection(table)             # best variable of each column, correlated

Each family is fitted by maximum likelihood in its own parameters (the method of moments where
the likelihood gives no estimate, or with method="moments"); bounds that are not given are
estimated by the profile likelihood or the order-statistics correction (docs/fitting.md). The
fitted variable is built through the family's own input type and checks, like any other.

Every record of the ranking carries lnL, AIC, BIC, the Kolmogorov-Smirnov and Anderson-Darling
statistics and, with bootstrap=N, their p-values from N parametric-bootstrap replicates (fixed
seed). Families that cannot take the data stay in the ranking, after the others, with
fitted=False and the reason. A sample that cannot be fitted at all (fewer than 3 values, a value
that is not finite, no spread) raises FitError, a ValueError.
"""

from __future__ import annotations

import collections.abc
import dataclasses
import math
from typing import Any, Dict, List, Optional

import numpy as np

from ._core import Collection, Variable
from ._core import _fitting as _engine

FitError = _engine.FitError

__all__ = ["FitError", "FitRecord", "FitReport", "fit", "fit_collection"]


@dataclasses.dataclass(frozen=True)
class FitRecord:
    """One family fitted to the data (or refused, with the reason)."""

    family: str
    fitted: bool
    refusal: str = ""
    variable: Optional[Variable] = None
    method: Optional[str] = None
    note: str = ""
    input_type: Optional[str] = None
    values: collections.abc.Mapping[str, float] = dataclasses.field(default_factory=dict)
    k: int = 0
    loglik: float = math.nan
    aic: float = math.nan
    bic: float = math.nan
    ks: float = math.nan
    ad: float = math.nan
    ks_pvalue: float = math.nan
    ad_pvalue: float = math.nan
    bootstrap: int = 0

    @classmethod
    def _from_engine(cls, record: Dict[str, Any]) -> "FitRecord":
        fields = {f.name for f in dataclasses.fields(cls)}
        return cls(**{key: value for key, value in record.items() if key in fields})


@dataclasses.dataclass(frozen=True)
class FitReport:
    """Every family tried on one sample: .ranking best first, .best the best variable."""

    data: np.ndarray
    ranking: List[FitRecord]
    criterion: str

    @property
    def best(self) -> Optional[Variable]:
        """The best fitted variable; None when every family refused the data."""
        first = self.ranking[0] if self.ranking else None
        return first.variable if first is not None and first.fitted else None

    def plot(self, ax=None, families: int = 3):
        """A histogram of the data with the densities of the best `families` fits, and a QQ plot
        of the best fit. ax: None (a new figure), or a pair of matplotlib axes. Returns the
        pair of axes."""
        import matplotlib.pyplot as plt  # type: ignore[import]

        if self.data.dtype.kind != "f":
            raise TypeError("a column of labels has no densities to plot")
        if ax is None:
            _, ax = plt.subplots(1, 2, figsize=(10, 4))
        hist_ax, qq_ax = ax
        x = np.sort(self.data)
        hist_ax.hist(x, bins="auto", density=True, color="0.85", edgecolor="0.6", label="data")
        grid = np.linspace(x[0] - 0.05 * np.ptp(x), x[-1] + 0.05 * np.ptp(x), 400)
        fitted = [record for record in self.ranking if record.fitted][:families]
        for record in fitted:
            assert record.variable is not None  # a fitted record carries its variable
            hist_ax.plot(grid, record.variable.pdf(grid),
                         label=f"{record.family} ({self.criterion.upper()} "
                               f"{getattr(record, self.criterion, math.nan):.1f})")
        hist_ax.set_xlabel("value")
        hist_ax.set_ylabel("density")
        hist_ax.legend(fontsize="small")
        if fitted:
            best = fitted[0].variable
            assert best is not None
            probabilities = (np.arange(1, x.size + 1) - 0.5) / x.size
            expected = best.ppf(probabilities)
            qq_ax.plot(expected, x, ".", markersize=3)
            ends = [min(expected[0], x[0]), max(expected[-1], x[-1])]
            qq_ax.plot(ends, ends, color="0.4", linewidth=1)
            qq_ax.set_title(f"QQ plot: {fitted[0].family}")
        qq_ax.set_xlabel("fitted quantile")
        qq_ax.set_ylabel("data")
        return hist_ax, qq_ax


def fit(data, families: Optional[collections.abc.Sequence[str]] = None,
        criterion: str = "bic", *, method: str = "likelihood", bootstrap: int = 0,
        lower_bound: Optional[float] = None, upper_bound: Optional[float] = None, name: str = ""):
    """Fits the families to the data and ranks them.

    data: a 1-D array of numbers gives a FitReport; a table (a mapping of column names to 1-D
    arrays, a structured numpy array, or a pandas DataFrame) gives a dict of FitReports by
    column name, where a column of labels (values that are not numbers) gives a report whose
    only record is a Discrete variable with the observed counts.
    families: names ('Normal', 'LOGNORMAL', ...), default every continuous family.
    criterion: 'bic', 'aic' or 'ks' (the KS p-value with bootstrap, else the KS statistic).
    lower_bound, upper_bound: bounds to take as given by the families that have them.
    """
    columns = _columns(data)
    options = dict(families=None if families is None else list(families), criterion=criterion,
                   method=method, bootstrap=int(bootstrap), lower_bound=lower_bound,
                   upper_bound=upper_bound)
    if columns is None:
        return _fit_one(np.asarray(data, dtype=float), name, options)
    return {column: _fit_one(values, column, options) for column, values in columns.items()}


def fit_collection(table, families: Optional[collections.abc.Sequence[str]] = None,
                   criterion: str = "bic", *, correlations: bool = True, **options) -> Collection:
    """A collection of the best variable of each column of the table, named after the column: a
    column of numbers gets its best fitted family, a column of labels a discrete variable with
    the observed frequencies. With correlations=True the sample correlations of the numeric
    columns are added as X-space correlations; one outside its admissible range is moved into it
    with an InputWarning."""
    columns = _columns(table)
    if columns is None:
        raise TypeError("fit_collection takes a table: a mapping of names to columns, a "
                        "structured array or a DataFrame")
    reports = fit(columns, families, criterion, **options)
    variables, numeric = [], []
    for column, report in reports.items():
        if report.best is None:
            raise FitError(f"column {column}: no family fits the data")
        variables.append(report.best)
        if report.data.dtype.kind == "f":
            numeric.append((column, report.data))
    collection = Collection(variables)
    if correlations:
        for i, (first, a) in enumerate(numeric):
            for second, b in numeric[i + 1:]:
                rho = float(np.corrcoef(a, b)[0, 1])
                if math.isfinite(rho):
                    collection.correlate(first, second, rho, "X")
    return collection


def _fit_one(values: np.ndarray, name: str, options) -> FitReport:
    """The report of one column: the families fitted to numbers, or the discrete variable of
    labels (a column whose values are not all numbers)."""
    values = np.asarray(values)
    if values.ndim != 1:
        raise ValueError("data must be one-dimensional, or a table of named columns")
    if values.dtype.kind not in "fiub":
        labels = [str(v) for v in values]
        variable = _engine.fit_labels(labels, name)
        record = FitRecord(family="Discrete", fitted=True, variable=variable, method="counts")
        return FitReport(data=np.asarray(labels), ranking=[record],
                         criterion=options["criterion"])
    values = values.astype(float)
    records = [FitRecord._from_engine(r) for r in _engine.fit(values, name=name, **options)]
    return FitReport(data=values.copy(), ranking=records, criterion=options["criterion"])


def _columns(data) -> Optional[Dict[str, np.ndarray]]:
    """The named columns of a table, or None for plain data."""
    if isinstance(data, collections.abc.Mapping):
        return {str(key): np.asarray(value) for key, value in data.items()}
    if hasattr(data, "columns") and hasattr(data, "__getitem__") and not isinstance(
            data, np.ndarray):
        return {str(key): np.asarray(data[key]) for key in data.columns}
    array = np.asarray(data)
    if array.dtype.names:
        return {name: array[name] for name in array.dtype.names}
    return None
