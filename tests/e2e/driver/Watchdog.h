// The last guard against a stalled test: a GoogleTest listener with a thread
// that watches the time. A test that has not ended after its limit, or a
// program that is still running shortly before CTest would stop it, is
// reported with the test's name, a screenshot and the windows that were
// open (Stall.h); the processes the test started are ended, and so is the
// program, with exit code 1. The waits of the driver fail long before; this
// catches what waits without the driver (a worker thread that never ends, a
// modal loop that never returns).
//
// KALVORIN_TEST_LIMIT     seconds one test may take (default 120)
// KALVORIN_PROGRAM_LIMIT  seconds the program may take; CTest's runs set it
//                         a little below the test's time-out (default: none)
#pragma once

#include <gtest/gtest.h>

namespace e2e {

class Watchdog : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo& test) override;
    void OnTestEnd(const testing::TestInfo& test) override;

    // Adds the listener and starts its thread (call once, after InitGoogleTest).
    static void Install();
};

}  // namespace e2e
