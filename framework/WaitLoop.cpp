#include "framework/WaitLoop.h"

namespace kalvorin {

void WaitDeliveringSentMessages(HANDLE object) {
    if (object == nullptr) return;
    for (;;) {
        const DWORD result = ::MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_SENDMESSAGE);
        if (result != WAIT_OBJECT_0 + 1) return;  // the object, or a failed wait
        // Peeking delivers the sent messages and removes nothing.
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
}

}  // namespace kalvorin
