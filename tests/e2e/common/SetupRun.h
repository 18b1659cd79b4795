// Running the real setup.exe through a whole installation from another
// process: the setup data written beside it, the destination typed, Install
// pressed, every message box recorded and answered by the test, the finish
// page read and closed. Shared by the end-to-end tests of the installation,
// its failures and the uninstaller.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "SetupTexts.h"
#include "codec/SetupData.h"
#include "e2e.h"

namespace e2e {

inline const char kTestDisplayName[] = "Kalvorin Testschoner";

// What lies beside setup.exe.
struct SetupMedia {
    std::string displayName = kTestDisplayName;
    std::string defaultSubfolder = "Kalvorin Testschoner";
    std::vector<spd::FolderEntry> folders;
    std::vector<spd::SetupFile> files;  // in installation order
    uint64_t volumeSize = 0;            // 0: everything in user.spd
    // The program packed into _setup.spd: the project's uninstaller when
    // empty (KALVORIN_UNINSTALLER), these bytes otherwise.
    std::vector<uint8_t> uninstaller;
    bool writePackedProgram = true;
};

// A catalog file.
spd::SetupFile MediaFile(const std::string& name, spd::FolderKind kind, const std::string& subfolder,
                         std::vector<uint8_t> content, uint8_t flags = 0);
spd::FolderEntry MediaFolder(spd::FolderKind kind, const std::string& path);

// Bytes that do not compress, the same for the same seed.
std::vector<uint8_t> PseudoRandom(size_t size, uint64_t seed);

// The usual test screensaver: Wellen.scr (screensaver), Einstellungen.exe
// (configuration), Hilfe\geteilt.dll (shared) and Hilfe\liesmich.txt, with
// the folder Hilfe, all below the destination.
void UseTestScreensaver(SetupMedia& media);

// Copies setup.exe into `folder` and writes user.spd, its further volumes
// and _setup.spd there.
void WriteSetupMedia(const TestFolder& folder, const SetupMedia& media);

struct RunOptions {
    std::string destination;  // typed into the folder field; empty: as proposed
    // When not empty: typed before each press of Install in turn, instead of
    // `destination` (the first ones refused as invalid, the last accepted).
    std::vector<std::string> destinations;
    // Answers each message box; the default fails the run on any box.
    std::function<int(const MessageBoxInfo&)> answer;
    // Called once the dialog shows, before Install is pressed.
    std::function<void(const Window& dialog)> beforeInstall;
    // Called when the disk prompt is open and takes input, once for each
    // time it comes anew (round 0, 1, ...: after a message it showed, or a
    // new prompt). It must act on the prompt (type, OK, Cancel); without it
    // a disk prompt fails the run.
    std::function<void(const Window& prompt, int round)> atDiskPrompt;
    // Called at the finish page before "&Beenden" is pressed.
    std::function<void(const Window& dialog)> atFinishPage;
    bool windows98 = false;           // Wine reports Windows 98 to setup.exe
    bool cancelWhileCopying = false;  // Cancel is pressed once a file is being installed
    // When not empty: Cancel is pressed once the status line holds this text
    // (cancelWhileCopying is the same for "Installiere: ").
    std::string cancelWhenStatusHas;
    // When set: setup.exe is killed once this is true of the status line
    // (from Install on, its worker then runs in short slices between looks,
    // so a run with a disk prompt, which the worker shows, cannot use it).
    std::function<bool(const std::string& status)> killWhen;
    std::map<std::string, std::string> env;  // for setup.exe (and what it starts)
    std::string workingFolder;               // setup.exe's current folder; empty: its own folder
    DWORD timeoutMs = 90000;                 // for the whole run
    // The run fails when nothing changes for this long (no message, no new
    // status, no progress): with a screenshot, the windows that were open
    // and what the run had seen so far.
    DWORD stallMs = 30000;
};

struct RunResult {
    DWORD exitCode = 0;
    std::vector<MessageBoxInfo> boxes;  // every box, in order
    bool finishPage = false;            // "&Beenden" was shown
    std::string resultText;             // the finish page's text
    bool rebootBoxVisible = false;
    int rebootChecked = 0;
    int propertiesChecked = 0;
    int diskPrompts = 0;       // rounds of the disk prompt
    bool dialogShown = false;  // the main dialog came
    bool killed = false;       // killWhen was met
};

// Starts folder\setup.exe and drives it to its end. Throws Error when it
// does not end within the time allowed or stalls (see RunOptions::stallMs).
RunResult RunSetup(const TestFolder& folder, const RunOptions& options = {});

// The desk.cpl stand-in (KALVORIN_FIXTURES) in the system folder for as long
// as the object lives; its log is `log`.
class DeskStandIn {
public:
    explicit DeskStandIn(std::string log);
    ~DeskStandIn();
    DeskStandIn(const DeskStandIn&) = delete;
    DeskStandIn& operator=(const DeskStandIn&) = delete;

    // The lines written to the log so far.
    std::vector<std::string> Lines() const;
    const std::string& LogPath() const { return log_; }

private:
    std::string path_;
    std::string log_;
};

// A fixture file (KALVORIN_FIXTURES or KALVORIN_VERSION_LIBS) as a Windows path.
std::string FixturePath(const std::string& name);
std::string VersionLibraryPath(const std::string& name);

// The name of the product key of a screensaver installed at `path`: its
// short path in upper case, backslashes made slashes.
std::string ProductKeyName(const std::string& path);

// The folders of the prefix.
std::string WindowsFolder();
std::string SystemFolder();
std::string ProgramFilesFolder();

}  // namespace e2e
