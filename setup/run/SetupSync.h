// The record through which the main dialog and the worker thread meet: the
// dialog's window, four events, and what the dialog shows of the run.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "framework/Handles.h"
#include "run/SetupStatus.h"

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

    HWND dialogWindow = nullptr;  // target of WM_SETUP_STATUS and WM_SETUP_PROGRESS
    UniqueHandle startEvent;
    UniqueHandle cancelEvent;
    UniqueHandle doneEvent;
    // Raised while the worker may go on. The dialog clears it while its
    // cancel question is open; the worker then stops at its next report to
    // the dialog, cancel check or question of its own. (Suspending the thread
    // instead could stop it inside a heap or window-system lock that the
    // question box itself needs.)
    UniqueHandle runEvent;

    // What the dialog shows of the run: the progress bar as the worker set
    // it (the control's own defaults until then) and the file being
    // installed. The worker changes it under a lock and posts
    // WM_SETUP_PROGRESS only when none is waiting; the dialog takes it when
    // the message comes. So the worker never waits for the dialog's thread,
    // and the dialog shows the newest state within one message.
    struct Progress {
        int low = 0;
        int high = 100;
        int pos = 0;
        int step = 10;
        SetupStatus phase = NotStarted;  // Preparing, CreatingFolders, CopyingFile or Finishing
        std::string fileName;            // CopyingFile: the file being installed
        unsigned serial = 0;             // counts the changes: whether there is anything new
    };
    // The worker's side: `change` runs under the lock, then the message is
    // posted unless one is waiting.
    void UpdateProgress(const std::function<void(Progress&)>& change);
    // The dialog's side: a copy of the state; the next change posts again.
    Progress TakeProgress();
    // A copy, leaving the message alone.
    Progress ReadProgress() const;
    // The dialog takes the next message's turn: the worker posts none until
    // TakeProgress. False when one is already on its way.
    bool HoldProgressPosts();

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
    mutable std::mutex progressLock_;
    Progress progress_;
    std::atomic<bool> progressPosted_{false};
};

}  // namespace kalvorin::setup
