// The worker thread: waits for the dialog's start signal, runs one
// installation and ends every run through the same path (clean-up, one
// message by the kind of exception, Completed or Aborted, the done event).
#pragma once

#include <exception>
#include <memory>

#include "framework/WorkerThread.h"
#include "run/SetupSync.h"

namespace kalvorin::setup {

class SetupContext;

// How a run ended without an error.
enum class [[nodiscard]] RunResult{
    Completed,  // the completion step ran: the installation stays
    Cancelled,  // a cancel request or the user ended it silently: it is undone
};

// One installation as the thread runs it: the body and the clean-up at the
// end.
class SetupRun {
public:
    virtual ~SetupRun() = default;
    // The installation. An installation error, a file error or any other
    // exception leaves it.
    virtual RunResult RunBody() = 0;
    // The end of every run, after RunBody however it ended: undoes the
    // installation unless it completed, and removes the temporary things.
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
    // unexpected error (IDS_UNEXPECTED_ERROR, Aborted, the done event), unless it has
    // ended already. The exit code is 1.
    int OnUnexpectedException() override;

    // The installation the thread runs (the program's InstallRun). Test
    // programs put their own in its place.
    virtual std::unique_ptr<SetupRun> CreateRun(CSetupSync& sync, SetupContext& context);

private:
    // What OnUnexpectedException reports: no exception of the setup, so
    // IDS_UNEXPECTED_ERROR.
    struct UnexpectedThreadError : std::exception {
        const char* what() const noexcept override;
    };

    // The end of every run: clean-up, one message by the kind of `error`,
    // Completed (when `completed`) or Aborted, the done event. Returns the
    // exit code. Nothing leaves it.
    int EndRun(CSetupSync& record, std::unique_ptr<SetupRun>& run, std::exception_ptr error, bool contextHeld,
               bool completed) noexcept;

    bool ended_ = false;
};

}  // namespace kalvorin::setup
