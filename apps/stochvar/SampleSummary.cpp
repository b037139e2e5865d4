#include "SampleSummary.h"

#include "CommandSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace stochvar::cli {

namespace {

// Width of a number column ("-0.123456", "1.23457e+06") with room to spare.
constexpr std::size_t kNumberWidth = 15;
// Width of a correlation cell "-0.1234 (-0.1234)" with room to spare.
constexpr std::size_t kCellWidth = 18;

template <class... Args>
std::string Fixed(const char* pszFormat, Args... args) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pszFormat, args...);
    return buffer;
}

// Target and sample value in "%g" form with six significant digits, or as many more as it takes
// for two values that differ to read differently (a mean of -123456789.123 and a sample mean a
// few units in the last place away).
std::pair<std::string, std::string> TargetAndSample(double dTarget, double dSample) {
    constexpr int kDigits = 6;
    constexpr int kMaxDigits = 17; // enough for any two doubles
    std::pair<std::string, std::string> texts;
    for (int nDigits = kDigits; nDigits <= kMaxDigits; ++nDigits) {
        texts = {Fixed("%.*g", nDigits, dTarget), Fixed("%.*g", nDigits, dSample)};
        if (texts.first != texts.second || dTarget == dSample ||
            (std::isnan(dTarget) && std::isnan(dSample))) {
            break;
        }
    }
    return texts;
}

std::string Cell(double dSample, double dTarget) {
    return Fixed("%.4f", dSample) + " (" + Fixed("%.4f", dTarget) + ")";
}

// The X-space correlations that the document asks for, as an n x n matrix (unit diagonal).
std::vector<double> TargetCorrelations(const CCollectionDocument& doc) {
    const auto n = static_cast<std::size_t>(doc.GetVariableCount());
    std::vector<double> target(n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        target[i * n + i] = 1.0;
    }
    for (int k = 0; k < doc.GetCorrelationCount(); ++k) {
        int nFirst = 0;
        int nSecond = 0;
        if (doc.GetCorrelationPair(k, nFirst, nSecond)) {
            const auto a = static_cast<std::size_t>(nFirst);
            const auto b = static_cast<std::size_t>(nSecond);
            target[a * n + b] = target[b * n + a] = doc.GetCorrelation(k).dCorrX;
        }
    }
    return target;
}

std::string Moments(const CCollectionDocument& doc, const CSampleStatistics& stats,
                    const std::vector<std::string>& names, std::size_t nNameWidth) {
    std::string out = Padded("variable", nNameWidth) + Padded("target mean", kNumberWidth) +
                      Padded("sample mean", kNumberWidth) + Padded("target sd", kNumberWidth) +
                      "sample sd\n";
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        const SMoments target = doc.GetVariable(i)->GetMoments();
        const auto [strTargetMean, strMean] = TargetAndSample(target.dMean, stats.GetMean(i));
        const auto [strTargetSd, strSd] = TargetAndSample(target.dStdDev, stats.GetStdDev(i));
        // A wide number keeps a blank before the next column.
        out += Padded(names[static_cast<std::size_t>(i)], nNameWidth) +
               Padded(strTargetMean + " ", kNumberWidth) + Padded(strMean + " ", kNumberWidth) +
               Padded(strTargetSd + " ", kNumberWidth) + strSd + "\n";
    }
    return out;
}

// Lower triangle; each cell reads "sample (target)".
std::string CorrelationMatrix(const CCollectionDocument& doc, const CSampleStatistics& stats,
                              const std::vector<std::string>& names, std::size_t nNameWidth) {
    const int n = doc.GetVariableCount();
    const std::vector<double> target = TargetCorrelations(doc);
    const std::size_t nCellWidth = std::max(kCellWidth, nNameWidth);
    std::string out = "correlation: sample (target, X-space)\n" + Padded("", nNameWidth);
    for (int j = 0; j + 1 < n; ++j) {
        out += Padded(names[static_cast<std::size_t>(j)], nCellWidth);
    }
    out += names.back() + "\n";
    for (int i = 0; i < n; ++i) {
        std::string strRow = Padded(names[static_cast<std::size_t>(i)], nNameWidth);
        for (int j = 0; j < i; ++j) {
            strRow += Padded(
                Cell(stats.GetCorrelation(i, j), target[static_cast<std::size_t>(i * n + j)]),
                nCellWidth);
        }
        out += strRow + "1\n";
    }
    return out;
}

// One line per correlation the document gives.
std::string GivenPairs(const CCollectionDocument& doc, const CSampleStatistics& stats,
                       const std::vector<std::string>& names) {
    if (doc.GetCorrelationCount() == 0) {
        return "correlation: none given; every pair is independent\n";
    }
    std::vector<std::string> labels;
    std::vector<std::string> cells;
    std::size_t nLabelWidth = 0;
    for (int k = 0; k < doc.GetCorrelationCount(); ++k) {
        int a = 0;
        int b = 0;
        if (!doc.GetCorrelationPair(k, a, b)) {
            continue;
        }
        labels.push_back(names[static_cast<std::size_t>(a)] + " / " +
                         names[static_cast<std::size_t>(b)]);
        cells.push_back(Cell(stats.GetCorrelation(a, b), doc.GetCorrelation(k).dCorrX));
        nLabelWidth = std::max(nLabelWidth, DisplayWidth(labels.back()) + 2);
    }
    std::string out = "correlation of the " + std::to_string(labels.size()) +
                      " given pairs: sample (target, X-space); every other pair is "
                      "independent\n";
    for (std::size_t k = 0; k < labels.size(); ++k) {
        out += Padded(labels[k], nLabelWidth) + cells[k] + "\n";
    }
    return out;
}

// "1000 samples", or for a slice "samples 1001 to 2000 (of a run of 10000)".
std::string SamplesText(long long nCount, const SSampleRequest& request) {
    if (!request.run.IsSlice()) {
        return std::to_string(nCount) + (nCount == 1 ? " sample" : " samples");
    }
    return "samples " + std::to_string(request.run.nFirst + 1) + " to " +
           std::to_string(request.run.nFirst + nCount) + " (of a run of " +
           std::to_string(request.run.nSamples) + ")";
}

} // namespace

std::string SampleSummary(const CCollectionDocument& doc, const CSampleStatistics& stats,
                          const SSampleRequest& request) {
    const int n = doc.GetVariableCount();
    std::vector<std::string> names;
    std::size_t nNameWidth = 8;
    for (int i = 0; i < n; ++i) {
        names.push_back(VariableSubject(*doc.GetVariable(i), i));
        nNameWidth = std::max(nNameWidth, DisplayWidth(names.back()));
    }
    nNameWidth += 2;

    std::string out =
        SamplesText(stats.GetCount(), request) + " of " + std::to_string(n) +
        (n == 1 ? " variable (" : " variables (") +
        (request.run.bLatinHypercube ? "Latin hypercube sampling" : "plain sampling") + ", " +
        SeedText(request.seed) + ")\n";
    out += std::string("numerics: ") + NumericsName(doc.GetCollection().GetNumerics()) + "\n";
    out += CorrelationGroupsLine(doc);
    if (!request.strOut.empty() && request.strOut != "-") {
        out += "written to " + request.strOut + "\n";
    }
    out += "\n" + Moments(doc, stats, names, nNameWidth) + "\n";
    out += n <= kFullMatrixVariables ? CorrelationMatrix(doc, stats, names, nNameWidth)
                                     : GivenPairs(doc, stats, names);
    return out;
}

} // namespace stochvar::cli
