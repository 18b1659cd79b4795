#include "run/WorkerOps.h"

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
    // The phases the status line names go into the progress first: the
    // dialog shows the newest state whichever message it handles first.
    if (code == Preparing || code == CreatingFolders || code == Finishing) {
        sync.UpdateProgress([code](CSetupSync::Progress& p) {
            p.phase = code;
            p.fileName.clear();
        });
    }
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

void ReportFile(CSetupSync& sync, const std::string& fileName) {
    WaitWhileHeld(sync);
    sync.UpdateProgress([&](CSetupSync::Progress& p) {
        p.phase = CopyingFile;
        p.fileName = fileName;
    });
}

void SetProgressRange(CSetupSync& sync, int low, int high) {
    WaitWhileHeld(sync);
    sync.UpdateProgress([&](CSetupSync::Progress& p) {
        p.low = low;
        p.high = high;
        p.pos = std::clamp(p.pos, low, std::max(low, high));
    });
}

void SetProgressPos(CSetupSync& sync, int pos) {
    WaitWhileHeld(sync);
    sync.UpdateProgress([&](CSetupSync::Progress& p) { p.pos = std::clamp(pos, p.low, std::max(p.low, p.high)); });
}

void SetProgressStep(CSetupSync& sync, int step) {
    WaitWhileHeld(sync);
    sync.UpdateProgress([&](CSetupSync::Progress& p) { p.step = step; });
}

void StepProgress(CSetupSync& sync) {
    WaitWhileHeld(sync);
    // The bar stays full at its end instead of starting over as the control
    // would.
    sync.UpdateProgress(
        [](CSetupSync::Progress& p) { p.pos = std::clamp(p.pos + p.step, p.low, std::max(p.low, p.high)); });
}

}  // namespace kalvorin::setup
