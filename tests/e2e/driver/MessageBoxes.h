// Message boxes of the program under test: found among its top-level dialogs
// (class "#32770" with the text in a static control of id 65535), read, told
// apart by their icon and answered by button id.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "Process.h"
#include "Wait.h"
#include "Window.h"

namespace e2e {

enum class IconKind { None, Stop, Exclamation, Question, Information, Unknown };

const char* ToString(IconKind kind);

struct MessageBoxInfo {
    Window window;
    std::string caption;  // cp1252
    std::string text;     // cp1252, exactly as shown ("\n" between lines)
    IconKind icon = IconKind::None;
    std::vector<int>
        buttons;  // ids of the visible buttons, left to right (IDOK 1, IDCANCEL 2, IDRETRY 4, IDYES 6, IDNO 7)
    int defaultButton = 0;  // id of the button drawn as default (BS_DEFPUSHBUTTON), 0 when none
    Window owner;           // the owner window (empty when none)
};

// The message box of `processId` that is open now, if any. A box that is
// still being drawn may come back with icon Unknown; WaitForMessageBox waits
// until the icon can be told.
std::optional<MessageBoxInfo> FindMessageBox(DWORD processId);

// Waits until `process` shows a message box; throws Error after timeoutMs, or
// at once when the process ends first.
MessageBoxInfo WaitForMessageBox(const Process& process, DWORD timeoutMs = kDefaultTimeoutMs);

// Presses button `buttonId` of the box and waits until the box has closed.
// Throws Error when the box has no such visible button or does not close.
void AnswerMessageBox(const MessageBoxInfo& box, int buttonId, DWORD timeoutMs = kDefaultTimeoutMs);

// Tells which icon the box shows, from the pixels on screen: compares the
// icon control's area with the system icons drawn by this process on the same
// background. None when the box carries no icon.
IconKind ReadMessageBoxIcon(const Window& box);

}  // namespace e2e
