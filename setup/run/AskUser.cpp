#include "run/AskUser.h"

#include "framework/MessageBox.h"
#include "run/WorkerOps.h"

namespace kalvorin::setup {

int AskUser(const std::string& text, UINT flags) {
    WorkerBinding::WaitWhileCurrentHeld();
    return AppMessageBox(text, flags);
}

int AskUser(UINT stringId, UINT flags) {
    WorkerBinding::WaitWhileCurrentHeld();
    return AppMessageBoxId(stringId, flags);
}

}  // namespace kalvorin::setup
