// Drives one installation from start to end for `make demo`, answering what
// the setup program asks and saving a screenshot at every step.
//
//   e2e_demo_driver SETUP_EXE SCREENSHOT_FOLDER [--managed] [--screensaver NAME]
//
// The program is taken as far as it goes: a start-up message, the main
// dialog, Install, every message box (answered with its default button), the
// finish page and its "Beenden" button. After a finished installation the
// screensaver is started once full screen for a last picture: the active one
// (HKCU\Control Panel\Desktop, SCRNSAVE.EXE) or else the file NAME of
// --screensaver in the system folder. --managed
// keeps a window manager's decorations (a real desktop); without it Wine draws
// the frames itself, as under Xvfb.
//
// Exit code 0 when the setup program ended with exit code 0 within the time
// allowed, else 1. Every step is printed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "e2e.h"

namespace {

using namespace e2e;

constexpr DWORD kRunLimitMs = 180000;
constexpr int kInstall = 1014;
constexpr int kCancel = IDCANCEL;
constexpr int kProgress = 1000;
constexpr int kStatus = 1001;
const std::string kFinishCaption = "&Beenden";

class Steps {
public:
    explicit Steps(std::string folder) : folder_(std::move(folder)) { CreateDirectoryA(folder_.c_str(), nullptr); }

    // Prints the step and saves the screen as NN-name.png.
    void Shot(const std::string& name, const std::string& what) {
        char number[8];
        std::snprintf(number, sizeof(number), "%02d", ++count_);
        const std::string path = folder_ + "\\" + number + "-" + name + ".png";
        try {
            SavePng(CaptureScreen(), path);
            std::printf("[%s] %s  (%s)\n", number, what.c_str(), path.c_str());
        } catch (const Error& e) {
            std::printf("[%s] %s  (no screenshot: %s)\n", number, what.c_str(), e.what());
        }
        std::fflush(stdout);
    }

private:
    std::string folder_;
    int count_ = 0;
};

// Replaces line breaks for a one-line log entry.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

void AnswerBox(Steps& steps, const MessageBoxInfo& box) {
    const int answer = box.defaultButton != 0 ? box.defaultButton : box.buttons.front();
    steps.Shot("message", "message box (" + std::string(ToString(box.icon)) + "): \"" + OneLine(box.text) +
                              "\", answered with button " + std::to_string(answer));
    AnswerMessageBox(box, answer);
}

// Runs the installed screensaver full screen for a moment, when there is one.
void ShowScreensaver(Steps& steps, bool managed, const std::string& fileName) {
    std::string path;
    if (const auto active = ReadRegistryValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "SCRNSAVE.EXE")) {
        path = active->c_str();  // up to the terminating zero
    }
    if (path.empty() && !fileName.empty()) {
        char system[MAX_PATH];
        const UINT n = GetSystemDirectoryA(system, MAX_PATH);
        path = std::string(system, n) + "\\" + fileName;
    }
    if (path.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("no installed screensaver found%s\n", path.empty() ? "" : (" at " + path).c_str());
        return;
    }
    StartOptions options;
    options.arguments = "/s";
    options.unmanagedWindows = !managed;
    Process saver = Process::Start(path, options);
    Sleep(2500);
    steps.Shot("screensaver", "the installed screensaver " + path + " running full screen");
    if (auto window = FindTopLevelWindow(saver.Id(), "KalvorinSampleSaver")) {
        window->PressKey('A');
    }
    if (!saver.TryWaitForExit(5000)) {
        saver.Kill();
    }
}

int Run(const std::string& setupExe, const std::string& folder, bool managed, const std::string& screensaver) {
    Steps steps(folder);
    StartOptions options;
    options.unmanagedWindows = !managed;
    std::printf("starting %s\n", setupExe.c_str());
    Process setup = Process::Start(setupExe, options);

    bool sawDialog = false;
    bool installed = false;
    bool finished = false;
    ULONGLONG lastProgressShot = 0;
    const ULONGLONG deadline = GetTickCount64() + kRunLimitMs;
    while (setup.Running()) {
        if (GetTickCount64() > deadline) {
            steps.Shot("timeout", "the setup program did not end in time");
            setup.Kill();
            return 1;
        }
        if (auto box = FindMessageBox(setup.Id())) {
            AnswerBox(steps, WaitForMessageBox(setup));  // waits until its icon can be read
            continue;
        }
        const auto dialog = FindTopLevelWindow(setup.Id(), "#32770", std::string("Kalvorin"));
        if (!dialog) {
            Sleep(kPollIntervalMs);
            continue;
        }
        try {
            if (!sawDialog) {
                sawDialog = true;
                Sleep(300);  // let it paint
                steps.Shot("dialog", "the main dialog, proposing \"" + dialog->ChildText(1012) + "\"");
            }
            const auto install = dialog->FindChild(kInstall);
            if (!installed && install && install->Visible() && install->Enabled()) {
                installed = true;
                steps.Shot("install", "pressing Install");
                dialog->Click(kInstall);
                continue;
            }
            const auto cancel = dialog->FindChild(kCancel);
            if (!finished && cancel && cancel->Text() == kFinishCaption) {
                finished = true;
                Sleep(300);
                steps.Shot("finish", "the finish page");
                dialog->Click(kCancel);
                continue;
            }
            const auto progress = dialog->FindChild(kProgress);
            if (installed && progress && progress->Visible() && GetTickCount64() - lastProgressShot > 1000) {
                lastProgressShot = GetTickCount64();
                const ProgressState p = dialog->Progress(kProgress);
                const auto status = dialog->FindChild(kStatus);
                steps.Shot("progress", "progress " + std::to_string(p.position) + " of " + std::to_string(p.low) +
                                           ".." + std::to_string(p.high) + ", status \"" +
                                           OneLine(status ? status->Text() : std::string()) + "\"");
            }
        } catch (const Error& e) {
            // The dialog closed while it was read: the loop sees the end.
            std::printf("(%s)\n", e.what());
        }
        Sleep(kPollIntervalMs);
    }
    const DWORD code = setup.WaitForExit();
    steps.Shot("end", "the setup program ended with exit code " + std::to_string(code));
    if (finished) {
        ShowScreensaver(steps, managed, screensaver);
    } else if (!sawDialog) {
        std::printf("the setup program showed no main dialog (an early stage of the program)\n");
    }
    return code == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: e2e_demo_driver SETUP_EXE SCREENSHOT_FOLDER [--managed] [--screensaver NAME]\n");
        return 2;
    }
    bool managed = false;
    std::string screensaver;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--managed") {
            managed = true;
        } else if (arg == "--screensaver" && i + 1 < argc) {
            screensaver = argv[++i];
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    try {
        return Run(HostPathToWine(argv[1]), HostPathToWine(argv[2]), managed, screensaver);
    } catch (const Error& e) {
        std::printf("demo stopped: %s\n", e.what());
        return 1;
    }
}
