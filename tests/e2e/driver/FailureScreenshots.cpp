#include "FailureScreenshots.h"

#include <cstdio>

#include "Screen.h"

namespace e2e {

void FailureScreenshots::OnTestStart(const testing::TestInfo& test) {
    current_ = std::string(test.test_suite_name()) + "." + test.name();
    saved_ = false;
}

void FailureScreenshots::OnTestPartResult(const testing::TestPartResult& result) {
    if (!result.failed() || saved_) {
        return;
    }
    saved_ = true;
    const std::string path = SaveScreenshot(current_.empty() ? std::string("unnamed") : current_);
    if (!path.empty()) {
        std::printf("[ screenshot ] %s\n", path.c_str());
    }
}

void FailureScreenshots::Install() {
    testing::UnitTest::GetInstance()->listeners().Append(new FailureScreenshots);
}

}  // namespace e2e
