// Drives the whole life of the sample screensaver for `make demo`: its
// installation, the screensaver running, and its removal through the
// Uninstall entry, with a screenshot at every step.
//
//   e2e_demo_driver SETUP_EXE SCREENSHOT_FOLDER [--managed] [--desk DESK_CPL]
//
// 1. setup.exe from its start to the finish page, answering every message
//    box with its default button, and closed with "&Beenden".
// 2. What was installed and where: the Uninstall entry, the product key and
//    every record of the uninstall log.
// 3. The active screensaver (HKCU\Control Panel\Desktop, SCRNSAVE.EXE) run
//    full screen for a picture.
// 4. The Uninstall entry's command line run as the software list would, the
//    question answered Yes.
// 5. What is left, compared with a snapshot taken before the installation.
//
// --desk puts a stand-in for the display control panel into the system
// folder (Wine has none): it makes the installed screensaver the active one,
// as Windows' desk.cpl does. --managed keeps a window manager's decorations.
// Exit code 0 when the installation and the removal both ended well and
// nothing unexpected is left, else 1. Every step is printed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "SetupRun.h"
#include "codec/UninstallLog.h"
#include "e2e.h"

namespace {

using namespace e2e;

constexpr DWORD kRunLimitMs = 180000;
constexpr int kCancel = IDCANCEL;

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

void Say(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

// Replaces line breaks for a one-line log entry.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

void AnswerBox(Steps& steps, const MessageBoxInfo& box, int answer = 0) {
    if (answer == 0) answer = box.defaultButton != 0 ? box.defaultButton : box.buttons.front();
    steps.Shot("message", "message box (" + std::string(ToString(box.icon)) + "): \"" + OneLine(box.text) +
                              "\", answered with button " + std::to_string(answer));
    AnswerMessageBox(box, answer);
}

std::string Text(const std::optional<std::string>& value) {
    return value ? std::string(value->c_str()) : std::string("(none)");
}

// 1. The installation; true when it reached the finish page and ended with 0.
bool Install(Steps& steps, const std::string& setupExe, bool managed) {
    StartOptions options;
    options.unmanagedWindows = !managed;
    options.env["KALVORIN_DESK_ACTIVATE"] = "1";
    Say("starting " + setupExe);
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
            return false;
        }
        if (FindMessageBox(setup.Id())) {
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
                steps.Shot("finish", "the finish page: \"" + OneLine(dialog->ChildText(kStatus)) + "\"");
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
            Say(std::string("(") + e.what() + ")");
        }
        Sleep(kPollIntervalMs);
    }
    const DWORD code = setup.WaitForExit();
    steps.Shot("end", "the setup program ended with exit code " + std::to_string(code));
    if (!finished) Say("the installation did not reach its finish page");
    return finished && code == 0;
}

// 2. What was installed and where. Returns the Uninstall entry's command.
std::string Describe(const std::string& displayName) {
    const std::string entry = kUninstallRoot + "\\" + displayName;
    const std::string command = Text(ReadRegistryValue(HKEY_LOCAL_MACHINE, entry, "UninstallString"));
    Say("installed: \"" + displayName + "\"");
    Say("  Uninstall entry  HKLM\\" + entry);
    Say("    UninstallString  " + command);
    Say("  product value    HKLM\\" + kProductRoot + " [" + displayName + " in upper case]");
    std::string upper = displayName;
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    const auto digest = ReadRegistryValue(HKEY_LOCAL_MACHINE, kProductRoot, upper + "\\Unscr.log SHA-256");
    Say("  log digest       HKLM\\" + kProductRoot + " [" + upper + "\\Unscr.log SHA-256], " +
        std::to_string(digest.value_or("").size()) + " bytes");
    const size_t quote = command.find('"');
    if (quote == std::string::npos) return command;
    const std::string log = command.substr(quote + 1, command.find('"', quote + 1) - quote - 1);
    const auto bytes = ReadFileBytes(log);
    if (!bytes) return command;
    const auto decoded =
        spd::DecodeUninstallLog(spd::ByteSpan(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
    if (!decoded.ok()) {
        Say("  the uninstall log " + log + " cannot be read: " + spd::StatusText(decoded.status));
        return command;
    }
    Say("  uninstall log    " + log);
    for (const spd::LogFileRecord& file : decoded.value.log.files) {
        Say(std::string("    file    ") + file.path + (file.kind == 1 ? "  (shared, kept from before)" : ""));
    }
    for (const spd::LogFolderRecord& folder : decoded.value.log.folders) Say("    folder  " + folder.path);
    for (const spd::RegistryEntryRecord& record : decoded.value.log.registry) {
        Say("    registry HKLM\\" + record.key + (record.valueName.empty() ? "" : " [" + record.valueName + "]"));
    }
    const auto destination = ReadRegistryValue(
        HKEY_LOCAL_MACHINE, decoded.value.log.registry.empty() ? std::string() : decoded.value.log.registry[0].key,
        "Destination");
    Say("  destination      " + Text(destination) + " (short form)");
    return command;
}

// 3. The active screensaver, full screen for a moment.
void ShowScreensaver(Steps& steps, bool managed) {
    std::string path;
    if (const auto active = ReadRegistryValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "SCRNSAVE.EXE")) {
        path = active->c_str();
    }
    if (path.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Say("no active screensaver" + (path.empty() ? std::string() : " at " + path));
        return;
    }
    StartOptions options;
    options.arguments = "/s";
    options.unmanagedWindows = !managed;
    Process saver = Process::Start(path, options);
    Sleep(2500);
    steps.Shot("screensaver", "the active screensaver " + path + " running full screen (/s)");
    if (auto window = FindTopLevelWindow(saver.Id(), "KalvorinSampleSaver")) window->PressKey('A');
    if (!saver.TryWaitForExit(5000)) saver.Kill();
}

// 4. The removal through the Uninstall entry's command line.
bool Remove(Steps& steps, const std::string& command, bool managed) {
    const size_t blank = command.find(' ');
    if (blank == std::string::npos) {
        Say("no uninstall command: nothing to remove with");
        return false;
    }
    StartOptions options;
    options.arguments = command.substr(blank + 1);
    options.unmanagedWindows = !managed;
    Say("removing: " + command);
    Process uninstaller = Process::Start(command.substr(0, blank), options);
    const MessageBoxInfo question = WaitForMessageBox(uninstaller);
    AnswerBox(steps, question, IDYES);
    const MessageBoxInfo result = WaitForMessageBox(uninstaller);
    AnswerBox(steps, result, IDOK);
    const DWORD code = uninstaller.WaitForExit(60000);
    Say("the uninstaller ended with exit code " + std::to_string(code));
    // It removes itself right after it has ended, through a copy of itself.
    const std::string program = command.substr(0, blank);
    const bool gone = Poll(15000, [&] { return GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES; });
    Say(gone ? "the uninstaller has removed itself" : "the uninstaller is still there: " + program);
    return code == 0;
}

// 5. What is left beside what the demo itself placed.
bool NothingLeft(const Snapshot& before, const std::string& deskPath) {
    const std::vector<std::string> changes = Snapshot::Take(before.scope()).Changes(before);
    std::vector<std::string> unexpected;
    for (const std::string& line : changes) {
        const bool expected =
            line == "+ key HKLM\\" + kProductRoot ||  // never deleted: other screensavers keep values there
            line == "+ file " + deskPath ||           // the demo's stand-in control panel
            line.find("HKCU\\Control Panel\\Desktop [") != std::string::npos ||  // the user's screensaver choice
            line.find("[PendingFileRenameOperations]") != std::string::npos ||   // the uninstaller's own copy...
            (line.rfind("+ file C:\\users\\", 0) == 0 && line.find("\\Temp\\") != std::string::npos);  // ...at restart
        if (expected) {
            Say("  left, as intended: " + line);
        } else {
            unexpected.push_back(line);
        }
    }
    for (const std::string& line : unexpected) Say("  LEFT BEHIND: " + line);
    if (unexpected.empty()) Say("nothing else is left of the installation");
    return unexpected.empty();
}

int Run(const std::string& setupExe, const std::string& folder, bool managed, const std::string& desk) {
    Steps steps(folder);
    const Snapshot before = Snapshot::Take(Snapshot::SetupScope());
    std::string deskPath;
    if (!desk.empty()) {
        deskPath = SystemFolder() + "\\desk.cpl";
        if (!CopyFileA(desk.c_str(), deskPath.c_str(), FALSE)) Say("cannot place the stand-in desk.cpl");
    }
    if (!Install(steps, setupExe, managed)) return 1;
    // The installation's display name: the Uninstall entry it added.
    std::string displayName;
    const std::string prefix = "+ key HKLM\\" + kUninstallRoot + "\\";
    for (const std::string& line : Snapshot::Take(before.scope()).Changes(before)) {
        if (line.rfind(prefix, 0) == 0) displayName = line.substr(prefix.size());
    }
    if (displayName.empty()) {
        Say("the installation has no Uninstall entry");
        return 1;
    }
    const std::string command = Describe(displayName);
    ShowScreensaver(steps, managed);
    const bool removed = Remove(steps, command, managed);
    steps.Shot("removed", "after the removal");
    Say("what is left, against the prefix before the installation:");
    const bool clean = NothingLeft(before, deskPath);
    return removed && clean ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: e2e_demo_driver SETUP_EXE SCREENSHOT_FOLDER [--managed] [--desk DESK_CPL]\n");
        return 2;
    }
    bool managed = false;
    std::string desk;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--managed") {
            managed = true;
        } else if (arg == "--desk" && i + 1 < argc) {
            desk = HostPathToWine(argv[++i]);
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    try {
        return Run(HostPathToWine(argv[1]), HostPathToWine(argv[2]), managed, desk);
    } catch (const Error& e) {
        std::printf("demo stopped: %s\n", e.what());
        return 1;
    }
}
