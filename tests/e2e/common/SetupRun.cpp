#include "SetupRun.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>

#include "codec/PackedProgram.h"
#include "codec/VolumeName.h"

namespace e2e {

namespace {

// Longer than the dialog's pace of 25 ms between two states shown.
constexpr DWORD kWorkerPaceMs = 40;
// How long the worker runs between two looks when a run is to be killed.
constexpr DWORD kWorkerSliceMs = 10;

std::string AsString(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string EnvPath(const char* variable) {
    const std::string value = GetEnv(variable, "");
    if (value.empty()) throw Error(std::string(variable) + " is not set");
    return HostPathToWine(value);
}

}  // namespace

spd::SetupFile MediaFile(const std::string& name, spd::FolderKind kind, const std::string& subfolder,
                         std::vector<uint8_t> content, uint8_t flags) {
    spd::SetupFile file;
    file.entry.fileName = name;
    file.entry.folderKind = static_cast<uint8_t>(kind);
    file.entry.subfolder = subfolder;
    file.entry.flags = flags;
    file.content = std::move(content);
    return file;
}

spd::FolderEntry MediaFolder(spd::FolderKind kind, const std::string& path) {
    spd::FolderEntry folder;
    folder.folderKind = static_cast<uint8_t>(kind);
    folder.path = path;
    return folder;
}

std::vector<uint8_t> PseudoRandom(size_t size, uint64_t seed) {
    std::vector<uint8_t> bytes(size);
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (uint8_t& b : bytes) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        b = static_cast<uint8_t>(x >> 24);
    }
    return bytes;
}

void UseTestScreensaver(SetupMedia& media) {
    media.folders = {MediaFolder(spd::FolderKind::Destination, "Hilfe")};
    media.files = {
        MediaFile("Wellen.scr", spd::FolderKind::Destination, "", PseudoRandom(3000, 1),
                  spd::CatalogFlags::Screensaver),
        MediaFile("Einstellungen.exe", spd::FolderKind::Destination, "", PseudoRandom(2000, 2),
                  spd::CatalogFlags::Config),
        MediaFile("geteilt.dll", spd::FolderKind::Destination, "Hilfe", PseudoRandom(1500, 3),
                  spd::CatalogFlags::Shared),
        MediaFile("liesmich.txt", spd::FolderKind::Destination, "Hilfe",
                  std::vector<uint8_t>(700, static_cast<uint8_t>('k'))),
    };
}

void WriteSetupMedia(const TestFolder& folder, const SetupMedia& media) {
    folder.CopyIn(SetupExePath(), "setup.exe");
    spd::SetupDataSpec spec;
    spec.displayName = media.displayName;
    spec.defaultSubfolder = media.defaultSubfolder;
    spec.setupId = spd::Guid::Parse("{6A1F0C2E-5B7D-4E21-9C3A-0D8E4F2B1A77}").value();
    spec.folders = media.folders;
    spec.files = media.files;
    spec.level = 6;
    spec.threads = 1;
    spec.volumeSize = media.volumeSize;
    const auto image = spd::BuildSetupData(spec);
    if (!image) throw Error(std::string("cannot build the setup data: ") + spd::StatusText(image.status));
    for (size_t v = 0; v < image.value.volumes.size(); ++v) {
        const std::string name = v == 0 ? "user.spd" : spd::VolumeFileName(static_cast<unsigned>(v));
        folder.Write(name, AsString(image.value.volumes[v]));
    }
    if (!media.writePackedProgram) return;
    std::vector<uint8_t> program = media.uninstaller;
    if (program.empty()) {
        const auto bytes = ReadFileBytes(EnvPath("KALVORIN_UNINSTALLER"));
        if (!bytes) throw Error("cannot read the uninstaller");
        program.assign(bytes->begin(), bytes->end());
    }
    const auto packed = spd::PackProgram(program, 6);
    if (!packed) throw Error("cannot pack the uninstaller");
    folder.Write("_setup.spd", AsString(packed.value));
}

namespace {

// The main dialog (it has the Install button) and the disk prompt (it has
// the folder field of the prompt) among the process's dialogs named "Kalvorin".
struct Dialogs {
    std::optional<Window> main;
    std::optional<Window> prompt;
};

Dialogs FindDialogs(DWORD processId) {
    Dialogs found;
    for (const Window& window : FindTopLevelWindows(processId, "#32770")) {
        try {
            if (window.Text() != "Kalvorin") continue;
            if (window.FindChild(kInstall))
                found.main = window;
            else if (window.FindChild(kPromptFolder))
                found.prompt = window;
        } catch (const Error&) {
            // closing just now
        }
    }
    return found;
}

}  // namespace

RunResult RunSetup(const TestFolder& folder, const RunOptions& options) {
    std::optional<WineVersionOverride> win98;
    if (options.windows98) win98.emplace("setup.exe", "win98");
    StartOptions start;
    start.env = options.env;
    start.workingFolder = options.workingFolder;
    Process process = Process::Start(folder.FilePath("setup.exe"), start);
    RunResult result;
    std::vector<std::string> destinations = options.destinations;
    if (destinations.empty()) destinations.push_back(options.destination);
    size_t presses = 0;
    bool beforeInstallDone = false;
    bool cancelled = false;
    int failedReads = 0;
    HWND lastPrompt = nullptr;
    size_t boxesAtLastPrompt = 0;

    // What the run went through, for the report of a stall.
    std::string trail;
    std::string signature;
    const auto note = [&](const std::string& line) { trail += "  " + line + "\n"; };
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    ULONGLONG lastChange = GetTickCount64();
    const auto stalled = [&](const std::string& why) {
        ThrowStalled("setup.exe in " + folder.Path() + " " + why + "; the run saw:\n" +
                     (trail.empty() ? std::string("  nothing\n") : trail));
    };

    // A run that is to be killed at a moment of the installation lets the
    // worker run in short slices once Install is pressed, and looks while it
    // stands still: the dialog's status line may lag far behind the worker
    // on a loaded machine, and the moment would pass unseen.
    DWORD dialogThread = 0;
    std::optional<PausedThreads> paused;
    while (process.Running()) {
        if (options.killWhen && dialogThread != 0 && !paused) paused.emplace(process.Id(), dialogThread);
        const ULONGLONG now = GetTickCount64();
        if (now > deadline) stalled("did not end within " + std::to_string(options.timeoutMs / 1000) + " s");
        if (now - lastChange > options.stallMs) {
            stalled("made no progress for " + std::to_string(options.stallMs / 1000) + " s");
        }
        if (FindMessageBox(process.Id())) {
            const MessageBoxInfo box = WaitForMessageBox(process);
            result.boxes.push_back(box);
            note("message box: " + box.text);
            lastChange = GetTickCount64();
            if (!options.answer) {
                AnswerMessageBox(box, box.buttons.front());
                throw Error("unexpected message box: " + box.text);
            }
            AnswerMessageBox(box, options.answer(box));
            continue;
        }
        const Dialogs dialogs = FindDialogs(process.Id());
        if (dialogs.prompt) {
            const Window& prompt = *dialogs.prompt;
            if (!options.atDiskPrompt) {
                prompt.Click(IDCANCEL);
                throw Error("unexpected disk prompt");
            }
            try {
                if (prompt.Enabled() && (prompt.Handle() != lastPrompt || result.boxes.size() != boxesAtLastPrompt)) {
                    lastPrompt = prompt.Handle();
                    boxesAtLastPrompt = result.boxes.size();
                    note("disk prompt, round " + std::to_string(result.diskPrompts));
                    lastChange = GetTickCount64();
                    options.atDiskPrompt(prompt, result.diskPrompts++);
                }
            } catch (const Error&) {
                if (prompt.Exists()) throw;
            }
            Sleep(kPollIntervalMs);
            continue;
        }
        if (!dialogs.main) {
            Sleep(kPollIntervalMs);
            continue;
        }
        const Window& dialog = *dialogs.main;
        result.dialogShown = true;
        try {
            if (!beforeInstallDone) {
                beforeInstallDone = true;
                if (options.beforeInstall) options.beforeInstall(dialog);
            }
            const auto install = dialog.FindChild(kInstall);
            if (presses < destinations.size() && dialog.Enabled() && install && install->Visible() &&
                install->Enabled()) {
                if (!destinations[presses].empty()) dialog.SetChildText(kFolder, destinations[presses]);
                note("Install pressed with \"" + dialog.ChildText(kFolder) + "\"");
                ++presses;
                lastChange = GetTickCount64();
                dialogThread = GetWindowThreadProcessId(dialog.Handle(), nullptr);
                dialog.Click(kInstall);
                // The worker starts a moment after the click: it is held from
                // its first slice on.
                for (int tries = 0; options.killWhen && tries < 1000 && process.Running(); ++tries) {
                    paused.emplace(process.Id(), dialogThread);
                    if (paused->Count() > 0) break;
                    paused.reset();
                    Sleep(1);
                }
                continue;
            }
            std::string status = dialog.ChildText(kStatus);
            if (paused) {
                // The worker stands still: the status line catches up with it.
                for (int look = 0; look < 5; ++look) {
                    Sleep(kWorkerPaceMs);
                    const std::string shown = dialog.ChildText(kStatus);
                    if (shown == status) break;
                    status = shown;
                }
            }
            const auto progress = dialog.Progress(kProgress);
            const std::string now = status + "|" + std::to_string(progress.position);
            if (now != signature) {
                if (status != signature.substr(0, signature.find('|'))) note("status: " + status);
                signature = now;
                lastChange = GetTickCount64();
            }
            if (options.killWhen && options.killWhen(status)) {
                note("killed");
                result.killed = true;
                process.Kill();
                break;
            }
            const std::string cancelAt = options.cancelWhileCopying ? "Installiere: " : options.cancelWhenStatusHas;
            if (presses > 0 && !cancelAt.empty() && !cancelled && dialog.Enabled() &&
                status.find(cancelAt) != std::string::npos) {
                cancelled = true;
                dialog.Click(IDCANCEL);
                continue;
            }
            const auto cancel = dialog.FindChild(IDCANCEL);
            if (presses > 0 && !result.finishPage && cancel && cancel->Text() == kFinishCaption &&
                !dialog.Child(kProgress).Visible()) {
                result.finishPage = true;
                note("finish page");
                lastChange = GetTickCount64();
                result.resultText = dialog.ChildText(kResult);
                result.rebootBoxVisible = dialog.Child(kReboot).Visible();
                result.rebootChecked = dialog.CheckState(kReboot);
                result.propertiesChecked = dialog.CheckState(kProperties);
                if (options.atFinishPage) options.atFinishPage(dialog);
                dialog.Click(IDCANCEL);
                continue;
            }
            failedReads = 0;
        } catch (const Error&) {
            // The dialog may be closing just now: the loop sees the end. A
            // dialog that stays and cannot be read is a failure.
            if (dialog.Exists() && process.Running() && ++failedReads > 50) throw;
        }
        if (paused) {
            paused.reset();
            Sleep(kWorkerSliceMs);
        } else {
            Sleep(kPollIntervalMs);
        }
    }
    paused.reset();
    result.exitCode = process.WaitForExit();
    return result;
}

DeskStandIn::DeskStandIn(std::string log) : path_(SystemFolder() + "\\desk.cpl"), log_(std::move(log)) {
    if (!CopyFileA(FixturePath("desk.cpl").c_str(), path_.c_str(), FALSE)) ThrowLastError("cannot place desk.cpl");
    DeleteFileA(log_.c_str());
}

DeskStandIn::~DeskStandIn() {
    DeleteFileA(path_.c_str());
}

std::vector<std::string> DeskStandIn::Lines() const {
    std::vector<std::string> lines;
    const auto text = ReadFileBytes(log_);
    if (!text) return lines;
    std::istringstream in(*text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::string FixturePath(const std::string& name) {
    return EnvPath("KALVORIN_FIXTURES") + "\\" + name;
}

std::string VersionLibraryPath(const std::string& name) {
    return EnvPath("KALVORIN_VERSION_LIBS") + "\\versionlib_" + name + ".dll";
}

std::string ProductKeyName(const std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    std::string name = length > 0 ? std::string(buffer, length) : path;
    CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

std::string WindowsFolder() {
    char folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder, length);
}

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, length);
}

std::string ProgramFilesFolder() {
    const auto raw =
        ReadRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
    if (!raw) throw Error("no ProgramFilesDir in the test prefix");
    return std::string(raw->c_str());
}

}  // namespace e2e
