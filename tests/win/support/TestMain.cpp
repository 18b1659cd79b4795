// Entry point of every Windows test program: GoogleTest, with the watchdog
// that reports a stalled test (a worker that never ends, a modal loop that
// never returns) with a screenshot and the windows it left open, before
// CTest's time-out.
#include <gtest/gtest.h>

#include "Watchdog.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    e2e::Watchdog::Install();
    return RUN_ALL_TESTS();
}
