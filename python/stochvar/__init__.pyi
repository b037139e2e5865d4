# Type stubs of the package: the compiled module's public names (stochvar/_core.pyi) and slices.

from ._core import Beta as Beta
from ._core import Collection as Collection
from ._core import Discrete as Discrete
from ._core import Exponential as Exponential
from ._core import Fixed as Fixed
from ._core import Gumbel as Gumbel
from ._core import InputError as InputError
from ._core import InputWarning as InputWarning
from ._core import LogNormal as LogNormal
from ._core import Normal as Normal
from ._core import NumericsWarning as NumericsWarning
from ._core import Rayleigh as Rayleigh
from ._core import Triangular as Triangular
from ._core import Uniform as Uniform
from ._core import Variable as Variable
from ._core import Weibull as Weibull
from ._core import __version__ as __version__
from ._core import get_default_numerics as get_default_numerics
from ._core import load as load
from ._core import set_default_numerics as set_default_numerics
from .fitting import fit as fit
from .fitting import fit_collection as fit_collection

__all__ = [
    "Beta",
    "Collection",
    "Discrete",
    "Exponential",
    "Fixed",
    "Gumbel",
    "InputError",
    "InputWarning",
    "LogNormal",
    "Normal",
    "NumericsWarning",
    "Rayleigh",
    "Triangular",
    "Uniform",
    "Variable",
    "Weibull",
    "fit",
    "fit_collection",
    "get_default_numerics",
    "load",
    "set_default_numerics",
    "slices",
]

def slices(n: int, parts: int) -> list[tuple[int, int]]: ...
