// The record through which the main dialog and the worker thread meet: the
// two windows the worker talks to, and four events it owns.
#pragma once

#include <windows.h>

#include <atomic>

#include "framework/Handles.h"

namespace kalvorin::setup {

class CSetupSync {
public:
    // Creates the events: start (automatic reset), cancel (stays raised once
    // raised), done (manual reset), all initially clear; and run (manual
    // reset), initially raised.
    CSetupSync();
    virtual ~CSetupSync() = default;
    CSetupSync(const CSetupSync&) = delete;
    CSetupSync& operator=(const CSetupSync&) = delete;

    // False when an event could not be created.
    bool IsValid() const;

    HWND dialogWindow = nullptr;    // target of WM_SETUP_STATUS
    HWND progressWindow = nullptr;  // the dialog's progress bar
    UniqueHandle startEvent;
    UniqueHandle cancelEvent;
    UniqueHandle doneEvent;
    // Raised while the worker may go on. The dialog clears it while its
    // cancel question is open; the worker then stops at its next report to
    // the dialog, cancel check or question of its own. (Suspending the thread
    // instead could stop it inside a heap or window-system lock that the
    // question box itself needs.)
    UniqueHandle runEvent;

    // The progress bar's range, position and step as the worker last set
    // them (the control's own defaults until then). The worker is the bar's
    // only driver, so a step needs no question to the bar about where it is.
    int progressLow = 0;
    int progressHigh = 100;
    int progressPos = 0;
    int progressStep = 10;

    // The cancel request and the hold go through these, which keep a copy
    // of each event's state in the process: the worker looks at the copy
    // thousands of times a run, where asking for an event's state is a
    // round trip to the system.
    void RequestCancel();          // raises cancelEvent (it stays raised)
    bool CancelRequested() const;  // whether it was raised
    void Hold();                   // clears runEvent
    void Release();                // raises runEvent
    bool Held() const;             // whether runEvent is clear
    // A record used for several runs (tests) starts the next one afresh.
    void ResetCancel();

private:
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> held_{false};
};

}  // namespace kalvorin::setup
