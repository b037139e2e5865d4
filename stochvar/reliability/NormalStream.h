#pragma once

// CNormalStream: independent standard normal numbers for the sampling methods that work in u
// (importance sampling, subset simulation), Phi^-1 of the generator's uniform numbers under the
// numerics in effect.
//
// The generator gives k 2^-32 for k = 0 .. 2^32 - 1; each number is moved up by half a step to
// (k + 1/2) 2^-32, the middle of its cell, so that 0 (which Phi^-1 would make -1000, a point
// with an absurd importance weight) never occurs and the cells stay symmetric about 1/2.

#include <stochvar/numerics/ExOr.h>

#include <array>
#include <cstdint>

namespace stochvar {

class CNormalStream {
public:
    explicit CNormalStream(const std::array<std::uint32_t, 3>& seeds);

    double Next();
    // The uniform number behind the next normal one, for the methods' other random choices.
    double NextUniform();

private:
    CExOr m_generator;
};

} // namespace stochvar
