#include "PythonReliability.h"

#include "MessageRelay.h"
#include "PythonCollection.h"
#include "PythonLimitState.h"
#include "SeedArgument.h"

#include <stochvar/documents/DocumentFile.h>
#include <stochvar/documents/ExpressionError.h>
#include <stochvar/documents/ExpressionLimitState.h>
#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/documents/SubCollection.h>
#include <stochvar/reliability/Form.h>
#include <stochvar/reliability/ImportanceSampling.h>
#include <stochvar/reliability/MonteCarlo.h>
#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/reliability/Sorm.h>
#include <stochvar/reliability/SubsetSimulation.h>
#include <stochvar/reliability/USpaceTransform.h>

#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;
using namespace pybind11::literals;

namespace stochvar::python {

namespace {

// How messages name the collection of an analysis, as they name a collection built in Python.
constexpr const char* kSource = "collection";

PyObject* g_pReliabilityError = nullptr; // owned by the module, which outlives every call

void TranslateReliabilityError(std::exception_ptr pException) {
    try {
        if (pException) {
            std::rethrow_exception(pException);
        }
    } catch (const CReliabilityError& error) {
        PyErr_SetString(g_pReliabilityError, error.what());
    }
}

// The analysis's own copy of the collection, with its numerics: the argument, else the
// collection's own choice (the library takes accurate numerics when there is none).
std::unique_ptr<CCollectionDocument> AnalysisCopy(const CPythonCollection& collection,
                                                  const std::optional<std::string>& numerics) {
    const py::tuple state = collection.ToDocument();
    std::optional<ENumerics> choice = NumericsArgument(numerics);
    if (!choice) {
        choice = collection.GetOwnNumerics();
    }
    std::unique_ptr<CCollectionDocument> pDoc =
        ReadDocument(state[0].cast<std::string>(), kSource, choice);
    CReadinessReport(*pDoc).Require(EDocumentUse::sample, kSource);
    return pDoc;
}

int ThreadsOf(const std::optional<int>& threads) {
    if (threads && *threads < 1) {
        throw py::value_error("threads must be at least 1 (or None: one per core)");
    }
    return threads.value_or(0);
}

// Runs the analysis with the interpreter lock released.
template <class Analysis>
auto Unlocked(const Analysis& analysis) {
    const py::gil_scoped_release unlocked;
    return analysis.Run();
}

std::vector<std::string> NamesOf(const CCollectionDocument& doc) {
    std::vector<std::string> names;
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        names.push_back(doc.GetVariable(i)->GetVarName().str());
    }
    return names;
}

py::dict Fields(const SReliabilityResult& result, ENumerics numerics) {
    return py::dict("pf"_a = result.dPf, "beta"_a = result.dBeta, "cov"_a = result.dCoV,
                    "calls"_a = result.nCalls, "gradient_calls"_a = result.nGradientCalls,
                    "converged"_a = result.bConverged, "reason"_a = result.strReason,
                    "seconds"_a = result.dSeconds, "numerics"_a = NumericsName(numerics));
}

py::dict Fields(const SSamplingResult& result, ENumerics numerics) {
    py::dict fields = Fields(static_cast<const SReliabilityResult&>(result), numerics);
    fields["samples"] = result.nSamples;
    fields["failures"] = result.nFailures;
    fields["ci"] = py::make_tuple(result.dLower, result.dUpper);
    return fields;
}

py::dict Fields(const CForm::SResult& result, const CUSpaceTransform& transform,
                const std::vector<std::string>& names) {
    py::dict fields =
        Fields(static_cast<const SReliabilityResult&>(result), transform.GetNumerics());
    std::vector<std::string> coordinates;
    for (int k = 0; k < transform.GetDimension(); ++k) {
        coordinates.push_back(
            names[static_cast<std::size_t>(transform.GetVariableOfCoordinate(k))]);
    }
    fields["names"] = names;
    fields["coordinates"] = coordinates;
    fields["x"] = result.x;
    fields["u"] = result.u;
    fields["alpha"] = result.alpha;
    fields["importance"] = result.importance;
    fields["gradient_u"] = result.gradientU;
    fields["g"] = result.dG;
    fields["iterations"] = result.nIterations;
    return fields;
}

// What the curvatures and the centre of importance sampling need of a FORM result that Python
// hands back (the fields Fields gave it), refused when it belongs to other variables or numerics.
CForm::SResult FormFrom(const py::dict& fields, const std::vector<std::string>& names,
                        ENumerics numerics) {
    const auto formNames = fields["names"].cast<std::vector<std::string>>();
    if (formNames != names) {
        throw py::value_error("the FORM result belongs to the variables " +
                              py::repr(fields["names"]).cast<std::string>() + ", not to " +
                              py::repr(py::cast(names)).cast<std::string>());
    }
    const auto numericsName = fields["numerics"].cast<std::string>();
    if (numericsName != NumericsName(numerics)) {
        throw py::value_error("the FORM result was found with " + numericsName +
                              " numerics, this analysis runs with " + NumericsName(numerics));
    }
    CForm::SResult form;
    form.u = fields["u"].cast<std::vector<double>>();
    form.alpha = fields["alpha"].cast<std::vector<double>>();
    form.gradientU = fields["gradient_u"].cast<std::vector<double>>();
    form.dG = fields["g"].cast<double>();
    form.SetBeta(fields["beta"].cast<double>());
    form.bConverged = fields["converged"].cast<bool>();
    form.strReason = fields["reason"].cast<std::string>();
    form.nCalls = fields["calls"].cast<long long>();
    form.nGradientCalls = fields["gradient_calls"].cast<long long>();
    form.dSeconds = fields["seconds"].cast<double>();
    return form;
}

// Which variables an analysis with an expression for g works on: Monte Carlo draws them all, the
// methods in the standard normal space take those that the expression names.
enum class EVariables { all, named };

// The common arguments of every analysis, and the model and limit state made of them. g is a
// Python function of the points, or an expression over the variables' names (the collection's
// own limit state when g is None). With an expression, the methods in the standard normal space
// run on the variables it names, as on the command line: their joint distribution is the one they
// have in the whole collection, and a discrete variable that g leaves out does not stop FORM.
class CAnalysis {
public:
    CAnalysis(const CPythonCollection& collection, const py::object& g,
              const std::optional<std::string>& numerics, const std::optional<int>& threads,
              EVariables variables)
        : m_pDoc(AnalysisCopy(collection, numerics)), m_nThreads(ThreadsOf(threads)) {
        if (g.is_none() || py::isinstance<py::str>(g)) {
            UseExpression(g, variables);
        } else {
            m_names = NamesOf(*m_pDoc);
            m_pLimitState = std::make_unique<CPythonLimitState>(g.cast<py::function>());
        }
    }

    CDistCollection& Model() { return m_pPart ? m_pPart->Get() : m_pDoc->GetCollection(); }
    // The names of the variables of Model(), in its order.
    const std::vector<std::string>& Names() const { return m_names; }
    const SLimitState& LimitState() const { return m_pLimitState->Get(); }
    int Threads() const { return m_nThreads; }

private:
    void UseExpression(const py::object& g, EVariables variables) {
        const bool bGiven = !g.is_none();
        const std::string strSubject = bGiven ? "g" : "the collection's limit_state";
        const std::string strExpression = bGiven ? g.cast<std::string>() : m_pDoc->m_strLimitState;
        if (strExpression.empty()) {
            throw py::value_error(
                bGiven ? "g is an empty expression; write it over the variables' names, such as "
                         "'R - S'"
                       : "the collection carries no limit state: give g, a function of an (n, "
                         "k) array of points or an expression such as 'R - S'");
        }
        m_pExpression = Parse(strExpression, m_pDoc->GetCollection(), strSubject);
        if (variables == EVariables::named) {
            const std::vector<int>& used = m_pExpression->GetUsedVariables();
            if (used.empty()) {
                throw CReliabilityError(strSubject +
                                        ": g names no variable, so it is the same everywhere");
            }
            m_pPart = std::make_unique<CSubCollection>(m_pDoc->GetCollection(), used);
            m_pExpression = Parse(strExpression, m_pPart->Get(), strSubject);
        }
        m_names = m_pExpression->GetNames();
        m_pLimitState = std::make_unique<CPythonLimitState>(m_pExpression->GetLimitState());
    }

    static std::unique_ptr<CExpressionLimitState> Parse(const std::string& strExpression,
                                                        const CDistCollection& model,
                                                        const std::string& strSubject) {
        try {
            return std::make_unique<CExpressionLimitState>(strExpression, model);
        } catch (const CExpressionError& error) {
            throw CReliabilityError(strSubject + ": " + error.what());
        }
    }

    // Declared in the order they refer to one another, and destroyed in the reverse.
    std::unique_ptr<CCollectionDocument> m_pDoc;
    std::unique_ptr<CSubCollection> m_pPart;
    std::unique_ptr<CExpressionLimitState> m_pExpression;
    std::unique_ptr<CPythonLimitState> m_pLimitState;
    std::vector<std::string> m_names;
    int m_nThreads;
};

py::dict RunForm(const CPythonCollection& collection, const py::object& g,
                 const std::optional<std::string>& numerics, const std::optional<int>& threads) {
    CAnalysis analysis(collection, g, numerics, threads, EVariables::named);
    const CUSpaceTransform transform(analysis.Model());
    CForm::SOptions options;
    options.nThreads = analysis.Threads();
    const CForm::SResult result = Unlocked(CForm(transform, analysis.LimitState(), options));
    CMessageRelay::Relay();
    return Fields(result, transform, analysis.Names());
}

py::dict RunSorm(const CPythonCollection& collection, const py::object& g,
                 const std::optional<py::dict>& form, const std::optional<std::string>& numerics,
                 const std::optional<int>& threads) {
    CAnalysis analysis(collection, g, numerics, threads, EVariables::named);
    const CUSpaceTransform transform(analysis.Model());
    CSorm::SOptions options;
    options.form.nThreads = analysis.Threads();
    const CSorm sorm(transform, analysis.LimitState(), options);
    CSorm::SResult result;
    if (form) {
        const CForm::SResult given = FormFrom(*form, analysis.Names(), transform.GetNumerics());
        const py::gil_scoped_release unlocked;
        result = sorm.Run(given);
    } else {
        result = Unlocked(sorm);
    }
    CMessageRelay::Relay();
    py::dict fields = Fields(result, transform.GetNumerics());
    fields["form"] =
        form ? py::object(py::none()) : Fields(result.form, transform, analysis.Names());
    fields["curvatures"] = result.curvatures;
    fields["pf_breitung"] = result.dPfBreitung;
    fields["pf_hohenbichler_rackwitz"] = result.dPfHohenbichlerRackwitz;
    fields["pf_tvedt"] = result.dPfTvedt;
    fields["hessian_calls"] = result.nHessianCalls;
    fields["warnings"] = result.warnings;
    return fields;
}

py::dict RunMonteCarlo(const CPythonCollection& collection, const py::object& g,
                       const std::optional<std::string>& numerics,
                       const std::optional<int>& threads, const py::object& seed, double dTargetCoV,
                       long long nMaxCalls, bool bLatinHypercube) {
    CAnalysis analysis(collection, g, numerics, threads, EVariables::all);
    CMonteCarlo::SOptions options;
    options.nThreads = analysis.Threads();
    options.seeds = SeedFromPython(seed);
    options.dTargetCoV = dTargetCoV;
    options.nMaxCalls = nMaxCalls;
    options.bLatinHypercube = bLatinHypercube;
    CDistCollection& model = analysis.Model();
    const CMonteCarlo::SResult result =
        Unlocked(CMonteCarlo(model, analysis.LimitState(), options));
    CMessageRelay::Relay();
    py::dict fields = Fields(result, CUSpaceTransform::AnalysisNumerics(model));
    fields["lhs"] = result.bLatinHypercube;
    return fields;
}

py::dict RunImportanceSampling(const CPythonCollection& collection, const py::object& g,
                               const std::optional<py::dict>& form,
                               const std::optional<std::string>& numerics,
                               const std::optional<int>& threads, const py::object& seed,
                               double dTargetCoV, long long nMaxCalls) {
    CAnalysis analysis(collection, g, numerics, threads, EVariables::named);
    const CUSpaceTransform transform(analysis.Model());
    CImportanceSampling::SOptions options;
    options.nThreads = analysis.Threads();
    options.form.nThreads = analysis.Threads();
    options.seeds = SeedFromPython(seed);
    options.dTargetCoV = dTargetCoV;
    options.nMaxCalls = nMaxCalls;
    if (form) {
        options.centre = FormFrom(*form, analysis.Names(), transform.GetNumerics()).u;
    }
    const CImportanceSampling::SResult result =
        Unlocked(CImportanceSampling(transform, analysis.LimitState(), options));
    CMessageRelay::Relay();
    py::dict fields = Fields(result, transform.GetNumerics());
    fields["centre"] = result.centre;
    fields["form"] =
        result.bFormRun ? Fields(result.form, transform, analysis.Names()) : py::object(py::none());
    return fields;
}

py::dict RunSubsetSimulation(const CPythonCollection& collection, const py::object& g,
                             const std::optional<std::string>& numerics,
                             const std::optional<int>& threads, const py::object& seed,
                             int nPerLevel, double dP0) {
    CAnalysis analysis(collection, g, numerics, threads, EVariables::named);
    const CUSpaceTransform transform(analysis.Model());
    CSubsetSimulation::SOptions options;
    options.nThreads = analysis.Threads();
    options.seeds = SeedFromPython(seed);
    options.nSamplesPerLevel = nPerLevel;
    options.dP0 = dP0;
    const CSubsetSimulation::SResult result =
        Unlocked(CSubsetSimulation(transform, analysis.LimitState(), options));
    CMessageRelay::Relay();
    py::dict fields = Fields(result, transform.GetNumerics());
    py::list levels;
    for (const CSubsetSimulation::SLevel& level : result.levels) {
        levels.append(py::dict("threshold"_a = level.dThreshold,
                               "probability"_a = level.dProbability, "cov"_a = level.dCoV,
                               "gamma"_a = level.dGamma, "acceptance"_a = level.dAcceptance,
                               "scale"_a = level.dScale, "calls"_a = level.nCalls));
    }
    fields["levels"] = levels;
    return fields;
}

// The library's defaults of the options that Python offers, so that they live in one place.
py::dict Defaults() {
    const CMonteCarlo::SOptions monteCarlo;
    const CImportanceSampling::SOptions importance;
    const CSubsetSimulation::SOptions subset;
    return py::dict("monte_carlo"_a = py::dict("target_cov"_a = monteCarlo.dTargetCoV,
                                               "max_calls"_a = monteCarlo.nMaxCalls,
                                               "lhs"_a = monteCarlo.bLatinHypercube),
                    "importance_sampling"_a = py::dict("target_cov"_a = importance.dTargetCoV,
                                                       "max_calls"_a = importance.nMaxCalls),
                    "subset_simulation"_a =
                        py::dict("n_per_level"_a = subset.nSamplesPerLevel, "p0"_a = subset.dP0));
}

} // namespace

void BindReliability(py::module_& m) {
    py::module_ reliability = m.def_submodule(
        "_reliability", "The reliability analyses as stochvar.reliability calls them.");
    const auto errorClass = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "stochvar.reliability.ReliabilityError",
        "A reliability analysis that cannot run or had to stop: a method that cannot handle the "
        "collection (a discrete variable in FORM), options out of range, correlations that "
        "cannot be factored, or a limit state g that failed (raised, gave a value that is not "
        "a finite number, or an array of the wrong shape).",
        PyExc_ValueError, nullptr));
    if (!errorClass) {
        throw py::error_already_set();
    }
    reliability.attr("ReliabilityError") = errorClass;
    g_pReliabilityError = errorClass.ptr();
    py::register_exception_translator(&TranslateReliabilityError);

    reliability.def("form", &RunForm, "collection"_a, "g"_a, "numerics"_a, "threads"_a);
    reliability.def("sorm", &RunSorm, "collection"_a, "g"_a, "form"_a, "numerics"_a, "threads"_a);
    reliability.def("monte_carlo", &RunMonteCarlo, "collection"_a, "g"_a, "numerics"_a, "threads"_a,
                    "seed"_a, "target_cov"_a, "max_calls"_a, "lhs"_a);
    reliability.def("importance_sampling", &RunImportanceSampling, "collection"_a, "g"_a, "form"_a,
                    "numerics"_a, "threads"_a, "seed"_a, "target_cov"_a, "max_calls"_a);
    reliability.def("subset_simulation", &RunSubsetSimulation, "collection"_a, "g"_a, "numerics"_a,
                    "threads"_a, "seed"_a, "n_per_level"_a, "p0"_a);
    reliability.def("defaults", &Defaults);
}

} // namespace stochvar::python
