#pragma once

// The fixed numberings shared by the families, the editor and the archive: parameter slot ids
// with their keywords, and the type id of the fixed kind with the type keywords.

#include <span>

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

// The type id of the fixed kind, CDist itself. The families' type ids are theirs
// (families/FamilyList.h).
inline constexpr int DIST_FIXED = 0;

inline constexpr int PARAM_COUNT = 16;

// Parameter keywords in id order.
inline constexpr const char* kParamKeywords[PARAM_COUNT] = {
    "MOST-LIKELY", "MEAN",  "STDDEV", "COV",   "UPPER_BOUND", "LOWER_BOUND", "EPSILON", "KSI",
    "LAMBDA",      "ALPHA", "BETA",   "DELTA", "THETA",       "R",           "S",       "T",
};

// Type keywords in type-id order, one per family. They are defined with the list of families
// (families/FamilyList.cpp), as the model cannot name the families; the model's own classes
// read them at run time only, when they fill their keyword tables.
std::span<const char* const> DistTypeKeywords();

} // namespace stochvar
