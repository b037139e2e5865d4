// The steel beam of examples/beam.json through the library API: its six variables and two
// correlations built in code, the limit state g = theta fy W / 100 - (G + Q) L^2 / 8 (kNm) as a
// function of many points at once, FORM for the design point and the importance of each variable,
// then importance sampling around that point to confirm Pf. The category of use of the document
// does not enter g and is left out (FORM refuses discrete variables).
//
//   build/default/bin/beam_reliability
// prints what `stochvar reliability examples/beam.json --method form` and `--method is` print.

#include <stochvar/stochvar.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <vector>

using namespace stochvar;

namespace {

// Gives the variable the values of the input type with this label, checked and converted as the
// editor would.
void Define(CDist& dist, const char* pszInput, std::initializer_list<double> values) {
    for (int n = 0; n < dist.GetParamCombiCount(); ++n) {
        CString label;
        CUIntArray ids;
        dist.GetParamsList(n, label, &ids);
        if (label.str() != pszInput) {
            continue;
        }
        int k = 0;
        for (const double value : values) {
            dist.SetParamValue(static_cast<int>(ids[k++]), value);
        }
        dist.m_nParamCombi = n;
        CDistStatus status = dist.CheckCombination(n);
        if (status.IsOk()) {
            status = dist.CalcBasePar(n);
        }
        if (status.IsOk()) {
            return;
        }
        status.ShowMessage();
    }
    std::fprintf(stderr, "%s: cannot define %s\n", dist.GetVarName().str().c_str(), pszInput);
    std::exit(1);
}

// g for each row x = (fy, W, G, Q, L, theta): resistance minus load effect in kNm.
void Beam(const double* x, int nPoints, int nVars, double* g) {
    for (int p = 0; p < nPoints; ++p, x += nVars) {
        const double fy = x[0], W = x[1], G = x[2], Q = x[3], L = x[4], theta = x[5];
        g[p] = theta * fy * W / 100 - (G + Q) * (L * L) / 8;
    }
}

} // namespace

int main() {
    std::vector<std::unique_ptr<CDist>> owned; // the collection holds the variables, not owns
    CDistCollection beam;
    const auto add = [&](std::unique_ptr<CDist> pDist) {
        beam.AddDist(pDist.get());
        owned.push_back(std::move(pDist));
        return owned.back().get();
    };
    CDist* fy = add(std::make_unique<CLogNormal>(nullptr, "fy", nullptr));
    CDist* W = add(std::make_unique<CNormal>(nullptr, "W", nullptr));
    CDist* G = add(std::make_unique<CNormal>(nullptr, "G", nullptr));
    CDist* Q = add(std::make_unique<CGumbel>(nullptr, "Q", nullptr));
    CDist* L = add(std::make_unique<CUniform>(nullptr, "L", nullptr));
    CDist* theta = add(std::make_unique<CTriangular>(nullptr, "theta", nullptr));
    Define(*fy, "/MEAN/COV/LOWER_BOUND", {28, 0.07, 0});
    Define(*W, "/MEAN/COV", {557, 0.03});
    Define(*G, "/MEAN/STDDEV", {10, 0.7});
    Define(*Q, "/MEAN/COV", {8, 0.3});
    Define(*L, "/LOWER_BOUND/UPPER_BOUND", {5.97, 6.03});
    Define(*theta, "/LOWER_BOUND/MOST-LIKELY/UPPER_BOUND", {0.9, 1, 1.15});
    beam.SetCorr(G, Q, 0.2, TRUE);   // between the variables (X-space)
    beam.SetCorr(fy, W, 0.3, FALSE); // between their standard normal images (U-space)

    SLimitState g;
    g.function = Beam;
    g.bThreadSafe = true; // rows are independent: the analyses may share them among threads

    try {
        const CUSpaceTransform transform(beam); // accurate numerics, which FORM's gradients need
        const CForm::SResult form = CForm(transform, g).Run();
        std::printf("FORM: beta %.4f, Pf %.4e, %lld calls of g (%s)\n", form.dBeta, form.dPf,
                    form.nCalls, form.bConverged ? "converged" : form.strReason.c_str());
        std::printf("%-8s %12s %10s %12s\n", "variable", "x", "u", "importance");
        for (int i = 0; i < transform.GetVariableCount(); ++i) {
            std::printf("%-8s %12.6g %10.4f %10.1f %%\n", transform.GetVariableName(i).c_str(),
                        form.x[static_cast<std::size_t>(i)], form.u[static_cast<std::size_t>(i)],
                        100 * form.importance[static_cast<std::size_t>(i)]);
        }

        CImportanceSampling::SOptions options;
        options.centre = form.u; // FORM's design point; left empty, the analysis runs FORM itself
        options.seeds = {1674306020u, 72105175u, 3868737664u}; // `--seed 7` of the hosts
        options.dTargetCoV = 0.05;
        const CImportanceSampling::SResult is = CImportanceSampling(transform, g, options).Run();
        std::printf("importance sampling: Pf %.4e, CoV %.4f, 95 %% interval [%.4e, %.4e], "
                    "%lld calls of g\n",
                    is.dPf, is.dCoV, is.dLower, is.dUpper, is.nCalls);
    } catch (const CReliabilityError& error) {
        std::fprintf(stderr, "beam_reliability: %s\n", error.what());
        return 1;
    }
    return 0;
}
