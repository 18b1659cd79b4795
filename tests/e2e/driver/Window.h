// A window of the program under test, seen from the driver process. Reads go
// through SendMessageTimeout, so a busy or hung program never stalls a test;
// actions that may open a modal box are posted, never sent.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "Process.h"
#include "Wait.h"

namespace e2e {

struct ProgressState {
    int position = 0;
    int low = 0;
    int high = 0;
};

class Window {
public:
    Window() = default;
    explicit Window(HWND hwnd) : hwnd_(hwnd) {}

    HWND Handle() const { return hwnd_; }
    bool Exists() const;
    DWORD ProcessId() const;
    int Id() const;
    std::string ClassName() const;
    std::string Text() const;  // cp1252 bytes; throws when the window does not answer
    LONG Style() const;
    bool Visible() const;  // visible itself and all its parents
    bool Enabled() const;
    RECT ScreenRect() const;
    Window Owner() const;  // the owner of a top-level window (empty when none)

    // Controls. `id` is searched among the direct children first, then among
    // all descendants (controls on child dialogs); of several descendants with
    // the id, a visible one is preferred. Child() throws when none exists.
    std::optional<Window> FindChild(int id) const;
    Window Child(int id) const;
    std::vector<Window> Children() const;  // all descendants, in Z order per level

    std::string ChildText(int id) const { return Child(id).Text(); }
    int CheckState(int id) const;                              // BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2
    ProgressState Progress(int id) const;                      // PBM_GETPOS / PBM_GETRANGE
    void SetChildText(int id, const std::string& text) const;  // WM_SETTEXT, cp1252

    // Clicks the button `id` as a user would: throws when the button is hidden
    // or disabled, else posts WM_COMMAND/BN_CLICKED to the button's parent
    // (automatic check boxes and radio buttons get BM_CLICK, so that their
    // state changes as well).
    void Click(int id) const;
    // Posts a key press (WM_KEYDOWN, WM_KEYUP) to the control that has the
    // focus in this window's thread when it belongs to this window, else to
    // the window itself; dialog loops see it as a real key.
    void PressKey(UINT virtualKey) const;
    void PressEnter() const { PressKey(VK_RETURN); }
    void PressEscape() const { PressKey(VK_ESCAPE); }

    // Waits until the window is destroyed; throws Error after timeoutMs.
    void WaitUntilGone(DWORD timeoutMs = kDefaultTimeoutMs) const;

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam, const char* what) const;

    HWND hwnd_ = nullptr;
};

// Top-level windows of process `processId` with the given class ("#32770" for
// dialogs) and caption (cp1252; empty matches any caption). Only visible ones.
std::vector<Window> FindTopLevelWindows(DWORD processId, const std::string& className,
                                        const std::optional<std::string>& caption = std::nullopt);
std::optional<Window> FindTopLevelWindow(DWORD processId, const std::string& className,
                                         const std::optional<std::string>& caption = std::nullopt);
// Waits until such a window of `process` is visible; throws Error after
// timeoutMs, or at once when the process ends first.
Window WaitForWindow(const Process& process, const std::string& caption, const std::string& className = "#32770",
                     DWORD timeoutMs = kDefaultTimeoutMs);

}  // namespace e2e
