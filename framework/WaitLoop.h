// Waiting on a user-interface thread for another thread without blocking it:
// messages that other threads send to this thread's windows (status, file
// names, progress) are delivered meanwhile; posted messages stay queued.
#pragma once

#include <windows.h>

namespace kalvorin {

// Returns once `object` is signalled (or cannot be waited for).
void WaitDeliveringSentMessages(HANDLE object);

}  // namespace kalvorin
