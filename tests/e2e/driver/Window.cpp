#include "Window.h"

#include <commctrl.h>

#include "Error.h"
#include "Stall.h"
#include "Text.h"

namespace e2e {

namespace {

constexpr UINT kSendTimeoutMs = 5000;

std::string Describe(HWND hwnd) {
    char buffer[32];
    wsprintfA(buffer, "window %p", static_cast<void*>(hwnd));
    return buffer;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<Window>*>(lParam)->emplace_back(hwnd);
    return TRUE;
}

}  // namespace

LRESULT Window::Send(UINT message, WPARAM wParam, LPARAM lParam, const char* what) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd_, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &result)) {
        ThrowLastError(std::string(what) + " to " + Describe(hwnd_) + " got no answer");
    }
    return static_cast<LRESULT>(result);
}

bool Window::Exists() const {
    return hwnd_ != nullptr && IsWindow(hwnd_);
}

DWORD Window::ProcessId() const {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd_, &pid);
    return pid;
}

int Window::Id() const {
    return static_cast<int>(GetWindowLongPtrW(hwnd_, GWLP_ID));
}

std::string Window::ClassName() const {
    wchar_t buffer[256];
    const int n = GetClassNameW(hwnd_, buffer, 256);
    return To1252(std::wstring(buffer, n > 0 ? static_cast<size_t>(n) : 0));
}

std::string Window::Text() const {
    // The program may change the text between the two questions: a buffer
    // one character larger than the length shows whether the text grew
    // meanwhile (it fills the buffer), and then both are asked again.
    for (;;) {
        const auto length = static_cast<size_t>(Send(WM_GETTEXTLENGTH, 0, 0, "WM_GETTEXTLENGTH"));
        std::wstring buffer(length + 2, L'\0');
        const auto got =
            static_cast<size_t>(Send(WM_GETTEXT, length + 2, reinterpret_cast<LPARAM>(buffer.data()), "WM_GETTEXT"));
        if (got <= length) {
            buffer.resize(got);
            return To1252(buffer);
        }
    }
}

LONG Window::Style() const {
    return static_cast<LONG>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
}

bool Window::Visible() const {
    return IsWindowVisible(hwnd_) != FALSE;
}

bool Window::Enabled() const {
    return IsWindowEnabled(hwnd_) != FALSE;
}

RECT Window::ScreenRect() const {
    RECT rect{};
    if (!GetWindowRect(hwnd_, &rect)) {
        ThrowLastError("GetWindowRect of " + Describe(hwnd_));
    }
    return rect;
}

Window Window::Owner() const {
    return Window(GetWindow(hwnd_, GW_OWNER));
}

std::vector<Window> Window::Children() const {
    std::vector<Window> out;
    EnumChildWindows(hwnd_, CollectChild, reinterpret_cast<LPARAM>(&out));
    return out;
}

std::optional<Window> Window::FindChild(int id) const {
    if (HWND direct = GetDlgItem(hwnd_, id)) {
        return Window(direct);
    }
    std::optional<Window> hidden;
    for (const Window& child : Children()) {
        if (child.Id() != id) {
            continue;
        }
        if (child.Visible()) {
            return child;
        }
        if (!hidden) {
            hidden = child;
        }
    }
    return hidden;
}

Window Window::Child(int id) const {
    if (auto child = FindChild(id)) {
        return *child;
    }
    throw Error("no control with id " + std::to_string(id) + " in " + Describe(hwnd_));
}

int Window::CheckState(int id) const {
    return static_cast<int>(Child(id).Send(BM_GETCHECK, 0, 0, "BM_GETCHECK"));
}

ProgressState Window::Progress(int id) const {
    const Window bar = Child(id);
    ProgressState state;
    state.position = static_cast<int>(bar.Send(PBM_GETPOS, 0, 0, "PBM_GETPOS"));
    state.low = static_cast<int>(bar.Send(PBM_GETRANGE, TRUE, 0, "PBM_GETRANGE"));
    state.high = static_cast<int>(bar.Send(PBM_GETRANGE, FALSE, 0, "PBM_GETRANGE"));
    return state;
}

void Window::SetChildText(int id, const std::string& text) const {
    const std::wstring wide = WideFrom1252(text);
    if (!Child(id).Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), "WM_SETTEXT")) {
        throw Error("control " + std::to_string(id) + " refused WM_SETTEXT");
    }
}

void Window::Click(int id) const {
    const Window button = Child(id);
    if (!button.Visible()) {
        throw Error("button " + std::to_string(id) + " is not visible: a user could not click it");
    }
    if (!button.Enabled()) {
        throw Error("button " + std::to_string(id) + " is disabled: a user could not click it");
    }
    const LONG type = button.Style() & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON) {
        // The button changes its own state on a click and then tells its parent.
        if (!PostMessageW(button.Handle(), BM_CLICK, 0, 0)) {
            ThrowLastError("posting the click on button " + std::to_string(id));
        }
        return;
    }
    const HWND parent = GetParent(button.Handle());
    if (!PostMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button.Handle()))) {
        ThrowLastError("posting the click on button " + std::to_string(id));
    }
}

void Window::PressKey(UINT virtualKey) const {
    HWND target = hwnd_;
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(hwnd_, nullptr);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr &&
        (info.hwndFocus == hwnd_ || IsChild(hwnd_, info.hwndFocus))) {
        target = info.hwndFocus;
    }
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
    if (!PostMessageW(target, WM_KEYDOWN, virtualKey, down)) {
        ThrowLastError("posting a key to " + Describe(target));
    }
    // The key down may already have closed the window (Escape, Enter): then
    // the key up has nowhere to go, as when a user lets go of the key.
    if (!PostMessageW(target, WM_KEYUP, virtualKey, up) && IsWindow(target)) {
        ThrowLastError("posting a key release to " + Describe(target));
    }
}

void Window::WaitUntilGone(DWORD timeoutMs) const {
    WaitUntil(timeoutMs, Describe(hwnd_) + " to close", [&] { return !IsWindow(hwnd_); });
}

namespace {

struct TopLevelSearch {
    DWORD processId;
    std::string className;
    std::optional<std::string> caption;
    std::vector<Window> found;
};

BOOL CALLBACK MatchTopLevel(HWND hwnd, LPARAM lParam) {
    auto& search = *reinterpret_cast<TopLevelSearch*>(lParam);
    const Window window(hwnd);
    if (window.ProcessId() != search.processId || !window.Visible() || window.ClassName() != search.className) {
        return TRUE;
    }
    if (search.caption) {
        std::string text;
        try {
            text = window.Text();
        } catch (const Error&) {
            return TRUE;  // busy or just destroyed: not this round
        }
        if (text != *search.caption) {
            return TRUE;
        }
    }
    search.found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<Window> FindTopLevelWindows(DWORD processId, const std::string& className,
                                        const std::optional<std::string>& caption) {
    TopLevelSearch search{processId, className, caption, {}};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::optional<Window> FindTopLevelWindow(DWORD processId, const std::string& className,
                                         const std::optional<std::string>& caption) {
    auto found = FindTopLevelWindows(processId, className, caption);
    if (found.empty()) {
        return std::nullopt;
    }
    return found.front();
}

Window WaitForWindow(const Process& process, const std::string& caption, const std::string& className,
                     DWORD timeoutMs) {
    bool ended = false;
    auto window = Poll(timeoutMs, [&]() -> std::optional<Window> {
        if (auto found = FindTopLevelWindow(process.Id(), className, caption)) {
            return found;
        }
        if (!process.Running()) {
            ended = true;
            return Window();  // stop polling
        }
        return std::nullopt;
    });
    if (window && !ended) {
        return *window;
    }
    if (ended) {
        throw Error("the process ended (exit code " + std::to_string(*process.TryWaitForExit(0)) +
                    ") without showing a window \"" + caption + "\" of class " + className);
    }
    ThrowStalled("timed out after " + std::to_string(timeoutMs) + " ms waiting for a window \"" + caption +
                 "\" of class " + className);
}

}  // namespace e2e
