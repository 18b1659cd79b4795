#include "SetupRun.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "codec/PackedProgram.h"
#include "codec/VolumeName.h"

namespace e2e {

namespace {

constexpr int kProgress = 1000;
constexpr int kInstall = 1014;
constexpr int kFolder = 1012;
constexpr int kStatus = 1001;
constexpr int kResult = 1001;
constexpr int kReboot = 1017;
constexpr int kProperties = 1018;
const std::string kFinishCaption = "&Beenden";

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

RunResult RunSetup(const TestFolder& folder, const RunOptions& options) {
    std::optional<WineVersionOverride> win98;
    if (options.windows98) win98.emplace("setup.exe", "win98");
    StartOptions start;
    start.env = options.env;
    Process process = Process::Start(folder.FilePath("setup.exe"), start);
    RunResult result;
    bool installed = false;
    bool cancelled = false;
    int failedReads = 0;
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    while (process.Running()) {
        if (GetTickCount64() > deadline) throw Error("setup.exe did not end in time");
        if (FindMessageBox(process.Id())) {
            const MessageBoxInfo box = WaitForMessageBox(process);
            result.boxes.push_back(box);
            if (!options.answer) {
                AnswerMessageBox(box, box.buttons.front());
                throw Error("unexpected message box: " + box.text);
            }
            AnswerMessageBox(box, options.answer(box));
            continue;
        }
        const auto dialog = FindTopLevelWindow(process.Id(), "#32770", std::string("Kalvorin"));
        if (!dialog) {
            Sleep(kPollIntervalMs);
            continue;
        }
        try {
            const auto install = dialog->FindChild(kInstall);
            if (!installed && install && install->Visible() && install->Enabled()) {
                if (!options.destination.empty()) dialog->SetChildText(kFolder, options.destination);
                installed = true;
                dialog->Click(kInstall);
                continue;
            }
            if (installed && options.cancelWhileCopying && !cancelled && dialog->Enabled() &&
                dialog->ChildText(kStatus).find("Installiere: ") != std::string::npos) {
                cancelled = true;
                dialog->Click(IDCANCEL);
                continue;
            }
            const auto cancel = dialog->FindChild(IDCANCEL);
            if (installed && !result.finishPage && cancel && cancel->Text() == kFinishCaption &&
                !dialog->Child(kProgress).Visible()) {
                result.finishPage = true;
                result.resultText = dialog->ChildText(kResult);
                result.rebootBoxVisible = dialog->Child(kReboot).Visible();
                result.rebootChecked = dialog->CheckState(kReboot);
                result.propertiesChecked = dialog->CheckState(kProperties);
                if (options.atFinishPage) options.atFinishPage(*dialog);
                dialog->Click(IDCANCEL);
                continue;
            }
            failedReads = 0;
        } catch (const Error&) {
            // The dialog may be closing just now: the loop sees the end. A
            // dialog that stays and cannot be read is a failure.
            if (dialog->Exists() && process.Running() && ++failedReads > 50) throw;
        }
        Sleep(kPollIntervalMs);
    }
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
    const auto raw = ReadRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                                       "ProgramFilesDir");
    if (!raw) throw Error("no ProgramFilesDir in the test prefix");
    return std::string(raw->c_str());
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace e2e
