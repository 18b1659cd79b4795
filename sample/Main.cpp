// Kalvorin Wellen: a small screensaver, the sample payload of the setup.
#include <windows.h>

#include <string>

#include "Arguments.h"
#include "SaverWindow.h"
#include "resource.h"

namespace {

std::string LoadText(HINSTANCE instance, UINT id) {
    char buffer[512];
    const int n = LoadStringA(instance, id, buffer, sizeof(buffer));
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

int ShowText(HINSTANCE instance, std::uintptr_t owner, UINT textId, UINT icon) {
    HWND parent = reinterpret_cast<HWND>(owner);
    if (!IsWindow(parent)) {
        parent = nullptr;
    }
    MessageBoxA(parent, LoadText(instance, textId).c_str(), LoadText(instance, IDS_DESCRIPTION).c_str(), MB_OK | icon);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    using namespace kalvorin_sample;
    const Arguments args = ParseArguments(commandLine ? commandLine : "");
    switch (args.mode) {
    case Mode::FullScreen:
        return SaverWindow::RunFullScreen(instance);
    case Mode::Preview:
        return SaverWindow::RunPreview(instance, reinterpret_cast<HWND>(args.window));
    case Mode::Configure:
        return ShowText(instance, args.window, IDS_SETTINGS, MB_ICONINFORMATION);
    case Mode::ChangePassword:
        return ShowText(instance, args.window, IDS_NO_PASSWORD, MB_ICONINFORMATION);
    case Mode::Invalid:
        ShowText(instance, 0, IDS_USAGE, MB_ICONEXCLAMATION);
        return 2;
    }
    return 2;
}
