# Type stubs of the compiled module; the package exports every public name of it
# (stochvar/__init__.pyi). The stub test (tests/python/test_api.py) checks them against the module.

from collections.abc import Iterable, Iterator, Mapping, Sequence
from os import PathLike
from typing import Any, Literal, overload

import numpy as np
import numpy.typing as npt

__version__: str
# The engine of stochvar.reliability, which wraps and documents it.
_reliability: Any
_fitting: Any

_Array = npt.NDArray[np.float64]
# A number gives a float, an array or a (nested) sequence of numbers an array of its shape.
_Scalar = float | np.number[Any] | np.bool_
_Arrayish = npt.NDArray[Any] | Sequence[Any]
_Seed = int | tuple[int, int, int] | list[int] | None
_Numerics = Literal["faithful", "accurate"]

# The compiled classes have pybind11's metaclass.
class _CompiledClass(type): ...

class InputError(ValueError): ...
class InputWarning(UserWarning): ...
class NumericsWarning(RuntimeWarning): ...

class Variable(metaclass=_CompiledClass):
    # Only the family classes build variables: Variable() raises TypeError.
    def __init__(self, *args: Any, **kwargs: Any) -> None: ...
    @property
    def name(self) -> str: ...
    @property
    def family(self) -> str: ...
    @property
    def input_type(self) -> str: ...
    @property
    def params(self) -> dict[str, float]: ...
    @overload
    def pdf(self, x: _Scalar) -> float: ...
    @overload
    def pdf(self, x: _Arrayish) -> _Array: ...
    @overload
    def cdf(self, x: _Scalar) -> float: ...
    @overload
    def cdf(self, x: _Arrayish) -> _Array: ...
    @overload
    def ppf(self, q: _Scalar) -> float: ...
    @overload
    def ppf(self, q: _Arrayish) -> _Array: ...
    @overload
    def isf(self, q: _Scalar) -> float: ...
    @overload
    def isf(self, q: _Arrayish) -> _Array: ...
    @overload
    def sf(self, x: _Scalar) -> float: ...
    @overload
    def sf(self, x: _Arrayish) -> _Array: ...
    @overload
    def logpdf(self, x: _Scalar) -> float: ...
    @overload
    def logpdf(self, x: _Arrayish) -> _Array: ...
    @overload
    def logcdf(self, x: _Scalar) -> float: ...
    @overload
    def logcdf(self, x: _Arrayish) -> _Array: ...
    @overload
    def logsf(self, x: _Scalar) -> float: ...
    @overload
    def logsf(self, x: _Arrayish) -> _Array: ...
    def mean(self) -> float: ...
    def std(self) -> float: ...
    def var(self) -> float: ...
    def median(self) -> float: ...
    def support(self) -> tuple[float, float]: ...
    @overload
    def interval(self, confidence: _Scalar) -> tuple[float, float]: ...
    @overload
    def interval(self, confidence: _Arrayish) -> tuple[_Array, _Array]: ...
    def sample(self, n: int, *, seed: _Seed = None) -> _Array: ...
    def __eq__(self, value: object, /) -> bool: ...
    def __hash__(self, /) -> int: ...
    def __reduce__(self, /) -> tuple[Any, ...]: ...

class Fixed(Variable):
    def __init__(self, *, mean: float | None = None, name: str | None = "") -> None: ...
    @overload
    def pmf(self, k: _Scalar) -> float: ...
    @overload
    def pmf(self, k: _Arrayish) -> _Array: ...
    @overload
    def logpmf(self, k: _Scalar) -> float: ...
    @overload
    def logpmf(self, k: _Arrayish) -> _Array: ...

class Beta(Variable):
    def __init__(
        self,
        *,
        mean: float | None = None,
        stddev: float | None = None,
        lower_bound: float | None = None,
        upper_bound: float | None = None,
        cov: float | None = None,
        r: float | None = None,
        t: float | None = None,
        s: float | None = None,
        name: str | None = "",
    ) -> None: ...

class Exponential(Variable):
    def __init__(
        self,
        *,
        mean: float | None = None,
        lower_bound: float | None = None,
        lambda_: float | None = None,
        stddev: float | None = None,
        cov: float | None = None,
        name: str | None = "",
    ) -> None: ...

class Discrete(Variable):
    def __init__(
        self,
        categories: Mapping[str, float] | Iterable[tuple[str, float]],
        *,
        name: str | None = "",
    ) -> None: ...
    @property
    def categories(self) -> list[tuple[str, float]]: ...
    @property
    def probabilities(self) -> dict[str, float]: ...
    @overload
    def pmf(self, k: _Scalar) -> float: ...
    @overload
    def pmf(self, k: _Arrayish) -> _Array: ...
    @overload
    def logpmf(self, k: _Scalar) -> float: ...
    @overload
    def logpmf(self, k: _Arrayish) -> _Array: ...

class Gumbel(Variable):
    def __init__(
        self,
        *,
        mean: float | None = None,
        stddev: float | None = None,
        cov: float | None = None,
        alpha: float | None = None,
        beta: float | None = None,
        name: str | None = "",
    ) -> None: ...

class LogNormal(Variable):
    def __init__(
        self,
        *,
        mean: float | None = None,
        stddev: float | None = None,
        lower_bound: float | None = None,
        cov: float | None = None,
        epsilon: float | None = None,
        ksi: float | None = None,
        name: str | None = "",
    ) -> None: ...

class Normal(Variable):
    def __init__(
        self,
        *,
        mean: float | None = None,
        stddev: float | None = None,
        cov: float | None = None,
        name: str | None = "",
    ) -> None: ...

class Rayleigh(Variable):
    def __init__(
        self,
        *,
        mean: float | None = None,
        lower_bound: float | None = None,
        theta: float | None = None,
        stddev: float | None = None,
        cov: float | None = None,
        name: str | None = "",
    ) -> None: ...

class Triangular(Variable):
    def __init__(
        self,
        *,
        lower_bound: float | None = None,
        most_likely: float | None = None,
        upper_bound: float | None = None,
        mean: float | None = None,
        name: str | None = "",
    ) -> None: ...

class Uniform(Variable):
    def __init__(
        self,
        *,
        lower_bound: float | None = None,
        upper_bound: float | None = None,
        name: str | None = "",
    ) -> None: ...

class Weibull(Variable):
    def __init__(
        self,
        *,
        mean: float | None = None,
        stddev: float | None = None,
        lower_bound: float | None = None,
        cov: float | None = None,
        delta: float | None = None,
        beta: float | None = None,
        alpha: float | None = None,
        name: str | None = "",
    ) -> None: ...

class Collection(metaclass=_CompiledClass):
    def __init__(
        self,
        variables: Iterable[Variable] = (),
        *,
        description: str = "",
        numerics: _Numerics | None = None,
        limit_state: str | None = None,
    ) -> None: ...
    @property
    def names(self) -> list[str]: ...
    @property
    def variables(self) -> list[Variable]: ...
    @property
    def description(self) -> str: ...
    @property
    def limit_state(self) -> str | None: ...
    @property
    def numerics(self) -> _Numerics: ...
    @property
    def correlations(self) -> list[tuple[str, str, float, float, Literal["X", "U"]]]: ...
    def __len__(self, /) -> int: ...
    def __getitem__(self, key: str | int | Variable, /) -> Variable: ...
    def __iter__(self, /) -> Iterator[Variable]: ...
    def __contains__(self, key: object, /) -> bool: ...
    def remove(self, key: str | int | Variable) -> None: ...
    def correlate(
        self,
        a: str | int | Variable,
        b: str | int | Variable,
        rho: float,
        space: Literal["X", "U"] = "X",
    ) -> None: ...
    def uncorrelate(self, a: str | int | Variable, b: str | int | Variable) -> None: ...
    def sample(
        self,
        n: int,
        *,
        lhs: bool = False,
        seed: _Seed = None,
        first: int = 0,
        count: int | None = None,
        threads: int | None = None,
    ) -> _Array: ...
    def save(
        self, path: str | PathLike[str], *, format: Literal["json", "binary"] | None = None
    ) -> None: ...
    def __reduce__(self, /) -> tuple[Any, ...]: ...

def load(path: str | PathLike[str], *, numerics: _Numerics | None = None) -> Collection: ...
def set_default_numerics(numerics: _Numerics) -> None: ...
def get_default_numerics() -> _Numerics: ...
