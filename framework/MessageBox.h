// The program's message box: caption = application name, owner = the main
// dialog, exclamation icon added to boxes that name no icon.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kalvorin {

// Shows `text` and returns the button pressed (IDOK, IDCANCEL, IDYES, ...),
// or 0 when the box could not be shown. Callable from any thread:
// - caption: CurrentAppName();
// - owner: MessageBoxOwner(); it is disabled while the box is open and
//   enabled again afterwards (when it was enabled before);
// - flags: MessageBoxFlags(flags).
int AppMessageBox(const std::string& text, UINT flags);

// AppMessageBox with string `id` of the string table; -1 (nothing shown) when
// the string cannot be loaded.
int AppMessageBoxId(UINT id, UINT flags);

// The flags actually used: MB_ICONEXCLAMATION is added when `flags` name no
// icon and the buttons are OK, OK/Cancel, Yes/No or Yes/No/Cancel.
UINT MessageBoxFlags(UINT flags);

// The owner window of message boxes: the main dialog's window, or the popup
// it last activated (a modal dialog above it) while the main dialog is
// disabled by that popup. nullptr when there is no main dialog window.
HWND MessageBoxOwner();

// Test seam: when a hook is set, AppMessageBox calls it with the text, the
// final flags and the caption instead of showing a box, and returns its
// result. An empty function removes the hook.
using MessageBoxHook = std::function<int(const std::string& text, UINT flags, const std::string& caption)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace kalvorin
