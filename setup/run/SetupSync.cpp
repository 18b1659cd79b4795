#include "run/SetupSync.h"

namespace kalvorin::setup {

CSetupSync::CSetupSync()
    : startEvent(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),  // automatic reset
      cancelEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),  // nobody clears it
      doneEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),    // manual reset
      runEvent(::CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}    // manual reset, raised

bool CSetupSync::IsValid() const {
    return startEvent && cancelEvent && doneEvent && runEvent;
}

void CSetupSync::UpdateProgress(const std::function<void(Progress&)>& change) {
    {
        const std::lock_guard<std::mutex> lock(progressLock_);
        change(progress_);
        ++progress_.serial;
    }
    if (dialogWindow != nullptr && !progressPosted_.exchange(true)) {
        if (!::PostMessageA(dialogWindow, WM_SETUP_PROGRESS, 0, 0)) progressPosted_.store(false);
    }
}

CSetupSync::Progress CSetupSync::TakeProgress() {
    progressPosted_.store(false);
    return ReadProgress();
}

bool CSetupSync::HoldProgressPosts() {
    return !progressPosted_.exchange(true);
}

CSetupSync::Progress CSetupSync::ReadProgress() const {
    const std::lock_guard<std::mutex> lock(progressLock_);
    return progress_;
}

void CSetupSync::RequestCancel() {
    cancelRequested_.store(true);
    ::SetEvent(cancelEvent.Get());
}

bool CSetupSync::CancelRequested() const {
    return cancelRequested_.load();
}

void CSetupSync::Hold() {
    held_.store(true);
    ::ResetEvent(runEvent.Get());
}

void CSetupSync::Release() {
    ::SetEvent(runEvent.Get());
    held_.store(false);
}

bool CSetupSync::Held() const {
    return held_.load();
}

void CSetupSync::ResetCancel() {
    cancelRequested_.store(false);
    ::ResetEvent(cancelEvent.Get());
}

}  // namespace kalvorin::setup
