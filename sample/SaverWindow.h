// The window the screensaver draws into: full screen (ends at the first key,
// click or mouse movement) or as a child of the preview window that the
// display settings hand over.
#pragma once

#include <windows.h>

#include <memory>

#include "Waves.h"

namespace kalvorin_sample {

class SaverWindow {
public:
    // Runs the full-screen screensaver until the user touches mouse or keyboard.
    static int RunFullScreen(HINSTANCE instance);
    // Draws into `parent` until that window goes away. Returns 1 when `parent`
    // is no window.
    static int RunPreview(HINSTANCE instance, HWND parent);

private:
    SaverWindow(bool preview, int width, int height);
    static bool Register(HINSTANCE instance);
    static int Loop();
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HWND hwnd);
    bool IsUserInput(HWND hwnd, UINT message, LPARAM lParam);

    bool preview_;
    Waves waves_;
    POINT mousePosition_{};  // screen position of the mouse at the start
    bool wasActive_ = false;
};

}  // namespace kalvorin_sample
