#pragma once

// What `stochvar reliability` shows of a run: a readable report (Pf, beta, the coefficient of
// variation and the 95 % interval of the estimate, the calls of g and the time; the design point
// in x and u with alpha and the importance factors, most important first, where FORM ran; SORM's
// three formulas and curvatures; subset simulation's levels), and every field as JSON.
//
// The JSON keys are those of the Python results (pf, beta, cov, ci, calls, design_point,
// design_point_u, alpha, importance, levels, ...); a number that is not finite (beta of Pf = 0,
// a CoV before the first failure) is null.

#include "ReliabilityRun.h"

#include <string>

namespace stochvar::cli {

std::string ReliabilityReport(const SReliabilityRun& run);
std::string ReliabilityJson(const SReliabilityRun& run);

} // namespace stochvar::cli
