// The record through which the main dialog and the worker thread meet: the
// worker, the two windows the worker talks to, and four events.
#pragma once

#include <windows.h>

class CSetupThread;

class CSetupSync {
public:
    // Creates the events: start (automatic reset), cancel (stays raised once
    // raised), done (manual reset), all initially clear; and run (manual
    // reset), initially raised.
    CSetupSync();
    // Closes the event handles.
    virtual ~CSetupSync();
    CSetupSync(const CSetupSync&) = delete;
    CSetupSync& operator=(const CSetupSync&) = delete;

    // False when an event could not be created.
    bool IsValid() const;

    CSetupThread* thread = nullptr;  // the worker; null until it exists
    HWND dialogWindow = nullptr;     // target of WM_SETUP_STATUS
    HWND progressWindow = nullptr;   // the dialog's progress bar
    HANDLE startEvent = nullptr;
    HANDLE cancelEvent = nullptr;
    HANDLE doneEvent = nullptr;
    // Raised while the worker may go on. The dialog clears it while its
    // cancel question is open; the worker then stops at its next report to
    // the dialog, cancel check or question of its own. (Suspending the thread
    // instead could stop it inside a heap or window-system lock that the
    // question box itself needs.)
    HANDLE runEvent = nullptr;
};
