// Test support: scenarios that run in a fresh child process (gtest death tests).
//
// Including this header makes every death test of the program use the "threadsafe" style (the
// child re-executes the program and runs only its test), so each scenario starts from the
// library's initial module state. The style is set once the test framework has started: a
// static initialiser could run before the flag's own constructor (writing into an unconstructed
// string, then losing the setting and the memory).
//
// REQUIRE(cond) is the check for inside such a child: it says what failed and leaves with
// exit code 3, which the parent's EXPECT_EXIT does not expect.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace brevra::test {

class ThreadsafeDeathTests : public ::testing::Environment {
 public:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};
[[maybe_unused]] inline ::testing::Environment* const kThreadsafeDeathTests =
    ::testing::AddGlobalTestEnvironment(new ThreadsafeDeathTests);

}  // namespace brevra::test

#define REQUIRE(cond)                                                         \
  do {                                                                        \
    if (!(cond)) {                                                            \
      std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #cond); \
      std::fflush(stderr);                                                    \
      std::_Exit(3);                                                          \
    }                                                                         \
  } while (0)
