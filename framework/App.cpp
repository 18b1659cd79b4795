#include "framework/App.h"

#include <atomic>

#include "framework/MessageBox.h"

namespace kalvorin {

namespace {

std::atomic<CApp*> g_currentApp{nullptr};

}  // namespace

std::string ModulePath(HMODULE module) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::string();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string AppNameFromModulePath(const std::string& modulePath) {
    const size_t slash = modulePath.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

CApp::CApp() {
    g_currentApp.store(this);
}

CApp::~CApp() {
    CApp* expected = this;
    g_currentApp.compare_exchange_strong(expected, nullptr);
}

BOOL CApp::InitInstance() {
    return FALSE;
}

int CApp::ExitInstance() {
    return 0;
}

CApp* CApp::Current() {
    return g_currentApp.load();
}

void CApp::ReportUnexpectedError() {
    AppMessageBox("An unexpected error has occurred.", MB_ICONSTOP | MB_OK);
}

int CApp::RunApplication(HINSTANCE instance) noexcept {
    try {
        instance_ = instance != nullptr ? instance : ::GetModuleHandleA(nullptr);
        appName_ = AppNameFromModulePath(ModulePath(nullptr));
        // The program has no message loop of its own: start-up runs the main
        // dialog modally inside InitInstance and returns FALSE.
        InitInstance();
    } catch (...) {
        endedByUnexpectedError_ = true;
        kalvorin::ReportUnexpectedError();
    }
    try {
        return ExitInstance();
    } catch (...) {
        endedByUnexpectedError_ = true;
        kalvorin::ReportUnexpectedError();
        return 0;
    }
}

void ReportUnexpectedError() noexcept {
    // A report whose own message box meets the next exception (a message
    // of the box's loop) shows nothing more.
    static thread_local bool reporting = false;
    if (reporting) return;
    reporting = true;
    try {
        CApp* app = CApp::Current();
        if (app != nullptr)
            app->ReportUnexpectedError();
        else
            AppMessageBox("An unexpected error has occurred.", MB_ICONSTOP | MB_OK);
    } catch (...) {
    }
    reporting = false;
}

HINSTANCE AppInstance() {
    CApp* app = CApp::Current();
    if (app != nullptr && app->Instance() != nullptr) return app->Instance();
    return ::GetModuleHandleA(nullptr);
}

std::string CurrentAppName() {
    CApp* app = CApp::Current();
    if (app != nullptr && !app->AppName().empty()) return app->AppName();
    return AppNameFromModulePath(ModulePath(nullptr));
}

}  // namespace kalvorin
