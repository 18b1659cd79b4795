#include "context/SetupContext.h"

#include <windows.h>

#include <mutex>

namespace kalvorin::setup {

namespace {

// The count itself changes only with interlocked operations; the mutex keeps
// the creation on first use and the destruction at the last release from
// overlapping.
std::mutex g_contextMutex;
SetupContext* g_context = nullptr;
volatile LONG g_useCount = 0;

}  // namespace

SetupContext* AcquireSetupContext() {
    std::lock_guard<std::mutex> lock(g_contextMutex);
    if (g_context == nullptr) g_context = new SetupContext();
    ::InterlockedIncrement(&g_useCount);
    return g_context;
}

void ReleaseSetupContext() {
    std::lock_guard<std::mutex> lock(g_contextMutex);
    // Never below 0: an unpaired release changes nothing.
    LONG count = g_useCount;
    while (count > 0) {
        const LONG seen = ::InterlockedCompareExchange(&g_useCount, count - 1, count);
        if (seen == count) break;
        count = seen;
    }
    if (count == 1) {
        delete g_context;
        g_context = nullptr;
    }
}

long SetupContextUseCount() {
    return ::InterlockedCompareExchange(&g_useCount, 0, 0);
}

}  // namespace kalvorin::setup
