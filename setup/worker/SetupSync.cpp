#include "worker/SetupSync.h"

#include <initializer_list>

CSetupSync::CSetupSync() {
    startEvent = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);   // automatic reset
    cancelEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);   // nobody clears it
    doneEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);     // manual reset
}

CSetupSync::~CSetupSync() {
    for (HANDLE* event : {&startEvent, &cancelEvent, &doneEvent}) {
        if (*event != nullptr) ::CloseHandle(*event);
        *event = nullptr;
    }
}

bool CSetupSync::IsValid() const {
    return startEvent != nullptr && cancelEvent != nullptr && doneEvent != nullptr;
}
