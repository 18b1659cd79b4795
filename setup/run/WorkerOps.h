// What the worker does to report to the dialog and to honour a cancel
// request. All of them run on the worker thread.
#pragma once

#include <windows.h>

#include <string>

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
// until then). Preparing, CreatingFolders and Finishing are the progress's
// phase from then on.
void NotifyDialog(CSetupSync& sync, bool post, SetupStatus code, LPARAM data);

// The file being installed, for the status line: the progress's phase is
// CopyingFile (CSetupSync::Progress).
void ReportFile(CSetupSync& sync, const std::string& fileName);

// Tests the cancel request without waiting; throws CSilentAbort when made.
void CheckCancel(CSetupSync& sync);

// The progress bar, as the dialog shows it (CSetupSync::Progress): its
// range, a position within it, the step and one step (which stops at the
// end of the range instead of starting over).
void SetProgressRange(CSetupSync& sync, int low, int high);
void SetProgressPos(CSetupSync& sync, int pos);
void SetProgressStep(CSetupSync& sync, int step);
void StepProgress(CSetupSync& sync);

}  // namespace kalvorin::setup
