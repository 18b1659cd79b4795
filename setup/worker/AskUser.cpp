#include "worker/AskUser.h"

#include "framework/MessageBox.h"

int AskUser(const std::string& text, UINT flags) {
    return AppMessageBox(text, flags);
}

int AskUser(UINT stringId, UINT flags) {
    return AppMessageBoxId(stringId, flags);
}
