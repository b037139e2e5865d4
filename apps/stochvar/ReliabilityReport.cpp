#include "ReliabilityReport.h"

#include "CommandSupport.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace stochvar::cli {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t kLabelWidth = 7;
constexpr std::size_t kNumberWidth = 13;

std::size_t Count(int n) { return static_cast<std::size_t>(n); }

std::string Format(const char* pszFormat, double dValue) {
    if (std::isnan(dValue)) {
        return "-";
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pszFormat, dValue);
    return buffer;
}

std::string Probability(double dValue) { return Format("%.4e", dValue); }

std::string Plural(long long nCount, const char* pszNoun) {
    return std::to_string(nCount) + " " + pszNoun + (nCount == 1 ? "" : "s");
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& strName : names) {
        text += (text.empty() ? "" : ", ") + strName;
    }
    return text;
}

std::string Header(const SReliabilityRun& run) {
    const EReliabilityMethod method = run.request.method;
    std::string out = std::string(MethodTitle(method)) + " on " + run.strSource + "\n";
    out += "g = " + run.strLimitState + "\n";
    if (method == EReliabilityMethod::mc || method == EReliabilityMethod::lhs) {
        out += "variables: all " + std::to_string(run.documentVariables.size()) +
               ", sampled as 'stochvar sample' draws them\n";
    } else {
        std::string strOthers;
        for (const std::string& strName : run.documentVariables) {
            if (std::find(run.variables.begin(), run.variables.end(), strName) ==
                run.variables.end()) {
                strOthers += (strOthers.empty() ? "" : ", ") + strName;
            }
        }
        out += "variables in g: " + Joined(run.variables) +
               (strOthers.empty() ? "" : " (not in g: " + strOthers + ")") + "\n";
    }
    out += std::string("numerics: ") + run.pszNumerics;
    if (IsSeeded(method)) {
        out += ", " + SeedText(run.request.seed);
    }
    return out + "\n\n";
}

std::string Estimate(const SReliabilityRun& run) {
    const SReliabilityResult& result = run.summary;
    std::string out = Padded("Pf", kLabelWidth) + Probability(result.dPf) + "\n";
    out += Padded("beta", kLabelWidth) + Format("%.4f", result.dBeta) + "\n";
    if (!std::isnan(result.dCoV)) {
        out += Padded("CoV", kLabelWidth) + Format("%.4f", result.dCoV);
        if (run.sampling) {
            out += "   95 % interval [" + Probability(run.sampling->dLower) + ", " +
                   Probability(run.sampling->dUpper) + "]";
        }
        out += "\n";
    }
    return out;
}

// Whether the method met its criterion, and what it took.
std::string Outcome(const SReliabilityRun& run) {
    const SReliabilityResult& result = run.summary;
    std::string out;
    if (run.sampling) {
        out += Plural(run.sampling->nFailures, "failure") + " in " +
               Plural(run.sampling->nSamples, "sample") + "; ";
        out += result.bConverged ? "the target CoV " + Format("%g", run.dTargetCoV) + " was reached"
                                 : "not converged: " + result.strReason;
    } else if (run.subset) {
        out += result.bConverged
                   ? "g <= 0 reached at level " + std::to_string(run.subset->levels.size() - 1)
                   : "not converged: " + result.strReason;
    } else if (run.form) {
        out += result.bConverged ? "converged in " + Plural(run.form->nIterations, "iteration")
                                 : "not converged: " + result.strReason;
    }
    out += "\n" + Plural(result.nCalls, "call") + " of g in " + Format("%.3g", result.dSeconds) +
           " s\n";
    return out;
}

// The design point, one line per variable, the most important first.
std::string DesignPoint(const SReliabilityRun& run, const CForm::SResult& form) {
    std::string out = "design point";
    if (form.importance.empty()) {
        return out + ": no gradient there, so no direction and no importance factors\n";
    }
    const std::size_t n = run.variables.size();
    std::vector<int> coordinateOf(n, -1);
    for (std::size_t k = 0; k < run.coordinates.size(); ++k) {
        coordinateOf[Count(run.coordinates[k])] = static_cast<int>(k);
    }
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return form.importance[a] > form.importance[b];
    });
    std::size_t nNameWidth = 10;
    for (const std::string& strName : run.variables) {
        nNameWidth = std::max(nNameWidth, DisplayWidth(strName) + 2);
    }
    out += ", most important first\n" + Padded("variable", nNameWidth) +
           Padded(" x", kNumberWidth) + Padded(" u", kNumberWidth) +
           Padded(" alpha", kNumberWidth) + "importance\n";
    for (const std::size_t i : order) {
        const int k = coordinateOf[i];
        const bool bRandom = k >= 0;
        out += Padded(run.variables[i], nNameWidth) +
               Padded(Format("% .6g", form.x[i]), kNumberWidth) +
               Padded(bRandom ? Format("% .4f", form.u[Count(k)]) : "fixed", kNumberWidth) +
               Padded(bRandom ? Format("% .4f", form.alpha[Count(k)]) : "-", kNumberWidth) +
               Format("%5.1f %%", 100.0 * form.importance[i]) + "\n";
    }
    if (form.bDistinctDesignPoints) {
        out += "the searches from the starting points ended at different design points\n";
    }
    return out;
}

std::string Sorm(const CSorm::SResult& sorm) {
    std::string out = "Pf by formula\n";
    const std::pair<const char*, double> rows[] = {
        {"Breitung", sorm.dPfBreitung},
        {"Hohenbichler-Rackwitz", sorm.dPfHohenbichlerRackwitz},
        {"Tvedt (reported)", sorm.dPfTvedt},
        {"FORM", sorm.form.dPf},
    };
    for (const auto& [pszFormula, dPf] : rows) {
        out += "  " + Padded(pszFormula, 24) + Probability(dPf) + "\n";
    }
    out += "curvatures:";
    for (const double kappa : sorm.curvatures) {
        out += " " + Format("%.4g", kappa);
    }
    out += "\n";
    for (const std::string& strWarning : sorm.warnings) {
        out += "warning: " + strWarning + "\n";
    }
    return out;
}

std::string Levels(const CSubsetSimulation::SResult& subset) {
    std::string out = "levels\n" + Padded("level", 7) + Padded(" threshold", kNumberWidth) +
                      Padded("probability", kNumberWidth) + Padded("CoV", 9) +
                      Padded("acceptance", 12) + "calls\n";
    for (std::size_t j = 0; j < subset.levels.size(); ++j) {
        const CSubsetSimulation::SLevel& level = subset.levels[j];
        out += Padded(std::to_string(j), 7) +
               Padded(Format("% .6g", level.dThreshold), kNumberWidth) +
               Padded(Format("%.4g", level.dProbability), kNumberWidth) +
               Padded(Format("%.4f", level.dCoV), 9) +
               Padded(Format("%.3f", level.dAcceptance), 12) + std::to_string(level.nCalls) + "\n";
    }
    return out;
}

// Values by variable name; the names of the coordinates of u for what is given per coordinate.
Json ByName(const std::vector<std::string>& names, const std::vector<double>& values) {
    Json object = Json::object();
    for (std::size_t i = 0; i < std::min(names.size(), values.size()); ++i) {
        object[names[i]] = values[i];
    }
    return object;
}

Json ByCoordinate(const SReliabilityRun& run, const std::vector<double>& values) {
    Json object = Json::object();
    for (std::size_t k = 0; k < std::min(run.coordinates.size(), values.size()); ++k) {
        object[run.variables[Count(run.coordinates[k])]] = values[k];
    }
    return object;
}

void AddForm(Json& json, const SReliabilityRun& run, const CForm::SResult& form) {
    json["design_point"] = ByName(run.variables, form.x);
    json["design_point_u"] = ByCoordinate(run, form.u);
    json["alpha"] = ByCoordinate(run, form.alpha);
    json["importance"] = ByName(run.variables, form.importance);
    json["g_at_design_point"] = form.dG;
    json["iterations"] = form.nIterations;
    json["distinct_design_points"] = form.bDistinctDesignPoints;
}

// FORM's own result where another method ran it (its design point is the run's).
Json FormJson(const CForm::SResult& form) {
    return {{"pf", form.dPf},
            {"beta", form.dBeta},
            {"calls", form.nCalls},
            {"iterations", form.nIterations},
            {"converged", form.bConverged},
            {"reason", form.strReason}};
}

Json LevelsJson(const CSubsetSimulation::SResult& subset) {
    Json levels = Json::array();
    for (const CSubsetSimulation::SLevel& level : subset.levels) {
        levels.push_back({{"threshold", level.dThreshold},
                          {"probability", level.dProbability},
                          {"cov", level.dCoV},
                          {"gamma", level.dGamma},
                          {"acceptance", level.dAcceptance},
                          {"scale", level.dScale},
                          {"calls", level.nCalls}});
    }
    return levels;
}

} // namespace

std::string ReliabilityReport(const SReliabilityRun& run) {
    std::string out = Header(run) + Estimate(run) + Outcome(run);
    if (run.request.method == EReliabilityMethod::is && run.form) {
        out += "centre: FORM's design point (beta " + Format("%.4f", run.form->dBeta) + ", " +
               Plural(run.form->nCalls, "call") + ", counted above)\n";
    }
    if (run.sorm) {
        out += "\n" + Sorm(*run.sorm);
    }
    if (run.form) {
        out += "\n" + DesignPoint(run, *run.form);
    }
    if (run.subset) {
        out += "\n" + Levels(*run.subset);
    }
    return out;
}

std::string ReliabilityJson(const SReliabilityRun& run) {
    const SReliabilityResult& result = run.summary;
    const EReliabilityMethod method = run.request.method;
    Json json;
    json["method"] = MethodKeyword(method);
    json["document"] = run.strSource;
    json["limit_state"] = run.strLimitState;
    json["numerics"] = run.pszNumerics;
    json["variables"] = run.variables;
    json["pf"] = result.dPf;
    json["beta"] = result.dBeta;
    json["cov"] = result.dCoV;
    json["ci"] = run.sampling ? Json::array({run.sampling->dLower, run.sampling->dUpper}) : Json();
    json["calls"] = result.nCalls;
    json["seconds"] = result.dSeconds;
    json["converged"] = result.bConverged;
    json["reason"] = result.strReason;
    if (IsSeeded(method)) {
        json["seed"] = run.request.seed.nInteger ? Json(*run.request.seed.nInteger) : Json();
        json["seeds"] = run.request.seed.seeds;
    }
    if (IsSampling(method)) {
        json["target_cov"] = run.dTargetCoV;
        json["max_calls"] = run.nMaxCalls;
        json["samples"] = run.sampling->nSamples;
        json["failures"] = run.sampling->nFailures;
    }
    if (run.form) {
        AddForm(json, run, *run.form);
    }
    if (run.sorm) {
        json["pf_breitung"] = run.sorm->dPfBreitung;
        json["pf_hohenbichler_rackwitz"] = run.sorm->dPfHohenbichlerRackwitz;
        json["pf_tvedt"] = run.sorm->dPfTvedt;
        json["curvatures"] = run.sorm->curvatures;
        json["warnings"] = run.sorm->warnings;
        json["form"] = FormJson(run.sorm->form);
    }
    if (method == EReliabilityMethod::is && run.form) {
        json["form"] = FormJson(*run.form);
    }
    if (run.subset) {
        json["n_per_level"] = run.request.nPerLevel;
        json["p0"] = run.request.dP0;
        json["max_levels"] = run.nMaxLevels;
        json["levels"] = LevelsJson(*run.subset);
    }
    return json.dump(2) + "\n";
}

} // namespace stochvar::cli
