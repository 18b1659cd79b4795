#include "worker/InstallSession.h"

#include <new>

#include "context/SetupContext.h"
#include "framework/WaitLoop.h"
#include "register/CompletionActions.h"

namespace kalvorin::setup {

InstallSession::~InstallSession() {
    WaitForEnd();
}

std::unique_ptr<CSetupThread> InstallSession::NewThread() {
    return std::make_unique<CSetupThread>();
}

bool InstallSession::Start(HWND dialogWindow) {
    if (sync_ != nullptr) return false;
    try {
        auto sync = std::make_unique<CSetupSync>();
        sync->dialogWindow = dialogWindow;
        std::unique_ptr<CSetupThread> thread = NewThread();
        if (!sync->IsValid() || thread == nullptr) return false;
        thread->sync = sync.get();
        if (!thread->CreateThread(THREAD_PRIORITY_NORMAL)) return false;
        sync_ = std::move(sync);
        thread_ = std::move(thread);
    } catch (const std::bad_alloc&) {
        return false;
    }
    ::SetEvent(sync_->startEvent.Get());
    thread_->Resume();
    return true;
}

bool InstallSession::Running() const {
    return thread_ != nullptr && thread_->ExitCode() == STILL_ACTIVE;
}

bool InstallSession::CancelRequested() const {
    return sync_ != nullptr && sync_->CancelRequested();
}

CSetupSync::Progress InstallSession::TakeProgress() {
    return sync_ != nullptr ? sync_->TakeProgress() : CSetupSync::Progress();
}

CSetupSync::Progress InstallSession::ReadProgress() const {
    return sync_ != nullptr ? sync_->ReadProgress() : CSetupSync::Progress();
}

bool InstallSession::HoldProgressPosts() {
    return sync_ != nullptr && sync_->HoldProgressPosts();
}

void InstallSession::Hold() {
    if (sync_ != nullptr) sync_->Hold();
}

void InstallSession::Resume() {
    if (sync_ != nullptr) sync_->Release();
}

void InstallSession::Cancel() {
    if (!Running()) return;
    sync_->RequestCancel();
    Resume();
}

void InstallSession::WaitForDone() {
    if (sync_ == nullptr || thread_ == nullptr) return;
    // A worker held by the cancel question could never get there.
    Resume();
    WaitDeliveringSentMessages(sync_->doneEvent.Get());
}

void InstallSession::WaitForEnd() {
    if (sync_ == nullptr || thread_ == nullptr) return;
    WaitForDone();
    WaitDeliveringSentMessages(thread_->Handle());
}

void InstallSession::RunCompletionActions() {
    SetupContextHold context;
    setup::RunCompletionActions(*context);
}

}  // namespace kalvorin::setup
