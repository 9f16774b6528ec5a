#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace tarvelo::testing {

// CI sets CI=true; there every tool, server and display the tests need must be
// there, so that a run that could not check something says so.
inline bool InCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string_view(ci) == "true";
}

}  // namespace tarvelo::testing

// Ends the test for a missing tool, a server that did not start or a timeout:
// a skip with the reason, or a failure in CI.
#define TARVELO_SKIP_OR_FAIL_IN_CI(message)  \
  do {                                       \
    if (::tarvelo::testing::InCi()) {        \
      FAIL() << message;                     \
    }                                        \
    GTEST_SKIP() << message;                 \
  } while (false)
