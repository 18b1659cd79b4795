// What the worker does to report to the dialog and to honour a cancel
// request. All of them run on the worker thread.
#pragma once

#include <windows.h>

#include "run/SetupStatus.h"
#include "run/SetupSync.h"

namespace kalvorin::setup {

// Waits while the dialog holds the worker (its cancel question is open).
// Every operation below does this first.
void WaitWhileHeld(CSetupSync& sync);

// Binds `sync` to the calling thread for as long as the object lives, so that
// the worker's own questions (AskUser) wait while it is held, too.
class WorkerBinding {
public:
    explicit WorkerBinding(CSetupSync& sync);
    ~WorkerBinding();
    WorkerBinding(const WorkerBinding&) = delete;
    WorkerBinding& operator=(const WorkerBinding&) = delete;

    // WaitWhileHeld for the record bound to the calling thread, if any.
    static void WaitWhileCurrentHeld();

private:
    CSetupSync* previous_;
};

// post: PostMessage of WM_SETUP_STATUS (returns at once); otherwise
// SendMessage (returns once the dialog has handled it; `data` must stay valid
// until then).
void NotifyDialog(CSetupSync& sync, bool post, SetupStatus code, LPARAM data);

// Tests the cancel request without waiting; throws CSilentAbort when made.
void CheckCancel(CSetupSync& sync);

// Progress bar messages, sent to sync.progressWindow.
void SetProgressRange(CSetupSync& sync, int low, int high);  // PBM_SETRANGE32
void SetProgressPos(CSetupSync& sync, int pos);              // PBM_SETPOS
void SetProgressStep(CSetupSync& sync, int step);            // PBM_SETSTEP
void StepProgress(CSetupSync& sync);                         // PBM_STEPIT

}  // namespace kalvorin::setup
