// GetTickCount64 for the oldest Windows the programs support.
//
// The C++ runtime's thread library (winpthreads, linked statically) calls
// GetTickCount64 for its timed waits. Windows XP has no such function, and a
// program that imports it does not even load there. TickCount64.cpp takes the
// place of that import in every shipped program: the first call looks the
// function up in kernel32 and uses it when it exists; otherwise a count
// extended from GetTickCount serves.
#pragma once

#include <cstdint>

namespace compat {

// The 64-bit count that `now` continues, given the last value handed out
// (`previous`): the same high half, one more when the 32-bit count has
// wrapped since (now below the previous low half). A wrap is seen only when
// counts are asked for at least every 49.7 days.
uint64_t ExtendTickCount(uint64_t previous, uint32_t now);

// Milliseconds since the start of Windows from GetTickCount, extended to 64
// bits as above (thread-safe, never going back).
uint64_t TickCount64FromTickCount();

}  // namespace compat
