// The record through which the main dialog and the worker thread meet: the
// worker, the two windows the worker talks to, and three events.
#pragma once

#include <windows.h>

class CSetupThread;

class CSetupSync {
public:
    // Creates the three events: start (automatic reset), cancel (stays
    // raised once raised), done (manual reset); all initially clear.
    CSetupSync();
    // Closes the three event handles.
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
};
