#include "run/WorkerOps.h"

#include <commctrl.h>

#include <algorithm>

#include "run/MyException.h"

namespace kalvorin::setup {

namespace {

thread_local CSetupSync* t_boundSync = nullptr;

}  // namespace

void WaitWhileHeld(CSetupSync& sync) {
    if (sync.Held() && sync.runEvent) ::WaitForSingleObject(sync.runEvent.Get(), INFINITE);
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
    if (post)
        ::PostMessageA(sync.dialogWindow, WM_SETUP_STATUS, wParam, data);
    else
        ::SendMessageA(sync.dialogWindow, WM_SETUP_STATUS, wParam, data);
}

void CheckCancel(CSetupSync& sync) {
    WaitWhileHeld(sync);
    if (sync.CancelRequested()) throw CSilentAbort();
}

void SetProgressRange(CSetupSync& sync, int low, int high) {
    WaitWhileHeld(sync);
    ::SendMessageA(sync.progressWindow, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
    sync.progressLow = low;
    sync.progressHigh = high;
    sync.progressPos = std::clamp(sync.progressPos, low, std::max(low, high));
}

void SetProgressPos(CSetupSync& sync, int pos) {
    WaitWhileHeld(sync);
    ::SendMessageA(sync.progressWindow, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
    sync.progressPos = std::clamp(pos, sync.progressLow, std::max(sync.progressLow, sync.progressHigh));
}

void SetProgressStep(CSetupSync& sync, int step) {
    WaitWhileHeld(sync);
    ::SendMessageA(sync.progressWindow, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
    sync.progressStep = step;
}

void StepProgress(CSetupSync& sync) {
    WaitWhileHeld(sync);
    // The control starts over from the bottom when a step passes its
    // maximum; the bar of the setup stays full instead.
    if (sync.progressStep > 0 && sync.progressPos > sync.progressHigh - sync.progressStep) {
        sync.progressPos = sync.progressHigh;
        ::SendMessageA(sync.progressWindow, PBM_SETPOS, static_cast<WPARAM>(sync.progressHigh), 0);
        return;
    }
    sync.progressPos += sync.progressStep;
    ::SendMessageA(sync.progressWindow, PBM_STEPIT, 0, 0);
}

}  // namespace kalvorin::setup
