#include "PythonCollection.h"

#include "MessageRelay.h"
#include "PickleState.h"
#include "PythonVariable.h"
#include "SeedArgument.h"

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/DocumentFile.h>
#include <stochvar/documents/InputEntry.h>
#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/documents/SampleRun.h>

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <exception>

namespace py = pybind11;
using namespace pybind11::literals;

namespace stochvar::python {

namespace {

// How messages name a collection built in Python.
constexpr const char* kBuiltSource = "collection";

bool IsPosition(const py::handle& key) {
    return PyIndex_Check(key.ptr()) != 0 && !py::isinstance<py::bool_>(key);
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
    for (const py::handle item : variables) {
        if (!py::isinstance<CPythonVariable>(item)) {
            throw py::type_error("a collection holds stochvar variables, not " +
                                 std::string(py::str(py::type::handle_of(item).attr("__name__"))));
        }
        m_pDoc->AddVariable(item.cast<const CPythonVariable&>().CopyDist());
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
    return std::make_unique<CPythonCollection>(
        LoadDocument(path.string(), NumericsArgument(numerics)), path.string());
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

py::tuple CPythonCollection::ToDocument() const {
    CReadinessReport(*m_pDoc).Require(EDocumentUse::save, m_strSource);
    const CDistCollection& collection = m_pDoc->GetCollection();
    const py::object numerics = collection.FollowsDefaultNumerics()
                                    ? py::object(py::none())
                                    : py::object(py::str(NumericsName(collection.GetNumerics())));
    return py::make_tuple(py::bytes(WriteDocument(*m_pDoc, EDocumentFormat::binary)), numerics);
}

std::unique_ptr<CPythonCollection> CPythonCollection::FromDocument(const py::tuple& state) {
    if (state.size() != 2) {
        throw py::value_error("not the pickled state of a stochvar.Collection");
    }
    const auto numerics = state[1].cast<std::optional<std::string>>();
    return std::make_unique<CPythonCollection>(
        ReadDocument(state[0].cast<std::string>(), kBuiltSource, NumericsArgument(numerics)),
        kBuiltSource);
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
    for (int k = 0; k < m_pDoc->GetCorrelationCount(); ++k) {
        int nA = -1;
        int nB = -1;
        if (m_pDoc->GetCorrelationPair(k, nA, nB) &&
            std::minmax(nA, nB) == std::minmax(nFirst, nSecond)) {
            throw CInputRefused("the pair is already correlated");
        }
    }
    if (!(dRho >= -1.0 && dRho <= 1.0)) {
        throw CInputRefused("the correlation " + py::repr(py::float_(dRho)).cast<std::string>() +
                            " does not lie between -1 and 1");
    }
    // A value outside the pair's admissible range is moved to the nearer bound with a warning.
    m_pDoc->GetCollection().SetCorr(m_pDoc->GetVariable(nFirst), m_pDoc->GetVariable(nSecond), dRho,
                                    strSpace == "X" ? TRUE : FALSE);
    CMessageRelay::Relay();
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

py::array_t<double> CPythonCollection::Sample(int nSamples, bool bLatinHypercube,
                                              const py::object& seed, int nFirst,
                                              std::optional<int> count,
                                              std::optional<int> threads) const {
    SSampleRunRequest request;
    request.nSamples = nSamples;
    request.bLatinHypercube = bLatinHypercube;
    request.seeds = SeedFromPython(seed);
    request.nFirst = nFirst;
    request.count = count;
    request.threads = threads;
    CSampleRun run(*m_pDoc, request, m_strSource);
    py::array_t<double> values({static_cast<py::ssize_t>(run.GetCount()),
                                static_cast<py::ssize_t>(run.GetVariableCount())});
    double* pValues = values.mutable_data();

    // The run reads only its own copy of the collection from here on: the interpreter lock is
    // released, and taken back between batches to look at Ctrl+C.
    std::exception_ptr pRefusal;
    {
        py::gil_scoped_release unlocked;
        try {
            run.Prepare();
        } catch (const CDocumentError&) {
            pRefusal = std::current_exception();
        }
    }
    CMessageRelay::Relay(); // a message the library showed while preparing says more
    if (pRefusal) {
        std::rethrow_exception(pRefusal);
    }
    bool bInterrupted = false;
    {
        py::gil_scoped_release unlocked;
        run.Draw(
            [&bInterrupted](const SSampleBatch&) {
                const py::gil_scoped_acquire locked;
                bInterrupted = PyErr_CheckSignals() != 0;
                return !bInterrupted;
            },
            pValues);
    }
    if (bInterrupted) {
        throw py::error_already_set();
    }
    return values;
}

void BindCollection(py::module_& m) {
    py::class_<CPythonCollection>(
        m, "Collection",
        R"doc(Variables analysed together, the correlations between them, and correlated sampling.

    beam = stochvar.Collection([stochvar.Normal(mean=10, stddev=0.7, name="G"),
                                stochvar.Gumbel(mean=8, cov=0.3, name="Q")])
    beam.correlate("G", "Q", 0.2)             # X-space, mapped to U-space (Nataf)
    x = beam.sample(100_000, lhs=True, seed=7)  # 100000 x 2 float64 array

The variables are copied in; their names must differ. stochvar.load(path) reads a JSON or binary
document, save(path) writes one. Collections pickle (as binary documents), so they travel to
worker processes.

limit_state: the limit state g of stochvar.reliability, as an expression over the variables'
names ("R - S"), kept with the collection and its documents (as "limitState"); None for none.
numerics: 'faithful' (the established numbers, bit for bit those of every other host),
'accurate' (Phi, Phi^-1 and the Nataf mapping to double precision), or None to follow the process
default (stochvar.set_default_numerics). It governs correlate and sample, so choose it here.)doc")
        .def(py::init<const py::iterable&, const std::string&, const std::optional<std::string>&,
                      const std::optional<std::string>&>(),
             "variables"_a = py::tuple(), py::kw_only(), "description"_a = "",
             "numerics"_a = py::none(), "limit_state"_a = py::none())
        .def_property_readonly("names", &CPythonCollection::GetNames,
                               "The variables' names, in collection order.")
        .def_property_readonly("variables", &CPythonCollection::GetVariables,
                               "Copies of the variables, in collection order.")
        .def_property_readonly("description", &CPythonCollection::GetDescription)
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
        .def("__len__", &CPythonCollection::Count)
        .def("__getitem__", &CPythonCollection::GetVariable, "key"_a,
             "A copy of the variable with this name or at this position.")
        .def("__repr__", &CPythonCollection::Repr)
        .def("correlate", &CPythonCollection::Correlate, "a"_a, "b"_a, "rho"_a, "space"_a = "X",
             R"doc(Correlates two variables (names, positions or variables of the collection). space
'X': rho is the correlation between the variables; a value outside the pair's admissible range
is moved to the nearer bound with an InputWarning. space 'U': rho is the correlation of their
standard normal images. Read the stored values back from correlations.)doc")
        .def("sample", &CPythonCollection::Sample, "n"_a, py::kw_only(), "lhs"_a = false,
             "seed"_a = py::none(), "first"_a = 0, "count"_a = py::none(), "threads"_a = py::none(),
             R"doc(Samples first .. first + count - 1 (count: the rest of the run by default) of a
run of n joint samples, as a count x len(self) float64 array in collection order (a discrete
variable gives its category positions). The numbers are those of `stochvar sample -n N --first F
--count C` with the same seed, bit for bit, and the same for every thread count, so slices drawn
anywhere and joined equal the whole run.

lhs: Latin hypercube sampling (the strata belong to the run of n).
seed: None (the default seeds), one whole number from 0 to 2**64 - 1 (mixed by SplitMix64, as
    --seed N) or the three 32-bit seeds.
threads: worker threads (at most 256); None for one per core.

Raises ValueError for an argument out of range, InputError, with the reason, when the collection
cannot be sampled. The interpreter lock is released while the samples are drawn.)doc")
        .def("save", &CPythonCollection::Save, "path"_a, py::kw_only(), "format"_a = py::none(),
             "Writes the collection as a JSON or binary document (format 'json' or 'binary'; "
             "None: JSON for *.json, binary otherwise), complete or not at all.")
        .def("__reduce__", [](const CPythonCollection& self) {
            return ReduceToState("_collection_from_state", self.ToDocument());
        });
    m.def("_collection_from_state", &CPythonCollection::FromDocument);
    m.def("load", &CPythonCollection::Load, "path"_a, py::kw_only(), "numerics"_a = py::none(),
          R"doc(Reads a collection document (JSON or binary, told by its content) through the same
checks as the command-line host and the editor. A refused document raises InputError naming the
file, the variable and the reason; what reading corrected is issued as InputWarning. numerics,
when given, replaces the document's own "numerics" (as stochvar --numerics does).)doc");
    m.def(
        "set_default_numerics",
        [](const std::string& name) { SetDefaultNumerics(*NumericsArgument(name)); }, "numerics"_a,
        "Sets the process default numerics, 'faithful' or 'accurate': single variables and "
        "collections without a choice of their own follow it. Set it before other threads work.");
    m.def(
        "get_default_numerics", [] { return std::string(NumericsName(GetDefaultNumerics())); },
        "The process default numerics: 'faithful' unless set_default_numerics said otherwise.");
}

} // namespace stochvar::python
