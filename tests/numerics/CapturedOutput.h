#pragma once

// Runs a callable and returns what it printed to standard output.

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace stochvar::test {

template <class Callable> std::string CapturedOutputOf(Callable&& callable) {
    ::testing::internal::CaptureStdout();
    std::forward<Callable>(callable)();
    return ::testing::internal::GetCapturedStdout();
}

} // namespace stochvar::test
