#include "PythonVariable.h"

#include "ElementwiseCall.h"
#include "MessageRelay.h"
#include "PickleState.h"
#include "SeedArgument.h"
#include "VariableTails.h"

#include <stochvar/documents/DocumentBuilder.h>
#include <stochvar/documents/DocumentFile.h>
#include <stochvar/documents/InputEntry.h>
#include <stochvar/families/Discrete.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <set>
#include <string>
#include <utility>

namespace py = pybind11;
using namespace pybind11::literals;

namespace stochvar::python {

namespace {

// The Python spelling of a parameter keyword: lower case, "-" as "_", and lambda_ for LAMBDA,
// since lambda is a Python keyword.
std::string PythonKeyword(UINT nParam) {
    std::string strKeyword = kParamKeywords[nParam];
    std::transform(strKeyword.begin(), strKeyword.end(), strKeyword.begin(), [](char ch) {
        return ch == '-' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    });
    return strKeyword == "lambda" ? "lambda_" : strKeyword;
}

// For each input type of the variable's family, its parameter ids in entry order.
std::vector<std::vector<UINT>> InputTypes(CDist& dist) {
    std::vector<std::vector<UINT>> inputTypes;
    for (int n = 0; n < dist.GetParamCombiCount(); ++n) {
        CString strLabel;
        CUIntArray ids;
        dist.GetParamsList(n, strLabel, &ids);
        inputTypes.emplace_back(ids.begin(), ids.end());
    }
    return inputTypes;
}

std::string KeywordList(const std::vector<UINT>& ids) {
    std::string strList;
    for (const UINT nParam : ids) {
        strList += (strList.empty() ? "" : ", ") + PythonKeyword(nParam);
    }
    return strList;
}

// "Normal(mean=..., stddev=...)" for each input type, one per line.
std::string InputTypeUsage(const char* pszClass, const std::vector<std::vector<UINT>>& inputTypes) {
    std::string strUsage;
    for (const std::vector<UINT>& ids : inputTypes) {
        strUsage += std::string("    ") + pszClass + "(";
        for (std::size_t i = 0; i < ids.size(); ++i) {
            strUsage += (i > 0 ? ", " : "") + PythonKeyword(ids[i]) + "=...";
        }
        strUsage += ", name='')\n";
    }
    return strUsage;
}

std::string NameArgument(const py::kwargs& kwargs) {
    if (!kwargs.contains("name")) {
        return "";
    }
    const py::object name = kwargs["name"];
    if (!py::isinstance<py::str>(name)) {
        throw py::type_error("name must be a str");
    }
    return name.cast<std::string>();
}

double NumberArgument(const py::handle& value, const std::string& strKeyword) {
    try {
        return py::cast<double>(value);
    } catch (const py::cast_error&) {
        throw py::type_error(strKeyword + " must be a number, not " +
                             std::string(py::str(py::type::handle_of(value).attr("__name__"))));
    }
}

// The input type whose keywords are exactly the given ones: the keywords choose it.
int ChooseInputType(const SFamily& family, const std::vector<std::vector<UINT>>& inputTypes,
                    const std::vector<std::string>& given) {
    const std::set<std::string> givenSet(given.begin(), given.end());
    for (std::size_t n = 0; n < inputTypes.size(); ++n) {
        std::set<std::string> keywords;
        for (const UINT nParam : inputTypes[n]) {
            keywords.insert(PythonKeyword(nParam));
        }
        if (keywords == givenSet) {
            return static_cast<int>(n);
        }
    }
    std::string strGiven;
    for (const std::string& strKeyword : given) {
        strGiven += (strGiven.empty() ? "" : ", ") + strKeyword;
    }
    std::string strChoices;
    for (std::size_t n = 0; n < inputTypes.size(); ++n) {
        strChoices += std::string(n == 0                       ? ""
                                  : n + 1 == inputTypes.size() ? " or "
                                                               : "; ") +
                      "(" + KeywordList(inputTypes[n]) + ")";
    }
    throw py::type_error(std::string(family.pszPythonClass) +
                         " takes the values of one input type, " + strChoices + "; not (" +
                         strGiven + ")");
}

// A new variable of the family from keyword values, entered as the editor enters them.
std::unique_ptr<CDist> BuildFamilyVariable(int nType, const py::kwargs& kwargs) {
    const SFamily& family = *FindFamily(nType);
    std::unique_ptr<CDist> pDist =
        CDocumentBuilder::CreateVariable(nType, CString(NameArgument(kwargs)));
    const std::vector<std::vector<UINT>> inputTypes = InputTypes(*pDist);
    std::vector<std::string> given;
    for (const auto& item : kwargs) {
        const std::string strKeyword = item.first.cast<std::string>();
        if (strKeyword != "name") {
            given.push_back(strKeyword);
        }
    }
    const int nParamCombi = ChooseInputType(family, inputTypes, given);
    std::vector<double> values;
    for (const UINT nParam : inputTypes[static_cast<std::size_t>(nParamCombi)]) {
        const std::string strKeyword = PythonKeyword(nParam);
        values.push_back(NumberArgument(kwargs[py::str(strKeyword)], strKeyword));
    }
    const std::vector<std::string> warnings = EnterInputValues(*pDist, nParamCombi, values);
    pDist->SetAutoAxis();
    CMessageRelay::Warn(warnings);
    CMessageRelay::Relay();
    return pDist;
}

// Categories given as a mapping name -> frequency or as (name, frequency) pairs.
std::vector<std::pair<std::string, double>> CategoriesArgument(const py::object& categories) {
    const py::object items =
        py::isinstance<py::dict>(categories) ? categories.attr("items")() : categories;
    std::vector<std::pair<std::string, double>> entries;
    for (const py::handle item : py::iter(items)) {
        if (!py::isinstance<py::sequence>(item) || py::isinstance<py::str>(item) ||
            py::len(item) != 2 || !py::isinstance<py::str>(item[py::int_(0)])) {
            throw py::type_error("categories are a dict of name: frequency, or (name, frequency) "
                                 "pairs");
        }
        const std::string strName = item[py::int_(0)].cast<std::string>();
        entries.emplace_back(strName,
                             NumberArgument(item[py::int_(1)], "the frequency of " + strName));
    }
    return entries;
}

std::unique_ptr<CDist> BuildDiscrete(const py::object& categories, const std::string& strName) {
    std::unique_ptr<CDist> pDist =
        CDocumentBuilder::CreateVariable(DIST_DISCRETE, CString(strName));
    EnterCategories(static_cast<CDiscrete&>(*pDist), CategoriesArgument(categories),
                    [] { CMessageRelay::Relay(); });
    pDist->SetAutoAxis();
    CMessageRelay::Relay();
    return pDist;
}

std::string PythonRepr(const py::object& value) { return py::repr(value).cast<std::string>(); }

// A one-variable binary document: how a variable travels to another process.
py::bytes VariableDocument(const CPythonVariable& variable) {
    CCollectionDocument doc;
    doc.AddVariable(variable.CopyDist());
    return py::bytes(WriteDocument(doc, EDocumentFormat::binary));
}

std::unique_ptr<CPythonVariable> VariableFromDocument(const py::bytes& state) {
    const std::unique_ptr<CCollectionDocument> pDoc =
        ReadDocument(state.cast<std::string>(), "pickled variable");
    CMessageRelay::Warn(pDoc->m_warnings);
    if (pDoc->GetVariableCount() != 1) {
        throw CInputRefused("a pickled variable holds exactly one variable");
    }
    std::unique_ptr<CDist> pDist(pDoc->GetVariable(0)->CreateCopy());
    pDist->SetReferenceVariable(nullptr);
    return WrapVariable(std::move(pDist));
}

void BindDiscrete(py::module_& m) {
    const SFamily& family = *FindFamily(DIST_DISCRETE);
    py::class_<CPythonDiscrete, CPythonVariable>(m, family.pszPythonClass,
                                                 (std::string(family.pszSummary) + R"doc(
    Discrete({"light": 1, "heavy": 3}, name="load class")
    Discrete([("light", 1), ("heavy", 3)])

Frequencies are non-negative weights; the probabilities are the frequencies normalised.)doc")
                                                     .c_str())
        .def(py::init([](const py::object& categories, const std::string& strName) {
                 return std::make_unique<CPythonDiscrete>(BuildDiscrete(categories, strName));
             }),
             "categories"_a, py::kw_only(), "name"_a = "")
        .def_property_readonly("categories", &CPythonDiscrete::GetCategories,
                               "(name, frequency) pairs in category order.")
        .def_property_readonly("probabilities", &CPythonDiscrete::GetProbabilities,
                               "Category name -> probability.");
}

// The Python class of the family of type id nType: the discrete family's own, or one whose
// keywords give the values of an input type.
template <int nType>
void BindFamily(py::module_& m) {
    if constexpr (nType == DIST_DISCRETE) {
        BindDiscrete(m);
    } else {
        const SFamily& family = *FindFamily(nType);
        std::unique_ptr<CDist> pSample = CDocumentBuilder::CreateVariable(nType, CString());
        const std::string strDoc = std::string(family.pszSummary) +
                                   "\n\nThe keywords choose the input type; the values go through "
                                   "the library's checks and conversions:\n\n" +
                                   InputTypeUsage(family.pszPythonClass, InputTypes(*pSample)) +
                                   "\nA refused value raises InputError with the library's "
                                   "message; a warning is issued as InputWarning.";
        py::class_<TFamilyVariable<nType>, CPythonVariable>(m, family.pszPythonClass,
                                                            strDoc.c_str())
            .def(py::init([](const py::kwargs& kwargs) {
                     return std::make_unique<TFamilyVariable<nType>>(
                         BuildFamilyVariable(nType, kwargs));
                 }),
                 "Builds the variable from the values of one input type (keywords) and an "
                 "optional name.");
    }
}

// A Python class for every row of the list of families.
template <std::size_t... I>
void BindFamilies(py::module_& m, std::index_sequence<I...>) {
    (BindFamily<kFamilies[I].nType>(m), ...);
}

template <int nType>
std::unique_ptr<CPythonVariable> WrapAs(std::unique_ptr<CDist> pDist) {
    return std::make_unique<TFamilyVariable<nType>>(std::move(pDist));
}

// For each type id, the function that wraps a variable into its family's class.
template <std::size_t... I>
constexpr auto Wrappers(std::index_sequence<I...>) {
    return std::array{&WrapAs<kFamilies[I].nType>...};
}

} // namespace

CPythonVariable::CPythonVariable(std::unique_ptr<CDist> pDist) : m_pDist(std::move(pDist)) {}

CPythonVariable::~CPythonVariable() = default;

std::unique_ptr<CDist> CPythonVariable::CopyDist() const {
    std::unique_ptr<CDist> pCopy(m_pDist->CreateCopy());
    pCopy->SetReferenceVariable(nullptr);
    return pCopy;
}

std::string CPythonVariable::GetInputType() const {
    CString strLabel;
    CUIntArray ids;
    m_pDist->GetParamsList(m_pDist->m_nParamCombi, strLabel, &ids);
    return strLabel.str();
}

py::dict CPythonVariable::GetParams() const {
    // The given values first, then what the conversion derived from them.
    CString strLabel;
    CUIntArray given;
    m_pDist->GetParamsList(m_pDist->m_nParamCombi, strLabel, &given);
    std::vector<std::vector<UINT>> listed{std::vector<UINT>(given.begin(), given.end())};
    for (std::vector<UINT>& ids : InputTypes(*m_pDist)) {
        listed.push_back(std::move(ids));
    }
    py::dict params;
    for (const std::vector<UINT>& ids : listed) {
        for (const UINT nParam : ids) {
            params[py::str(PythonKeyword(nParam))] =
                m_pDist->GetParamValue(static_cast<int>(nParam));
        }
    }
    return params;
}

std::string CPythonVariable::ReprArguments() const {
    CString strLabel;
    CUIntArray ids;
    m_pDist->GetParamsList(m_pDist->m_nParamCombi, strLabel, &ids);
    std::string strArguments;
    for (const UINT nParam : ids) {
        strArguments += (strArguments.empty() ? "" : ", ") + PythonKeyword(nParam) + "=" +
                        PythonRepr(py::float_(m_pDist->GetParamValue(static_cast<int>(nParam))));
    }
    return strArguments;
}

std::string CPythonVariable::Repr() const {
    std::string strRepr =
        std::string(FindFamily(m_pDist->m_nType)->pszPythonClass) + "(" + ReprArguments();
    if (!GetName().empty()) {
        strRepr += ", name=" + PythonRepr(py::str(GetName()));
    }
    return strRepr + ")";
}

py::object CPythonVariable::Pdf(const py::object& x) const {
    return CallElementwise(x, [this](double t) { return m_pDist->GetDensity(t); });
}

py::object CPythonVariable::Cdf(const py::object& x) const {
    return CallElementwise(x, [this](double t) { return m_pDist->GetCumulative(t); });
}

py::object CPythonVariable::Ppf(const py::object& p) const {
    return CallElementwise(p, [this](double t) { return m_pDist->GetInverse(t); });
}

py::array_t<double> CPythonVariable::Sample(int n, const py::object& seed) const {
    if (n < 0) {
        throw py::value_error("n must not be negative");
    }
    CExOr generator = GeneratorFromPython(seed);
    py::array_t<double> values(n);
    double* pValues = values.mutable_data();
    for (int i = 0; i < n; ++i) {
        pValues[i] = m_pDist->GetRandom(&generator);
    }
    return values;
}

py::list CPythonDiscrete::GetCategories() const {
    py::list categories;
    for (int k = 0; k < Dist().m_Frequencies.GetSize(); ++k) {
        categories.append(py::make_tuple(Dist().m_CategoryNames[k].str(), Dist().m_Frequencies[k]));
    }
    return categories;
}

py::dict CPythonDiscrete::GetProbabilities() const {
    py::dict probabilities;
    for (int k = 0; k < Dist().m_Probabilities.GetSize(); ++k) {
        probabilities[py::str(Dist().m_CategoryNames[k].str())] = Dist().m_Probabilities[k];
    }
    return probabilities;
}

std::string CPythonDiscrete::Repr() const {
    // A dict reads best; pairs keep categories that share a name.
    const py::list categories = GetCategories();
    const py::dict byName(categories);
    const py::object shown =
        py::len(byName) == py::len(categories) ? py::object(byName) : py::object(categories);
    std::string strRepr = "Discrete(" + PythonRepr(shown);
    if (!GetName().empty()) {
        strRepr += ", name=" + PythonRepr(py::str(GetName()));
    }
    return strRepr + ")";
}

std::unique_ptr<CPythonVariable> WrapVariable(std::unique_ptr<CDist> pDist) {
    static constexpr auto kWrappers = Wrappers(std::make_index_sequence<DIST_COUNT>());
    const SFamily* pFamily = FindFamily(pDist->m_nType);
    if (pFamily == nullptr) {
        throw CInputRefused("the variable's type id " + std::to_string(pDist->m_nType) +
                            " names no family");
    }
    return kWrappers[static_cast<std::size_t>(pFamily->nType)](std::move(pDist));
}

void BindVariables(py::module_& m) {
    py::class_<CPythonVariable> variable(
        m, "Variable",
        R"doc(A stochastic variable. Built through one of the family classes (Normal, LogNormal,
...), never directly. A variable does not change once built.

pdf, cdf and ppf take a number (and return a float) or an array-like (and return a float64
array of its shape).)doc");
    variable.def_property_readonly("name", &CPythonVariable::GetName, "The variable's name.")
        .def_property_readonly("family", &CPythonVariable::GetFamily,
                               "The family's keyword, e.g. 'NORMAL'.")
        .def_property_readonly("input_type", &CPythonVariable::GetInputType,
                               "The label of the input type the values were given in, e.g. "
                               "'/MEAN/COV'.")
        .def_property_readonly("params", &CPythonVariable::GetParams,
                               "Every parameter of the family by keyword: the given values, then "
                               "those the conversion derived from them.")
        .def_property_readonly(
            "mean", [](const CPythonVariable& self) { return self.Dist().GetMoments().dMean; },
            "The mean (of the category positions, for a discrete variable).")
        .def_property_readonly(
            "stddev", [](const CPythonVariable& self) { return self.Dist().GetMoments().dStdDev; },
            "The standard deviation.")
        .def("pdf", &CPythonVariable::Pdf, "x"_a, "Probability density at x.")
        .def("cdf", &CPythonVariable::Cdf, "x"_a, "Cumulative distribution function at x.")
        .def("ppf", &CPythonVariable::Ppf, "p"_a, "Inverse of the cumulative function at p.")
        .def("sample", &CPythonVariable::Sample, "n"_a, py::kw_only(), "seed"_a = py::none(),
             R"doc(n values drawn by inversion of uniform numbers, as a float64 array.

seed: None (the generator's default seeds), one whole number from 0 to 2**64 - 1 (mixed by
SplitMix64 into three seeds, as the command-line host does with --seed N), or the three 32-bit
seeds.)doc")
        .def("__repr__", &CPythonVariable::Repr)
        .def("__reduce__", [](const CPythonVariable& self) {
            return ReduceToState("_variable_from_state", VariableDocument(self));
        });
    BindVariableTails(variable);
    m.def("_variable_from_state", &VariableFromDocument);

    BindFamilies(m, std::make_index_sequence<DIST_COUNT>());
}

} // namespace stochvar::python
