#include "PythonVariable.h"

#include "Arguments.h"
#include "DiagnosticRelay.h"
#include "ElementwiseCall.h"
#include "InterruptCheck.h"
#include "MessageRelay.h"
#include "PickleState.h"
#include "SeedArgument.h"
#include "TextSignature.h"

#include <stochvar/documents/DocumentBuilder.h>
#include <stochvar/documents/DocumentFile.h>
#include <stochvar/documents/InputEntry.h>
#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/families/Discrete.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
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

// "*, mean=None, stddev=None, cov=None, name=''": every keyword of every input type, in the
// order they first appear, for the text signature of a family's constructor.
std::string KeywordSignature(const std::vector<std::vector<UINT>>& inputTypes) {
    std::vector<std::string> keywords;
    for (const std::vector<UINT>& ids : inputTypes) {
        for (const UINT nParam : ids) {
            const std::string strKeyword = PythonKeyword(nParam);
            if (std::find(keywords.begin(), keywords.end(), strKeyword) == keywords.end()) {
                keywords.push_back(strKeyword);
            }
        }
    }
    std::string strSignature = "*";
    for (const std::string& strKeyword : keywords) {
        strSignature += ", " + strKeyword + "=None";
    }
    return strSignature + ", name=''";
}

std::string NameArgument(const py::kwargs& kwargs) {
    if (!kwargs.contains("name") || kwargs["name"].is_none()) {
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
    std::vector<std::string> given; // a keyword given as None is not given
    for (const auto& item : kwargs) {
        const std::string strKeyword = item.first.cast<std::string>();
        if (strKeyword != "name" && !item.second.is_none()) {
            given.push_back(strKeyword);
        }
    }
    const int nParamCombi = ChooseInputType(family, inputTypes, given);
    std::vector<double> values;
    for (const UINT nParam : inputTypes[static_cast<std::size_t>(nParamCombi)]) {
        const std::string strKeyword = PythonKeyword(nParam);
        values.push_back(NumberArgument(kwargs[py::str(strKeyword)], strKeyword));
    }
    CDiagnosticRelay diagnostics;
    const std::vector<std::string> warnings = EnterInputValues(*pDist, nParamCombi, values);
    pDist->SetAutoAxis();
    CMessageRelay::Warn(warnings);
    CMessageRelay::Relay();
    CReadinessReport::RequireVariable(*pDist);
    diagnostics.Issue();
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
    CReadinessReport::RequireVariable(*pDist);
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
    CDiagnosticRelay diagnostics;
    const std::unique_ptr<CCollectionDocument> pDoc =
        ReadDocument(state.cast<std::string>(), "pickled variable");
    diagnostics.Issue();
    CMessageRelay::Warn(pDoc->m_warnings);
    if (pDoc->GetVariableCount() != 1) {
        throw CInputRefused("a pickled variable holds exactly one variable");
    }
    std::unique_ptr<CDist> pDist(pDoc->GetVariable(0)->CreateCopy());
    pDist->SetReferenceVariable(nullptr);
    CReadinessReport::RequireVariable(*pDist); // as the variable's constructor did
    return WrapVariable(std::move(pDist));
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One of the variable's functions (CVariableFunctions), bound as a method that takes a number
// or an array-like named pszArgument (CallElementwise).
template <double (CVariableFunctions::*Function)(double) const, typename Class>
void DefElementwise(Class& cls, const char* pszName, const char* pszArgument,
                    const std::string& strDoc) {
    cls.def(
        pszName,
        [pszArgument](const CPythonVariable& self, const py::object& x) {
            const CVariableFunctions& functions = self.Functions();
            return CallElementwise(
                x, [&functions](double t) { return (functions.*Function)(t); }, pszArgument);
        },
        py::arg(pszArgument),
        TextSignature(std::string(pszName) + "(self, " + pszArgument + ")", strDoc).c_str());
}

// The functions of scipy.stats that every variable has.
void BindVariableFunctions(py::class_<CPythonVariable>& variable) {
    using F = CVariableFunctions;
    DefElementwise<&F::Density>(variable, "pdf", "x",
                                "Probability density at x; 0 outside the support. Fixed and "
                                "Discrete: the probability mass (pmf).");
    DefElementwise<&F::Cumulative>(variable, "cdf", "x",
                                   "P(X <= x), the cumulative distribution function.");
    DefElementwise<&F::Survival>(variable, "sf", "x",
                                 "P(X > x), the survival function, without the cancellation of "
                                 "1 - cdf(x) in accurate numerics.");
    DefElementwise<&F::Inverse>(variable, "ppf", "q",
                                "Inverse of the cumulative function: the smallest x with cdf(x) "
                                ">= q. ppf(0) and ppf(1) are the ends of the support; NaN outside "
                                "[0, 1].");
    DefElementwise<&F::InverseSurvival>(variable, "isf", "q",
                                        "Inverse of the survival function: the x with sf(x) = q "
                                        "(for Fixed and Discrete the smallest with sf(x) <= q). "
                                        "isf(0) and isf(1) are the upper and the lower end of the "
                                        "support; NaN outside [0, 1].");
    DefElementwise<&F::LogDensity>(variable, "logpdf", "x",
                                   "Logarithm of pdf(x); -inf outside the support.");
    DefElementwise<&F::LogCumulative>(variable, "logcdf", "x",
                                      "Logarithm of cdf(x), also where cdf(x) underflows, in "
                                      "accurate numerics.");
    DefElementwise<&F::LogSurvival>(variable, "logsf", "x",
                                    "Logarithm of sf(x), also where sf(x) underflows, in "
                                    "accurate numerics.");
}

// The mass function of a point mass (pdf is the same) and its logarithm.
template <typename Class>
void BindMassFunctions(Class& cls, const std::string& strDoc) {
    DefElementwise<&CVariableFunctions::Mass>(cls, "pmf", "k", strDoc);
    DefElementwise<&CVariableFunctions::LogDensity>(cls, "logpmf", "k",
                                                    "Logarithm of pmf(k); -inf off the support.");
}

// What every variable has: its description, its functions, its moments, sampling, comparison
// and pickling.
void BindVariableBase(py::class_<CPythonVariable>& variable) {
    BindVariableFunctions(variable);
    variable.def_property_readonly("name", &CPythonVariable::GetName, "The variable's name.")
        .def_property_readonly("family", &CPythonVariable::GetFamily,
                               "The family's keyword, e.g. 'NORMAL'.")
        .def_property_readonly("input_type", &CPythonVariable::GetInputType,
                               "The label of the input type the values were given in, e.g. "
                               "'/MEAN/COV'.")
        .def_property_readonly("params", &CPythonVariable::GetParams,
                               "Every parameter of the family by keyword: the given values, then "
                               "those the conversion derived from them.")
        .def(
            "mean", [](const CPythonVariable& self) { return self.Dist().GetMoments().dMean; },
            TextSignature("mean(self)",
                          "The mean (of the category positions, for a discrete variable).")
                .c_str())
        .def(
            "std", [](const CPythonVariable& self) { return self.Dist().GetMoments().dStdDev; },
            TextSignature("std(self)", "The standard deviation.").c_str())
        .def(
            "var",
            [](const CPythonVariable& self) {
                const double dStdDev = self.Dist().GetMoments().dStdDev;
                return dStdDev * dStdDev;
            },
            TextSignature("var(self)", "The variance.").c_str())
        .def(
            "median",
            [](const CPythonVariable& self) {
                CDiagnosticRelay diagnostics;
                const double dMedian = self.Functions().Inverse(0.5);
                diagnostics.Issue();
                return dMedian;
            },
            TextSignature("median(self)", "ppf(0.5).").c_str())
        .def(
            "support",
            [](const CPythonVariable& self) {
                const auto [dLower, dUpper] = self.Functions().GetSupport();
                return py::make_tuple(dLower, dUpper);
            },
            TextSignature("support(self)",
                          "(lower, upper): the ends of the smallest interval that holds every "
                          "value, infinite for an unbounded family.")
                .c_str())
        .def("interval", &CPythonVariable::Interval, "confidence"_a,
             TextSignature("interval(self, confidence)",
                           "(ppf((1 - confidence) / 2), ppf((1 + confidence) / 2)): the interval "
                           "around the median that holds that share of the probability; NaN "
                           "outside [0, 1].")
                 .c_str())
        .def("sample", &CPythonVariable::Sample, "n"_a, py::kw_only(), "seed"_a = py::none(),
             TextSignature("sample(self, n, *, seed=None)",
                           R"doc(n values drawn by inversion of uniform numbers, as a float64 array.

seed: None (the generator's default seeds), one whole number from 0 to 2**64 - 1 (mixed by
SplitMix64 into three seeds, as the command-line host does with --seed N), or the three 32-bit
seeds.)doc")
                 .c_str())
        .def("__repr__", &CPythonVariable::Repr, TextSignature("__repr__(self, /)", "").c_str())
        .def(
            "__eq__",
            [](const CPythonVariable& self, const py::object& other) -> py::object {
                if (!py::isinstance<CPythonVariable>(other)) {
                    return py::reinterpret_borrow<py::object>(Py_NotImplemented);
                }
                return py::bool_(self.Equals(other.cast<const CPythonVariable&>()));
            },
            TextSignature("__eq__(self, value, /)",
                          "Same family, input type, parameters, categories and name.")
                .c_str())
        .def("__hash__", &CPythonVariable::Hash, TextSignature("__hash__(self, /)", "").c_str())
        .def(
            "__reduce__",
            [](const CPythonVariable& self) {
                return ReduceToState("_variable_from_state", VariableDocument(self));
            },
            TextSignature("__reduce__(self, /)", "").c_str());
}

void BindDiscrete(py::module_& m) {
    const SFamily& family = *FindFamily(DIST_DISCRETE);
    const std::string strDoc =
        TextSignature("Discrete(categories, *, name='')", std::string(family.pszSummary) + R"doc(

    Discrete({"light": 1, "heavy": 3}, name="load class")
    Discrete([("light", 1), ("heavy", 3)])

Frequencies are non-negative weights; the probabilities are the frequencies normalised. The
values are the positions: pmf(k) is the probability of category k, cdf the step function.)doc");
    py::class_<CPythonDiscrete, CPythonVariable> discrete(m, family.pszPythonClass, strDoc.c_str());
    discrete
        .def(py::init([](const py::object& categories, const py::object& name) {
                 return std::make_unique<CPythonDiscrete>(BuildDiscrete(
                     categories, name.is_none() ? std::string() : name.cast<std::string>()));
             }),
             "categories"_a, py::kw_only(), "name"_a = "",
             TextSignature("__init__(self, categories, *, name='')",
                           "Builds the variable from its categories and an optional name.")
                 .c_str())
        .def_property_readonly("categories", &CPythonDiscrete::GetCategories,
                               "(name, frequency) pairs in category order.")
        .def_property_readonly("probabilities", &CPythonDiscrete::GetProbabilities,
                               "Category name -> probability.");
    BindMassFunctions(discrete, "Probability of the category at position k; 0 for any other "
                                "value.");
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
        const std::vector<std::vector<UINT>> inputTypes = InputTypes(*pSample);
        const std::string strKeywords = KeywordSignature(inputTypes);
        const std::string strDoc =
            TextSignature(std::string(family.pszPythonClass) + "(" + strKeywords + ")",
                          std::string(family.pszSummary) +
                              "\n\nThe keywords choose the input type (a keyword given as None "
                              "counts as not given); the values go through the library's checks "
                              "and conversions:\n\n" +
                              InputTypeUsage(family.pszPythonClass, inputTypes) +
                              "\nA refused value raises InputError with the library's message; a "
                              "warning is issued as InputWarning.");
        py::class_<TFamilyVariable<nType>, CPythonVariable> familyClass(m, family.pszPythonClass,
                                                                        strDoc.c_str());
        familyClass.def(py::init([](const py::kwargs& kwargs) {
                            return std::make_unique<TFamilyVariable<nType>>(
                                BuildFamilyVariable(nType, kwargs));
                        }),
                        TextSignature("__init__(self, " + strKeywords + ")",
                                      "Builds the variable from the values of one input type "
                                      "(keywords) and an optional name.")
                            .c_str());
        if constexpr (nType == DIST_FIXED) {
            BindMassFunctions(familyClass, "1 at the value, 0 elsewhere.");
        }
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

// Slot values compare as numbers, with NaN equal to NaN, and hash alike (0.0 and -0.0 too).
bool SameValue(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

std::size_t ValueHash(double d) {
    if (std::isnan(d)) {
        return 0x7ff8u;
    }
    return std::hash<double>()(d == 0.0 ? 0.0 : d);
}

void CombineHash(std::size_t& nSeed, std::size_t nHash) {
    nSeed ^= nHash + 0x9e3779b97f4a7c15u + (nSeed << 6) + (nSeed >> 2);
}

} // namespace

CPythonVariable::CPythonVariable(std::unique_ptr<CDist> pDist)
    : m_pDist(std::move(pDist)), m_functions(*m_pDist) {}

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

std::vector<UINT> CPythonVariable::UsedSlots() const {
    // The given values first, then what the conversion derived from them.
    CString strLabel;
    CUIntArray given;
    m_pDist->GetParamsList(m_pDist->m_nParamCombi, strLabel, &given);
    std::vector<UINT> slots(given.begin(), given.end());
    for (const std::vector<UINT>& ids : InputTypes(*m_pDist)) {
        for (const UINT nParam : ids) {
            if (std::find(slots.begin(), slots.end(), nParam) == slots.end()) {
                slots.push_back(nParam);
            }
        }
    }
    return slots;
}

py::dict CPythonVariable::GetParams() const {
    py::dict params;
    for (const UINT nParam : UsedSlots()) {
        params[py::str(PythonKeyword(nParam))] = m_pDist->GetParamValue(static_cast<int>(nParam));
    }
    return params;
}

bool CPythonVariable::Equals(const CPythonVariable& other) const {
    const CDist& a = *m_pDist;
    const CDist& b = *other.m_pDist;
    if (a.m_nType != b.m_nType || a.m_nParamCombi != b.m_nParamCombi ||
        GetName() != other.GetName()) {
        return false;
    }
    for (const UINT nParam : UsedSlots()) {
        const int n = static_cast<int>(nParam);
        if (!SameValue(a.GetParamValue(n), b.GetParamValue(n))) {
            return false;
        }
    }
    const int nCategories = a.m_Frequencies.GetSize();
    if (nCategories != b.m_Frequencies.GetSize() ||
        a.m_CategoryNames.GetSize() != b.m_CategoryNames.GetSize()) {
        return false;
    }
    for (int k = 0; k < nCategories; ++k) {
        if (a.m_CategoryNames[k] != b.m_CategoryNames[k] ||
            !SameValue(a.m_Frequencies[k], b.m_Frequencies[k])) {
            return false;
        }
    }
    return true;
}

std::size_t CPythonVariable::Hash() const {
    std::size_t nHash = std::hash<int>()(m_pDist->m_nType);
    CombineHash(nHash, std::hash<int>()(m_pDist->m_nParamCombi));
    CombineHash(nHash, std::hash<std::string>()(GetName()));
    for (const UINT nParam : UsedSlots()) {
        CombineHash(nHash, ValueHash(m_pDist->GetParamValue(static_cast<int>(nParam))));
    }
    for (int k = 0; k < m_pDist->m_Frequencies.GetSize(); ++k) {
        CombineHash(nHash, ValueHash(m_pDist->m_Frequencies[k]));
    }
    return nHash;
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

py::tuple CPythonVariable::Interval(const py::object& confidence) const {
    // scipy's quantiles; a confidence outside [0, 1] gives NaN at both ends.
    const auto end = [this, &confidence](double dSide) {
        return CallElementwise(
            confidence,
            [this, dSide](double c) {
                return c >= 0.0 && c <= 1.0 ? m_functions.Inverse((1.0 + dSide * c) / 2.0) : kNaN;
            },
            "confidence");
    };
    return py::make_tuple(end(-1.0), end(1.0));
}

py::array_t<double> CPythonVariable::Sample(const py::object& n, const py::object& seed) const {
    const auto nCount = static_cast<py::ssize_t>(WholeNumberArgument(n, "n", 0, INT_MAX));
    CExOr generator = GeneratorFromPython(seed);
    py::array_t<double> values(nCount);
    double* pValues = values.mutable_data();
    CDiagnosticRelay diagnostics;
    CInterruptCheck::ForEach(
        nCount, [&](py::ssize_t i) { pValues[i] = m_pDist->GetRandom(&generator); },
        [&diagnostics] { diagnostics.Issue(); });
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
    const std::string strDoc =
        TextSignature("Variable(*args, **kwargs)",
                      R"doc(A stochastic variable. Built through one of the family classes (Normal,
LogNormal, ...), never directly (TypeError). A variable does not change once built; variables
compare equal when family, input type, parameters, categories and name are the same.

The functions follow scipy.stats: pdf, cdf, sf, ppf, isf, logpdf, logcdf and logsf take a number
(and return a float) or an array-like of real numbers (and return a float64 array of its shape);
a NaN argument gives NaN, so does a probability outside [0, 1]; outside the support the density
is 0, the cumulative function 0 or 1 and the survival function 1 or 0. Under accurate numerics
the tails keep their relative accuracy.)doc");
    py::class_<CPythonVariable> variable(m, "Variable", strDoc.c_str());
    BindVariableBase(variable);
    m.def("_variable_from_state", &VariableFromDocument, "state"_a,
          TextSignature("_variable_from_state(state)",
                        "Rebuilds a pickled variable from its one-variable binary document.")
              .c_str());

    BindFamilies(m, std::make_index_sequence<DIST_COUNT>());
}

} // namespace stochvar::python
