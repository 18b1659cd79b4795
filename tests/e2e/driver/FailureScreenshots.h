// A GoogleTest listener that saves the screen at the first failed check of a
// test, while the program's windows are still open, as
// "<KALVORIN_BUILD>/screenshots/<Suite>.<Test>.png".
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace e2e {

class FailureScreenshots : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo& test) override;
    void OnTestPartResult(const testing::TestPartResult& result) override;

    // Adds the listener to GoogleTest's listeners (call once, after InitGoogleTest).
    static void Install();

private:
    std::string current_;
    bool saved_ = false;
};

}  // namespace e2e
