#include "SaverWindow.h"

#include <cstdlib>
#include <string>

#include "resource.h"

namespace kalvorin_sample {

namespace {

constexpr char kClassName[] = "KalvorinSampleSaver";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kFrameMs = 40;
// The mouse may tremble this much before the screensaver ends.
constexpr int kMouseSlack = 4;
constexpr COLORREF kSky = RGB(8, 16, 48);

}  // namespace

SaverWindow::SaverWindow(bool preview, int width, int height) : preview_(preview), waves_(width, height) {}

bool SaverWindow::Register(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SAMPLE));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

int SaverWindow::Loop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

int SaverWindow::RunFullScreen(HINSTANCE instance) {
    if (!Register(instance)) {
        return 1;
    }
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    auto saver = std::unique_ptr<SaverWindow>(new SaverWindow(false, width, height));
    char title[64];
    LoadStringA(instance, IDS_DESCRIPTION, title, sizeof(title));
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, kClassName, title, WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                                nullptr, instance, saver.get());
    if (hwnd == nullptr) {
        return 1;
    }
    ShowCursor(FALSE);
    const int code = Loop();
    ShowCursor(TRUE);
    return code;
}

int SaverWindow::RunPreview(HINSTANCE instance, HWND parent) {
    RECT area;
    if (!IsWindow(parent) || !GetClientRect(parent, &area) || !Register(instance)) {
        return 1;
    }
    auto saver = std::unique_ptr<SaverWindow>(new SaverWindow(true, area.right, area.bottom));
    HWND hwnd = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, area.right, area.bottom, parent,
                                nullptr, instance, saver.get());
    if (hwnd == nullptr) {
        return 1;
    }
    return Loop();
}

LRESULT CALLBACK SaverWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<SaverWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    // No exception goes on into user32 (the 32-bit build could not unwind
    // through it): a screensaver that fails just ends, without a message.
    try {
        return self->Handle(hwnd, message, wParam, lParam);
    } catch (...) {
        PostQuitMessage(1);
        return message == WM_CREATE ? -1 : 0;
    }
}

bool SaverWindow::IsUserInput(HWND hwnd, UINT message, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        return true;
    case WM_MOUSEMOVE: {
        POINT now{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(hwnd, &now);
        return std::abs(now.x - mousePosition_.x) > kMouseSlack || std::abs(now.y - mousePosition_.y) > kMouseSlack;
    }
    default:
        return false;
    }
}

LRESULT SaverWindow::Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!preview_ && IsUserInput(hwnd, message, lParam)) {
        DestroyWindow(hwnd);
        return 0;
    }
    switch (message) {
    case WM_CREATE: {
        GetCursorPos(&mousePosition_);  // where the mouse rests when the screensaver starts
        HDC dc = GetDC(hwnd);
        SIZE size{};
        const int fontHeight = preview_ ? waves_.Height() / 6 : waves_.Height() / 9;
        HFONT font = CreateFontA(fontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
        const HGDIOBJ old = SelectObject(dc, font);
        GetTextExtentPoint32A(dc, "Kalvorin", 8, &size);
        SelectObject(dc, old);
        DeleteObject(font);
        ReleaseDC(hwnd, dc);
        waves_.SetTitleSize(size.cx, size.cy);
        SetTimer(hwnd, kTimerId, kFrameMs, nullptr);
        return 0;
    }
    case WM_TIMER:
        waves_.Step();
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // every frame paints the whole window
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_ACTIVATEAPP:
        // Switching to another program ends the full-screen screensaver.
        if (!preview_ && wParam) {
            wasActive_ = true;
        } else if (!preview_ && wasActive_) {
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_SETCURSOR:
        if (!preview_) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        KillTimer(hwnd, kTimerId);
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void SaverWindow::Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const int width = waves_.Width();
    const int height = waves_.Height();
    HDC frame = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    const HGDIOBJ oldBitmap = SelectObject(frame, bitmap);

    HBRUSH sky = CreateSolidBrush(kSky);
    const RECT all{0, 0, width, height};
    FillRect(frame, &all, sky);
    DeleteObject(sky);

    for (const Wave& wave : waves_.Lines()) {
        HPEN pen = CreatePen(PS_SOLID, preview_ ? 1 : 3, wave.colour);
        const HGDIOBJ oldPen = SelectObject(frame, pen);
        Polyline(frame, reinterpret_cast<const POINT*>(wave.points.data()), static_cast<int>(wave.points.size()));
        SelectObject(frame, oldPen);
        DeleteObject(pen);
    }

    const int fontHeight = preview_ ? height / 6 : height / 9;
    HFONT font = CreateFontA(fontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    const HGDIOBJ oldFont = SelectObject(frame, font);
    SetBkMode(frame, TRANSPARENT);
    SetTextColor(frame, RGB(255, 255, 255));
    const Point title = waves_.TitlePosition();
    TextOutA(frame, title.x, title.y, "Kalvorin", 8);
    SelectObject(frame, oldFont);
    DeleteObject(font);

    BitBlt(dc, 0, 0, width, height, frame, 0, 0, SRCCOPY);
    SelectObject(frame, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(frame);
    EndPaint(hwnd, &ps);
}

}  // namespace kalvorin_sample
