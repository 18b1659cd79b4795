// The status codes the worker reports to the main dialog, and the message
// that carries them (code in wParam, data in lParam).
#pragma once

#include <windows.h>

namespace kalvorin::setup {

enum SetupStatus : int {
    NotStarted = -1,      // never sent; the initial installState
    Preparing = 0,        // posted
    CreatingFolders = 1,  // posted
    CopyingFile = 2,      // sent; lParam points at the file name
    Finishing = 3,        // posted
    Completed = 4,        // posted (twice on success)
    Aborted = 5,          // posted
};

constexpr UINT WM_SETUP_STATUS = WM_USER + 1;

}  // namespace kalvorin::setup
