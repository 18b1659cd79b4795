// The application object: one global instance per program, start-up in
// InitInstance, clean-up in ExitInstance, the name used as message box caption.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

class CDialog;

class CApp {
public:
    // Registers this object as the current application (one per process).
    CApp();
    virtual ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    // Start-up. Returning FALSE ends the program after ExitInstance (there is
    // no message loop of the application object itself).
    virtual BOOL InitInstance();
    // Clean-up; the result is the process exit code. Default: 0.
    virtual int ExitInstance();

    // Executable file name without folder and extension ("setup").
    const std::string& AppName() const { return appName_; }
    HINSTANCE Instance() const { return instance_; }

    // The main window: owner of message boxes and of modal dialogs that are
    // created without a parent. May be read from any thread.
    CDialog* MainDialog() const { return mainDialog_.load(); }
    void SetMainDialog(CDialog* dialog) { mainDialog_.store(dialog); }

    // The registered application, or nullptr (test programs have none).
    static CApp* Current();

    // Entry used by WinMain: InitInstance, then ExitInstance; returns the exit
    // code (ExitInstance's result).
    int RunApplication(HINSTANCE instance);

private:
    HINSTANCE instance_ = nullptr;
    std::string appName_;
    std::atomic<CDialog*> mainDialog_{nullptr};
};

// The module that holds the resources: the application's instance, or the
// executable's module handle when no CApp runs (test programs).
HINSTANCE AppInstance();

// The application name: CApp::AppName() of the current application, or the
// executable file name without extension when no CApp exists.
std::string CurrentAppName();

// File name without folder and extension of a full path ("C:\x\setup.exe" ->
// "setup"). Exposed for tests.
std::string AppNameFromModulePath(const std::string& modulePath);
