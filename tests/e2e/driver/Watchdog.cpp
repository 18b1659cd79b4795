#include "Watchdog.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "Process.h"
#include "Stall.h"
#include "Text.h"

namespace e2e {

namespace {

std::mutex g_mutex;
std::string g_test;  // the running test, empty between tests
ULONGLONG g_testStarted = 0;
ULONGLONG g_programStarted = 0;
ULONGLONG g_testLimitMs = 120000;
ULONGLONG g_programLimitMs = 0;  // 0: none

ULONGLONG SecondsFromEnvironment(const char* name, ULONGLONG fallback) {
    const std::string value = GetEnv(name, "");
    if (value.empty()) return fallback;
    return std::strtoull(value.c_str(), nullptr, 10);
}

[[noreturn]] void GiveUp(const std::string& test, const std::string& why) {
    const std::string name = test.empty() ? std::string("program") : test;
    const std::string report = StallReport("[  STALLED ] " + name + ": " + why, name + "-stalled");
    std::fprintf(stdout, "\n%s\n", report.c_str());
    std::fflush(stdout);
    KillStartedProcesses();
    TerminateProcess(GetCurrentProcess(), 1);
    std::abort();
}

DWORD WINAPI Watch(void*) {
    for (;;) {
        Sleep(250);
        std::string test;
        ULONGLONG started = 0;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            test = g_test;
            started = g_testStarted;
        }
        const ULONGLONG now = GetTickCount64();
        if (!test.empty() && g_testLimitMs != 0 && now - started > g_testLimitMs) {
            GiveUp(test, "did not end within " + std::to_string(g_testLimitMs / 1000) + " s");
        }
        if (g_programLimitMs != 0 && now - g_programStarted > g_programLimitMs) {
            GiveUp(test, "the program did not end within " + std::to_string(g_programLimitMs / 1000) + " s");
        }
    }
}

}  // namespace

void Watchdog::OnTestStart(const testing::TestInfo& test) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_test = std::string(test.test_suite_name()) + "." + test.name();
    g_testStarted = GetTickCount64();
}

void Watchdog::OnTestEnd(const testing::TestInfo&) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_test.clear();
}

void Watchdog::Install() {
    g_programStarted = GetTickCount64();
    g_testLimitMs = SecondsFromEnvironment("KALVORIN_TEST_LIMIT", 120) * 1000;
    g_programLimitMs = SecondsFromEnvironment("KALVORIN_PROGRAM_LIMIT", 0) * 1000;
    testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    HANDLE thread = CreateThread(nullptr, 0, &Watch, nullptr, 0, nullptr);
    if (thread != nullptr) CloseHandle(thread);
}

}  // namespace e2e
