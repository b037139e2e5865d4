#include "SeedArgument.h"

#include <cstdint>
#include <limits>

namespace py = pybind11;

namespace stochvar::python {

namespace {

constexpr const char* kSeedUsage =
    "seed takes None, one whole number from 0 to 2**64 - 1, or three whole numbers from 0 to "
    "2**32 - 1";

// Python ints and numpy's integers, not True and False.
bool IsWholeNumber(const py::handle& value) {
    return PyIndex_Check(value.ptr()) != 0 && !PyBool_Check(value.ptr());
}

// The integer's value, refused when it lies outside 0 .. nLargest.
std::uint64_t WholeNumber(const py::handle& value, std::uint64_t nLargest) {
    if (!IsWholeNumber(value)) {
        throw py::type_error(kSeedUsage);
    }
    const auto number = py::reinterpret_steal<py::int_>(PyNumber_Index(value.ptr()));
    if (!number) {
        throw py::error_already_set();
    }
    if (number < py::int_(0) || number > py::int_(nLargest)) {
        throw py::value_error(kSeedUsage);
    }
    return number.cast<std::uint64_t>();
}

} // namespace

SeedTriple SeedFromPython(const py::object& seed) {
    if (seed.is_none()) {
        return {CExOr::kDefaultSeed1, CExOr::kDefaultSeed2, CExOr::kDefaultSeed3};
    }
    if (IsWholeNumber(seed)) {
        return ExpandSeed(WholeNumber(seed, std::numeric_limits<std::uint64_t>::max()));
    }
    if (!py::isinstance<py::sequence>(seed) || py::isinstance<py::str>(seed) ||
        py::len(seed) != 3) {
        throw py::type_error(kSeedUsage);
    }
    SeedTriple seeds{};
    for (std::size_t k = 0; k < seeds.size(); ++k) {
        seeds[k] = static_cast<std::uint32_t>(
            WholeNumber(seed[py::int_(k)], std::numeric_limits<std::uint32_t>::max()));
    }
    return seeds;
}

} // namespace stochvar::python
