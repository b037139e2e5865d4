#include <stochvar/reliability/NormalStream.h>

#include <stochvar/numerics/StdNormal.h>

namespace stochvar {

namespace {

constexpr double kHalfStep = 0.5 * CExOr::kTwoToMinus32;

} // namespace

CNormalStream::CNormalStream(const std::array<std::uint32_t, 3>& seeds)
    : m_generator(seeds[0], seeds[1], seeds[2]) {}

double CNormalStream::NextUniform() { return m_generator.GetRandom() + kHalfStep; }

double CNormalStream::Next() { return StdNormalInverse(NextUniform()); }

} // namespace stochvar
