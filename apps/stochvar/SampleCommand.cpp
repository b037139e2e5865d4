#include "SampleCommand.h"

#include "CsvWriter.h"
#include "ProgressBar.h"

#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/Moments.h>
#include <stochvar/documents/SampleStatistics.h>

#include <stochvar/numerics/ExOr.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace stochvar::cli {

namespace {

constexpr const char* kSampleUsage =
    "Usage: stochvar sample [FILE] -n N [--lhs] [--seed A,B,C] [--out FILE.csv]\n"
    "\n"
    "Draws N joint samples of the collection's variables, correlated as the document says, and\n"
    "prints for each variable the target mean and standard deviation beside the sample ones,\n"
    "and the sample correlation matrix beside the target (X-space). A discrete variable's\n"
    "values are its category positions 0, 1, ... Without FILE the built-in example is sampled.\n"
    "\n"
    "Options:\n"
    "  -n, --samples N      number of samples (required)\n"
    "      --lhs            Latin hypercube sampling (its cost grows with the square of N)\n"
    "      --seed A,B,C     the three seeds of the generator, each from 0 to 4294967295\n"
    "                       (default 699570728,398267609,1044576128)\n"
    "  -o, --out FILE.csv   write the samples as CSV, with a header of variable names;\n"
    "                       '-' writes them to standard output and the summary to standard error\n"
    "  -h, --help           show this help\n";

constexpr SOptionDefinition kSampleOptions[] = {
    {"samples", 'n', true},
    {"lhs", 0, false},
    {"seed", 0, true},
    {"out", 'o', true},
};

struct SSampleRequest {
    int nSamples = 0;
    bool bLatinHypercube = false;
    std::array<std::uint32_t, 3> seeds{CExOr::kDefaultSeed1, CExOr::kDefaultSeed2,
                                       CExOr::kDefaultSeed3};
    std::string strOut; // empty: no CSV
};

SSampleRequest ReadRequest(const CParsedArguments& parsed) {
    SSampleRequest request;
    const std::string* pSamples = parsed.Value("samples");
    if (pSamples == nullptr) {
        throw CUsageError("the number of samples is missing (-n N)");
    }
    request.nSamples = ParsePositiveCount(*pSamples, "-n", INT_MAX);
    request.bLatinHypercube = parsed.Has("lhs");
    if (const std::string* pSeed = parsed.Value("seed")) {
        request.seeds = ParseSeeds(*pSeed);
    }
    if (const std::string* pOut = parsed.Value("out")) {
        if (pOut->empty()) {
            throw CUsageError("--out needs a file name");
        }
        request.strOut = *pOut;
    }
    return request;
}

// An open CSV destination: a file of our own or standard output.
class COutputFile {
public:
    explicit COutputFile(const std::string& strPath) : m_strPath(strPath) {
        if (strPath == "-") {
            m_pFile = stdout;
            return;
        }
        m_pFile = std::fopen(strPath.c_str(), "wb");
        if (m_pFile == nullptr) {
            throw CDocumentError(strPath + ": cannot write: " + std::strerror(errno));
        }
        m_bOwned = true;
    }
    ~COutputFile() {
        if (m_bOwned) {
            std::fclose(m_pFile);
        }
    }
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    std::FILE* Get() const { return m_pFile; }
    bool IsStdout() const { return !m_bOwned; }
    void Close() {
        const bool bOk = !m_bOwned || std::fclose(m_pFile) == 0;
        m_bOwned = false;
        if (!bOk) {
            throw CDocumentError(m_strPath + ": cannot write: " + std::strerror(errno));
        }
    }

private:
    std::string m_strPath;
    std::FILE* m_pFile = nullptr;
    bool m_bOwned = false;
};

std::string Fixed(const char* pszFormat, double dValue) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pszFormat, dValue);
    return buffer;
}

// The X-space correlations that the document asks for, as an n x n matrix (unit diagonal).
std::vector<double> TargetCorrelations(const CCollectionDocument& doc) {
    const auto n = static_cast<std::size_t>(doc.GetVariableCount());
    std::vector<double> target(n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        target[i * n + i] = 1.0;
    }
    for (int k = 0; k < doc.GetCorrelationCount(); ++k) {
        const SCorr& corr = doc.GetCorrelation(k);
        if (doc.GetVariable(corr.nIndex1) != nullptr && doc.GetVariable(corr.nIndex2) != nullptr) {
            const auto a = static_cast<std::size_t>(corr.nIndex1);
            const auto b = static_cast<std::size_t>(corr.nIndex2);
            target[a * n + b] = target[b * n + a] = corr.dCorrX;
        }
    }
    return target;
}

std::string Summary(const CCollectionDocument& doc, const CSampleStatistics& stats,
                    const SSampleRequest& request) {
    const int n = doc.GetVariableCount();
    std::vector<std::string> names;
    std::size_t nNameWidth = 8;
    for (int i = 0; i < n; ++i) {
        names.push_back(VariableSubject(*doc.GetVariable(i), i));
        nNameWidth = std::max(nNameWidth, names.back().size());
    }
    nNameWidth += 2;

    std::string out = std::to_string(stats.GetCount()) +
                      (stats.GetCount() == 1 ? " sample of " : " samples of ") +
                      std::to_string(n) + (n == 1 ? " variable (" : " variables (") +
                      (request.bLatinHypercube ? "Latin hypercube sampling" : "plain sampling") +
                      ", seed " + std::to_string(request.seeds[0]) + "," +
                      std::to_string(request.seeds[1]) + "," + std::to_string(request.seeds[2]) +
                      ")\n";
    if (!request.strOut.empty() && request.strOut != "-") {
        out += "written to " + request.strOut + "\n";
    }
    out += "\n" + Padded("variable", nNameWidth) + Padded("target mean", 15) +
           Padded("sample mean", 15) + Padded("target sd", 15) + "sample sd\n";
    for (int i = 0; i < n; ++i) {
        const SMoments target = TargetMoments(*doc.GetVariable(i));
        out += Padded(names[static_cast<std::size_t>(i)], nNameWidth) +
               Padded(Fixed("%.6g", target.dMean), 15) +
               Padded(Fixed("%.6g", stats.GetMean(i)), 15) +
               Padded(Fixed("%.6g", target.dStdDev), 15) + Fixed("%.6g", stats.GetStdDev(i)) +
               "\n";
    }

    // Lower triangle; each cell reads "sample (target)".
    const std::vector<double> target = TargetCorrelations(doc);
    constexpr std::size_t kCellWidth = 18;
    out += "\ncorrelation: sample (target, X-space)\n" + Padded("", nNameWidth);
    for (int j = 0; j + 1 < n; ++j) {
        out += Padded(names[static_cast<std::size_t>(j)], kCellWidth);
    }
    out += names.back() + "\n";
    for (int i = 0; i < n; ++i) {
        std::string strRow = Padded(names[static_cast<std::size_t>(i)], nNameWidth);
        for (int j = 0; j < i; ++j) {
            strRow += Padded(Fixed("%.4f", stats.GetCorrelation(i, j)) + " (" +
                                 Fixed("%.4f", target[static_cast<std::size_t>(i * n + j)]) + ")",
                             kCellWidth);
        }
        out += strRow + "1\n";
    }
    return out;
}

int RunSample(const CParsedArguments& parsed) {
    const SSampleRequest request = ReadRequest(parsed);
    const std::unique_ptr<CCollectionDocument> pDoc = OpenCollection(parsed.Positionals());
    CCollectionDocument& doc = *pDoc;
    const int n = doc.GetVariableCount();
    if (n == 0) {
        throw CDocumentError("the collection holds no variables: nothing to sample");
    }
    if (request.bLatinHypercube && request.nSamples > INT_MAX / n) {
        throw CUsageError("too many samples for Latin hypercube sampling of " +
                          std::to_string(n) + " variables");
    }

    CExOr generator(request.seeds[0], request.seeds[1], request.seeds[2]);
    CDistCollection& collection = doc.GetCollection();
    collection.InitSimulation(request.nSamples, request.bLatinHypercube ? TRUE : FALSE,
                              &generator, nullptr);
    if (!collection.m_bInitialized) {
        throw CDocumentError("the simulation could not be prepared");
    }

    std::unique_ptr<COutputFile> pOut;
    std::unique_ptr<CCsvWriter> pCsv;
    if (!request.strOut.empty()) {
        pOut = std::make_unique<COutputFile>(request.strOut);
        pCsv = std::make_unique<CCsvWriter>(pOut->Get());
        std::vector<std::string> names;
        for (int i = 0; i < n; ++i) {
            names.push_back(doc.GetVariable(i)->m_strVarName.str());
        }
        pCsv->WriteHeader(names);
    }

    CSampleStatistics stats(n);
    std::vector<double> values(static_cast<std::size_t>(n));
    CProgressBar progress(request.nSamples, CProgressBar::IsStderrTerminal());
    int nSample = 0;
    while (collection.GetSample(nSample, values.data())) {
        stats.Add(values.data());
        if (pCsv) {
            pCsv->WriteRow(values.data(), n);
        }
        progress.Update(nSample);
    }
    progress.Finish();

    if (pCsv && !pCsv->Finish()) {
        throw CDocumentError(request.strOut + ": cannot write: " + std::strerror(errno));
    }
    const bool bSummaryToStderr = pOut && pOut->IsStdout();
    if (pOut) {
        pOut->Close();
    }
    const std::string strSummary = Summary(doc, stats, request);
    std::FILE* pSummary = bSummaryToStderr ? stderr : stdout;
    std::fputs(strSummary.c_str(), pSummary);
    return std::fflush(pSummary) == 0 ? kExitSuccess : kExitRefused;
}

} // namespace

const SCommand kSampleCommand{"sample", kSampleOptions, &RunSample, kSampleUsage};

} // namespace stochvar::cli
