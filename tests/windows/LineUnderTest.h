#pragma once

// The COM port that scripts/wine-line published for this run and checked to
// lead to its peer's pseudo-terminal. Line tests run only through that
// script: without it they fail instead of guessing a port, so that no test
// ever opens a serial device of the machine.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

inline std::string lineUnderTest() {
    const char* port = std::getenv("FLASHKIT_TEST_PORT");
    return port != nullptr ? std::string(port) : std::string();
}

#define REQUIRE_LINE_UNDER_TEST()                                                                \
    do {                                                                                         \
        if (lineUnderTest().empty())                                                             \
            GTEST_FAIL() << "no FLASHKIT_TEST_PORT: run this program through scripts/wine-line"; \
    } while (false)
