#pragma once

// CPythonVariable: one stochastic variable as Python sees it (stochvar.Variable). Each family
// is a Python class of its own (stochvar.Normal, ...), bound to a C++ class of its own, so that
// a variable handed to Python, also from a collection, shows up as its family's class.
//
// A variable owns its CDist and never changes after it was built: values are entered once,
// through the library's checks and conversions, as the editor enters them. So variables compare
// by value (family, input type, parameter slots, categories and name) and hash accordingly.
// Every call runs with the interpreter lock held, as a variable belongs to one thread at a time.

#include "VariableFunctions.h"

#include <stochvar/families/FamilyList.h>
#include <stochvar/model/Dist.h>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace stochvar::python {

class CPythonVariable {
public:
    explicit CPythonVariable(std::unique_ptr<CDist> pDist);
    virtual ~CPythonVariable();
    CPythonVariable(const CPythonVariable&) = delete;
    CPythonVariable& operator=(const CPythonVariable&) = delete;

    CDist& Dist() const { return *m_pDist; }
    const CVariableFunctions& Functions() const { return m_functions; }
    // A copy of the variable without a reference slot, for a collection or a new Python object.
    std::unique_ptr<CDist> CopyDist() const;

    std::string GetName() const { return m_pDist->m_strVarName.str(); }
    std::string GetFamily() const { return m_pDist->GetVarTypeName().str(); }
    std::string GetInputType() const;
    // Every parameter slot the family uses, by Python keyword.
    pybind11::dict GetParams() const;
    virtual std::string Repr() const;

    // Same family, input type, slot values (NaN equal to NaN), categories and name.
    bool Equals(const CPythonVariable& other) const;
    std::size_t Hash() const;

    // The interval around the median that holds the given share of the probability.
    pybind11::tuple Interval(const pybind11::object& confidence) const;
    // n values by inversion of the generator's uniform numbers (CDist::GetRandom).
    pybind11::array_t<double> Sample(const pybind11::object& n, const pybind11::object& seed) const;

protected:
    // The family's class name followed by "(" and the arguments that rebuild it.
    std::string ReprArguments() const;

private:
    // The slots the family's input types name, in the order GetParams lists them.
    std::vector<UINT> UsedSlots() const;

    std::unique_ptr<CDist> m_pDist;
    CVariableFunctions m_functions;
};

// One class per family of the list (families/FamilyList.h), told apart by the type id.
template <int nType>
class TFamilyVariable final : public CPythonVariable {
public:
    using CPythonVariable::CPythonVariable;
};

// The discrete family: categories instead of parameters.
template <>
class TFamilyVariable<DIST_DISCRETE> final : public CPythonVariable {
public:
    using CPythonVariable::CPythonVariable;

    // (name, frequency) in category order.
    pybind11::list GetCategories() const;
    // name -> probability (the frequencies normalised).
    pybind11::dict GetProbabilities() const;
    std::string Repr() const override;
};

using CPythonDiscrete = TFamilyVariable<DIST_DISCRETE>;

// The Python object of the variable's family.
std::unique_ptr<CPythonVariable> WrapVariable(std::unique_ptr<CDist> pDist);

void BindVariables(pybind11::module_& m);

} // namespace stochvar::python
