#include "framework/MessageBox.h"

#include <mutex>

#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/StringTable.h"

namespace kalvorin {

namespace {

std::mutex g_hookMutex;
MessageBoxHook g_hook;

MessageBoxHook CurrentHook() {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    return g_hook;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    g_hook = std::move(hook);
}

UINT MessageBoxFlags(UINT flags) {
    if ((flags & MB_ICONMASK) == 0) {
        switch (flags & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
        case MB_YESNO:
        case MB_YESNOCANCEL:
            flags |= MB_ICONEXCLAMATION;
            break;
        default:
            break;
        }
    }
    return flags;
}

HWND MessageBoxOwner() {
    CApp* app = CApp::Current();
    CDialog* main = app != nullptr ? app->MainDialog() : nullptr;
    HWND owner = main != nullptr ? main->Hwnd() : nullptr;
    if (owner == nullptr || !::IsWindow(owner)) return nullptr;
    // While a modal dialog above the main dialog (the disk prompt) keeps it
    // disabled, a box belongs to that dialog, so that it is blocked as well.
    if (!::IsWindowEnabled(owner)) {
        HWND popup = ::GetLastActivePopup(owner);
        if (popup != nullptr && popup != owner && ::IsWindowEnabled(popup)) owner = popup;
    }
    return owner;
}

int AppMessageBox(const std::string& text, UINT flags) {
    const UINT finalFlags = MessageBoxFlags(flags);
    const std::string caption = CurrentAppName();
    if (MessageBoxHook hook = CurrentHook()) return hook(text, finalFlags, caption);

    // The box disables its owner while it is open, also when it is shown by a
    // thread that does not own the owner window, and enables it again before
    // it goes, so that the owner becomes the active window again. (Disabling
    // the owner here as well would leave it disabled at that moment, and
    // Windows would activate some other program's window instead.)
    return ::MessageBoxA(MessageBoxOwner(), text.c_str(), caption.c_str(), finalFlags);
}

int AppMessageBoxId(UINT id, UINT flags) {
    std::string text;
    if (!TryLoadStr(id, text)) return -1;
    return AppMessageBox(text, flags);
}

}  // namespace kalvorin
