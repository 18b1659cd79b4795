// The application object: one global instance per program, start-up in
// InitInstance, clean-up in ExitInstance, the name used as message box caption.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

namespace kalvorin {

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

    // Shows what the program says when an exception reached one of its
    // edges (WinMain, a dialog or window procedure, a thread's entry) and
    // was stopped there. Default: a generic English text with the stop icon.
    virtual void ReportUnexpectedError();
    // True once an exception reached RunApplication (ExitInstance may
    // choose its exit code by it).
    bool EndedByUnexpectedError() const { return endedByUnexpectedError_; }

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
    // code (ExitInstance's result). No exception leaves it: one that reaches
    // it is reported (ReportUnexpectedError) and the program ends.
    int RunApplication(HINSTANCE instance) noexcept;

private:
    HINSTANCE instance_ = nullptr;
    std::string appName_;
    std::atomic<CDialog*> mainDialog_{nullptr};
    bool endedByUnexpectedError_ = false;
};

// The last line of defence against exceptions. No exception may go on from
// a dialog or window procedure, a thread's entry or WinMain into the
// system's code: the 32-bit build unwinds with DWARF tables, which cannot
// pass through user32's frames, so such a throw would end the process. Each
// of these edges catches everything and calls this: the current
// application's ReportUnexpectedError(), or the generic box when no
// application runs (test programs). Never throws; a report that is already
// being shown on the calling thread is not shown a second time.
void ReportUnexpectedError() noexcept;

// The module that holds the resources: the application's instance, or the
// executable's module handle when no CApp runs (test programs).
HINSTANCE AppInstance();

// The application name: CApp::AppName() of the current application, or the
// executable file name without extension when no CApp exists.
std::string CurrentAppName();

// File name without folder and extension of a full path ("C:\x\setup.exe" ->
// "setup"). Exposed for tests.
std::string AppNameFromModulePath(const std::string& modulePath);

// The full path of a module's file (nullptr: the program's); empty when the
// system cannot tell it.
std::string ModulePath(HMODULE module = nullptr);

}  // namespace kalvorin
