#include "worker/SetupThread.h"

#include <exception>
#include <new>

#include "context/SetupContext.h"
#include "run/MyException.h"
#include "run/SetupException.h"
#include "run/SetupStatus.h"
#include "run/WorkerOps.h"
#include "worker/InstallRun.h"
#include "worker/ReportException.h"

namespace kalvorin::setup {

namespace {

constexpr int kProgressMaximum = 1200000;

// Lack of memory that no stage has turned into an installation error yet is
// reported like one.
std::exception_ptr MapOutOfMemory(std::exception_ptr error) {
    if (!error) return error;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return std::make_exception_ptr(CSetupException(SetupPhase::Internal, SetupCause::OutOfMemory));
    } catch (...) {
    }
    return error;
}

// True for the exceptions that leave a block without a message.
bool IsSilent(const std::exception_ptr& error) {
    if (!error) return true;
    try {
        std::rethrow_exception(error);
    } catch (const CSetupException&) {
        return false;
    } catch (const CMyException&) {
        return true;
    } catch (...) {
    }
    return false;
}

}  // namespace

const char* CSetupThread::UnexpectedThreadError::what() const noexcept {
    return "an exception at the worker thread's entry";
}

BOOL CSetupThread::InitInstance() {
    return TRUE;
}

std::unique_ptr<SetupRun> CSetupThread::CreateRun(CSetupSync& syncRecord, SetupContext& context) {
    return std::make_unique<InstallRun>(syncRecord, context);
}

int CSetupThread::Run() {
    if (sync == nullptr) return 1;
    CSetupSync& record = *sync;
    const WorkerBinding binding(record);

    std::unique_ptr<SetupRun> run;
    std::exception_ptr error;
    bool contextHeld = false;
    bool completed = false;
    try {
        SetupContext* context = AcquireSetupContext();
        contextHeld = true;
        ::WaitForSingleObject(record.startEvent.Get(), INFINITE);
        SetProgressRange(record, 0, kProgressMaximum);
        SetProgressPos(record, 0);
        NotifyDialog(record, true, Preparing, 0);
        run = CreateRun(record, *context);
        completed = run->RunBody() == RunResult::Completed;
    } catch (...) {
        error = MapOutOfMemory(std::current_exception());
    }
    return EndRun(record, run, error, contextHeld, completed);
}

int CSetupThread::EndRun(CSetupSync& record, std::unique_ptr<SetupRun>& run, std::exception_ptr error, bool contextHeld,
                         bool completed) noexcept {
    ended_ = true;
    // The end of every run; not while the cancel question is open.
    WaitWhileHeld(record);
    if (contextHeld) ReleaseSetupContext();
    if (run) {
        try {
            run->CleanUp();
        } catch (...) {
            // A failing clean-up is reported only when nothing else is.
            if (IsSilent(error)) error = MapOutOfMemory(std::current_exception());
        }
    }
    const bool succeeded = run && completed;
    try {
        ReportWorkerException(error);
    } catch (...) {
        // The message itself could not be shown (out of memory); the dialog
        // still learns how the run ended.
    }
    error = nullptr;
    try {
        run.reset();
    } catch (...) {
    }

    NotifyDialog(record, true, succeeded ? Completed : Aborted, 0);
    ::SetEvent(record.doneEvent.Get());
    return succeeded ? 0 : 1;
}

int CSetupThread::OnUnexpectedException() {
    // An exception outside the run itself (the thread's start or end): the
    // run ends as after any other unexpected error, unless it had ended
    // already.
    if (sync == nullptr || ended_) return 1;
    std::unique_ptr<SetupRun> none;
    return EndRun(*sync, none, std::make_exception_ptr(UnexpectedThreadError()), false, false);
}

}  // namespace kalvorin::setup
