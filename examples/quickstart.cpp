// A minimal host: creates a normal variable, switches it to the mean/coefficient-of-variation
// input type through the editing protocol, evaluates it and draws values from a seeded generator.

#include <stochvar/stochvar.h>

#include <cstdio>

using namespace stochvar;

namespace {

// Enters one value for the parameter under the editing cursor, as the editor does: check the
// value, store it, advance the cursor; after the last parameter check and convert the set.
bool EnterValue(CDist& dist, double value) {
    CString label;
    CUIntArray ids;
    dist.GetParamsList(dist.m_nParamCombi, label, &ids);
    const int nParam = static_cast<int>(ids[dist.m_nCurParam]);
    CDistStatus status = dist.CheckParamValue(nParam, value);
    if (!status.IsOk()) {
        status.ShowMessage();
        return false;
    }
    dist.SetParamValue(nParam, value);
    if (++dist.m_nCurParam == ids.GetSize()) {
        dist.m_nCurParam = 0;
        status = dist.CheckCombination(dist.m_nParamCombi);
        if (status.IsOk()) {
            status = dist.CalcBasePar(dist.m_nParamCombi);
        }
        if (!status.IsOk()) {
            status.ShowMessage();
            return false;
        }
    }
    return true;
}

} // namespace

int main() {
    CDist* pResistance = nullptr;
    pResistance = new CNormal(&pResistance, "R", nullptr);

    std::printf("variable %s of type %s\n", pResistance->GetVarName().GetString(),
                pResistance->GetVarTypeName().GetString());
    for (int n = 0; n < pResistance->GetParamCombiCount(); ++n) {
        CString label;
        CUIntArray ids;
        pResistance->GetParamsList(n, label, &ids);
        std::printf("  input type %d: %s\n", n, label.GetString());
    }

    // Switch to /MEAN/COV and enter mean 250 and COV 0.1.
    pResistance->m_nParamCombi = 1;
    pResistance->m_nCurParam = 0;
    EnterValue(*pResistance, 250.0);
    EnterValue(*pResistance, 0.1);
    std::printf("mean %.6g, stddev %.6g, cov %.6g\n", pResistance->GetParamValue(PARAM_MEAN),
                pResistance->GetParamValue(PARAM_STDDEV), pResistance->GetParamValue(PARAM_COV));

    // A refused value: the message goes through the host's message box.
    std::printf("entering COV -1:\n");
    pResistance->m_nCurParam = 1;
    EnterValue(*pResistance, -1.0);
    pResistance->m_nCurParam = 0;

    for (double x : {200.0, 250.0, 300.0}) {
        std::printf("  f(%g) = %.10f  F(%g) = %.10f\n", x, pResistance->GetDensity(x), x,
                    pResistance->GetCumulative(x));
    }
    std::printf("  5%% quantile = %.6f\n", pResistance->GetInverse(0.05));

    CExOr generator(12345u, 67890u, 13579u);
    std::printf("draws:");
    for (int i = 0; i < 5; ++i) {
        std::printf(" %.6f", pResistance->GetRandom(&generator));
    }
    std::printf("\n");

    delete pResistance;
    return 0;
}
