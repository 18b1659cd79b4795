#include "worker/SetupSync.h"

#include <initializer_list>

CSetupSync::CSetupSync() {
    startEvent = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);   // automatic reset
    cancelEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);   // nobody clears it
    doneEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);     // manual reset
    runEvent = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);       // manual reset, raised
}

CSetupSync::~CSetupSync() {
    for (HANDLE* event : {&startEvent, &cancelEvent, &doneEvent, &runEvent}) {
        if (*event != nullptr) ::CloseHandle(*event);
        *event = nullptr;
    }
}

bool CSetupSync::IsValid() const {
    return startEvent != nullptr && cancelEvent != nullptr && doneEvent != nullptr && runEvent != nullptr;
}

void CSetupSync::RequestCancel() {
    cancelRequested_.store(true);
    ::SetEvent(cancelEvent);
}

bool CSetupSync::CancelRequested() const {
    return cancelRequested_.load();
}

void CSetupSync::Hold() {
    held_.store(true);
    ::ResetEvent(runEvent);
}

void CSetupSync::Release() {
    ::SetEvent(runEvent);
    held_.store(false);
}

bool CSetupSync::Held() const {
    return held_.load();
}

void CSetupSync::ResetCancel() {
    cancelRequested_.store(false);
    ::ResetEvent(cancelEvent);
}
