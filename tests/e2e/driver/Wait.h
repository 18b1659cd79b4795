// Polling: the driver never sleeps for a fixed time to let the program react;
// it asks again until the answer is there or the time is up.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "Error.h"
#include "Stall.h"

namespace e2e {

// Default time to wait for a window, a message box or a state change.
inline constexpr DWORD kDefaultTimeoutMs = 10000;
// Time between two polls.
inline constexpr DWORD kPollIntervalMs = 20;

// Calls probe() until it returns a value (a non-empty optional) and returns
// that value; returns an empty optional after timeoutMs.
template <typename Probe>
auto Poll(DWORD timeoutMs, Probe probe) -> decltype(probe()) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        auto result = probe();
        if (result) {
            return result;
        }
        if (GetTickCount64() >= deadline) {
            return result;
        }
        Sleep(kPollIntervalMs);
    }
}

// Waits until condition() holds; throws Error naming `what` after timeoutMs,
// with a screenshot and the windows that were open (Stall.h).
template <typename Condition>
void WaitUntil(DWORD timeoutMs, const std::string& what, Condition condition) {
    auto ok = Poll(timeoutMs, [&]() -> std::optional<bool> {
        if (condition()) {
            return true;
        }
        return std::nullopt;
    });
    if (!ok) {
        ThrowStalled("timed out after " + std::to_string(timeoutMs) + " ms waiting for " + what);
    }
}

}  // namespace e2e
