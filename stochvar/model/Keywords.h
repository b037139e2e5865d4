#pragma once

// The two fixed numberings shared by the families, the editor and the archive: parameter slot ids
// and distribution type ids, with their keywords.

namespace stochvar {

enum EParam {
    PARAM_MOST_LIKELY = 0,
    PARAM_MEAN = 1,
    PARAM_STDDEV = 2,
    PARAM_COV = 3,
    PARAM_UPPER_BOUND = 4,
    PARAM_LOWER_BOUND = 5,
    PARAM_EPSILON = 6,
    PARAM_KSI = 7,
    PARAM_LAMBDA = 8,
    PARAM_ALPHA = 9,
    PARAM_BETA = 10,
    PARAM_DELTA = 11,
    PARAM_THETA = 12,
    PARAM_R = 13,
    PARAM_S = 14,
    PARAM_T = 15,
};

enum EDistType {
    DIST_FIXED = 0,
    DIST_BETA = 1,
    DIST_EXPONENTIAL = 2,
    DIST_DISCRETE = 3,
    DIST_GUMBEL = 4,
    DIST_LOGNORMAL = 5,
    DIST_NORMAL = 6,
    DIST_RAYLEIGH = 7,
    DIST_TRIANGULAR = 8,
    DIST_UNIFORM = 9,
    DIST_WEIBULL = 10,
};

inline constexpr int PARAM_COUNT = 16;
inline constexpr int DIST_COUNT = 11;

// Keywords in id order.
inline constexpr const char* kParamKeywords[PARAM_COUNT] = {
    "MOST-LIKELY", "MEAN",  "STDDEV", "COV",   "UPPER_BOUND", "LOWER_BOUND", "EPSILON", "KSI",
    "LAMBDA",      "ALPHA", "BETA",   "DELTA", "THETA",       "R",           "S",       "T",
};

inline constexpr const char* kDistKeywords[DIST_COUNT] = {
    "FIXED",     "BETA",   "EXPONENTIAL", "DISCRETE",   "GUMBEL",  "LOGNORMAL",
    "NORMAL",    "RAYLEIGH", "TRIANGULAR", "UNIFORM",   "WEIBULL",
};

} // namespace stochvar
