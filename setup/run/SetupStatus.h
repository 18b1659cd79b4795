// The status codes the worker reports to the main dialog, the message that
// carries them (code in wParam), and the message that says the progress
// changed (CSetupSync::Progress).
#pragma once

#include <windows.h>

namespace kalvorin::setup {

enum SetupStatus : int {
    NotStarted = -1,      // never sent; the initial installState
    Preparing = 0,        // posted
    CreatingFolders = 1,  // posted
    CopyingFile = 2,      // never a message: the files, as WM_SETUP_PROGRESS names them
    Finishing = 3,        // posted
    Completed = 4,        // posted (twice on success)
    Aborted = 5,          // posted
};

constexpr UINT WM_SETUP_STATUS = WM_USER + 1;
constexpr UINT WM_SETUP_PROGRESS = WM_USER + 2;

}  // namespace kalvorin::setup
