#pragma once

// Runs a callable and returns what it printed to standard output; or, while a CNothingPrinted
// lives, expects that nothing is printed (the two cannot nest).

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace stochvar::test {

template <class Callable>
std::string CapturedOutputOf(Callable&& callable) {
    ::testing::internal::CaptureStdout();
    std::forward<Callable>(callable)();
    return ::testing::internal::GetCapturedStdout();
}

class CNothingPrinted {
public:
    CNothingPrinted() { ::testing::internal::CaptureStdout(); }
    ~CNothingPrinted() { EXPECT_EQ(::testing::internal::GetCapturedStdout(), ""); }
};

} // namespace stochvar::test
