// When a wait runs out: a picture of the screen and a list of the windows
// that were open, so that a stalled flow fails at once with what it saw
// instead of at the CTest time-out with nothing but "Timeout".
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// The visible top-level windows, one line each ("process 12 setup.exe:
// #32770 "Kalvorin" disabled"), each followed by its visible controls
// ("  1014 Button "&Installieren""); texts are read with a short time-out,
// so a hung window shows as <no answer>. `processId` 0: of every process.
std::string DescribeWindows(DWORD processId = 0);

// Saves a screenshot named after the running test ("<Suite>.<Test>-stalled",
// or `name` when given) and returns `what`, the screenshot's path and
// DescribeWindows().
std::string StallReport(const std::string& what, const std::string& name = std::string());

// Throws Error with StallReport(what).
[[noreturn]] void ThrowStalled(const std::string& what);

}  // namespace e2e
