// One installation as the user interface meets it: the worker thread and the
// record through which the two talk. The application creates the session and
// hands it to the main dialog; the dialog only shows what the worker reports
// and tells the session what the user wants.
#pragma once

#include <windows.h>

#include <memory>

#include "run/SetupSync.h"
#include "worker/SetupThread.h"

namespace kalvorin::setup {

class InstallSession {
public:
    InstallSession() = default;
    // Waits for the end of a worker that was started (see WaitForEnd).
    virtual ~InstallSession();
    InstallSession(const InstallSession&) = delete;
    InstallSession& operator=(const InstallSession&) = delete;

    // Creates the record and the worker (suspended), gives them the dialog's
    // window, raises the start event and resumes the worker. One worker per
    // session: false when one was started already or the record or the
    // thread cannot be made.
    [[nodiscard]] bool Start(HWND dialogWindow);

    bool Started() const { return thread_ != nullptr; }
    // The worker thread exists and has not ended.
    bool Running() const;
    // A cancel request was made (the dialog ignores reports from then on).
    bool CancelRequested() const;
    // What the worker reports of its progress (the next change posts
    // WM_SETUP_PROGRESS again).
    CSetupSync::Progress TakeProgress();
    // The same, leaving the message alone: the worker posts no other.
    CSetupSync::Progress ReadProgress() const;
    // Takes the next message's turn (false when one is on its way).
    bool HoldProgressPosts();

    // The cancel question: the worker stops at its next report, check or
    // question while it is held, and goes on when resumed.
    void Hold();
    void Resume();
    // Asks a running worker to cancel and lets it go on to its end (which
    // undoes what it did); returns without waiting.
    void Cancel();

    // Returns once the worker raised its done event (messages it sends to
    // this thread's windows are delivered meanwhile); a held worker is
    // resumed first.
    void WaitForDone();
    // WaitForDone, then until the thread has ended: the process must never
    // end in the middle of the worker's clean-up.
    void WaitForEnd();

    // What closing the dialog after a completed installation does with the
    // user's choices in SetupContext (restart, display properties).
    virtual void RunCompletionActions();

    // For tests: the record and the thread once started.
    CSetupSync* Sync() const { return sync_.get(); }
    CSetupThread* Thread() const { return thread_.get(); }

protected:
    // The worker thread object, not yet started. Test programs give their
    // own; nullptr: the thread cannot be made.
    virtual std::unique_ptr<CSetupThread> NewThread();

private:
    std::unique_ptr<CSetupSync> sync_;
    std::unique_ptr<CSetupThread> thread_;
};

}  // namespace kalvorin::setup
