#include "register/Activation.h"

#include <windows.h>

#include <vector>

#include "framework/SystemLibrary.h"

namespace kalvorin::setup {

namespace {

using InstallScreenSaverFn = void(CALLBACK*)(HWND, HINSTANCE, LPSTR, int);

}  // namespace

void ActivateScreensaver(const std::string& screensaverPath) {
    if (screensaverPath.empty()) return;
    SystemLibrary desk("desk.cpl");
    const auto install = desk.Proc<InstallScreenSaverFn>("InstallScreenSaver");
    if (install == nullptr) return;
    // The export may write into its command line.
    std::vector<char> commandLine(screensaverPath.begin(), screensaverPath.end());
    commandLine.push_back('\0');
    try {
        install(nullptr, ::GetModuleHandleA(nullptr), commandLine.data(), SW_SHOW);
    } catch (...) {
        // Activation never ends the installation.
    }
}

}  // namespace kalvorin::setup
