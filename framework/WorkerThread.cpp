#include "framework/WorkerThread.h"

#include <process.h>

#include "framework/App.h"

namespace kalvorin {

CWorkerThread::~CWorkerThread() = default;

bool CWorkerThread::CreateThread(int priority) {
    if (handle_) return false;
    unsigned id = 0;
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, &CWorkerThread::ThreadProc, this, CREATE_SUSPENDED, &id);
    if (handle == 0) return false;
    handle_.Reset(reinterpret_cast<HANDLE>(handle));
    threadId_ = id;
    if (priority != THREAD_PRIORITY_NORMAL) ::SetThreadPriority(handle_.Get(), priority);
    return true;
}

unsigned __stdcall CWorkerThread::ThreadProc(void* self) noexcept {
    CWorkerThread* thread = static_cast<CWorkerThread*>(self);
    try {
        if (!thread->InitInstance()) return static_cast<unsigned>(thread->ExitInstance());
        const int exitCode = thread->Run();
        thread->ExitInstance();
        return static_cast<unsigned>(exitCode);
    } catch (...) {
    }
    try {
        return static_cast<unsigned>(thread->OnUnexpectedException());
    } catch (...) {
        return 1;
    }
}

DWORD CWorkerThread::Suspend() {
    return handle_ ? ::SuspendThread(handle_.Get()) : static_cast<DWORD>(-1);
}

DWORD CWorkerThread::Resume() {
    return handle_ ? ::ResumeThread(handle_.Get()) : static_cast<DWORD>(-1);
}

DWORD CWorkerThread::ExitCode() const {
    DWORD code = 0;
    if (!handle_ || !::GetExitCodeThread(handle_.Get(), &code)) return static_cast<DWORD>(-1);
    return code;
}

BOOL CWorkerThread::InitInstance() {
    return TRUE;
}

int CWorkerThread::Run() {
    return 0;
}

int CWorkerThread::ExitInstance() {
    return 0;
}

int CWorkerThread::OnUnexpectedException() {
    ReportUnexpectedError();
    return 1;
}

}  // namespace kalvorin
