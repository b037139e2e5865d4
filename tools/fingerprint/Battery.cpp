#include "Battery.h"

#include "BitFingerprint.h"

#include <stochvar/stochvar.h>

#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace stochvar::fingerprint {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Values that no parameter should hold.
constexpr double kDegenerateValues[] = {0.0, -0.0, -1.0, 1e-300, 1e300, kInf, -kInf, kNaN};
// Arguments of the density and the cumulative function that are tied to no parameter.
constexpr double kSpecialArguments[] = {-kInf,  -1e308, -1.0,  -0.0, 0.0,
                                        1e-300, 1.0,    1e308, kInf, kNaN};
// Probabilities for the inverse, including those outside [0, 1].
constexpr double kProbabilities[] = {-0.5,     -0.0,        0.0, 1e-300, 1e-12, 0.001, 0.025,
                                     0.1,      0.25,        0.5, 0.75,   0.9,   0.975, 0.999,
                                     0.999999, 1.0 - 1e-12, 1.0, 1.5,    kNaN};
// Points across the axis: as many as the editor's chart draws, and a few for degenerate cases.
constexpr int kChartPoints = 50;
constexpr int kFewPoints = 5;
// Random parameter sets per input type.
constexpr int kSweepSets = 4096;
// Probabilities at which a swept variable is evaluated (besides one random probability).
constexpr double kSweepProbabilities[] = {0.1, 0.5, 0.9};

// A new variable of the family, as constructed; the fixed kind away from 0.
std::unique_ptr<CDist> NewVariable(int nType) {
    std::unique_ptr<CDist> dist(FindFamily(nType)->pfnCreate(nullptr, "X", nullptr));
    if (nType == DIST_FIXED) {
        dist->SetParamValue(PARAM_MEAN, 2.5);
    }
    return dist;
}

// A discrete variable with the given frequencies.
std::unique_ptr<CDist> NewDiscrete(const std::vector<double>& frequencies) {
    auto discrete = std::make_unique<CDiscrete>(nullptr, "D", nullptr);
    for (double frequency : frequencies) {
        discrete->AddCategory("c", frequency);
    }
    return discrete;
}

std::string Context(const CDist& dist, const char* pszCase, int nParamCombi) {
    return std::string(dist.GetVarTypeName().GetString()) + " " + pszCase + ", input type " +
           std::to_string(nParamCombi);
}

void AddStatus(CBitFingerprint& fp, CDistStatus status) {
    fp.Add(status.IsOk());
    fp.Add(status.m_bError);
    fp.Add(status.m_bWarning);
    fp.AddText(status.m_strMessage.GetString());
}

void AddSlots(CBitFingerprint& fp, const CDist& dist) {
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        fp.Add(dist.GetParamValue(nParam));
    }
}

void SetSlots(CDist& dist, const std::vector<double>& slots) {
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        dist.SetParamValue(nParam, slots[static_cast<std::size_t>(nParam)]);
    }
}

std::vector<double> GetSlots(const CDist& dist) {
    std::vector<double> slots;
    for (int nParam = 0; nParam < PARAM_COUNT; ++nParam) {
        slots.push_back(dist.GetParamValue(nParam));
    }
    return slots;
}

void AddDensityAndCumulative(CBitFingerprint& fp, CDist& dist, double x) {
    fp.Add(dist.GetDensity(x));
    fp.Add(dist.GetCumulative(x));
}

// The axis rule, then density and cumulative function at the special arguments and at nPoints
// evenly across the axis, and the inverse at every probability.
void AddEvaluations(CBitFingerprint& fp, CDist& dist, int nPoints) {
    dist.SetAutoAxis();
    fp.Add(dist.m_dAxisMin);
    fp.Add(dist.m_dAxisMax);
    for (double x : kSpecialArguments) {
        AddDensityAndCumulative(fp, dist, x);
    }
    const double step = (dist.m_dAxisMax - dist.m_dAxisMin) / (nPoints - 1);
    for (int i = 0; i < nPoints; ++i) {
        AddDensityAndCumulative(fp, dist, dist.m_dAxisMin + i * step);
    }
    for (double p : kProbabilities) {
        fp.Add(dist.GetInverse(p));
    }
}

// The incomplete beta function adds one term per unit of its second shape, up to 2^31 terms: a
// beta variable with a shape of 1e300 or infinity takes minutes per evaluation. Such variables
// are converted, but not evaluated.
bool HasHugeBetaShape(const CDist& dist) {
    constexpr double kLargestShapeEvaluated = 1e6;
    return dist.m_nType == DIST_BETA && (dist.GetParamValue(PARAM_R) > kLargestShapeEvaluated ||
                                         dist.GetParamValue(PARAM_S) > kLargestShapeEvaluated);
}

void AddConversion(CBitFingerprint& fp, CDist& dist, int nParamCombi, int nPoints) {
    AddStatus(fp, dist.CheckCombination(nParamCombi));
    AddStatus(fp, dist.CalcBasePar(nParamCombi));
    AddSlots(fp, dist);
    if (!HasHugeBetaShape(dist)) {
        AddEvaluations(fp, dist, nPoints);
    }
}

// Each degenerate value in each given slot alone, then in all given slots at once.
void AddDegenerateConversions(CBitFingerprint& fp, CDist& dist, int nParamCombi,
                              const std::vector<double>& start, const CUIntArray& ids) {
    fp.SetContext(Context(dist, "degenerate", nParamCombi));
    const int nGiven = ids.GetSize();
    for (double value : kDegenerateValues) {
        for (int nTarget = 0; nTarget <= nGiven; ++nTarget) {
            SetSlots(dist, start);
            for (int i = 0; i < nGiven; ++i) {
                if (nTarget == nGiven || i == nTarget) {
                    dist.SetParamValue(static_cast<int>(ids[i]), value);
                }
            }
            AddConversion(fp, dist, nParamCombi, kFewPoints);
        }
    }
}

// Random parameter sets: each given value the starting one times a factor in [0.5, 1.5).
void AddSweep(CBitFingerprint& fp, CDist& dist, int nParamCombi, const std::vector<double>& start,
              const CUIntArray& ids, CExOr& exor) {
    fp.SetContext(Context(dist, "sweep", nParamCombi));
    for (int nSet = 0; nSet < kSweepSets; ++nSet) {
        SetSlots(dist, start);
        for (int i = 0; i < ids.GetSize(); ++i) {
            const int nParam = static_cast<int>(ids[i]);
            dist.SetParamValue(nParam,
                               start[static_cast<std::size_t>(nParam)] * (0.5 + exor.GetRandom()));
        }
        AddStatus(fp, dist.CalcBasePar(nParamCombi));
        AddSlots(fp, dist);
        for (double p : kSweepProbabilities) {
            const double x = dist.GetInverse(p);
            fp.Add(x);
            AddDensityAndCumulative(fp, dist, x);
        }
        fp.Add(dist.GetInverse(exor.GetRandom()));
    }
}

void AddFamilies(CBitFingerprint& fp) {
    CExOr exor;
    for (int nType = 0; nType < DIST_COUNT; ++nType) {
        if (nType == DIST_DISCRETE) {
            continue; // its categories are not parameters: below
        }
        std::unique_ptr<CDist> dist = NewVariable(nType);
        fp.SetContext(Context(*dist, "as constructed", dist->m_nParamCombi));
        AddSlots(fp, *dist);
        AddEvaluations(fp, *dist, kChartPoints);
        const std::vector<double> start = GetSlots(*dist);
        for (int n = 0; n <= dist->GetParamCombiCount(); ++n) {
            CString label;
            CUIntArray ids;
            dist->GetParamsList(n, label, &ids);
            fp.SetContext(Context(*dist, "starting values", n));
            SetSlots(*dist, start);
            AddConversion(fp, *dist, n, kChartPoints);
            if (ids.GetSize() > 0) {
                AddDegenerateConversions(fp, *dist, n, start, ids);
                AddSweep(fp, *dist, n, start, ids, exor);
            }
        }
    }

    const std::vector<double> categoryLists[] = {
        {1.0, 2.0, 0.0, 3.5}, {}, {3.0}, {0.0, 0.0}, {1e-300, 1e300, 7.0},
    };
    for (const std::vector<double>& frequencies : categoryLists) {
        std::unique_ptr<CDist> discrete = NewDiscrete(frequencies);
        fp.SetContext("DISCRETE with " + std::to_string(frequencies.size()) + " categories");
        for (double probability : discrete->m_Probabilities) {
            fp.Add(probability);
        }
        AddEvaluations(fp, *discrete, kChartPoints);
    }
}

void AddGammaFunctions(CBitFingerprint& fp, CExOr& exor) {
    fp.SetContext("dGamma dLnGam");
    const double degenerate[] = {0.0,   -0.0,  -1.0,  -2.5, -170.5, 1e-300, 1e-10,
                                 171.6, 172.0, 1e300, kInf, -kInf,  kNaN};
    std::vector<double> arguments(std::begin(degenerate), std::end(degenerate));
    for (double x = -20.13; x < 40.0; x += 0.37) {
        arguments.push_back(x);
    }
    for (int i = 0; i < 2000; ++i) {
        arguments.push_back(30.0 * exor.GetRandom());
    }
    for (double x : arguments) {
        fp.Add(dGamma(x));
        fp.Add(dLnGam(x));
    }
}

void AddBetaFunctions(CBitFingerprint& fp, CExOr& exor) {
    fp.SetContext("dBeta dLBeta BetaI BetaInv");
    const double shapes[] = {1e-3, 0.1, 0.5, 1.0, 2.5, 7.0, 30.0, 150.0};
    const double xs[] = {0.0, 1e-10, 0.01, 0.1, 0.3, 0.5, 0.7, 0.9, 0.99, 1.0};
    const double ps[] = {0.0, 1e-8, 0.01, 0.2, 0.5, 0.8, 0.99, 1.0};
    const auto addInverse = [&fp](double p, double a, double b) {
        double x = kNaN;
        int nStatus = -1;
        BetaInv(p, a, b, x, nStatus);
        fp.Add(x);
        fp.Add(nStatus);
    };
    for (double a : shapes) {
        for (double b : shapes) {
            fp.Add(dBeta(a, b));
            fp.Add(dLBeta(a, b));
            for (double x : xs) {
                fp.Add(BetaI(x, a, b));
            }
            for (double p : ps) {
                addInverse(p, a, b);
            }
        }
    }
    fp.SetContext("dBeta dLBeta BetaI BetaInv degenerate");
    for (double value : {0.0, -1.0, kNaN}) {
        fp.Add(dBeta(value, 2.0));
        fp.Add(dLBeta(2.0, value));
        fp.Add(BetaI(0.5, value, 2.0));
        addInverse(0.5, 2.0, value);
    }
    for (double x : {-0.1, 1.1, kNaN}) {
        fp.Add(BetaI(x, 2.0, 3.0));
        addInverse(x, 2.0, 3.0);
    }
    fp.SetContext("BetaI BetaInv random");
    for (int i = 0; i < 1000; ++i) {
        const double a = 0.2 + 20.0 * exor.GetRandom();
        const double b = 0.2 + 20.0 * exor.GetRandom();
        const double u = exor.GetRandom();
        fp.Add(BetaI(u, a, b));
        addInverse(u, a, b);
    }
}

void AddStandardNormal(CBitFingerprint& fp, CExOr& exor) {
    fp.SetContext("StdNormal");
    for (double x = -40.0; x <= 40.0; x += 0.173) {
        fp.Add(StdNormal(STDNORMAL_CDF, x));
    }
    for (double x : kSpecialArguments) {
        fp.Add(StdNormal(STDNORMAL_CDF, x));
    }
    for (double p : kProbabilities) {
        fp.Add(StdNormal(STDNORMAL_INVERSE, p));
    }
    for (int i = 0; i < 2000; ++i) {
        const double p = exor.GetRandom();
        fp.Add(StdNormal(STDNORMAL_INVERSE, p));
        fp.Add(StdNormal(STDNORMAL_CDF, 16.0 * p - 8.0));
    }
    fp.SetContext("dLnRel dExpRl");
    for (double x = -0.99; x < 5.0; x += 0.0123) {
        fp.Add(dLnRel(x));
        fp.Add(dExpRl(x));
    }
}

// One variable of each family as constructed, and a discrete one.
std::vector<std::unique_ptr<CDist>> OneOfEachFamily() {
    std::vector<std::unique_ptr<CDist>> variables;
    for (int nType = 1; nType < DIST_COUNT; ++nType) {
        variables.push_back(nType == DIST_DISCRETE ? NewDiscrete({1.0, 2.0, 1.5})
                                                   : NewVariable(nType));
    }
    return variables;
}

void AddEntries(CBitFingerprint& fp, CDistCollection& collection) {
    for (const SCorr* pCorr : *collection.GetCorrArray()) {
        fp.Add(pCorr->dCorrU);
        fp.Add(pCorr->dCorrX);
    }
}

// The series g and its slope at random U-space correlations, and inversions of random X-space
// ones, for pairs of skewed variables (whose series have terms of every order, unlike those of
// symmetric ones): every power r^k enters the results at thousands of arguments.
void AddNatafSeries(CBitFingerprint& fp, const std::vector<std::unique_ptr<CDist>>& variables,
                    CExOr& exor) {
    constexpr int kSeriesPoints = 16384;
    constexpr int kInversions = 256;
    const auto ofType = [&variables](int nType) { return variables[nType - 1].get(); };
    const std::pair<int, int> skewedPairs[] = {{DIST_EXPONENTIAL, DIST_EXPONENTIAL},
                                               {DIST_GUMBEL, DIST_LOGNORMAL},
                                               {DIST_RAYLEIGH, DIST_WEIBULL}};
    for (const auto& [nType1, nType2] : skewedPairs) {
        fp.SetContext("Nataf series of " + std::string(FindFamily(nType1)->pszKeyword) + " and " +
                      FindFamily(nType2)->pszKeyword);
        double a[kHermiteCount];
        double b[kHermiteCount];
        double c[kNatafOrder + 1];
        HermiteCoefficients(ofType(nType1), kHermiteCount, a);
        HermiteCoefficients(ofType(nType2), kHermiteCount, b);
        NatafSeriesCoefficients(a, b, c);
        for (int i = 0; i < kSeriesPoints; ++i) {
            const double r = 2.0 * exor.GetRandom() - 1.0;
            fp.Add(NatafValue(c, r));
            fp.Add(NatafSlope(c, r));
        }
        for (int i = 0; i < kInversions; ++i) {
            int nSteps = 0;
            int nError = 0;
            fp.Add(NatafInvert(c, NatafValue(c, 2.0 * exor.GetRandom() - 1.0), &nSteps, &nError));
            fp.Add(nSteps);
            fp.Add(nError);
        }
    }
}

void AddNataf(CBitFingerprint& fp, CExOr& exor) {
    const std::vector<std::unique_ptr<CDist>> variables = OneOfEachFamily();
    AddNatafSeries(fp, variables, exor);
    fp.SetContext("HermiteCoefficients");
    for (const auto& dist : variables) {
        double coefficients[kHermiteCount];
        HermiteCoefficients(dist.get(), kHermiteCount, coefficients);
        for (double coefficient : coefficients) {
            fp.Add(coefficient);
        }
    }
    fp.SetContext("Nataf pairs");
    const double correlations[] = {-0.95, -0.6, -0.2, 0.0, 0.3, 0.7, 0.95};
    for (std::size_t i = 0; i < variables.size(); ++i) {
        for (std::size_t j = i + 1; j < variables.size(); ++j) {
            CDist* pDist1 = variables[i].get();
            CDist* pDist2 = variables[j].get();
            double dMin = kNaN;
            double dMax = kNaN;
            NatafRange(pDist1, pDist2, &dMin, &dMax);
            fp.Add(dMin);
            fp.Add(dMax);
            CDistCollection collection;
            collection.AddDist(pDist1);
            collection.AddDist(pDist2);
            for (double dCorr : correlations) {
                collection.SetCorr(pDist1, pDist2, dCorr, TRUE);
                collection.SetCorr(pDist1, pDist2, dCorr, FALSE);
            }
            AddEntries(fp, collection);
        }
    }
    fp.SetContext("Nataf NaN in X-space");
    CNormal normal1(nullptr, "A", nullptr);
    CNormal normal2(nullptr, "B", nullptr);
    CDistCollection collection;
    collection.AddDist(&normal1);
    collection.AddDist(&normal2);
    collection.SetCorr(&normal1, &normal2, kNaN, TRUE);
    AddEntries(fp, collection);
}

void AddSampling(CBitFingerprint& fp) {
    const std::vector<std::unique_ptr<CDist>> variables = OneOfEachFamily();
    CDistCollection collection;
    for (const auto& dist : variables) {
        collection.AddDist(dist.get());
    }
    struct SEntry {
        int n1, n2;
        double dCorr;
        BOOL bXSpace;
    };
    const SEntry entries[] = {{0, 1, 0.5, TRUE},  {1, 2, -0.3, TRUE}, {2, 3, 0.4, TRUE},
                              {3, 4, 0.2, FALSE}, {4, 5, 0.6, TRUE},  {5, 6, -0.25, TRUE},
                              {6, 7, 0.3, TRUE},  {7, 8, 0.1, FALSE}, {0, 9, 0.35, TRUE}};
    for (const SEntry& entry : entries) {
        collection.SetCorr(collection.GetDist(entry.n1), collection.GetDist(entry.n2), entry.dCorr,
                           entry.bXSpace);
    }
    fp.SetContext("sampling entries");
    AddEntries(fp, collection);

    const int nSamples = 300;
    std::vector<double> values(variables.size());
    for (BOOL bLatinHypercube : {TRUE, FALSE}) {
        fp.SetContext(bLatinHypercube ? "Latin hypercube run" : "Monte Carlo run");
        CExOr exor(12345u, 67890u, 13579u);
        collection.InitSimulation(nSamples, bLatinHypercube, &exor);
        int nSample = 0;
        while (collection.GetSample(nSample, values.data())) {
            fp.Add(nSample);
            for (double value : values) {
                fp.Add(value);
            }
        }
    }
}

} // namespace

void RunBattery(CBitFingerprint& fp) {
    SHostHooks hooks = DefaultHostHooks();
    hooks.messageBox = [&fp](const CString& text, UINT style) {
        fp.AddText(text.GetString());
        fp.Add(style);
        return IDOK;
    };
    const CScopedHostHooks scopedHooks(hooks);

    CExOr exor(2718281u, 3141592u, 1414213u);
    AddFamilies(fp);
    AddGammaFunctions(fp, exor);
    AddBetaFunctions(fp, exor);
    AddStandardNormal(fp, exor);
    AddNataf(fp, exor);
    AddSampling(fp);
}

} // namespace stochvar::fingerprint
