// What the worker does to report to the dialog and to honour a cancel
// request. All of them run on the worker thread.
#pragma once

#include <windows.h>

#include "worker/SetupStatus.h"
#include "worker/SetupSync.h"

// post: PostMessage of WM_SETUP_STATUS (returns at once); otherwise
// SendMessage (returns once the dialog has handled it; `data` must stay valid
// until then).
void NotifyDialog(CSetupSync& sync, bool post, SetupStatus code, LPARAM data);

// Tests the cancel event without waiting; throws CMyException when raised.
void CheckCancel(CSetupSync& sync);

// Progress bar messages, sent to sync.progressWindow.
void SetProgressRange(CSetupSync& sync, int low, int high);  // PBM_SETRANGE32
void SetProgressPos(CSetupSync& sync, int pos);              // PBM_SETPOS
void SetProgressStep(CSetupSync& sync, int step);            // PBM_SETSTEP
void StepProgress(CSetupSync& sync);                         // PBM_STEPIT
