// The main function of every end-to-end test program: GoogleTest with the
// screenshot at the first failure of each test, every test starting from
// the prefix as the one before found it, and the watchdog that reports a
// stalled test before CTest's time-out.
#include <gtest/gtest.h>

#include "FailureScreenshots.h"
#include "Snapshot.h"
#include "Watchdog.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    e2e::FailureScreenshots::Install();
    e2e::PrefixIsolation::Install();
    e2e::Watchdog::Install();
    return RUN_ALL_TESTS();
}
