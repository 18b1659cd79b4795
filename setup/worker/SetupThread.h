// The worker thread: waits for the dialog's start signal, runs one
// installation and ends every run through the same path (clean-up, one
// message by the kind of exception, Completed or Aborted, the done event).
#pragma once

#include <exception>
#include <memory>

#include "framework/WorkerThread.h"
#include "worker/SetupSync.h"

class SetupContext;

// One installation as the thread runs it: the body, which always ends with an
// exception, whether it earned its success, and the clean-up at the end.
class SetupRun {
public:
    virtual ~SetupRun() = default;
    virtual void RunBody() = 0;
    virtual bool Succeeded() const = 0;
    virtual void CleanUp() = 0;
};

class CSetupThread : public CWorkerThread {
public:
    CSetupThread() = default;

    // The coordination record; set by the dialog while the thread is still
    // suspended.
    CSetupSync* sync = nullptr;

protected:
    BOOL InitInstance() override;
    // The whole installation; the result is the exit code: 0 after a
    // successful run, 1 otherwise.
    int Run() override;

    // An exception reached the thread's entry outside the run (its start or
    // end): the run ends through the same end as every run, as an
    // unexpected error (string 72, Aborted, the done event), unless it has
    // ended already. The exit code is 1.
    int OnUnexpectedException() override;

    // The installation the thread runs (the program's InstallRun). Test
    // programs put their own in its place.
    virtual std::unique_ptr<SetupRun> CreateRun(CSetupSync& sync, SetupContext& context);

private:
    // What OnUnexpectedException reports: no exception of the setup, so
    // string 72.
    struct UnexpectedThreadError : std::exception {
        const char* what() const noexcept override;
    };

    // The end of every run: clean-up, one message by the kind of `error`,
    // Completed or Aborted, the done event. Returns the exit code.
    int EndRun(CSetupSync& record, std::unique_ptr<SetupRun>& run, std::exception_ptr error, bool contextHeld);

    bool ended_ = false;
};
