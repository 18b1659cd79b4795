// The main function of every end-to-end test program: GoogleTest with the
// screenshot at the first failure of each test.
#include <gtest/gtest.h>

#include "FailureScreenshots.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    e2e::FailureScreenshots::Install();
    return RUN_ALL_TESTS();
}
