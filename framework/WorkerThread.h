// A worker thread object: created suspended, runs InitInstance, Run and
// ExitInstance, keeps its handle open until the object is deleted.
#pragma once

#include <windows.h>

#include "framework/Handles.h"

namespace kalvorin {

class CWorkerThread {
public:
    CWorkerThread() = default;
    // Closes the thread handle; does not wait for or stop the thread. Delete
    // the object only after the thread has ended.
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Creates the thread suspended with the default stack size and the given
    // priority; Resume() starts it. false when it cannot be created (or a
    // thread was already created for this object).
    bool CreateThread(int priority = THREAD_PRIORITY_NORMAL);

    // SuspendThread / ResumeThread: the previous suspend count, or
    // (DWORD)-1 on failure or without a thread.
    DWORD Suspend();
    DWORD Resume();
    // GetExitCodeThread: STILL_ACTIVE (259) while the thread runs; (DWORD)-1
    // without a thread.
    DWORD ExitCode() const;
    HANDLE Handle() const { return handle_.Get(); }
    DWORD ThreadId() const { return threadId_; }

protected:
    // Runs first on the new thread. Default: TRUE. With FALSE, Run is
    // skipped and the exit code is ExitInstance's result.
    virtual BOOL InitInstance();
    // The thread's work; its result is the thread's exit code. Default: 0.
    virtual int Run();
    // Runs last on the thread (also after Run). Default: returns 0.
    virtual int ExitInstance();
    // An exception left InitInstance, Run or ExitInstance and was stopped at
    // the thread's entry (none may end the process there). Its result is the
    // thread's exit code. Default: ReportUnexpectedError(), 1.
    virtual int OnUnexpectedException();

private:
    static unsigned __stdcall ThreadProc(void* self) noexcept;
    UniqueHandle handle_;
    DWORD threadId_ = 0;
};

}  // namespace kalvorin
