#pragma once

// The battery behind the fingerprint: a fixed sequence of evaluations of the core library whose
// results, bit for bit, make up the fingerprint of a build.
//
// - The fixed kind and every family through every input type (and one input type beyond the
//   last): with the parameters a new variable starts with; with degenerate values (zeros, -1,
//   the extremes, infinities, NaN) in each given slot and in all of them; and with a sweep of
//   random parameter sets. Each case records the check's and the conversion's status, all
//   slots, the axis rule, and density, cumulative function and inverse on grids. The discrete
//   family with a few category lists.
// - The special functions and the standard normal functions on grids, at degenerate arguments
//   and at random ones.
// - The Nataf mapping: the series and its inversion at random correlations for skewed pairs,
//   Hermite coefficients of each family, and the admissible range and X- and U-space entries for
//   every pair of families.
// - Correlated sampling: a Latin hypercube run and a plain Monte Carlo run.
//
// Message boxes shown on the way enter the stream with their texts. The sweeps are long enough
// that an expression which rounds differently in another build for one argument in a thousand
// is met thousands of times.

namespace stochvar::fingerprint {

class CBitFingerprint;

void RunBattery(CBitFingerprint& fp);

} // namespace stochvar::fingerprint
