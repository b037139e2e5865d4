#include "PythonCollection.h"

#include "Arguments.h"
#include "DiagnosticRelay.h"
#include "InterruptCheck.h"
#include "MessageRelay.h"
#include "PickleState.h"
#include "PythonVariable.h"
#include "SeedArgument.h"
#include "TextSignature.h"

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/DocumentFile.h>
#include <stochvar/documents/InputEntry.h>
#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/documents/SampleRun.h>

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <exception>
#include <set>
#include <thread>
#include <vector>

namespace py = pybind11;
using namespace pybind11::literals;

namespace stochvar::python {

namespace {

// How messages name a collection built in Python.
constexpr const char* kBuiltSource = "collection";

bool IsPosition(const py::handle& key) {
    return PyIndex_Check(key.ptr()) != 0 && !py::isinstance<py::bool_>(key);
}

// Names the unnamed variables: in collection order each takes the first of x1, x2, ... that no
// other variable has.
void NameUnnamed(std::vector<std::unique_ptr<CDist>>& variables) {
    std::set<std::string> taken;
    for (const std::unique_ptr<CDist>& pDist : variables) {
        taken.insert(pDist->GetVarName().str());
    }
    int nNext = 1;
    for (const std::unique_ptr<CDist>& pDist : variables) {
        if (!pDist->GetVarName().IsEmpty()) {
            continue;
        }
        while (taken.count("x" + std::to_string(nNext)) != 0) {
            ++nNext;
        }
        const std::string strName = "x" + std::to_string(nNext);
        pDist->SetVarName(CString(strName));
        taken.insert(strName);
    }
}

// A file that cannot be read raises the OSError that Python's open() would (FileNotFoundError,
// PermissionError, IsADirectoryError), before the document reader looks at it.
void RequireReadableFile(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        errno = EISDIR;
    } else if (std::FILE* pFile = std::fopen(path.c_str(), "rb")) {
        std::fclose(pFile);
        return;
    }
    PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
    throw py::error_already_set();
}

// A whole-number argument of sample; its range is the run's to check (CSampleRun), with the
// messages that the command-line host gives.
int CountArgument(const py::object& value, const char* pszName) {
    return static_cast<int>(WholeNumberArgument(value, pszName, INT_MIN, INT_MAX));
}

std::optional<int> OptionalCountArgument(const py::object& value, const char* pszName) {
    return value.is_none() ? std::nullopt : std::optional(CountArgument(value, pszName));
}

} // namespace

std::optional<ENumerics> NumericsArgument(const std::optional<std::string>& name) {
    if (!name) {
        return std::nullopt;
    }
    const std::optional<ENumerics> numerics = NumericsFromName(*name);
    if (!numerics) {
        throw py::value_error("numerics is 'faithful', 'accurate' or None (the process default), "
                              "not '" +
                              *name + "'");
    }
    return numerics;
}

CPythonCollection::CPythonCollection(const py::iterable& variables,
                                     const std::string& strDescription,
                                     const std::optional<std::string>& numerics,
                                     const std::optional<std::string>& limitState)
    : m_pDoc(std::make_unique<CCollectionDocument>()), m_strSource(kBuiltSource) {
    if (const std::optional<ENumerics> choice = NumericsArgument(numerics)) {
        m_pDoc->GetCollection().SetNumerics(*choice);
    }
    std::vector<std::unique_ptr<CDist>> copies;
    for (const py::handle item : variables) {
        if (!py::isinstance<CPythonVariable>(item)) {
            throw py::type_error("a collection holds stochvar variables, not " +
                                 std::string(py::str(py::type::handle_of(item).attr("__name__"))));
        }
        copies.push_back(item.cast<const CPythonVariable&>().CopyDist());
    }
    NameUnnamed(copies);
    for (std::unique_ptr<CDist>& pDist : copies) {
        m_pDoc->AddVariable(std::move(pDist));
    }
    m_pDoc->m_strDescription = strDescription;
    if (limitState && limitState->empty()) {
        throw py::value_error("limit_state is an expression over the variables' names, such as "
                              "'R - S', or None; not empty");
    }
    m_pDoc->m_strLimitState = limitState.value_or("");
    CReadinessReport(*m_pDoc).Require(EDocumentUse::open, m_strSource);
}

CPythonCollection::CPythonCollection(std::unique_ptr<CCollectionDocument> pDoc,
                                     std::string strSource)
    : m_pDoc(std::move(pDoc)), m_strSource(std::move(strSource)) {
    CMessageRelay::Warn(m_pDoc->m_warnings);
}

std::unique_ptr<CPythonCollection>
CPythonCollection::Load(const std::filesystem::path& path,
                        const std::optional<std::string>& numerics) {
    const std::optional<ENumerics> choice = NumericsArgument(numerics);
    RequireReadableFile(path);
    CDiagnosticRelay diagnostics; // reading converts every variable's values
    auto pCollection =
        std::make_unique<CPythonCollection>(LoadDocument(path.string(), choice), path.string());
    diagnostics.Issue();
    return pCollection;
}

void CPythonCollection::Save(const std::filesystem::path& path,
                             const std::optional<std::string>& format) const {
    EDocumentFormat documentFormat = FormatFromFileName(path.string());
    if (format == "json") {
        documentFormat = EDocumentFormat::json;
    } else if (format == "binary") {
        documentFormat = EDocumentFormat::binary;
    } else if (format) {
        throw py::value_error("format is 'json', 'binary' or None (by the file name), not '" +
                              *format + "'");
    }
    CReadinessReport(*m_pDoc).Require(EDocumentUse::save, m_strSource);
    SaveDocument(*m_pDoc, path.string(), documentFormat);
}

std::optional<ENumerics> CPythonCollection::GetOwnNumerics() const {
    const CDistCollection& collection = m_pDoc->GetCollection();
    return collection.FollowsDefaultNumerics() ? std::nullopt
                                               : std::optional(collection.GetNumerics());
}

py::tuple CPythonCollection::ToDocument() const {
    CReadinessReport(*m_pDoc).Require(EDocumentUse::save, m_strSource);
    return py::make_tuple(py::bytes(WriteDocument(*m_pDoc, EDocumentFormat::binary)),
                          GetNumerics());
}

std::unique_ptr<CPythonCollection> CPythonCollection::FromDocument(const py::tuple& state) {
    if (state.size() != 2) {
        throw py::value_error("not the pickled state of a stochvar.Collection");
    }
    const auto numerics = state[1].cast<std::optional<std::string>>();
    CDiagnosticRelay diagnostics;
    auto pCollection = std::make_unique<CPythonCollection>(
        ReadDocument(state[0].cast<std::string>(), kBuiltSource, NumericsArgument(numerics)),
        kBuiltSource);
    diagnostics.Issue();
    return pCollection;
}

std::optional<std::string> CPythonCollection::GetLimitState() const {
    if (m_pDoc->m_strLimitState.empty()) {
        return std::nullopt;
    }
    return m_pDoc->m_strLimitState;
}

py::list CPythonCollection::GetNames() const {
    py::list names;
    for (int i = 0; i < Count(); ++i) {
        names.append(m_pDoc->GetVariable(i)->GetVarName().str());
    }
    return names;
}

py::list CPythonCollection::GetVariables() const {
    py::list variables;
    for (int i = 0; i < Count(); ++i) {
        variables.append(GetVariable(py::int_(i)));
    }
    return variables;
}

py::object CPythonCollection::GetVariable(const py::object& key) const {
    std::unique_ptr<CDist> pDist(m_pDoc->GetVariable(IndexOf(key))->CreateCopy());
    pDist->SetReferenceVariable(nullptr);
    return py::cast(WrapVariable(std::move(pDist)));
}

bool CPythonCollection::Contains(const py::object& key) const {
    if (py::isinstance<py::str>(key)) {
        return m_pDoc->FindVariable(key.cast<std::string>()) >= 0;
    }
    if (!py::isinstance<CPythonVariable>(key)) {
        return false;
    }
    const CPythonVariable& variable = key.cast<const CPythonVariable&>();
    const int nIndex = m_pDoc->FindVariable(variable.GetName());
    return nIndex >= 0 &&
           GetVariable(py::int_(nIndex)).cast<const CPythonVariable&>().Equals(variable);
}

void CPythonCollection::Remove(const py::object& key) { m_pDoc->RemoveVariable(IndexOf(key)); }

int CPythonCollection::IndexOf(const py::object& key) const {
    if (IsPosition(key)) {
        const py::ssize_t nIndex = py::reinterpret_steal<py::int_>(PyNumber_Index(key.ptr()));
        const py::ssize_t nPosition = nIndex < 0 ? nIndex + Count() : nIndex;
        if (nPosition < 0 || nPosition >= Count()) {
            throw py::index_error("the collection holds " + std::to_string(Count()) +
                                  " variables, no variable " + std::to_string(nIndex));
        }
        return static_cast<int>(nPosition);
    }
    std::string strName;
    if (py::isinstance<py::str>(key)) {
        strName = key.cast<std::string>();
    } else if (py::isinstance<CPythonVariable>(key)) {
        strName = key.cast<const CPythonVariable&>().GetName();
    } else {
        throw py::type_error("a variable of a collection is named by its name, its position or "
                             "a variable of that name");
    }
    const int nIndex = m_pDoc->FindVariable(strName);
    if (nIndex < 0) {
        throw py::key_error("the collection holds no variable named '" + strName + "'");
    }
    return nIndex;
}

py::list CPythonCollection::GetCorrelations() const {
    py::list correlations;
    for (int k = 0; k < m_pDoc->GetCorrelationCount(); ++k) {
        int nFirst = -1;
        int nSecond = -1;
        m_pDoc->GetCorrelationPair(k, nFirst, nSecond);
        const SCorr& corr = m_pDoc->GetCorrelation(k);
        const auto name = [this](int nIndex) {
            return nIndex < 0 ? std::string() : m_pDoc->GetVariable(nIndex)->GetVarName().str();
        };
        correlations.append(py::make_tuple(name(nFirst), name(nSecond), corr.dCorrX, corr.dCorrU,
                                           corr.bXSpace ? "X" : "U"));
    }
    return correlations;
}

void CPythonCollection::Correlate(const py::object& first, const py::object& second, double dRho,
                                  const std::string& strSpace) {
    if (strSpace != "X" && strSpace != "U") {
        throw py::value_error("space is 'X' (between the variables) or 'U' (between their "
                              "standard normal images), not '" +
                              strSpace + "'");
    }
    const int nFirst = IndexOf(first);
    const int nSecond = IndexOf(second);
    if (nFirst == nSecond) {
        throw CInputRefused("a variable cannot be correlated with itself");
    }
    if (FindCorrelation(nFirst, nSecond) >= 0) {
        throw CInputRefused("the pair is already correlated");
    }
    if (!(dRho >= -1.0 && dRho <= 1.0)) {
        throw CInputRefused("the correlation " + py::repr(py::float_(dRho)).cast<std::string>() +
                            " does not lie between -1 and 1");
    }
    // A value outside the pair's admissible range is moved to the nearer bound with a warning;
    // when the caller's warnings filter turns that warning into an error, the pair stays
    // uncorrelated.
    CDiagnosticRelay diagnostics;
    m_pDoc->GetCollection().SetCorr(m_pDoc->GetVariable(nFirst), m_pDoc->GetVariable(nSecond), dRho,
                                    strSpace == "X" ? TRUE : FALSE);
    try {
        CMessageRelay::Relay();
        diagnostics.Issue();
    } catch (...) {
        m_pDoc->RemoveCorrelation(FindCorrelation(nFirst, nSecond));
        throw;
    }
}

void CPythonCollection::Uncorrelate(const py::object& first, const py::object& second) {
    const int nIndex = FindCorrelation(IndexOf(first), IndexOf(second));
    if (nIndex < 0) {
        throw CInputRefused("the pair is not correlated");
    }
    m_pDoc->RemoveCorrelation(nIndex);
}

int CPythonCollection::FindCorrelation(int nFirst, int nSecond) const {
    for (int k = 0; k < m_pDoc->GetCorrelationCount(); ++k) {
        int nA = -1;
        int nB = -1;
        if (m_pDoc->GetCorrelationPair(k, nA, nB) &&
            std::minmax(nA, nB) == std::minmax(nFirst, nSecond)) {
            return k;
        }
    }
    return -1;
}

std::string CPythonCollection::Repr() const {
    std::string strNames;
    for (const py::handle name : GetNames()) {
        strNames += (strNames.empty() ? "" : ", ") + name.cast<std::string>();
    }
    const auto counted = [](int nCount, const std::string& strNoun) {
        return std::to_string(nCount) + " " + strNoun + (nCount == 1 ? "" : "s");
    };
    return "<stochvar.Collection of " + counted(Count(), "variable") + " (" + strNames + "), " +
           counted(m_pDoc->GetCorrelationCount(), "correlation") + ">";
}

int CPythonCollection::MaxThreads() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

py::array_t<double> CPythonCollection::Sample(const py::object& n, bool bLatinHypercube,
                                              const py::object& seed, const py::object& first,
                                              const py::object& count,
                                              const py::object& threads) const {
    SSampleRunRequest request;
    request.nSamples = CountArgument(n, "n");
    request.bLatinHypercube = bLatinHypercube;
    request.seeds = SeedFromPython(seed);
    request.nFirst = CountArgument(first, "first");
    request.count = OptionalCountArgument(count, "count");
    request.threads = OptionalCountArgument(threads, "threads");
    if (request.threads) {
        request.threads = std::min(*request.threads, MaxThreads());
    }
    CSampleRun run(*m_pDoc, request, m_strSource);
    py::array_t<double> values({static_cast<py::ssize_t>(run.GetCount()),
                                static_cast<py::ssize_t>(run.GetVariableCount())});
    double* pValues = values.mutable_data();

    // The run reads only its own copy of the collection from here on: the interpreter lock is
    // released, and taken back between chunks of the skip and between batches to look at Ctrl+C
    // and to hand on the diagnostic lines.
    const bool bPaced = CInterruptCheck::IsEnabled();
    CDiagnosticRelay diagnostics;
    std::exception_ptr pRefusal;
    bool bPrepared = false;
    {
        py::gil_scoped_release unlocked;
        try {
            bPrepared = bPaced ? run.Prepare(&CInterruptCheck::PollUnlocked) : run.Prepare();
        } catch (const CDocumentError&) {
            pRefusal = std::current_exception();
        }
    }
    CMessageRelay::Relay(); // a message the library showed while preparing says more
    if (pRefusal) {
        std::rethrow_exception(pRefusal);
    }
    if (!bPrepared) {
        throw py::error_already_set();
    }
    diagnostics.Issue();
    std::exception_ptr pStop;
    {
        py::gil_scoped_release unlocked;
        const auto onBatch = [&diagnostics, &pStop](const SSampleBatch&) {
            const py::gil_scoped_acquire locked;
            try {
                diagnostics.Issue();
                CInterruptCheck::Poll();
            } catch (...) {
                pStop = std::current_exception();
            }
            return !pStop;
        };
        run.Draw(onBatch, pValues,
                 bPaced ? std::optional(std::chrono::nanoseconds(CInterruptCheck::kRunPace))
                        : std::nullopt);
    }
    if (pStop) {
        std::rethrow_exception(pStop);
    }
    diagnostics.Issue();
    return values;
}

void BindCollection(py::module_& m) {
    const std::string strDoc = TextSignature(
        "Collection(variables=(), *, description='', numerics=None)",
        R"doc(Variables analysed together, the correlations between them, and correlated sampling.

    beam = stochvar.Collection([stochvar.Normal(mean=10, stddev=0.7, name="G"),
                                stochvar.Gumbel(mean=8, cov=0.3, name="Q")])
    beam.correlate("G", "Q", 0.2)             # X-space, mapped to U-space (Nataf)
    x = beam.sample(100_000, lhs=True, seed=7)  # 100000 x 2 float64 array

The variables are copied in; their names must differ. An unnamed variable is named x1, x2, ...:
in collection order each takes the first such name that no other variable of the collection has.
A collection is a sequence of its variables (len, iteration, [name or position]); `in` takes a
name or a variable (equal to the one of that name). stochvar.load(path) reads a JSON or binary
document, save(path) writes one. Collections pickle (as binary documents with the numerics they
run with), so they travel to worker processes.

limit_state: the limit state g of stochvar.reliability, as an expression over the variables'
names ("R - S"), kept with the collection and its documents (as "limitState"); None for none.
numerics: 'faithful' (the established numbers, bit for bit those of every other host),
'accurate' (Phi, Phi^-1 and the Nataf mapping to double precision), or None to follow the process
default (stochvar.set_default_numerics). It governs correlate and sample, so choose it here.)doc");
    py::class_<CPythonCollection>(m, "Collection", strDoc.c_str())
        .def(py::init<const py::iterable&, const std::string&, const std::optional<std::string>&,
                      const std::optional<std::string>&>(),
             "variables"_a = py::tuple(), py::kw_only(), "description"_a = "",
             "numerics"_a = py::none(), "limit_state"_a = py::none(),
             TextSignature("__init__(self, variables=(), *, description='', numerics=None, "
                           "limit_state=None)",
                           "Copies the variables in; see the class.")
                 .c_str())
        .def_property_readonly("names", &CPythonCollection::GetNames,
                               "The variables' names, in collection order.")
        .def_property_readonly("variables", &CPythonCollection::GetVariables,
                               "Copies of the variables, in collection order.")
        .def_property_readonly("description", &CPythonCollection::GetDescription,
                               "Free text kept with the document.")
        .def_property_readonly("limit_state", &CPythonCollection::GetLimitState,
                               "The limit state g of the reliability analyses, an expression "
                               "over the variables' names (a document's \"limitState\"), or "
                               "None. stochvar.reliability uses it when given no g.")
        .def_property_readonly("numerics", &CPythonCollection::GetNumerics,
                               "The numerics the collection runs with: 'faithful' or 'accurate'.")
        .def_property_readonly("correlations", &CPythonCollection::GetCorrelations,
                               "(a, b, rho_x, rho_u, space) for each correlation in the order "
                               "given: the names of the pair, the value between the variables "
                               "(X-space) and between their standard normal images (U-space), "
                               "and the space it was given in ('X' or 'U'); the other value is "
                               "derived by the Nataf mapping.")
        .def("__len__", &CPythonCollection::Count, TextSignature("__len__(self, /)", "").c_str())
        .def("__getitem__", &CPythonCollection::GetVariable, "key"_a,
             TextSignature("__getitem__(self, key, /)",
                           "A copy of the variable with this name or at this position.")
                 .c_str())
        .def(
            "__iter__", [](const CPythonCollection& self) { return py::iter(self.GetVariables()); },
            TextSignature("__iter__(self, /)", "Copies of the variables, in order.").c_str())
        .def("__contains__", &CPythonCollection::Contains, "key"_a,
             TextSignature("__contains__(self, key, /)",
                           "True for the name of a variable of the collection, or for a variable "
                           "equal to the collection's variable of its name.")
                 .c_str())
        .def("__repr__", &CPythonCollection::Repr, TextSignature("__repr__(self, /)", "").c_str())
        .def("remove", &CPythonCollection::Remove, "key"_a,
             TextSignature("remove(self, key)",
                           "Removes the variable (a name, a position or a variable of the "
                           "collection) with its correlations; the later variables move up.")
                 .c_str())
        .def("correlate", &CPythonCollection::Correlate, "a"_a, "b"_a, "rho"_a, "space"_a = "X",
             TextSignature("correlate(self, a, b, rho, space='X')",
                           R"doc(Correlates two variables (names, positions or variables of the
collection). space 'X': rho is the correlation between the variables; a value outside the pair's
admissible range is moved to the nearer bound with an InputWarning (and, when a warnings filter
turns it into an error, not stored). space 'U': rho is the correlation of their standard normal
images. Read the stored values back from correlations.)doc")
                 .c_str())
        .def("uncorrelate", &CPythonCollection::Uncorrelate, "a"_a, "b"_a,
             TextSignature("uncorrelate(self, a, b)",
                           "Removes the correlation between two variables (in either order); "
                           "InputError when they are not correlated.")
                 .c_str())
        .def("sample", &CPythonCollection::Sample, "n"_a, py::kw_only(), "lhs"_a = false,
             "seed"_a = py::none(), "first"_a = 0, "count"_a = py::none(), "threads"_a = py::none(),
             TextSignature("sample(self, n, *, lhs=False, seed=None, first=0, count=None, "
                           "threads=None)",
                           R"doc(Samples first .. first + count - 1 (count: the rest of the run by
default) of a run of n joint samples, as a count x len(self) float64 array in collection order (a
discrete variable gives its category positions). The numbers are those of `stochvar sample -n N
--first F --count C` with the same seed, bit for bit, and the same for every thread count, so
slices drawn anywhere and joined equal the whole run.

lhs: Latin hypercube sampling (the strata belong to the run of n).
seed: None (the default seeds), one whole number from 0 to 2**64 - 1 (mixed by SplitMix64, as
    --seed N) or the three 32-bit seeds.
threads: worker threads, at most one per core (a larger number counts as one per core); None for
    one per core.

n, first, count and threads are integers (TypeError otherwise). Raises ValueError for an argument
out of range, InputError, with the reason, when the collection cannot be sampled. The interpreter
lock is released while the samples are drawn; Ctrl+C stops the run within a fraction of a
second.)doc")
                 .c_str())
        .def("save", &CPythonCollection::Save, "path"_a, py::kw_only(), "format"_a = py::none(),
             TextSignature("save(self, path, *, format=None)",
                           "Writes the collection as a JSON or binary document (format 'json' or "
                           "'binary'; None: JSON for *.json, binary otherwise), complete or not "
                           "at all.")
                 .c_str())
        .def(
            "__reduce__",
            [](const CPythonCollection& self) {
                return ReduceToState("_collection_from_state", self.ToDocument());
            },
            TextSignature("__reduce__(self, /)", "").c_str())
        // Reads the pickles of release 0.1.0, which called __setstate__ on a new instance with
        // the same state (as py::pickle does, without its __getstate__, which __reduce__ replaces).
        .def(
            "__setstate__",
            [](py::detail::value_and_holder& instance, const py::tuple& state) {
                py::detail::initimpl::setstate<py::class_<CPythonCollection>>(
                    instance, CPythonCollection::FromDocument(state), false);
            },
            py::detail::is_new_style_constructor(),
            TextSignature("__setstate__(self, state, /)", "").c_str());
    m.def("_collection_from_state", &CPythonCollection::FromDocument, "state"_a,
          TextSignature("_collection_from_state(state)",
                        "Rebuilds a pickled collection from its binary document and numerics.")
              .c_str());
    m.def(
        "load", &CPythonCollection::Load, "path"_a, py::kw_only(), "numerics"_a = py::none(),
        TextSignature(
            "load(path, *, numerics=None)",
            R"doc(Reads a collection document (JSON or binary, told by its content) through the same
checks as the command-line host and the editor. A file that cannot be read raises the OSError
open() would raise (FileNotFoundError, PermissionError, IsADirectoryError); a refused document
raises InputError naming the file, the variable and the reason; what reading corrected is issued
as InputWarning. numerics, when given, replaces the document's own "numerics" (as stochvar
--numerics does).)doc")
            .c_str());
    m.def(
        "set_default_numerics",
        [](const std::string& name) { SetDefaultNumerics(*NumericsArgument(name)); }, "numerics"_a,
        TextSignature("set_default_numerics(numerics)",
                      "Sets the process default numerics, 'faithful' or 'accurate': single "
                      "variables and collections without a choice of their own follow it. Set it "
                      "before other threads work.")
            .c_str());
    m.def(
        "get_default_numerics", [] { return std::string(NumericsName(GetDefaultNumerics())); },
        TextSignature("get_default_numerics()", "The process default numerics: 'faithful' unless "
                                                "set_default_numerics said otherwise.")
            .c_str());
}

} // namespace stochvar::python
