#include "ReliabilityCommand.h"

#include "ProgressBar.h"
#include "ReliabilityReport.h"
#include "ReliabilityRun.h"

#include <stochvar/documents/AtomicFile.h>
#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/ExpressionError.h>
#include <stochvar/documents/ExpressionLimitState.h>
#include <stochvar/documents/ReadinessReport.h>
#include <stochvar/documents/SubCollection.h>
#include <stochvar/reliability/ImportanceSampling.h>
#include <stochvar/reliability/MonteCarlo.h>
#include <stochvar/reliability/USpaceTransform.h>
#include <stochvar/simulation/BatchSampler.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace stochvar::cli {

namespace {

constexpr const char* kReliabilityUsage =
    "Usage: stochvar reliability [FILE] --method METHOD [--g EXPR] [--cov C] [--max-calls N]\n"
    "                            [--seed SEED] [--n-per-level N] [--p0 P] [--threads K]\n"
    "                            [--numerics faithful|accurate] [--json FILE]\n"
    "\n"
    "The probability of failure Pf = P[g <= 0] of a limit state g over the collection's\n"
    "variables, with the reliability index beta = -Phi^-1(Pf). g is an expression over the\n"
    "variables' names, given with --g or as \"limitState\" in the document (--g wins), such as\n"
    "  --g \"theta * fy * W / 100 - (G + Q) * L^2 / 8\"\n"
    "with + - * / ^, comparisons, c ? a : b, _pi, _e and the functions sin cos tan asin acos\n"
    "atan sinh cosh tanh asinh acosh atanh log2 log10 log ln exp sqrt sign rint abs min max\n"
    "sum avg. Without FILE the built-in example (a steel beam, with its g) is analysed; FILE -\n"
    "reads standard input. The report gives Pf, beta, the coefficient of variation and the\n"
    "95 % interval of an estimate, the calls of g and the time; where FORM ran, the design point\n"
    "in x and u with the importance factors, most important first; for subset simulation its\n"
    "levels. See docs/reliability.md.\n"
    "\n"
    "Methods:\n"
    "  form     first-order reliability method: the design point and beta; needs continuous\n"
    "           variables and a smooth g\n"
    "  sorm     second-order: FORM, then the curvatures of g = 0 at the design point\n"
    "  mc       Monte Carlo: the samples of 'stochvar sample' (all variables), until the target\n"
    "           CoV or the budget\n"
    "  lhs      the same with Latin hypercube sampling\n"
    "  is       importance sampling around FORM's design point\n"
    "  subset   subset simulation: levels of conditional samples down to g <= 0\n"
    "FORM, SORM, importance sampling and subset simulation work on the variables that g names\n"
    "(their joint distribution is the one they have in the collection), so a discrete variable\n"
    "that g does not name does not stop FORM.\n"
    "\n"
    "Options:\n"
    "  -m, --method METHOD  form, sorm, mc, lhs, is or subset (required)\n"
    "      --g EXPR         the limit state, instead of the document's \"limitState\"\n"
    "      --cov C          mc, lhs, is: stop once the estimate's coefficient of variation is C\n"
    "                       or less (default 0.1; is: 0.05); 0 spends the whole budget\n"
    "      --max-calls N    mc, lhs, is, subset: the budget of calls of g (mc, lhs: 1e6;\n"
    "                       is: 1e5, FORM's calls on top); subset: as many levels as N calls\n"
    "                       pay for (default 20 levels)\n"
    "      --seed SEED      mc, lhs, is, subset: the seeds, as for 'stochvar sample' (one whole\n"
    "                       number recommended; A,B,C; random)\n"
    "      --n-per-level N  subset: samples per level (default 1000)\n"
    "      --p0 P           subset: the conditional probability of a level, 0 < P <= 0.5\n"
    "                       (default 0.1); N P must be a whole number that divides N\n"
    "      --threads K      worker threads (default: one per core); the results are the same\n"
    "                       for every K\n" STOCHVAR_NUMERICS_HELP
    "                       Without --numerics and the document's key the analyses run with\n"
    "                       accurate numerics: FORM's gradients need the smooth Phi^-1.\n"
    "      --json FILE      write every field of the result as JSON to FILE ('-': standard\n"
    "                       output, the report then goes to standard error); FILE appears\n"
    "                       complete or not at all\n"
    "  -h, --help           show this help\n"
    "\n"
    "Refused (exit 1): an expression with a syntax error or an unknown name (with its\n"
    "position), a discrete variable in g under form, sorm or is, a value of g that is not a\n"
    "number. A document without \"limitState\" and no --g is a usage error (exit 2).\n";

constexpr SOptionDefinition kReliabilityOptions[] = {
    {"method", 'm', true}, {"g", 0, true},           {"cov", 0, true}, {"max-calls", 0, true},
    {"seed", 0, true},     {"n-per-level", 0, true}, {"p0", 0, true},  {"threads", 0, true},
    kNumericsOption,       {"json", 0, true},
};

// Defaults of the options, where the library's own would not do for the command line.
constexpr double kMonteCarloCoV = 0.1;
constexpr double kImportanceCoV = 0.05;
constexpr long long kMonteCarloCalls = 1000000;
constexpr long long kImportanceCalls = 100000;

// A number written in full ("0.05", "1e-3"); nothing when the text is not one, or not finite.
std::optional<double> ParseNumber(const std::string& strText) {
    if (strText.empty() || strText.find_first_of(" \t\n") != std::string::npos) {
        return std::nullopt;
    }
    char* pEnd = nullptr;
    const double dValue = std::strtod(strText.c_str(), &pEnd);
    if (*pEnd != '\0' || !std::isfinite(dValue)) {
        return std::nullopt;
    }
    return dValue;
}

// The option may be given only with the methods for which bApplies holds.
void RequireMethod(const CParsedArguments& parsed, std::string_view name, bool bApplies,
                   const char* pszMethods, EReliabilityMethod method) {
    if (parsed.Has(name) && !bApplies) {
        throw CUsageError(parsed.Spelling(name) + " applies to " + pszMethods + ", not to " +
                          MethodKeyword(method));
    }
}

EReliabilityMethod ReadMethod(const CParsedArguments& parsed) {
    const std::string* pMethod = parsed.Value("method");
    if (pMethod == nullptr) {
        throw CUsageError("the method is missing (--method form|sorm|mc|lhs|is|subset)");
    }
    const std::optional<EReliabilityMethod> method = MethodFromKeyword(*pMethod);
    if (!method) {
        throw CUsageError(parsed.Spelling("method") +
                          " takes form, sorm, mc, lhs, is or subset, not \"" + *pMethod + "\"");
    }
    return *method;
}

SReliabilityRequest ReadRequest(const CParsedArguments& parsed) {
    SReliabilityRequest request;
    request.method = ReadMethod(parsed);
    const EReliabilityMethod method = request.method;
    const bool bSubset = method == EReliabilityMethod::subset;
    RequireMethod(parsed, "cov", IsSampling(method), "mc, lhs and is", method);
    RequireMethod(parsed, "max-calls", IsSeeded(method), "mc, lhs, is and subset", method);
    RequireMethod(parsed, "seed", IsSeeded(method), "mc, lhs, is and subset", method);
    RequireMethod(parsed, "n-per-level", bSubset, "subset", method);
    RequireMethod(parsed, "p0", bSubset, "subset", method);
    if (const std::string* pG = parsed.Value("g")) {
        if (pG->empty()) {
            throw CUsageError(parsed.Spelling("g") + " needs an expression, such as \"R - S\"");
        }
        request.strLimitState = *pG;
    }
    if (const std::string* pCoV = parsed.Value("cov")) {
        request.targetCoV = ParseNumber(*pCoV);
        if (!request.targetCoV || *request.targetCoV < 0.0) {
            throw CUsageError(parsed.Spelling("cov") +
                              " needs a number from 0 up (such as 0.05; 0 spends the whole "
                              "budget), not \"" +
                              *pCoV + "\"");
        }
    }
    if (const std::string* pCalls = parsed.Value("max-calls")) {
        request.maxCalls = ParsePositiveCount(*pCalls, parsed.Spelling("max-calls"), INT_MAX);
    }
    if (const std::string* pSeed = parsed.Value("seed")) {
        request.seed = ParseSeedChoice(*pSeed, parsed.Spelling("seed"));
    }
    if (const std::string* pThreads = parsed.Value("threads")) {
        request.threads =
            ParsePositiveCount(*pThreads, parsed.Spelling("threads"), CBatchSampler::kMaxThreads);
    }
    if (const std::string* pN = parsed.Value("n-per-level")) {
        request.nPerLevel = ParseCount(*pN, parsed.Spelling("n-per-level"), 2, INT_MAX);
    }
    if (const std::string* pP0 = parsed.Value("p0")) {
        const std::optional<double> p0 = ParseNumber(*pP0);
        if (!p0 || !(*p0 > 0.0 && *p0 <= 0.5)) {
            throw CUsageError(parsed.Spelling("p0") + " needs a number above 0 and at most 0.5 " +
                              "(such as 0.1), not \"" + *pP0 + "\"");
        }
        request.dP0 = *p0;
    }
    if (const std::string* pJson = parsed.Value("json")) {
        if (pJson->empty()) {
            throw CUsageError(parsed.Spelling("json") + " needs a file name");
        }
        request.strJson = *pJson;
    }
    return request;
}

// The limit state of the analysis with its calls counted: the progress bar follows them on the
// thread that runs the analysis (the other threads only count).
class CCountedLimitState {
public:
    CCountedLimitState(const SLimitState& inner, long long nBudget)
        : m_bar(nBudget, CProgressBar::IsStderrTerminal()), m_nBudget(nBudget),
          m_analysisThread(std::this_thread::get_id()) {
        m_limitState = inner;
        m_limitState.function = [this, function = inner.function](const double* x, int nPoints,
                                                                  int nVars, double* g) {
            function(x, nPoints, nVars, g);
            const long long nDone = m_nDone += nPoints;
            if (std::this_thread::get_id() == m_analysisThread) {
                m_bar.Update(std::min(nDone, m_nBudget));
            }
        };
    }
    CCountedLimitState(const CCountedLimitState&) = delete;
    CCountedLimitState& operator=(const CCountedLimitState&) = delete;

    const SLimitState& Get() const { return m_limitState; }
    void Finish() { m_bar.Finish(); }

private:
    CProgressBar m_bar;
    long long m_nBudget;
    std::thread::id m_analysisThread;
    std::atomic<long long> m_nDone{0};
    SLimitState m_limitState;
};

void RunMonteCarlo(SReliabilityRun& run, CDistCollection& collection,
                   const CExpressionLimitState& g) {
    const SReliabilityRequest& request = run.request;
    CMonteCarlo::SOptions options;
    options.bLatinHypercube = request.method == EReliabilityMethod::lhs;
    options.seeds = request.seed.seeds;
    options.dTargetCoV = run.dTargetCoV = request.targetCoV.value_or(kMonteCarloCoV);
    options.nMaxCalls = run.nMaxCalls = request.maxCalls.value_or(kMonteCarloCalls);
    options.nThreads = request.threads.value_or(0);
    for (int i = 0; i < collection.GetCount(); ++i) {
        run.variables.push_back(g.GetNames()[static_cast<std::size_t>(i)]);
    }
    CCountedLimitState counted(g.GetLimitState(), options.nMaxCalls);
    const CMonteCarlo::SResult result = CMonteCarlo(collection, counted.Get(), options).Run();
    counted.Finish();
    run.summary = result;
    run.sampling = result;
}

// FORM's options on the command line: its defaults, on the threads asked for.
CForm::SOptions FormOptions(const SReliabilityRequest& request) {
    CForm::SOptions options;
    options.nThreads = request.threads.value_or(0);
    return options;
}

void RunInStandardSpace(SReliabilityRun& run, const CTransform& transform, const SLimitState& g) {
    const SReliabilityRequest& request = run.request;
    const int nThreads = request.threads.value_or(0);
    switch (request.method) {
    case EReliabilityMethod::form:
        run.form = CForm(transform, g, FormOptions(request)).Run();
        run.summary = *run.form;
        return;
    case EReliabilityMethod::sorm: {
        CSorm::SOptions options;
        options.form = FormOptions(request);
        run.sorm = CSorm(transform, g, options).Run();
        run.form = run.sorm->form;
        run.summary = *run.sorm;
        return;
    }
    case EReliabilityMethod::is: {
        CImportanceSampling::SOptions options;
        options.form = FormOptions(request);
        options.seeds = request.seed.seeds;
        options.dTargetCoV = run.dTargetCoV = request.targetCoV.value_or(kImportanceCoV);
        options.nMaxCalls = run.nMaxCalls = request.maxCalls.value_or(kImportanceCalls);
        options.nThreads = nThreads;
        CCountedLimitState counted(g, options.nMaxCalls);
        const CImportanceSampling::SResult result =
            CImportanceSampling(transform, counted.Get(), options).Run();
        counted.Finish();
        run.form = result.form;
        run.summary = result;
        run.sampling = result;
        return;
    }
    case EReliabilityMethod::subset: {
        CSubsetSimulation::SOptions options;
        options.nSamplesPerLevel = request.nPerLevel;
        options.dP0 = request.dP0;
        options.seeds = request.seed.seeds;
        options.nThreads = nThreads;
        // Level 0 costs N calls, every later one N (1 - p0): its seeds are known points.
        const long long N = request.nPerLevel;
        const long long nPerLevel = std::max(1LL, N - std::llround(N * request.dP0));
        if (request.maxCalls) {
            if (*request.maxCalls < N) {
                throw CUsageError("--max-calls " + std::to_string(*request.maxCalls) +
                                  " pays for no level of " + std::to_string(N) +
                                  " samples: give at least --n-per-level");
            }
            options.nMaxLevels = static_cast<int>(
                std::min<long long>(INT_MAX, 1 + (*request.maxCalls - N) / nPerLevel));
        }
        run.nMaxLevels = options.nMaxLevels;
        run.nMaxCalls = N + (options.nMaxLevels - 1) * nPerLevel;
        CCountedLimitState counted(g, run.nMaxCalls);
        run.subset = CSubsetSimulation(transform, counted.Get(), options).Run();
        counted.Finish();
        run.summary = *run.subset;
        return;
    }
    default:
        return;
    }
}

// FORM, SORM, importance sampling and subset simulation: on the variables that g names.
void RunOnNamedVariables(SReliabilityRun& run, const CDistCollection& collection,
                         const CExpressionLimitState& whole, const std::string& strSubject) {
    const std::vector<int>& used = whole.GetUsedVariables();
    if (used.empty()) {
        throw CDocumentError(strSubject + ": g names no variable, so it is the same everywhere");
    }
    const CSubCollection part(collection, used);
    const CExpressionLimitState g(whole.GetExpression(), part.Get());
    const CUSpaceTransform transform(part.Get());
    run.variables = g.GetNames();
    for (int k = 0; k < transform.GetDimension(); ++k) {
        run.coordinates.push_back(transform.GetVariableOfCoordinate(k));
    }
    RunInStandardSpace(run, transform, g.GetLimitState());
}

// The expression of --g, or else of the document; refusals name where it came from.
std::unique_ptr<CExpressionLimitState> ParseLimitState(const SReliabilityRun& run,
                                                       const CCollectionDocument& doc,
                                                       const std::string& strSubject) {
    try {
        return std::make_unique<CExpressionLimitState>(run.strLimitState, doc.GetCollection());
    } catch (const CExpressionError& error) {
        throw CDocumentError(strSubject + ": " + error.what());
    }
}

int RunReliability(const CParsedArguments& parsed) {
    SReliabilityRun run;
    run.request = ReadRequest(parsed);
    if (!run.request.strJson.empty()) {
        RefuseOutputOverInput(parsed.Positionals(), run.request.strJson, parsed.Spelling("json"));
    }
    const std::unique_ptr<CCollectionDocument> pDoc =
        OpenCollection(parsed.Positionals(), NumericsChoice(parsed));
    CCollectionDocument& doc = *pDoc;
    run.strSource = CollectionName(parsed.Positionals());
    const bool bGivenOnLine = !run.request.strLimitState.empty();
    run.strLimitState = bGivenOnLine ? run.request.strLimitState : doc.m_strLimitState;
    if (run.strLimitState.empty()) {
        throw CUsageError(run.strSource +
                          " gives no limit state: give g with --g EXPR (such as --g \"R - S\" "
                          "over the variables' names), or as \"limitState\" in the document");
    }
    const std::string strSubject =
        bGivenOnLine ? parsed.Spelling("g") : run.strSource + ": limitState";
    const std::unique_ptr<CExpressionLimitState> pG = ParseLimitState(run, doc, strSubject);
    CReadinessReport(doc).Require(EDocumentUse::sample, run.strSource);
    run.documentVariables = pG->GetNames();
    run.pszNumerics = NumericsName(CUSpaceTransform::AnalysisNumerics(doc.GetCollection()));

    // Opened first: a file that cannot be written stops the run before it starts.
    std::unique_ptr<CAtomicFile> pJson;
    if (!run.request.strJson.empty()) {
        pJson = std::make_unique<CAtomicFile>(run.request.strJson);
    }
    const EReliabilityMethod method = run.request.method;
    if (method == EReliabilityMethod::mc || method == EReliabilityMethod::lhs) {
        RunMonteCarlo(run, doc.GetCollection(), *pG);
    } else {
        RunOnNamedVariables(run, doc.GetCollection(), *pG, strSubject);
    }
    const std::string strReport = ReliabilityReport(run);
    if (pJson) {
        pJson->Write(ReliabilityJson(run));
        pJson->Commit();
    }
    if (pJson && pJson->IsStandardOutput()) {
        std::fputs(strReport.c_str(), stderr);
    } else {
        WriteStandardOutput(strReport);
    }
    return kExitSuccess;
}

} // namespace

const SCommand kReliabilityCommand{"reliability", kReliabilityOptions, &RunReliability,
                                   kReliabilityUsage};

} // namespace stochvar::cli
