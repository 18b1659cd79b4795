#include "worker/WorkerOps.h"

#include <commctrl.h>

#include "worker/MyException.h"

namespace {

thread_local CSetupSync* t_boundSync = nullptr;

}  // namespace

void WaitWhileHeld(CSetupSync& sync) {
    if (sync.Held() && sync.runEvent != nullptr) ::WaitForSingleObject(sync.runEvent, INFINITE);
}

WorkerBinding::WorkerBinding(CSetupSync& sync) : previous_(t_boundSync) {
    t_boundSync = &sync;
}

WorkerBinding::~WorkerBinding() {
    t_boundSync = previous_;
}

void WorkerBinding::WaitWhileCurrentHeld() {
    if (t_boundSync != nullptr) WaitWhileHeld(*t_boundSync);
}

void NotifyDialog(CSetupSync& sync, bool post, SetupStatus code, LPARAM data) {
    WaitWhileHeld(sync);
    const WPARAM wParam = static_cast<WPARAM>(static_cast<int>(code));
    if (post) ::PostMessageA(sync.dialogWindow, WM_SETUP_STATUS, wParam, data);
    else ::SendMessageA(sync.dialogWindow, WM_SETUP_STATUS, wParam, data);
}

void CheckCancel(CSetupSync& sync) {
    WaitWhileHeld(sync);
    if (sync.CancelRequested()) throw CMyException();
}

void SetProgressRange(CSetupSync& sync, int low, int high) {
    WaitWhileHeld(sync);
    ::SendMessageA(sync.progressWindow, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void SetProgressPos(CSetupSync& sync, int pos) {
    WaitWhileHeld(sync);
    ::SendMessageA(sync.progressWindow, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

void SetProgressStep(CSetupSync& sync, int step) {
    WaitWhileHeld(sync);
    ::SendMessageA(sync.progressWindow, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void StepProgress(CSetupSync& sync) {
    WaitWhileHeld(sync);
    // The control starts over from the bottom when a step passes its
    // maximum; the bar of the setup stays full instead.
    const LRESULT before = ::SendMessageA(sync.progressWindow, PBM_STEPIT, 0, 0);
    const LRESULT after = ::SendMessageA(sync.progressWindow, PBM_GETPOS, 0, 0);
    if (after < before) {
        const LRESULT high = ::SendMessageA(sync.progressWindow, PBM_GETRANGE, FALSE, 0);
        ::SendMessageA(sync.progressWindow, PBM_SETPOS, static_cast<WPARAM>(high), 0);
    }
}
