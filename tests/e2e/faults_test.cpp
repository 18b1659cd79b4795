// The fault matrix: every failure a user can meet, each produced through the
// real setup.exe and driven from outside. One row per case; each checks the
// exact messages in order, how the program ends (exit code 0 always) and a
// snapshot of files and registry before and after: only what the row says
// may be left. A full disk (a small tmpfs as drive T:) and a setup killed
// during extraction and run again are rows like the others.
//
// kCoverage at the end maps every failure situation the program knows to
// the rows that produce it, or to the unit test that proves it where it
// cannot be produced from outside (lack of memory, a text that cannot be
// loaded, a race); the last test checks that map against the rows.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <regex>
#include <set>

#include "SetupRun.h"
#include "codec/PackedProgram.h"
#include "common/SetupSurgery.h"

namespace {

using namespace e2e;
using surgery::Bytes;

// ---------------------------------------------------------------------------
// Texts (code page 1252).

const std::string kPrep = "Bei der Vorbereitung der Installation ist ein Fehler aufgetreten.";
const std::string kFolders = "Beim Anlegen der Ordner auf Ihrem Computer ist der folgende Fehler aufgetreten.";
const std::string kFiles = "Beim Installieren der Dateien ist der folgende Fehler aufgetreten.";
const std::string kEnd = "Beim Beenden der Installation ist folgender Fehler aufgetreten.";
const std::string kNotFound = "Konnte eine Datei nicht finden.";
const std::string kNoTemp = "Konnte keinen tempor\xE4ren Ordner anlegen.";
const std::string kFileError = "Ein Dateifehler ist aufgetreten.";
const std::string kDamaged =
    "Eine Setup-Datei ist besch\xE4"
    "digt.";
const std::string kMemory = "Es ist zu wenig Speicher vorhanden.";
const std::string kDecompress = "Beim Dekomprimieren ist ein Fehler aufgetreten.";
const std::string kUnexpected = "Ein unerwarteter Fehler ist aufgetreten.";
const std::string kNoFolder = "Konnte einen Ordner nicht anlegen. Entfernen Sie ggf. den Schreibschutz.";
const std::string kCannotGoOn = "Kalvorin kann nicht fortfahren.";
const std::string kStartup = "Konnte Kalvorin nicht initialisieren.";
const std::string kNoSuitableFile = "In dem angegebenen Verzeichnis konnte keine geeignete\nDatei gefunden werden.";
const std::string kCannotOpen =
    "Fehler beim Lesen/Schreiben/Erstellen einer Datei.\nSchlie\xDF"
    "en Sie alle Anwendungen, und versuchen Sie\nes "
    "erneut.";
const std::string kNoSetupFile = "Die gew\xE4hlte Datei scheint keine g\xFCltige Setupdatei zu sein.";
const std::string kWrongDisk = "Das scheint die falsche Diskette zu sein.";
const std::string kFolderExists =
    "Der folgende Ordner sollte angelegt werden:\n'%H'\nDieser Ordner existiert aber schon auf ihrem System.\nM\xF6"
    "chten Sie diesen Ordner trotzdem verwenden.";
const std::string kLogQuestion =
    "Fehler beim Erstellen der Deinstallations-Logdatei.\nM\xF6glicherweise existiert eine Datei namens '%L' bereits "
    "in Ihrem System.\n\xDC"
    "berpr\xFC"
    "fen Sie das und dr\xFC"
    "cken Sie Wiederholen um es erneut zu versuchen oder "
    "Abbrechen um fortzufahren.";
const std::string kSameSize =
    "Die Datei '%D\\datei0000.dat' soll durch eine Datei ersetzt werden.\n\nBeide Dateien sind gleich gro\xDF, "
    "unterscheiden sich wahrscheinlich nicht.\nM\xF6"
    "chten Sie die alte Datei ersetzen?";
const std::string kSameProblem =
    "M\xF6"
    "chten Sie k\xFCnftig Dateien mit dem selben Problem genauso behandeln?";

std::string Error(const std::string& phase, const std::string& cause) {
    return phase + "\n" + cause;
}

const std::string kUninstallKey = kUninstallRoot + "\\Kalvorin Testschoner";
const std::string kProductValue = "KALVORIN TESTSCHONER";
const std::string kDigestValue = kProductValue + "\\Unscr.log SHA-256";

// Writes a file anywhere (creating or replacing it).
void WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!ok) ThrowLastError("cannot write " + path);
}

std::string TempFolder() {
    char path[MAX_PATH] = {};
    std::string folder(path, GetTempPathA(MAX_PATH, path));
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

// ---------------------------------------------------------------------------
// One row's situation.

enum class End {
    Completed,  // the finish page, closed with "&Beenden"
    Closed,     // the dialog closed by itself (after its message, or a cancel)
    Refused,    // start-up refused: message 148, no dialog
    Killed,     // killed by the row during the run
};

enum class Leaves {
    Nothing,          // nothing but the key "Software\Brisvane Screensaver", which is never removed
    Installation,     // the whole installation
    ProductKeyOnly,   // the files and the product key: no log, no uninstaller, no Uninstall entry, no product value
    UninstallerOnly,  // the uninstaller in the Windows folder, which no rollback removes
};

struct Case {
    TestFolder folder{"fault"};
    std::optional<TestFolder> disk;  // the setup's folder when not `folder`
    SetupMedia media;
    std::string destination = folder.FilePath("Ziel\\Kalvorin");
    std::string saver = destination + "\\Wellen.scr";
    std::string config = destination + "\\Einstellungen.exe";
    std::string shared = destination + "\\Hilfe\\geteilt.dll";
    std::string help = destination + "\\Hilfe\\liesmich.txt";
    bool destinationExisted = false;
    RunOptions options;
    std::vector<std::string> hashed;         // further folders whose files the snapshot compares
    std::vector<std::string> expectedExtra;  // change lines beside those of `leaves`
    // What follows the run before the changes are taken (a second run).
    std::function<void(Case&, const RunResult&)> thenRun;
    // Checks after the run; may take lines it has checked out of `changes`.
    std::function<void(Case&, const RunResult&, std::vector<std::string>& changes)> after;
    std::vector<std::shared_ptr<void>> holds;  // held files, registry overrides, read-only files
    std::vector<std::function<void()>> undo;   // run when the row ends, last first

    Case() {
        UseTestScreensaver(media);
        options.destination = destination;
        options.env["KALVORIN_RESTART_LOG"] = folder.FilePath("restart.log");
        // The display properties are not started: Wine has no display control panel.
        options.atFinishPage = [](const Window& dialog) {
            if (dialog.CheckState(kProperties) == BST_CHECKED) dialog.Click(kProperties);
        };
    }
    ~Case() {
        holds.clear();
        for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
            try {
                (*it)();
            } catch (...) {
            }
        }
    }
    Case(const Case&) = delete;
    Case& operator=(const Case&) = delete;

    const TestFolder& SetupFolder() const { return disk ? *disk : folder; }
    std::string SetupFile(const std::string& name) const { return SetupFolder().FilePath(name); }
    std::string LogPath() const { return destination + "\\Unscr.log"; }
    void Write() { WriteSetupMedia(SetupFolder(), media); }
    template <typename T>
    T& Hold(std::shared_ptr<T> held) {
        holds.push_back(held);
        return *held;
    }
    void MakeDestination() {
        CreateDirectoryA(folder.FilePath("Ziel").c_str(), nullptr);
        CreateDirectoryA(destination.c_str(), nullptr);
        destinationExisted = true;
    }

    // user.spd of a setup in one volume, changed by `edit` and written back;
    // with `seal` the checksums are made to fit afterwards, so that the
    // change reaches the reader behind them.
    void EditData(const std::function<void(Bytes&, const surgery::Pieces&)>& edit, bool seal = true) {
        const auto bytes = ReadFileBytes(SetupFile("user.spd"));
        if (!bytes) throw e2e::Error("no user.spd to change");
        Bytes joined(bytes->begin(), bytes->end());
        const surgery::Pieces pieces = surgery::Locate(joined);
        edit(joined, pieces);
        if (seal) surgery::Reseal(joined, pieces.catalog);
        SetupFolder().Write("user.spd", std::string(joined.begin(), joined.end()));
    }
    // A field of user.spd set to `value`, the checksums made to fit.
    void SetField(std::function<size_t(const surgery::Pieces&)> at, int width, uint32_t value, bool seal = true) {
        EditData([&](Bytes& j, const surgery::Pieces& p) { surgery::PutLE(j, at(p), width, value); }, seal);
    }
    // _setup.spd changed by `edit`.
    void EditPacked(const std::function<void(Bytes&)>& edit) {
        const auto bytes = ReadFileBytes(SetupFile("_setup.spd"));
        Bytes packed(bytes->begin(), bytes->end());
        edit(packed);
        SetupFolder().Write("_setup.spd", std::string(packed.begin(), packed.end()));
    }
};

// Offsets of pieces in the joined data.
size_t RecordAt(const surgery::Pieces& p) {
    return p.records[1];
}
size_t ContentAt(const surgery::Pieces& p) {
    return p.contents[1];
}
constexpr size_t kChecksum = spd::BlockHeader::kOffChecksum;
constexpr size_t kStored = spd::BlockHeader::kOffStoredSize;
constexpr size_t kExpanded = spd::BlockHeader::kOffExpandedSize;

// A setup whose data needs two volumes.
void TwoVolumes(Case& c) {
    c.media.files.push_back(MediaFile("gross.dat", spd::FolderKind::Destination, "", PseudoRandom(6000, 4)));
    c.media.volumeSize = 8000;
}

// Volume 1 of another build (another setup id, other contents of the same
// sizes), of the same name.
Bytes ForeignVolume(const Case& c) {
    spd::SetupDataSpec spec;
    spec.displayName = c.media.displayName;
    spec.setupId = spd::Guid::Parse("{0B1E2D3C-4A5B-6C7D-8E9F-A0B1C2D3E4F5}").value();
    for (spd::SetupFile f : c.media.files) {
        for (uint8_t& b : f.content) b ^= 0x5A;
        spec.files.push_back(f);
    }
    spec.folders = c.media.folders;
    spec.threads = 1;
    spec.volumeSize = c.media.volumeSize;
    return spd::BuildSetupData(spec).value.volumes.at(1);
}

// Denies everyone `rights` on the key (created when missing) until the row ends.
void Deny(Case& c, const std::string& key, DWORD rights) {
    HKEY opened = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_READ | WRITE_DAC, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS) {
        throw e2e::Error("cannot open " + key);
    }
    DWORD size = 0;
    RegGetKeySecurity(opened, DACL_SECURITY_INFORMATION, nullptr, &size);
    auto before = std::make_shared<std::vector<char>>(size);
    RegGetKeySecurity(opened, DACL_SECURITY_INFORMATION, before->data(), &size);
    char sddl[64];
    std::snprintf(sddl, sizeof sddl, "D:(D;;0x%lx;;;WD)(A;;KA;;;WD)", static_cast<unsigned long>(rights));
    PSECURITY_DESCRIPTOR denied = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &denied, nullptr);
    RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, denied);
    LocalFree(denied);
    RegCloseKey(opened);
    c.undo.push_back([key, before] {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, WRITE_DAC, &k) == ERROR_SUCCESS) {
            RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, before->data());
            RegCloseKey(k);
        }
    });
}

// Drive T: backed by a tmpfs of `kib` KiB, a fixed disk, until the row ends.
void SmallDrive(Case& c, int kib) {
    const std::string mount = GetEnv("KALVORIN_BUILD") + "/small-drive";
    const std::string link = GetEnv("KALVORIN_WINEPREFIX") + "/dosdevices/t:";
    RunHostProgram("/bin/umount", "-l \"" + mount + "\"");  // left by a run that was stopped
    RunHostProgram("/bin/mkdir", "-p \"" + mount + "\"");
    RunHostProgram("/bin/mount", "-t tmpfs -o size=" + std::to_string(kib) + "k kalvorin-small \"" + mount + "\"");
    RunHostProgram("/bin/ln", "-sfn \"" + mount + "\" \"" + link + "\"");
    c.undo.push_back([mount, link] {
        RunHostProgram("/bin/rm", "-f \"" + link + "\"");
        RunHostProgram("/bin/umount", "-l \"" + mount + "\"");
    });
    WaitUntil(10000, "drive T: of " + std::to_string(kib) + " KiB", [&] {
        ULARGE_INTEGER total{};
        return GetDiskFreeSpaceExA("T:\\", nullptr, &total, nullptr) && total.QuadPart == uint64_t(kib) * 1024;
    });
    if (GetDriveTypeA("T:\\") != DRIVE_FIXED) throw e2e::Error("drive T: is no fixed disk");
    c.hashed.push_back("T:\\");
}

// Answers every box with Yes, OK or Retry, as a willing user.
int Willing(const MessageBoxInfo& box) {
    for (int button : {IDYES, IDOK, IDRETRY}) {
        if (std::find(box.buttons.begin(), box.buttons.end(), button) != box.buttons.end()) return button;
    }
    return box.buttons.front();
}

// Types `folder` into the disk prompt and presses OK; nothing for Cancel.
void PromptAnswer(const Window& prompt, const std::optional<std::string>& folder) {
    if (!folder) {
        prompt.Click(IDCANCEL);
        return;
    }
    prompt.SetChildText(kPromptFolder, *folder);
    prompt.Click(IDOK);
}

// ---------------------------------------------------------------------------
// The rows.

struct Fault {
    const char* name;
    std::function<void(Case&)> prepare;
    std::vector<std::string> boxes;  // %D destination, %H its Hilfe, %L the log, %F the row's folder; "~" a pattern
    End end;
    Leaves leaves;
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

// Prepares the standard setup, then `more`.
std::function<void(Case&)> Standard(std::function<void(Case&)> more = nullptr) {
    return [more](Case& c) {
        c.Write();
        if (more) more(c);
    };
}

// The standard setup with _setup.spd damaged by `edit`: no uninstaller, the
// user is told so, and the finish page claims no success.
std::function<void(Case&)> PackedDamage(std::function<void(Bytes&)> edit) {
    return Standard([edit](Case& c) {
        c.EditPacked(edit);
        c.after = [](Case&, const RunResult& run, std::vector<std::string>&) {
            EXPECT_EQ(run.resultText, kDoneNoUninstaller);
        };
    });
}

const std::vector<Fault>& Faults() {
    static const std::vector<Fault> faults = {
        // Start-up.
        {"StartupUserSpdMissing", Standard([](Case& c) { DeleteFileA(c.SetupFile("user.spd").c_str()); }),
         {kStartup}, End::Refused, Leaves::Nothing},
        {"StartupUserSpdShort", Standard([](Case& c) {
             c.SetupFolder().Write("user.spd", c.SetupFolder().Read("user.spd").substr(0, 191));
         }),
         {kStartup}, End::Refused, Leaves::Nothing},
        {"StartupUserSpdVersion15", Standard([](Case& c) { c.SetField([](auto&) { return 4; }, 1, 15, false); }),
         {kStartup}, End::Refused, Leaves::Nothing},
        {"StartupUserSpdCannotBeOpened",
         Standard([](Case& c) { c.Hold(std::make_shared<HeldFile>(c.SetupFile("user.spd"))); }), {kStartup},
         End::Refused, Leaves::Nothing},
        {"StartupProgramFilesDirMissing", Standard([](Case& c) {
             c.Hold(std::make_shared<RegistryOverride>(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir")).Delete();
         }),
         {kStartup}, End::Refused, Leaves::Nothing},

        // The dialog.
        {"DestinationInvalidThenValid", Standard([](Case& c) {
             c.options.destinations = {"C:\\" + std::string(257, 'x'), "C:Programme", "C:\\Kal*vorin",
                                       "\\\\server\\share\\Kalvorin", "A:\\Kalvorin", "D:\\Kalvorin", "Q:\\Kalvorin",
                                       c.destination};
         }),
         {kInvalidPath, kInvalidPath, kInvalidPath, kInvalidPath, kInvalidPath, kInvalidPath, kInvalidPath},
         End::Completed, Leaves::Installation},
        {"DestinationBrowserCancelled", Standard([](Case& c) {
             c.options.beforeInstall = [&c](const Window& dialog) {
                 dialog.SetChildText(kFolder, c.destination);
                 dialog.Click(kBrowse);
                 std::optional<Window> browser;
                 WaitUntil(kDefaultTimeoutMs, "the folder browser", [&] {
                     for (const Window& w : FindTopLevelWindows(dialog.ProcessId(), "#32770")) {
                         if (w.Handle() != dialog.Handle() && w.Text() != "Kalvorin") browser = w;
                     }
                     return browser.has_value();
                 });
                 browser->Click(IDCANCEL);
                 browser->WaitUntilGone();
                 EXPECT_EQ(dialog.ChildText(kFolder), c.destination);
             };
         }),
         {}, End::Completed, Leaves::Installation},

        // The disk prompt keeps every wrong input with a message, and Cancel
        // ends the run.
        {"DiskPromptWrongInputsThenCancel", [](Case& c) {
             TwoVolumes(c);
             c.Write();
             DeleteFileA(c.SetupFile("user.001").c_str());
             CreateDirectoryA(c.folder.FilePath("leer").c_str(), nullptr);
             c.options.atDiskPrompt = [&c](const Window& prompt, int round) {
                 const std::optional<std::string> inputs[] = {"x", c.folder.FilePath("nichtda"), c.folder.FilePath("leer"),
                                                              std::nullopt};
                 PromptAnswer(prompt, inputs[std::min(round, 3)]);
             };
         },
         {kInvalidPath, kInvalidPath, kNoSuitableFile, Error(kPrep, kCannotGoOn)}, End::Closed, Leaves::Nothing},

        // Completion actions: nothing is reported, whatever fails.
        {"CompletionRunOnceCannotBeWritten", Standard([](Case& c) {
             c.MakeDestination();
             c.folder.Write("Ziel\\Kalvorin\\Wellen.scr", "alt");
             c.Hold(std::make_shared<HeldFile>(c.saver));
             Deny(c, kRunOnce, KEY_SET_VALUE);
             c.options.atFinishPage = nullptr;  // restart and display properties stay chosen
             c.after = [](Case& c, const RunResult& run, std::vector<std::string>& changes) {
                 EXPECT_EQ(run.resultText, kDoneRestart);
                 EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kRunOnce, "Show Screensaver Properties"));
                 EXPECT_EQ(ReadFileBytes(c.folder.FilePath("restart.log")), std::string("ExitWindowsEx EWX_REBOOT\r\n"));
                 std::erase_if(changes, [&](const std::string& l) {
                     return l == "+ file " + c.folder.FilePath("restart.log") || l.find(TempFolder()) != std::string::npos ||
                            l.find("PendingFileRenameOperations") != std::string::npos;
                 });
                 std::erase(changes, "~ file " + c.saver);  // still the old one, in use: the time of its copy
             };
         }),
         {}, End::Completed, Leaves::Installation},
        {"CompletionDisplayPropertiesCannotStart", Standard([](Case& c) {
             const std::string rundll = SystemFolder() + "\\rundll32.exe";
             const std::string away = SystemFolder() + "\\rundll32.kalv";
             MoveFileA(rundll.c_str(), away.c_str());
             c.undo.push_back([rundll, away] { MoveFileA(away.c_str(), rundll.c_str()); });
             auto desk = std::make_shared<DeskStandIn>(c.folder.FilePath("desk.log"));
             c.Hold(desk);
             c.options.env["KALVORIN_DESK_LOG"] = desk->LogPath();
             c.options.atFinishPage = nullptr;
             c.after = [desk](Case& c, const RunResult& run, std::vector<std::string>& changes) {
                 EXPECT_EQ(run.propertiesChecked, 1);
                 Sleep(2000);  // time for a display control panel that should not come
                 for (const std::string& line : desk->Lines()) {
                     EXPECT_EQ(line.find("rundll32"), std::string::npos) << line;
                 }
                 std::erase(changes, "+ file " + c.folder.FilePath("desk.log"));
             };
         }),
         {}, End::Completed, Leaves::Installation},

        // The worker: its error after the rollback, and cancels.
        {"ErrorShownAfterTheRollback", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) { j[p.contents[3] + kChecksum] ^= 1; });
             c.options.answer = [&c](const MessageBoxInfo& box) {
                 EXPECT_FALSE(ReadFileBytes(c.saver)) << "installed files are removed before the message";
                 EXPECT_TRUE(box.owner.Exists());
                 return IDOK;
             };
         }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"CancelDuringTheFiles", [](Case& c) {
             // Enough files for Cancel to come before the last, on a busy machine too.
             for (int i = 0; i < 800; ++i) {
                 c.media.files.push_back(MediaFile("datei" + std::to_string(i) + ".dat", spd::FolderKind::Destination, "",
                                                   PseudoRandom(20000, 100 + i)));
             }
             c.Write();
             c.options.cancelWhileCopying = true;
             c.options.answer = [](const MessageBoxInfo&) { return IDYES; };
         },
         {kCancelQuestion}, End::Closed, Leaves::Nothing},
        {"CancelDuringThePreparation", [](Case& c) {
             // 60 MB in 30 volumes: the run lasts long enough after the
             // preparation has begun for Cancel to come before its end.
             for (int i = 0; i < 60; ++i) {
                 c.media.files.push_back(MediaFile("datei" + std::to_string(i) + ".dat", spd::FolderKind::Destination, "",
                                                   PseudoRandom(1000000, 100 + i)));
             }
             c.media.volumeSize = 2 * 1024 * 1024;
             c.Write();
             c.options.cancelWhenStatusHas = "bereitet";
             c.options.answer = [](const MessageBoxInfo&) { return IDYES; };
         },
         {kCancelQuestion}, End::Closed, Leaves::Nothing},

        // The setup data header, as the worker checks it.
        {"HeaderUserSpdCannotBeOpenedByTheWorker", Standard([](Case& c) {
             c.Hold(std::make_shared<HeldFile>(c.SetupFile("user.spd"), HeldFile::Sharing::Reading));
         }),
         {Error(kPrep, kFileError)}, End::Closed, Leaves::Nothing},
        {"HeaderShorterThan192AtTheWorker", Standard([](Case& c) {
             c.expectedExtra = {"~ file " + c.SetupFile("user.spd")};
             c.options.beforeInstall = [&c](const Window&) {
                 c.SetupFolder().Write("user.spd", c.SetupFolder().Read("user.spd").substr(0, 100));
             };
         }),
         {Error(kPrep, kDamaged)}, End::Closed, Leaves::Nothing},
        {"HeaderWrongMagic", Standard([](Case& c) { c.SetField([](auto&) { return 0; }, 4, 0x55544554, false); }),
         {Error(kPrep, kFileError)}, End::Closed, Leaves::Nothing},
        {"HeaderCatalogOffsetZero",
         Standard([](Case& c) { c.SetField([](auto&) { return spd::SetupHeader::kOffCatalogOffset; }, 4, 0, false); }),
         {Error(kPrep, kFileError)}, End::Closed, Leaves::Nothing},
        {"HeaderNonZeroMarkZero",
         Standard([](Case& c) { c.SetField([](auto&) { return spd::SetupHeader::kOffNonZeroMark; }, 4, 0, false); }),
         {Error(kPrep, kFileError)}, End::Closed, Leaves::Nothing},
        {"HeaderFileCountZero",
         Standard([](Case& c) { c.SetField([](auto&) { return spd::SetupHeader::kOffFileCount; }, 2, 0, false); }),
         {Error(kPrep, kFileError)}, End::Closed, Leaves::Nothing},
        {"HeaderVolumeCountZeroAndAnotherLength", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces&) {
                 surgery::PutLE(j, spd::SetupHeader::kOffVolumeCount, 2, 0);
                 j.push_back(0);
             }, false);
         }),
         {Error(kPrep, kFileError)}, End::Closed, Leaves::Nothing},
        {"JoinedLengthDiffers",
         Standard([](Case& c) { c.EditData([](Bytes& j, const surgery::Pieces&) { j.push_back(0); }, false); }),
         {Error(kPrep, kDamaged)}, End::Closed, Leaves::Nothing},
        {"DataChecksumDiffers",
         Standard([](Case& c) { c.EditData([](Bytes& j, const surgery::Pieces&) { j.back() ^= 0x40; }, false); }),
         {Error(kPrep, kDamaged)}, End::Closed, Leaves::Nothing},

        // The folder table.
        {"FolderTableHeaderShort", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces&) {
                 j.resize(spd::SetupHeader::kSize + 8);
                 surgery::PutLE(j, spd::SetupHeader::kOffCatalogOffset, 4, spd::SetupHeader::kSize);
                 surgery::Reseal(j, 0);
             }, false);
         }),
         {Error(kFolders, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FolderTableSizeZeroIsNoTable", [](Case& c) {
             c.media.folders = {MediaFolder(spd::FolderKind::Destination, "Bilder")};
             for (spd::SetupFile& f : c.media.files) f.entry.subfolder.clear();
             c.Write();
             c.SetField([](auto& p) { return p.folderTable + kStored; }, 4, 0);
             c.media.folders.clear();  // not made
             c.after = [](Case& c, const RunResult&, std::vector<std::string>&) {
                 EXPECT_EQ(GetFileAttributesA((c.destination + "\\Bilder").c_str()), INVALID_FILE_ATTRIBUTES);
             };
         },
         {}, End::Completed, Leaves::Installation},
        {"FolderTableNoMemory",
         Standard([](Case& c) { c.SetField([](auto& p) { return p.folderTable + kExpanded; }, 4, 0x80000000u); }),
         {Error(kFolders, kMemory)}, End::Closed, Leaves::Nothing},
        {"FolderTableStoredBytesShort",
         Standard([](Case& c) { c.SetField([](auto& p) { return p.folderTable + kStored; }, 4, 0x7FFFFFFF); }),
         {Error(kFolders, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FolderTableZlibError", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) { j[p.folderTable + spd::BlockHeader::kSize] = 0; });
         }),
         {Error(kFolders, kDecompress)}, End::Closed, Leaves::Nothing},
        {"FolderTableLengthDiffers", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) {
                 surgery::PutLE(j, p.folderTable + kExpanded, 4, surgery::GetLE(j, p.folderTable + kExpanded, 4) + 1);
             });
         }),
         {Error(kFolders, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FolderTableChecksumDiffers", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) { j[p.folderTable + kChecksum] ^= 1; });
         }),
         {Error(kFolders, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FolderRecordOfNoKind", [](Case& c) {
             c.media.folders.push_back(MediaFolder(static_cast<spd::FolderKind>(6), "Fremd"));
             c.Write();
         },
         {Error(kFolders, kDamaged)}, End::Closed, Leaves::Nothing},
        {"DestinationCannotBeCreated", Standard([](Case& c) { c.folder.Write("Ziel", "eine Datei"); }),
         {Error(kFolders, kNoFolder)}, End::Closed, Leaves::Nothing},
        {"TableFolderCannotBeCreated", Standard([](Case& c) {
             c.MakeDestination();
             c.folder.Write("Ziel\\Kalvorin\\Hilfe", "eine Datei");
         }),
         {"%H", Error(kFolders, kNoFolder)}, End::Closed, Leaves::Nothing},
        {"ExistingFolderAnsweredNo", Standard([](Case& c) {
             c.MakeDestination();
             CreateDirectoryA((c.destination + "\\Hilfe").c_str(), nullptr);
             c.options.answer = [](const MessageBoxInfo& box) { return box.buttons.size() == 2 ? IDNO : IDOK; };
         }),
         {kFolderExists, Error(kFolders, kCannotGoOn)}, End::Closed, Leaves::Nothing},

        // The catalog, its file records and contents.
        {"CatalogHeaderShort", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces&) {
                 surgery::PutLE(j, spd::SetupHeader::kOffCatalogOffset, 4, static_cast<uint32_t>(j.size() - 8));
                 surgery::Reseal(j, 0);
             }, false);
         }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"CatalogChecksumDiffers", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) {
                 j[p.catalog + kChecksum] ^= 1;
                 surgery::Reseal(j, 0);
             }, false);
         }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FileRecordHeaderShort", Standard([](Case& c) {
             c.SetField([](auto&) { return spd::SetupHeader::kOffFileCount; }, 2, 5, false);
         }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FileRecordSizeNot520",
         Standard([](Case& c) { c.SetField([](auto& p) { return RecordAt(p) + kExpanded; }, 4, 519); }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FileRecordStoredBytesShort",
         Standard([](Case& c) { c.SetField([](auto& p) { return RecordAt(p) + kStored; }, 4, 0x7FFFFFFF); }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FileRecordZlibError", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) { j[RecordAt(p) + spd::BlockHeader::kSize] = 0; });
         }),
         {Error(kFiles, kDecompress)}, End::Closed, Leaves::Nothing},
        {"FileRecordInflatesTo519", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) {
                 const size_t at = RecordAt(p);
                 const auto header = *spd::BlockHeader::Decode(spd::ByteSpan(j).subspan(at));
                 Bytes record = spd::ExpandBlock(header, spd::ByteSpan(j).subspan(at + 16)).value;
                 record.resize(519);
                 Bytes block = spd::MakeBlock(record, 6).value;
                 surgery::PutLE(block, kExpanded, 4, 520);
                 j.erase(j.begin() + at, j.begin() + at + surgery::BlockLength(j, at));
                 j.insert(j.begin() + at, block.begin(), block.end());
             });
         }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FileRecordChecksumDiffers", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) { j[RecordAt(p) + kChecksum] ^= 1; });
         }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FileContentHeaderShort", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) { j.resize(p.contents.back() + 8); });
         }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FileContentNoMemory",
         Standard([](Case& c) { c.SetField([](auto& p) { return ContentAt(p) + kExpanded; }, 4, 0x80000000u); }),
         {Error(kFiles, kMemory)}, End::Closed, Leaves::Nothing},
        {"FileContentStoredBytesShort",
         Standard([](Case& c) { c.SetField([](auto& p) { return ContentAt(p) + kStored; }, 4, 0x7FFFFFFF); }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FileContentZlibError", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) { j[ContentAt(p) + spd::BlockHeader::kSize] = 0; });
         }),
         {Error(kFiles, kDecompress)}, End::Closed, Leaves::Nothing},
        {"FileContentChecksumDiffers", Standard([](Case& c) {
             c.EditData([](Bytes& j, const surgery::Pieces& p) { j[ContentAt(p) + kChecksum] ^= 1; });
         }),
         {Error(kFiles, kDamaged)}, End::Closed, Leaves::Nothing},
        {"FileOfAKindWithoutBaseFolder", [](Case& c) {
             c.media.files.push_back(
                 MediaFile("fremd.dat", static_cast<spd::FolderKind>(9), "", PseudoRandom(100, 9)));
             c.Write();
         },
         {Error(kFiles, kUnexpected)}, End::Closed, Leaves::Nothing},

        // The packed uninstaller: every damage means no uninstall support;
        // the installation goes on, the user is told, and the log is left as
        // it was (an earlier installation's comes back, byte for byte).
        {"PackedProgramFieldShort", PackedDamage([](Bytes& b) { b.resize(6); }), {kNoUninstaller}, End::Completed,
         Leaves::ProductKeyOnly},
        {"PackedProgramWrongMagic", PackedDamage([](Bytes& b) { b[0] ^= 1; }), {kNoUninstaller}, End::Completed,
         Leaves::ProductKeyOnly},
        {"PackedProgramExpandedSizeZero", PackedDamage([](Bytes& b) { surgery::PutLE(b, 8, 4, 0); }),
         {kNoUninstaller}, End::Completed, Leaves::ProductKeyOnly},
        {"PackedProgramNoMemory", PackedDamage([](Bytes& b) { surgery::PutLE(b, 8, 4, 0xFFFFFFFF); }),
         {kNoUninstaller}, End::Completed, Leaves::ProductKeyOnly},
        {"PackedProgramZlibError", PackedDamage([](Bytes& b) { b[12] = 0; }), {kNoUninstaller}, End::Completed,
         Leaves::ProductKeyOnly},
        {"PackedProgramChecksumDiffers", [](Case& c) {
             PackedDamage([](Bytes& b) { b[4] ^= 1; })(c);
             c.MakeDestination();
             c.folder.Write("Ziel\\Kalvorin\\Unscr.log", "das Log einer fr\xFCheren Installation");
         },
         {kNoUninstaller}, End::Completed, Leaves::ProductKeyOnly},

        // Volumes.
        {"VolumePromptCancelled", [](Case& c) {
             TwoVolumes(c);
             c.Write();
             DeleteFileA(c.SetupFile("user.001").c_str());
             c.options.atDiskPrompt = [](const Window& prompt, int) { PromptAnswer(prompt, std::nullopt); };
         },
         {Error(kPrep, kCannotGoOn)}, End::Closed, Leaves::Nothing},
        {"VolumeChosenFileCannotBeOpened", [](Case& c) {
             TwoVolumes(c);
             c.Write();
             CreateDirectoryA(c.folder.FilePath("anderswo").c_str(), nullptr);
             MoveFileA(c.SetupFile("user.001").c_str(), c.folder.FilePath("anderswo\\user.001").c_str());
             c.Hold(std::make_shared<HeldFile>(c.folder.FilePath("anderswo\\user.001")));
             c.options.atDiskPrompt = [&c](const Window& prompt, int round) {
                 PromptAnswer(prompt, round == 0 ? std::optional(c.folder.FilePath("anderswo")) : std::nullopt);
             };
         },
         {kCannotOpen, Error(kPrep, kCannotGoOn)}, End::Closed, Leaves::Nothing},
        {"VolumeChosenFileNoSetupFile", [](Case& c) {
             TwoVolumes(c);
             c.Write();
             DeleteFileA(c.SetupFile("user.001").c_str());
             CreateDirectoryA(c.folder.FilePath("anderswo").c_str(), nullptr);
             c.folder.Write("anderswo\\user.001", "kurz");
             c.options.atDiskPrompt = [&c](const Window& prompt, int round) {
                 PromptAnswer(prompt, round == 0 ? std::optional(c.folder.FilePath("anderswo")) : std::nullopt);
             };
         },
         {kNoSetupFile, Error(kPrep, kCannotGoOn)}, End::Closed, Leaves::Nothing},
        {"VolumeChosenFileOfAnotherBuild", [](Case& c) {
             TwoVolumes(c);
             c.Write();
             DeleteFileA(c.SetupFile("user.001").c_str());
             const Bytes foreign = ForeignVolume(c);
             CreateDirectoryA(c.folder.FilePath("anderswo").c_str(), nullptr);
             c.folder.Write("anderswo\\user.001", std::string(foreign.begin(), foreign.end()));
             c.options.atDiskPrompt = [&c](const Window& prompt, int round) {
                 PromptAnswer(prompt, round == 0 ? std::optional(c.folder.FilePath("anderswo")) : std::nullopt);
             };
         },
         {kWrongDisk, Error(kPrep, kCannotGoOn)}, End::Closed, Leaves::Nothing},
        {"VolumeInTheDiskFolderFailsItsCheck", [](Case& c) {
             TwoVolumes(c);
             c.disk.emplace("Disk 1", c.folder.Path());
             c.Write();
             DeleteFileA(c.SetupFile("user.001").c_str());
             const Bytes foreign = ForeignVolume(c);
             CreateDirectoryA(c.folder.FilePath("Disk 2").c_str(), nullptr);
             c.folder.Write("Disk 2\\user.001", std::string(foreign.begin(), foreign.end()));
             c.options.atDiskPrompt = [](const Window& prompt, int) { PromptAnswer(prompt, std::nullopt); };
         },
         {Error(kPrep, kCannotGoOn)}, End::Closed, Leaves::Nothing},
        {"VolumeCannotBeCopied", [](Case& c) {
             // The temporary folder on a disk that holds user.spd, not user.001.
             SmallDrive(c, 16);
             TwoVolumes(c);
             c.media.uninstaller = PseudoRandom(1000, 5);
             c.Write();
             CreateDirectoryA("T:\\tmp", nullptr);
             c.options.env["TMP"] = c.options.env["TEMP"] = "T:\\tmp";
         },
         {Error(kPrep, kFileError)}, End::Closed, Leaves::Nothing},
        {"VolumeBesideTheProgramOfAnotherBuild", [](Case& c) {
             TwoVolumes(c);
             c.Write();
             const Bytes foreign = ForeignVolume(c);
             c.SetupFolder().Write("user.001", std::string(foreign.begin(), foreign.end()));
         },
         {Error(kPrep, kDamaged)}, End::Closed, Leaves::Nothing},

        // The preparation.
        {"TemporaryFolderCannotBeMade", Standard([](Case& c) {
             c.options.env["TMP"] = c.options.env["TEMP"] = c.folder.FilePath("nichtda\\tmp");
         }),
         {Error(kPrep, kNoTemp)}, End::Closed, Leaves::Nothing},
        {"CommonFilesDirMissing", Standard([](Case& c) {
             c.Hold(std::make_shared<RegistryOverride>(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir")).Delete();
         }),
         {Error(kPrep, kUnexpected)}, End::Closed, Leaves::Nothing},
        {"SetupSpdMissing", Standard([](Case& c) { DeleteFileA(c.SetupFile("_setup.spd").c_str()); }),
         {Error(kPrep, kNotFound)}, End::Closed, Leaves::Nothing},
        {"UserSpdMissingAtTheWorker", Standard([](Case& c) {
             c.expectedExtra = {"- file " + c.SetupFile("user.spd")};
             c.options.beforeInstall = [&c](const Window&) { DeleteFileA(c.SetupFile("user.spd").c_str()); };
         }),
         {Error(kPrep, kNotFound)}, End::Closed, Leaves::Nothing},
        {"DataFileCannotBeCopied", [](Case& c) {
             // The temporary folder on a disk too small for _setup.spd.
             SmallDrive(c, 8);
             c.media.uninstaller = PseudoRandom(12000, 5);
             c.Write();
             CreateDirectoryA("T:\\tmp", nullptr);
             c.options.env["TMP"] = c.options.env["TEMP"] = "T:\\tmp";
         },
         {Error(kPrep, kFileError)}, End::Closed, Leaves::Nothing},

        // Copying: a file in use waits for the restart; when even its copy
        // for the restart cannot be made (the temporary folder's disk is
        // full), the run stops.
        {"TargetInUseWaitsForTheRestart", Standard([](Case& c) {
             c.MakeDestination();
             c.folder.Write("Ziel\\Kalvorin\\Wellen.scr", "alt");
             c.Hold(std::make_shared<HeldFile>(c.saver));
             c.after = [](Case& c, const RunResult& run, std::vector<std::string>& changes) {
                 EXPECT_EQ(run.resultText, kDoneRestart);
                 const auto copies = std::count_if(changes.begin(), changes.end(), [](const std::string& l) {
                     return std::regex_match(l, std::regex(R"(\+ file .*\\[a-z]{8}\.tmp)"));
                 });
                 EXPECT_EQ(copies, 1) << "one restart copy";
                 std::erase_if(changes, [](const std::string& l) {
                     return std::regex_match(l, std::regex(R"(\+ file .*\\[a-z]{8}\.tmp)")) ||
                            l.find("PendingFileRenameOperations") != std::string::npos;
                 });
                 std::erase(changes, "~ file " + c.saver);
             };
         }),
         {}, End::Completed, Leaves::Installation},
        {"RestartCopyCannotBeMade", [](Case& c) {
             SmallDrive(c, 1024);
             c.media.uninstaller = PseudoRandom(1000, 5);
             c.media.files[0].content = Bytes(1100 * 1024, 'w');  // more than drive T: holds
             c.Write();
             c.MakeDestination();
             c.folder.Write("Ziel\\Kalvorin\\Wellen.scr", "alt");
             c.Hold(std::make_shared<HeldFile>(c.saver));
             CreateDirectoryA("T:\\tmp", nullptr);
             c.options.env["TMP"] = c.options.env["TEMP"] = "T:\\tmp";
         },
         {Error(kFiles, kFileError)}, End::Closed, Leaves::Nothing},
        {"SharedCountsCannotBeWritten", Standard([](Case& c) { Deny(c, kSharedDlls, KEY_SET_VALUE); }),
         {Error(kFiles, kUnexpected) + "\n%H\\geteilt.dll"}, End::Closed, Leaves::Nothing},
        {"SharedDllsKeyMissing", Standard([](Case& c) {
             // As other installers do, the setup makes the key.
             if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSharedDlls.c_str()) != ERROR_SUCCESS) {
                 throw e2e::Error("cannot delete " + kSharedDlls);
             }
             c.expectedExtra = {"+ key HKLM\\" + kSharedDlls};
         }),
         {}, End::Completed, Leaves::Installation},

        // Replacement at the restart.
        {"WininitCannotBeWritten", Standard([](Case& c) {
             c.MakeDestination();
             c.folder.Write("Ziel\\Kalvorin\\Wellen.scr", "alt");
             c.Hold(std::make_shared<HeldFile>(c.saver));
             const std::string wininit = WindowsFolder() + "\\wininit.ini";
             WriteBytes(wininit, "[Boot]\r\nx=y");
             c.Hold(std::make_shared<ReadOnlyFile>(wininit));
             c.undo.push_back([wininit] { DeleteFileA(wininit.c_str()); });
             c.options.windows98 = true;
         }),
         {Error(kEnd, kFileError)}, End::Closed, Leaves::UninstallerOnly},
        // The file would not be replaced at the restart: the run fails
        // naming it, and its restart copy goes.
        {"MoveAtTheRestartCannotBeRegistered", Standard([](Case& c) {
             c.MakeDestination();
             c.folder.Write("Ziel\\Kalvorin\\Wellen.scr", "alt");
             c.Hold(std::make_shared<HeldFile>(c.saver));
             Deny(c, kSessionManager, KEY_SET_VALUE);
         }),
         {Error(kEnd, kFileError) + "\n%D\\Wellen.scr"}, End::Closed, Leaves::UninstallerOnly},

        // An earlier installation.
        {"PreviousUninstallerCannotStart", Standard([](Case& c) {
             RegistryOverride value(HKEY_LOCAL_MACHINE, kProductRoot, kProductValue);
             value.SetString("C:\\windows\\UnSc9999.exe \"C:\\alt\\Unscr.log\" s");
             value.Keep();
             c.options.answer = [](const MessageBoxInfo&) { return IDYES; };
             c.after = [](Case&, const RunResult&, std::vector<std::string>& changes) {
                 // The earlier value, replaced by this installation's.
                 for (std::string& line : changes) {
                     if (line == "~ value HKLM\\" + kProductRoot + " [" + kProductValue + "]") line[0] = '+';
                 }
             };
         }),
         {kPrevious}, End::Completed, Leaves::Installation},
        {"PreviousInstallationCancel", Standard([](Case& c) {
             RegistryOverride value(HKEY_LOCAL_MACHINE, kProductRoot, kProductValue);
             value.SetString("C:\\windows\\UnSc9999.exe \"C:\\alt\\Unscr.log\" s");
             value.Keep();
             c.options.answer = [](const MessageBoxInfo&) { return IDCANCEL; };
         }),
         {kPrevious}, End::Closed, Leaves::Nothing},

        // The uninstall log and the registry entries.
        {"LogCannotBeCreatedRetryThenCancel", Standard([](Case& c) {
             c.MakeDestination();
             c.Hold(std::make_shared<HeldFile>(c.LogPath()));
             int answers = 0;
             c.options.answer = [answers](const MessageBoxInfo&) mutable { return ++answers == 1 ? IDRETRY : IDCANCEL; };
         }),
         {kLogQuestion, kLogQuestion}, End::Completed, Leaves::ProductKeyOnly},
        {"ProductKeyCannotBeCreated", Standard([](Case& c) {
             // Wine does not ask the parent's leave to create a key: the
             // product key is there already (an earlier installation's), and
             // nobody may write to it. The rollback keeps it.
             Deny(c, kProductRoot + "\\" + ProductKeyName(c.saver), KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
         }),
         {Error(kFiles, kUnexpected)}, End::Closed, Leaves::Nothing},
        {"UninstallEntryCannotBeWritten", Standard([](Case& c) { Deny(c, kUninstallKey, KEY_SET_VALUE | KEY_CREATE_SUB_KEY); }),
         {Error(kEnd, kUnexpected)}, End::Closed, Leaves::UninstallerOnly},
        {"ProductValueCannotBeSet", Standard([](Case& c) { Deny(c, kProductRoot, KEY_SET_VALUE); }),
         {Error(kFiles, kUnexpected)}, End::Closed, Leaves::UninstallerOnly},

        // A full disk: the destination and the temporary folder on a drive of
        // 2 MiB that the files do not fit on; earlier files there stay.
        {"FullDisk", [](Case& c) {
             SmallDrive(c, 2048);
             CreateDirectoryA("T:\\Eigene", nullptr);
             WriteBytes("T:\\Eigene\\brief.txt", std::string(100 * 1024, 'b'));
             CreateDirectoryA("T:\\tmp", nullptr);
             c.destination = "T:\\Ziel\\Kalvorin";
             c.saver = c.destination + "\\Wellen.scr";
             c.options.destination = c.destination;
             c.options.env["TMP"] = c.options.env["TEMP"] = "T:\\tmp";
             c.media.folders.clear();
             c.media.files = {
                 MediaFile("Wellen.scr", spd::FolderKind::Destination, "", Bytes(900 * 1024, 'w'),
                           spd::CatalogFlags::Screensaver),
                 MediaFile("bild1.bmp", spd::FolderKind::Destination, "", Bytes(900 * 1024, '1')),
                 MediaFile("bild2.bmp", spd::FolderKind::Destination, "", Bytes(900 * 1024, '2')),
             };
             c.Write();
             c.after = [](Case&, const RunResult&, std::vector<std::string>&) {
                 EXPECT_EQ(ReadFileBytes("T:\\Eigene\\brief.txt"), std::string(100 * 1024, 'b'));
             };
         },
         {R"(~Beim Zugriff auf T:\\Ziel\\Kalvorin\\(Wellen\.scr|bild1\.bmp|bild2\.bmp) wurde ein voller Datentr\xE4ger gemeldet\.)"},
         End::Closed, Leaves::Nothing},

        // Killed during the extraction, then run again: the second run
        // installs everything, and no earlier file is lost or damaged.
        {"KilledDuringExtractionThenRunAgain", [](Case& c) {
             // Files 50 to 59 are large enough to be seen on the status line.
             c.media.files.resize(1);
             for (int i = 0; i < 60; ++i) {
                 char name[32];
                 std::snprintf(name, sizeof name, "datei%04d.dat", i);
                 c.media.files.push_back(MediaFile(name, spd::FolderKind::Destination, "",
                                                   PseudoRandom(i == 50 ? 6000000 : i > 50 ? 1000000 : 30000, 200 + i)));
             }
             c.Write();
             c.MakeDestination();
             c.folder.Write("Ziel\\Kalvorin\\Eigene Notizen.txt", "meine Notizen");
             c.options.killWhen = [](const std::string& status) {
                 const size_t at = status.find("datei");
                 return at != std::string::npos && std::atoi(status.c_str() + at + 5) >= 50;
             };
             c.thenRun = [](Case& c, const RunResult& first) {
                 EXPECT_TRUE(first.killed);
                 EXPECT_EQ(c.folder.Read("Ziel\\Kalvorin\\Eigene Notizen.txt"), "meine Notizen");
                 // A file is copied beside its target and renamed over it: the
                 // kill leaves no target cut short, whenever it came.
                 for (const spd::SetupFile& file : c.media.files) {
                     const auto bytes = ReadFileBytes(c.destination + "\\" + file.entry.fileName);
                     if (bytes) {
                         EXPECT_EQ(*bytes, std::string(file.content.begin(), file.content.end()));
                     }
                 }
                 RunOptions again = c.options;
                 again.killWhen = nullptr;
                 again.answer = Willing;
                 const RunResult second = RunSetup(c.SetupFolder(), again);
                 EXPECT_EQ(second.exitCode, 0u);
                 EXPECT_TRUE(second.finishPage);
                 std::vector<std::string> texts;
                 for (const MessageBoxInfo& box : second.boxes) texts.push_back(box.text);
                 std::string sameSize = kSameSize;
                 sameSize.replace(sameSize.find("%D"), 2, c.destination);
                 std::string exists = kFolderExists;
                 exists.replace(exists.find("%H"), 2, c.destination + "\\Hilfe");
                 EXPECT_EQ(texts, (std::vector<std::string>{exists, sameSize, kSameProblem}));
                 for (const spd::SetupFile& file : c.media.files) {
                     EXPECT_EQ(ReadFileBytes(c.destination + "\\" + file.entry.fileName),
                               std::string(file.content.begin(), file.content.end()))
                         << file.entry.fileName;
                 }
                 EXPECT_EQ(c.folder.Read("Ziel\\Kalvorin\\Eigene Notizen.txt"), "meine Notizen");
             };
         },
         {}, End::Killed, Leaves::Nothing},
    };
    return faults;
}

// ---------------------------------------------------------------------------
// What a row may leave, as snapshot lines.

std::vector<std::string> Expected(const Case& c, Leaves leaves) {
    std::vector<std::string> lines;
    if (leaves == Leaves::Nothing) return lines;
    if (leaves == Leaves::UninstallerOnly) return {"+ file <uninstaller>"};
    const std::string productKey = kProductRoot + "\\" + ProductKeyName(c.saver);
    for (const spd::SetupFile& f : c.media.files) {
        lines.push_back("+ file " + c.destination + (f.entry.subfolder.empty() ? "" : "\\" + f.entry.subfolder) + "\\" +
                        f.entry.fileName);
        if (f.entry.flags & spd::CatalogFlags::Shared) {
            lines.push_back("+ value HKLM\\" + kSharedDlls + " [" + lines.back().substr(7) + "]");
        }
    }
    for (const spd::FolderEntry& f : c.media.folders) lines.push_back("+ folder " + c.destination + "\\" + f.path);
    if (!c.destinationExisted) {
        lines.push_back("+ folder " + c.destination);
        lines.push_back("+ folder " + c.destination.substr(0, c.destination.rfind('\\')));
    }
    lines.push_back("+ key HKLM\\" + productKey);
    lines.push_back("+ value HKLM\\" + productKey + " [Destination]");
    lines.push_back("+ value HKLM\\" + productKey + " [Config]");
    if (leaves != Leaves::ProductKeyOnly) lines.push_back("+ file " + c.LogPath());
    if (leaves == Leaves::Installation) {
        lines.push_back("+ file <uninstaller>");
        lines.push_back("+ key HKLM\\" + kUninstallKey);
        lines.push_back("+ value HKLM\\" + kUninstallKey + " [DisplayName]");
        lines.push_back("+ value HKLM\\" + kUninstallKey + " [UninstallString]");
        lines.push_back("+ value HKLM\\" + kProductRoot + " [" + kProductValue + "]");
        lines.push_back("+ value HKLM\\" + kProductRoot + " [" + kDigestValue + "]");
    }
    return lines;
}

std::string Fill(std::string text, const Case& c) {
    for (const auto& [mark, with] : {std::pair<std::string, std::string>{"%D", c.destination},
                                     {"%H", c.destination + "\\Hilfe"},
                                     {"%L", c.LogPath()},
                                     {"%F", c.folder.Path()}}) {
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + with.size())) {
            text.replace(at, mark.size(), with);
        }
    }
    return text;
}

class FaultMatrix : public testing::TestWithParam<Fault> {};

TEST_P(FaultMatrix, EndsAsItMustAndLeavesOnlyWhatItMay) {
    const Fault& fault = GetParam();
    Case c;
    fault.prepare(c);
    Snapshot::Scope scope = Snapshot::SetupScope(c.hashed);
    scope.hashedFolders.push_back(c.folder.Path());
    for (const std::string& folder : c.hashed) scope.folders.push_back(folder);
    const Snapshot before = Snapshot::Take(scope);

    // What the row may leave, but for files that were there before.
    std::vector<std::string> expected = Expected(c, fault.end == End::Killed ? Leaves::Installation : fault.leaves);
    std::erase_if(expected, [](const std::string& line) {
        return line.rfind("+ file ", 0) == 0 && GetFileAttributesA(line.substr(7).c_str()) != INVALID_FILE_ATTRIBUTES;
    });
    expected.insert(expected.end(), c.expectedExtra.begin(), c.expectedExtra.end());
    std::sort(expected.begin(), expected.end());

    RunOptions options = c.options;
    if (!options.answer) options.answer = [](const MessageBoxInfo& box) { return box.buttons.front(); };
    const RunResult run = RunSetup(c.SetupFolder(), options);
    if (c.thenRun) c.thenRun(c, run);

    // The messages, exactly and in order.
    ASSERT_EQ(run.boxes.size(), fault.boxes.size()) << ::testing::PrintToString([&] {
        std::vector<std::string> texts;
        for (const MessageBoxInfo& box : run.boxes) texts.push_back(box.text);
        return texts;
    }());
    for (size_t i = 0; i < run.boxes.size(); ++i) {
        const std::string expected = Fill(fault.boxes[i], c);
        if (expected.rfind("~", 0) == 0) {
            EXPECT_TRUE(std::regex_match(run.boxes[i].text, std::regex(expected.substr(1)))) << run.boxes[i].text;
        } else {
            EXPECT_EQ(run.boxes[i].text, expected);
        }
    }
    // How it ended.
    EXPECT_EQ(run.exitCode, fault.end == End::Killed ? 9999u : 0u);
    EXPECT_EQ(run.finishPage, fault.end == End::Completed);
    EXPECT_EQ(run.dialogShown, fault.end != End::Refused);
    if (fault.end == End::Completed && !c.after) {
        EXPECT_EQ(run.resultText, kDone);
    }

    // What it left.
    std::vector<std::string> changes = Snapshot::Take(scope).Changes(before);
    const std::regex uninstaller(R"(\+ file .*\\UnSc[0-9]{4}\.exe)");
    for (std::string& line : changes) {
        if (std::regex_match(line, uninstaller)) line = "+ file <uninstaller>";
    }
    std::erase(changes, "+ key HKLM\\" + kProductRoot);  // never removed by a setup
    std::erase(changes, "+ file " + c.folder.FilePath("restart.log"));
    if (c.after) c.after(c, run, changes);
    if (fault.end == End::Killed) {
        // The killed run's temporary folder stays: nobody was left to remove it.
        const std::regex leftover("\\+ (file|folder) " +
                                  std::regex_replace(TempFolder(), std::regex(R"(\\)"), R"(\\)") +
                                  R"(\\[a-z]{8}(\\.*)?)");
        const auto left = std::count_if(changes.begin(), changes.end(), [&](const std::string& l) {
            return l.rfind("+ folder ", 0) == 0 && std::regex_match(l, leftover);
        });
        EXPECT_EQ(left, 1) << "the killed run's temporary folder, and only that";
        std::erase_if(changes, [&](const std::string& l) { return std::regex_match(l, leftover); });
    }
    std::sort(changes.begin(), changes.end());
    std::vector<std::string> unexpected;
    std::vector<std::string> missing;
    std::set_difference(changes.begin(), changes.end(), expected.begin(), expected.end(),
                        std::back_inserter(unexpected));
    std::set_difference(expected.begin(), expected.end(), changes.begin(), changes.end(), std::back_inserter(missing));
    EXPECT_EQ(unexpected, std::vector<std::string>{}) << "changes the row may not leave";
    EXPECT_EQ(missing, std::vector<std::string>{}) << "changes the row should have left";
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultMatrix, testing::ValuesIn(Faults()),
                         [](const testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Every failure situation the program knows, and where it is proven: rows of
// the matrix above, or (after "unit:") the test that proves it where it
// cannot be brought about from outside.

struct Coverage {
    const char* situation;
    std::vector<const char*> rows;  // "unit: ..." names a test elsewhere
};

const std::vector<Coverage> kCoverage = {
    // Start-up.
    {"user.spd missing, short or of another version",
     {"StartupUserSpdMissing", "StartupUserSpdShort", "StartupUserSpdVersion15", "StartupUserSpdCannotBeOpened"}},
    {"ProgramFilesDir unavailable", {"StartupProgramFilesDirMissing"}},
    {"the version query fails: no error",
     {"unit: win.startup_test Environment.PlatformAndLanguage (GetVersionEx cannot be made to fail)"}},
    // The main dialog and the destination.
    {"invalid destination", {"DestinationInvalidThenValid"}},
    {"the worker thread cannot be created", {"unit: win.ui_setupdlg_test (failThreadCreation)"}},
    {"a page cannot be added for lack of memory",
     {"unit: win.ui_pagelist_test PageListTest.AddReturnsFalseWhenMemoryRunsOut"}},
    {"the folder browser is cancelled", {"DestinationBrowserCancelled"}},
    // The disk prompt.
    {"wrong inputs in the disk prompt", {"DiskPromptWrongInputsThenCancel"}},
    // Completion actions.
    {"RunOnce cannot be written", {"CompletionRunOnceCannotBeWritten"}},
    {"the display properties do not start", {"CompletionDisplayPropertiesCannotStart"}},
    {"the restart is refused",
     {"unit: win.ui_setupdlg_test CompletionActions.WhatEachPairOfChoicesDoes (tests never restart the machine)"}},
    // The worker and its messages.
    {"an error: one message after the rollback, then the dialog closes", {"ErrorShownAfterTheRollback"}},
    {"a cancelled installation shows no message", {"CancelDuringTheFiles", "CancelDuringThePreparation"}},
    {"a text that cannot be loaded",
     {"unit: win.setup_errors_test SetupException.ShowErrorReturnsMinusOneAndShowsNothingWhenATextIsMissing"}},
    {"an exception at a dialog's, a thread's or the program's edge",
     {"unit: win.ui_edges_test (needs a throwing handler)"}},
    // The setup data header.
    {"user.spd cannot be opened by the worker", {"HeaderUserSpdCannotBeOpenedByTheWorker"}},
    {"fewer than 192 header bytes", {"HeaderShorterThan192AtTheWorker"}},
    {"a header check fails",
     {"HeaderWrongMagic", "HeaderCatalogOffsetZero", "HeaderNonZeroMarkZero", "HeaderFileCountZero",
      "HeaderVolumeCountZeroAndAnotherLength"}},
    {"joined length differs from dataLength", {"JoinedLengthDiffers"}},
    {"the 512 KiB buffer is not available",
     {"unit: win.stages_volumes_test VolumesTest.NoBufferForTheJoiningStopsWithOutOfMemory",
      "unit: win.stages_catalog_test CatalogTest.NoBufferForTheCatalogCheckStopsWithOutOfMemory"}},
    {"Adler-32 differs from dataChecksum", {"DataChecksumDiffers"}},
    // Folder table, catalog, file records and contents, packed program.
    {"a block header shorter than 16 bytes",
     {"FolderTableHeaderShort", "CatalogHeaderShort", "FileRecordHeaderShort", "FileContentHeaderShort",
      "PackedProgramFieldShort"}},
    {"block sizes invalid or a wrong magic",
     {"FolderTableSizeZeroIsNoTable", "FileRecordSizeNot520", "PackedProgramWrongMagic",
      "PackedProgramExpandedSizeZero"}},
    {"a block's buffer is not available",
     {"FolderTableNoMemory", "FileContentNoMemory", "PackedProgramNoMemory",
      "unit: win.stages_catalog_test CatalogTest.NoMemoryForARecordOrAContentStopsWithOutOfMemory (a record needs a "
      "file over 2 GiB)"}},
    {"compressed bytes shorter than storedSize",
     {"FolderTableStoredBytesShort", "FileRecordStoredBytesShort", "FileContentStoredBytesShort",
      "unit: win.stages_catalog_test PackedProgramTest.EveryDamageIsDamagedSetupFileInTheCompletionPhase (the packed "
      "program is read to its end)"}},
    {"zlib reports an error",
     {"FolderTableZlibError", "FileRecordZlibError", "FileContentZlibError", "PackedProgramZlibError"}},
    {"the produced length differs", {"FolderTableLengthDiffers", "FileRecordInflatesTo519"}},
    {"a checksum differs",
     {"FolderTableChecksumDiffers", "CatalogChecksumDiffers", "FileRecordChecksumDiffers", "FileContentChecksumDiffers",
      "PackedProgramChecksumDiffers"}},
    {"a folder record fails its check", {"FolderRecordOfNoKind"}},
    {"a folderKind without a base folder",
     {"FileOfAKindWithoutBaseFolder",
      "unit: win.stages_folders_test FoldersTest.AKindWithoutABaseFolderStopsWithUnexpectedError (a folder record of "
      "such a kind fails its check first)"}},
    {"_setup.spd cannot be opened",
     {"unit: win.stages_catalog_test PackedProgramTest.AFileThatCannotBeOpenedIsAFileError (its copy in the private "
      "temporary folder)"}},
    {"a folder cannot be created", {"DestinationCannotBeCreated", "TableFolderCannotBeCreated"}},
    {"an existing folder answered No", {"ExistingFolderAnsweredNo"}},
    // Volumes.
    {"the disk prompt is cancelled", {"VolumePromptCancelled"}},
    {"the chosen folder does not hold the volume",
     {"unit: win.stages_volumes_test VolumesTest.AChosenFolderWithoutTheFileStopsWithFileNotFound (the prompt itself "
      "checks the file first)"}},
    {"the chosen file cannot be opened", {"VolumeChosenFileCannotBeOpened"}},
    {"the chosen file is no setup file", {"VolumeChosenFileNoSetupFile"}},
    {"the chosen file is another volume or build", {"VolumeChosenFileOfAnotherBuild"}},
    {"a volume in the disk folder fails to open or its check", {"VolumeInTheDiskFolderFailsItsCheck"}},
    {"an accepted volume cannot be copied", {"VolumeCannotBeCopied"}},
    {"a volume copy cannot be opened while joining",
     {"unit: win.stages_volumes_test VolumesTest.AVolumeCopyMissingWhenJoiningStopsWithFileError (the copy is the "
      "program's own)"}},
    {"a volume accepted unchecked is wrong", {"VolumeBesideTheProgramOfAnotherBuild"}},
    {"a cancel at each cancel point",
     {"CancelDuringThePreparation", "CancelDuringTheFiles",
      "unit: win.stages_run_test RunTest.ACancelAtEachCancelPointEndsSilentlyAndLeavesNothing"}},
    // The preparation.
    {"the temporary folder cannot be created", {"TemporaryFolderCannotBeMade"}},
    {"Windows or system folder or CommonFilesDir unavailable", {"CommonFilesDirMissing"}},
    {"_setup.spd or user.spd missing", {"SetupSpdMissing", "UserSpdMissingAtTheWorker"}},
    {"a data file cannot be copied", {"DataFileCannotBeCopied"}},
    // Extraction, replacement, copying.
    {"a file object cannot be read or written", {"FullDisk"}},
    {"no buffer for version information", {"unit: win.install_policy_test PolicyTest.EveryRowOfTheDecisionTable"}},
    {"version information cannot be read",
     {"unit: win.install_policy_test PolicyTest.UnreadableVersionBlocksAreNamedAndCountAsNone"}},
    {"a file's size cannot be had", {"unit: win.install_policy_test PolicyTest.EveryRowOfTheDecisionTable"}},
    {"a version question is answered neither Yes nor No",
     {"unit: win.install_policy_test PolicyTest.AVersionQuestionWithoutAnAnswerIsAnUnexpectedError"}},
    {"the copy over the target fails", {"TargetInUseWaitsForTheRestart"}},
    {"the copy for the restart fails as well", {"RestartCopyCannotBeMade"}},
    {"SharedDLLs cannot be opened or written", {"SharedCountsCannotBeWritten"}},
    {"SharedDLLs missing", {"SharedDllsKeyMissing"}},
    // Replacement at the restart.
    {"wininit.ini cannot be opened or created", {"WininitCannotBeWritten"}},
    {"writing wininit.ini fails",
     {"unit: win.file_test (the file layer's write errors; the disk of the Windows folder cannot be filled from a "
      "test)"}},
    {"MoveFileExA fails", {"MoveAtTheRestartCannotBeRegistered"}},
    // An earlier installation.
    {"the old uninstaller cannot be started", {"PreviousUninstallerCannotStart"}},
    {"Cancel on the question about it", {"PreviousInstallationCancel"}},
    // The uninstall log and the registry.
    {"the log cannot be created", {"LogCannotBeCreatedRetryThenCancel"}},
    {"the uninstaller cannot be produced",
     {"PackedProgramFieldShort", "PackedProgramWrongMagic", "PackedProgramNoMemory", "PackedProgramZlibError",
      "PackedProgramChecksumDiffers"}},
    {"the log's digest cannot be computed or recorded",
     {"unit: none (the AES provider is part of every supported Windows; the key took the product value a moment "
      "before)"}},
    {"a display name the uninstall log cannot hold",
     {"unit: win.stages_preparation_test (HeaderValidationTest: DisplayNameWithoutTerminator, "
      "DisplayNameWithBackslash, DisplayNameEmpty)"}},
    {"a product key too long for the uninstall log",
     {"unit: win.stages_run_test RunTest.AProductKeyTooLongForTheLogIsRefusedBeforeAnythingIsWritten"}},
    {"no memory for the compressed log, or compress fails",
     {"unit: none (a log of a few KiB; zlib's compress cannot fail with a buffer above its bound)"}},
    {"the product key cannot be created or set", {"ProductKeyCannotBeCreated"}},
    {"the Uninstall entry cannot be written", {"UninstallEntryCannotBeWritten"}},
    {"the product value cannot be set", {"ProductValueCannotBeSet"}},
    // Hostile conditions beside the tables.
    {"a full disk", {"FullDisk"}},
    {"the setup killed during extraction", {"KilledDuringExtractionThenRunAgain"}},
    {"planted libraries and programs", {"unit: e2e.planting_test"}},
    {"an uninstaller handle number that no process can have", {"unit: e2e.uninstaller_test (the refusal table)"}},
    {"damaged setups of every kind", {"unit: win.mutation_test"}},
};

TEST(FaultMatrixCoverage, EverySituationHasItsRowsOrNamesItsTest) {
    std::set<std::string> rows;
    for (const Fault& f : Faults()) rows.insert(f.name);
    std::set<std::string> used;
    int byRows = 0;
    int elsewhere = 0;
    for (const Coverage& c : kCoverage) {
        bool anyRow = false;
        for (const std::string row : c.rows) {
            if (row.rfind("unit: ", 0) == 0) continue;
            EXPECT_TRUE(rows.count(row)) << c.situation << ": no row " << row;
            used.insert(row);
            anyRow = true;
        }
        (anyRow ? byRows : elsewhere)++;
    }
    for (const std::string& row : rows) EXPECT_TRUE(used.count(row)) << row << " covers no situation";
    std::printf("fault matrix: %zu situations, %d produced by %zu end-to-end rows, %d proven by other tests only\n",
                kCoverage.size(), byRows, rows.size(), elsewhere);
}

}  // namespace
