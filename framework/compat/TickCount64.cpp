#include "framework/compat/TickCount64.h"

#include <windows.h>

#include <atomic>

namespace compat {

uint64_t ExtendTickCount(uint64_t previous, uint32_t now) {
    uint64_t high = previous >> 32;
    if (now < static_cast<uint32_t>(previous)) ++high;
    return (high << 32) | now;
}

uint64_t TickCount64FromTickCount() {
    static std::atomic<uint64_t> last{0};
    uint64_t seen = last.load();
    for (;;) {
        // Read after loading `seen`: a value stored meanwhile makes the
        // exchange fail, and the next round reads the count anew.
        const uint64_t next = ExtendTickCount(seen, ::GetTickCount());
        if (last.compare_exchange_weak(seen, next)) return next;
    }
}

}  // namespace compat

namespace {

using TickCountFunction = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI FallbackTickCount64() {
    return compat::TickCount64FromTickCount();
}

ULONGLONG WINAPI ResolveTickCount64();

}  // namespace

// The import slot through which the runtime calls GetTickCount64. Defined
// here, it keeps the linker from taking kernel32's import: the first call
// fills it with the system's function or the fallback.
#if defined(__i386__)
#define KALV_TICKCOUNT64_SLOT "__imp__GetTickCount64@0"
#else
#define KALV_TICKCOUNT64_SLOT "__imp_GetTickCount64"
#endif
extern "C" {
TickCountFunction volatile kalvTickCount64Slot __asm__(KALV_TICKCOUNT64_SLOT) = ResolveTickCount64;
}

namespace {

ULONGLONG WINAPI ResolveTickCount64() {
    TickCountFunction function = FallbackTickCount64;
    if (const HMODULE kernel = ::GetModuleHandleA("kernel32.dll")) {
        if (const FARPROC found = ::GetProcAddress(kernel, "GetTickCount64")) {
            function = reinterpret_cast<TickCountFunction>(reinterpret_cast<void (*)()>(found));
        }
    }
    // Every thread that gets here stores the same function.
    kalvTickCount64Slot = function;
    return function();
}

}  // namespace
