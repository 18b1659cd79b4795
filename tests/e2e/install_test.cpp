// A whole installation through the real setup.exe, driven from outside: the
// files, the registry entries, the uninstall log and the uninstaller, the
// activation through desk.cpl, a file in use on both families of Windows,
// the finish page and what closing it does, the failures that must leave
// nothing behind, and an earlier installation of the same screensaver.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "SetupRun.h"
#include "codec/UninstallLog.h"

namespace {

using namespace e2e;

const std::string kLogQuestion =
    "Fehler beim Erstellen der Deinstallations-Logdatei.\nM\xF6glicherweise existiert eine Datei namens '%1' bereits "
    "in Ihrem System.\n\xDC"
    "berpr\xFC"
    "fen Sie das und dr\xFC"
    "cken Sie Wiederholen um es erneut zu versuchen oder "
    "Abbrechen um fortzufahren.";
const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalvorin Testschoner";
const std::string kProductValue = "KALVORIN TESTSCHONER";

std::string ShortPath(const std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return length > 0 ? std::string(buffer, length) : path;
}

std::string Replace(std::string text, const std::string& what, const std::string& with) {
    const size_t at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), with);
    return text;
}

// A value's data exactly as stored: strings through the wide API, whose
// length is that of the stored data (the ANSI API adds a terminating zero
// to strings stored without one), converted to code page 1252; other types
// as raw bytes. nullopt when there is no such value.
std::optional<std::string> Value(const std::string& key, const std::string& name, DWORD* type = nullptr) {
    DWORD valueType = 0;
    auto raw = ReadRegistryValue(HKEY_LOCAL_MACHINE, key, name, &valueType);
    if (type != nullptr) *type = valueType;
    if (!raw || (valueType != REG_SZ && valueType != REG_EXPAND_SZ)) return raw;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return raw;
    std::wstring wideName(name.size(), L'\0');
    MultiByteToWideChar(1252, 0, name.data(), static_cast<int>(name.size()), wideName.data(),
                        static_cast<int>(wideName.size()));
    DWORD size = 0;
    RegQueryValueExW(opened, wideName.c_str(), nullptr, nullptr, nullptr, &size);
    std::wstring data(size / sizeof(wchar_t), L'\0');
    RegQueryValueExW(opened, wideName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(opened);
    std::string text(data.size() * 2, '\0');
    const int length = WideCharToMultiByte(1252, 0, data.data(), static_cast<int>(data.size()), text.data(),
                                           static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string Str(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The screensaver, its settings program and a shared library: the media of
// most tests.
struct Installation {
    TestFolder folder;
    SetupMedia media;
    std::string destination;
    std::string saver;
    std::string config;
    std::string shared;
    std::string help;

    explicit Installation(const std::string& name) : folder(name) {
        destination = folder.Path() + "\\Ziel\\Kalvorin";
        saver = destination + "\\Wellen.scr";
        config = destination + "\\Einstellungen.exe";
        shared = destination + "\\Hilfe\\geteilt.dll";
        help = destination + "\\Hilfe\\liesmich.txt";
        UseTestScreensaver(media);
    }

    void Write() { WriteSetupMedia(folder, media); }

    RunOptions Options() const {
        RunOptions options;
        options.destination = destination;
        options.env["KALVORIN_DESK_LOG"] = folder.FilePath("desk.log");
        options.env["KALVORIN_RESTART_LOG"] = folder.FilePath("restart.log");
        return options;
    }

    std::string LogPath() const { return destination + "\\Unscr.log"; }
};

// The uninstaller named by the Uninstall entry, from its command line.
std::string UninstallerOf(const std::string& command) {
    return command.substr(0, command.find(' '));
}

// ---------------------------------------------------------------------------

TEST(InstallTest, AFullInstallationLeavesExactlyWhatItShould) {
    Installation setup("install-full");
    setup.Write();
    DeskStandIn desk(setup.folder.FilePath("desk.log"));
    const Snapshot before = Snapshot::Take(Snapshot::SetupScope({setup.folder.Path()}));
    HKEY root = nullptr;
    const bool productRootExisted = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductRoot.c_str(), 0, KEY_READ, &root) == 0;
    if (root != nullptr) RegCloseKey(root);

    const RunResult run = RunSetup(setup.folder, setup.Options());
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    ASSERT_TRUE(run.finishPage);
    EXPECT_EQ(run.resultText, kDone);
    EXPECT_FALSE(run.rebootBoxVisible);
    EXPECT_EQ(run.propertiesChecked, 1);

    // The files.
    for (const spd::SetupFile& file : setup.media.files) {
        const std::string path = setup.destination + (file.entry.subfolder.empty() ? "" : "\\" + file.entry.subfolder) +
                                 "\\" + file.entry.fileName;
        EXPECT_EQ(ReadFileBytes(path), Str(file.content)) << path;
    }

    // The product key, named after the screensaver's short path.
    const std::string productKey = kProductRoot + "\\" + ProductKeyName(setup.saver);
    DWORD type = 0;
    EXPECT_EQ(Value(productKey, "Destination", &type), ShortPath(setup.destination));  // no terminating zero
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Value(productKey, "Config"), ShortPath(setup.config));
    // The Uninstall entry and the product value point at the uninstaller and the log.
    EXPECT_EQ(Value(kUninstallKey, "DisplayName"), std::string(kTestDisplayName));
    const auto command = Value(kUninstallKey, "UninstallString");
    ASSERT_TRUE(command);
    const std::string uninstaller = UninstallerOf(*command);
    EXPECT_TRUE(std::regex_match(
        uninstaller,
        std::regex(std::regex_replace(WindowsFolder(), std::regex("\\\\"), "\\\\") + "\\\\UnSc[0-9]{4}\\.exe")))
        << uninstaller;
    EXPECT_EQ(*command, uninstaller + " \"" + setup.LogPath() + "\"");
    EXPECT_EQ(Value(kProductRoot, kProductValue), uninstaller + " \"" + setup.LogPath() + "\" s");
    const auto program = ReadFileBytes(uninstaller);
    ASSERT_TRUE(program);
    EXPECT_EQ(*program, *ReadFileBytes(HostPathToWine(GetEnv("KALVORIN_UNINSTALLER"))));
    // The shared count.
    EXPECT_EQ(Value("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", setup.shared, &type),
              std::string("\x01\0\0\0", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    // The uninstall log, every header field.
    const auto logBytes = ReadFileBytes(setup.LogPath());
    ASSERT_TRUE(logBytes);
    const auto decoded =
        spd::DecodeUninstallLog(spd::ByteSpan(reinterpret_cast<const uint8_t*>(logBytes->data()), logBytes->size()));
    ASSERT_TRUE(decoded.ok()) << spd::StatusText(decoded.status);
    const spd::UninstallLogHeader& h = decoded.value.header;
    const spd::UninstallLog& log = decoded.value.log;
    EXPECT_EQ(h.displayName, kTestDisplayName);
    EXPECT_EQ(h.fileLength, logBytes->size());
    const uint32_t image =
        static_cast<uint32_t>(108 + log.files.size() * 261 + log.folders.size() * 256 + log.registry.size() * 524);
    EXPECT_EQ(h.expandedLength, image + 108);
    EXPECT_EQ(h.filesOffset, 108u);
    EXPECT_EQ(h.filesSize, 5u * 261);
    EXPECT_EQ(h.foldersOffset, 108u + 5 * 261);
    EXPECT_EQ(h.registryOffset, h.foldersOffset + h.foldersSize);
    EXPECT_EQ(h.registrySize, 3u * 524);
    std::vector<std::string> files;
    for (const spd::LogFileRecord& f : log.files) {
        EXPECT_EQ(f.kind, 0) << f.path;
        files.push_back(f.path);
    }
    EXPECT_EQ(files, (std::vector<std::string>{setup.saver, setup.config, setup.shared, setup.help, setup.LogPath()}));
    std::vector<std::string> folders;
    for (const spd::LogFolderRecord& f : log.folders) folders.push_back(f.path);
    EXPECT_EQ(folders, (std::vector<std::string>{setup.folder.Path() + "\\Ziel", setup.destination,
                                                 setup.destination + "\\Hilfe"}));
    ASSERT_EQ(log.registry.size(), 3u);
    EXPECT_EQ(log.registry[0].key, productKey);
    EXPECT_EQ(log.registry[1].key, kUninstallKey);
    EXPECT_EQ(log.registry[2].key, kProductRoot);
    EXPECT_EQ(log.registry[2].valueName, kProductValue);
    // spdpack reads it the same way.
    const std::string dump = setup.folder.FilePath("log.txt");
    ASSERT_EQ(RunHostProgram("/bin/sh", "-c \"'" + GetEnv("KALVORIN_SPDPACK") + "' log '" +
                                            HostPathOf(setup.LogPath()) + "' > '" + HostPathOf(dump) + "' 2>&1\""),
              0u);
    const std::optional<std::string> text = ReadFileBytes(dump);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("fileLength      " + std::to_string(h.fileLength) + "  ok"), std::string::npos) << *text;
    EXPECT_NE(text->find("version         16  ok"), std::string::npos) << *text;

    // Activated through the system folder's desk.cpl, once, with the long path
    // and SW_SHOW; then, at closing, the display properties started at once.
    const std::string loadedBySetup = "loaded " + SystemFolder() + "\\desk.cpl by setup.exe";
    WaitUntil(10000, "the display properties", [&] {
        for (const std::string& line : desk.Lines()) {
            if (line.rfind("CPlApplet", 0) == 0 && line.find("rundll32") != std::string::npos) return true;
        }
        return false;
    });
    const std::vector<std::string> lines = desk.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], loadedBySetup);
    EXPECT_EQ(lines[1], "InstallScreenSaver window=none instance=program command=" + setup.saver + " show=5");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("InstallScreenSaver", 0) == 0; }),
              1);
    EXPECT_FALSE(setup.folder.Exists("restart.log"));
    EXPECT_FALSE(Value(kRunOnce, "Show Screensaver Properties"));

    // Nothing else changed: no temporary folder or file is left.
    const std::string test = setup.folder.Path();
    std::vector<std::string> expected = {
        "+ file " + setup.config,
        "+ file " + setup.help,
        "+ file " + setup.LogPath(),
        "+ file " + setup.saver,
        "+ file " + setup.shared,
        "+ file " + test + "\\desk.log",
        "+ file " + test + "\\log.txt",
        "+ file " + uninstaller,
        "+ folder " + setup.destination,
        "+ folder " + setup.destination + "\\Hilfe",
        "+ folder " + test + "\\Ziel",
        "+ key HKLM\\" + kUninstallKey,
        "+ key HKLM\\" + productKey,
        "+ value HKLM\\" + kProductRoot + " [" + kProductValue + "]",
        "+ value HKLM\\" + kProductRoot + " [" + kProductValue + "\\Unscr.log SHA-256]",
        "+ value HKLM\\" + kUninstallKey + " [DisplayName]",
        "+ value HKLM\\" + kUninstallKey + " [UninstallString]",
        "+ value HKLM\\" + productKey + " [Config]",
        "+ value HKLM\\" + productKey + " [Destination]",
        "+ value HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs [" + setup.shared + "]",
    };
    if (!productRootExisted) expected.push_back("+ key HKLM\\" + kProductRoot);
    std::vector<std::string> changes = Snapshot::Take(before.scope()).Changes(before);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(changes, expected);
}

}  // namespace

namespace {

// The restart copy a run left in the system temporary folder.
std::string RestartCopyIn(const std::vector<std::string>& changes) {
    for (const std::string& line : changes) {
        if (line.rfind("+ file ", 0) == 0 && line.find("\\Temp\\") != std::string::npos) return line.substr(7);
    }
    return std::string();
}

TEST(InstallTest, AFileInUseWaitsForTheRestartOnEitherFamily) {
    struct Case {
        const char* name;
        bool windows98;
        std::optional<std::string> wininitBefore;  // nullopt: no wininit.ini
    };
    const std::vector<Case> cases = {
        {"Windows 98 without wininit.ini", true, std::nullopt},
        {"Windows 98 with a wininit.ini", true, std::string("[Boot]\r\nx=y")},
        {"Windows NT", false, std::nullopt},
    };
    const std::string wininit = WindowsFolder() + "\\wininit.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Installation setup("install-inuse");
        setup.Write();
        CreateDirectoryA((setup.folder.Path() + "\\Ziel").c_str(), nullptr);
        CreateDirectoryA(setup.destination.c_str(), nullptr);
        setup.folder.Write("Ziel\\Kalvorin\\Wellen.scr", "alt");
        if (c.wininitBefore) {
            std::ofstream(wininit, std::ios::binary) << *c.wininitBefore;
        }
        DeskStandIn desk(setup.folder.FilePath("desk.log"));
        const Snapshot before = Snapshot::Take(Snapshot::SetupScope({setup.folder.Path()}));
        RunOptions options = setup.Options();
        options.windows98 = c.windows98;
        if (!c.windows98) {
            // The user lets the restart go: the display properties start at once.
            options.atFinishPage = [](const Window& dialog) { dialog.Click(kReboot); };
        }
        RunResult run;
        {
            HeldFile held(setup.saver);
            run = RunSetup(setup.folder, options);
        }
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.boxes.empty());
        EXPECT_EQ(run.resultText, kDoneRestart);
        EXPECT_TRUE(run.rebootBoxVisible);
        EXPECT_EQ(run.rebootChecked, 1);
        EXPECT_EQ(run.propertiesChecked, 1);
        EXPECT_EQ(ReadFileBytes(setup.saver), std::string("alt"));  // not changed now

        const std::vector<std::string> changes = Snapshot::Take(before.scope()).Changes(before);
        const std::string copy = RestartCopyIn(changes);
        ASSERT_FALSE(copy.empty());
        EXPECT_EQ(ReadFileBytes(copy), Str(setup.media.files[0].content));
        const auto pending = Value(kSessionManager, "PendingFileRenameOperations");
        if (c.windows98) {
            // "[rename]" when the file is new, then CR LF, target=copy in
            // short form, with no line end after the last line.
            const std::string line = "\r\n" + ShortPath(setup.saver) + "=" + ShortPath(copy);
            EXPECT_EQ(ReadFileBytes(wininit), c.wininitBefore.value_or("[rename]") + line);
            EXPECT_FALSE(pending && pending->find(ShortPath(copy)) != std::string::npos);
            // Closing with both boxes checked: the display properties at the
            // next logon, then the restart.
            EXPECT_EQ(Value(kRunOnce, "Show Screensaver Properties"),
                      std::string("rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,1"));
            EXPECT_EQ(ReadFileBytes(setup.folder.FilePath("restart.log")), std::string("ExitWindowsEx EWX_REBOOT\r\n"));
        } else {
            // One delayed move, replacing the target; no wininit.ini.
            EXPECT_FALSE(ReadFileBytes(wininit));
            ASSERT_TRUE(pending);
            EXPECT_NE(pending->find(ShortPath(copy)), std::string::npos);
            EXPECT_NE(pending->find("!\\??\\" + ShortPath(setup.saver)), std::string::npos) << *pending;
            WaitUntil(10000, "the display properties", [&] {
                const auto lines = desk.Lines();
                return std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
                    return l.rfind("CPlApplet", 0) == 0 && l.find("rundll32") != std::string::npos;
                });
            });
            EXPECT_FALSE(setup.folder.Exists("restart.log"));
            EXPECT_FALSE(Value(kRunOnce, "Show Screensaver Properties"));
        }
        Snapshot::Restore(before, {"C:\\kalv-e2e"});
        DeleteFileA(wininit.c_str());
    }
}

// A situation in which a run fails or ends early, and what must be left.
struct Failure {
    const char* name;
    std::function<void(Installation&)> prepare;  // before the snapshot
    // Files held open by another program while setup runs.
    std::function<std::vector<std::string>(Installation&)> held;
    std::function<int(Installation&, const MessageBoxInfo&)> answer;
    bool cancelWhileCopying;
    std::vector<std::string> boxes;  // texts, "%1" replaced by the log's path
    bool completes;                  // the finish page comes
    // The changes expected beside the test folder's own files.
    std::function<std::vector<std::string>(Installation&, const std::vector<std::string>& changes)> expected;
};

// Pre-creates the Uninstall entry so that nobody may write to it.
void LockUninstallEntry() {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x6;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &sd,
                                                              nullptr)) {
        ThrowLastError("security descriptor");
    }
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
    RegCloseKey(key);
}

TEST(InstallTest, FailuresLeaveNothingButWhatIsListed) {
    const std::string errorAtUninstallEntry =
        "Beim Beenden der Installation ist folgender Fehler aufgetreten.\nEin unerwarteter Fehler ist aufgetreten.";
    const std::string cancelQuestion =
        "Der Bildschirmschoner wurde noch nicht vollst\xE4ndig installiert.\nWollen Sie das Setup Programm dennoch "
        "beenden?";
    // What a successful run adds beside the test folder, without the
    // uninstaller and its entries.
    const auto installed = [](Installation& s) {
        const std::string productKey = kProductRoot + "\\" + ProductKeyName(s.saver);
        std::vector<std::string> lines = {
            "+ file " + s.config,
            "+ file " + s.help,
            "+ file " + s.LogPath(),
            "+ file " + s.saver,
            "+ file " + s.shared,
            "+ folder " + s.destination + "\\Hilfe",
            "+ key HKLM\\" + productKey,
            "+ value HKLM\\" + productKey + " [Config]",
            "+ value HKLM\\" + productKey + " [Destination]",
            "+ value HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs [" + s.shared + "]",
        };
        return lines;
    };
    const std::vector<Failure> failures = {
        {"a damaged _setup.spd: the files without uninstall support, and the user told so",
         [](Installation& s) {
             s.media.writePackedProgram = false;
             s.Write();
             s.folder.Write("_setup.spd", std::string("\x10\x32\x34\x12", 4) + std::string(40, 'x'));
             CreateDirectoryA((s.folder.Path() + "\\Ziel").c_str(), nullptr);
             CreateDirectoryA(s.destination.c_str(), nullptr);
         },
         nullptr,
         [](Installation&, const MessageBoxInfo&) { return IDOK; },
         false,
         {kNoUninstaller},
         true,
         [&](Installation& s, const std::vector<std::string>&) {
             std::vector<std::string> lines = installed(s);
             std::erase(lines, "+ file " + s.LogPath());
             return lines;
         }},
        {"Cancel on the log question: the product key only",
         [](Installation& s) {
             s.Write();
             CreateDirectoryA((s.folder.Path() + "\\Ziel").c_str(), nullptr);
             CreateDirectoryA(s.destination.c_str(), nullptr);
             s.folder.Write("Ziel\\Kalvorin\\Unscr.log", "fremd");
         },
         [](Installation& s) { return std::vector<std::string>{s.LogPath()}; },
         [](Installation&, const MessageBoxInfo& box) {
             EXPECT_EQ(box.icon, IconKind::Exclamation);
             EXPECT_EQ(box.buttons, (std::vector<int>{IDRETRY, IDCANCEL}));
             return IDCANCEL;
         },
         false,
         {kLogQuestion},
         true,
         [&](Installation& s, const std::vector<std::string>&) {
             EXPECT_EQ(ReadFileBytes(s.LogPath()), std::string("fremd"));
             std::vector<std::string> lines = installed(s);
             lines.erase(std::remove(lines.begin(), lines.end(), "+ file " + s.LogPath()), lines.end());
             return lines;
         }},
        {"the Uninstall entry cannot be written: everything back but the uninstaller, and the screensaver, "
         "written twice (the second time as WELLEN.SCR), comes back as it was before the first",
         [](Installation& s) {
             s.media.files.push_back(MediaFile("WELLEN.SCR", spd::FolderKind::Destination, "", PseudoRandom(3000, 4),
                                               spd::CatalogFlags::Screensaver));
             s.Write();
             CreateDirectoryA((s.folder.Path() + "\\Ziel").c_str(), nullptr);
             CreateDirectoryA(s.destination.c_str(), nullptr);
             CreateDirectoryA((s.destination + "\\Hilfe").c_str(), nullptr);
             s.folder.Write("Ziel\\Kalvorin\\Hilfe\\liesmich.txt", "meine Notizen");  // kept, asked by size
             s.folder.Write("Ziel\\Kalvorin\\Wellen.scr", "die alte Version");        // overwritten
             s.folder.Write("Ziel\\Kalvorin\\Einstellungen.exe", "in Gebrauch");      // waits for the restart
             LockUninstallEntry();
         },
         [](Installation& s) { return std::vector<std::string>{s.config}; },
         [&](Installation& s, const MessageBoxInfo& box) {
             if (box.text == errorAtUninstallEntry) {
                 // Shown after the rollback, before the dialog closes.
                 EXPECT_EQ(ReadFileBytes(s.saver), std::string("die alte Version"));
                 EXPECT_FALSE(ReadFileBytes(s.shared));
                 EXPECT_TRUE(box.owner.Exists());
                 EXPECT_EQ(box.icon, IconKind::Stop);
                 return IDOK;
             }
             return IDYES;  // replace Einstellungen.exe, and the same for later files
         },
         false,
         {"Der folgende Ordner sollte angelegt werden:\n'%H'\nDieser Ordner existiert aber schon auf ihrem "
          "System.\nM\xF6"
          "chten Sie diesen Ordner trotzdem verwenden.",
          "Die Datei '%T' soll durch eine Datei ersetzt werden.\n\nBeide Dateien besitzen KEINE "
          "Versionsinformation. M\xF6"
          "chten Sie die alte Datei trotzdem ersetzen?",
          "M\xF6"
          "chten Sie k\xFCnftig Dateien mit dem selben Problem genauso behandeln?",
          errorAtUninstallEntry},
         false,
         [&](Installation& s, const std::vector<std::string>& changes) {
             // Everything as it was: the earlier files, the one in use (its
             // restart copy gone), nothing scheduled.
             EXPECT_EQ(ReadFileBytes(s.help), std::string("meine Notizen"));
             EXPECT_EQ(ReadFileBytes(s.saver), std::string("die alte Version"));
             EXPECT_EQ(ReadFileBytes(s.config), std::string("in Gebrauch"));
             std::vector<std::string> lines;
             for (const std::string& line : changes) {
                 if (std::regex_match(line, std::regex(".*\\\\UnSc[0-9]{4}\\.exe"))) lines.push_back(line);
             }
             EXPECT_EQ(lines.size(), 1u);
             return lines;
         }},
        {"a cancel during extraction leaves nothing",
         [](Installation& s) {
             for (int i = 0; i < 800; ++i) {
                 s.media.files.push_back(MediaFile("datei" + std::to_string(i) + ".dat", spd::FolderKind::Destination,
                                                   "", PseudoRandom(20000, 100 + i)));
             }
             s.Write();
         },
         nullptr,
         [&](Installation&, const MessageBoxInfo& box) { return box.text == cancelQuestion ? IDYES : IDOK; },
         true,
         {cancelQuestion},
         false,
         [](Installation&, const std::vector<std::string>&) { return std::vector<std::string>{}; }},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.name);
        Installation setup("install-failure");
        failure.prepare(setup);
        const Snapshot before = Snapshot::Take(Snapshot::SetupScope({setup.folder.Path()}));
        RunOptions options = setup.Options();
        options.cancelWhileCopying = failure.cancelWhileCopying;
        if (failure.answer) {
            options.answer = [&](const MessageBoxInfo& box) { return failure.answer(setup, box); };
        }
        std::vector<std::unique_ptr<HeldFile>> held;
        if (failure.held) {
            for (const std::string& path : failure.held(setup)) held.push_back(std::make_unique<HeldFile>(path));
        }
        const RunResult run = RunSetup(setup.folder, options);
        held.clear();
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.finishPage, failure.completes);
        std::vector<std::string> texts;
        for (const MessageBoxInfo& box : run.boxes) texts.push_back(box.text);
        std::vector<std::string> expectedTexts;
        for (std::string text : failure.boxes) {
            text = Replace(text, "%1", setup.LogPath());
            text = Replace(text, "%H", setup.destination + "\\Hilfe");
            expectedTexts.push_back(Replace(text, "%T", setup.config));
        }
        EXPECT_EQ(texts, expectedTexts);

        const std::vector<std::string> all = Snapshot::Take(before.scope()).Changes(before);
        std::vector<std::string> changes;
        for (const std::string& line : all) {
            // The test folder's own files (logs of the stand-ins) are not the run's.
            if (line == "+ file " + setup.folder.FilePath("desk.log")) continue;
            if (line == "+ key HKLM\\" + kProductRoot) continue;
            changes.push_back(line);
        }
        std::vector<std::string> expected = failure.expected(setup, changes);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(changes, expected);
        Snapshot::Restore(before, {"C:\\kalv-e2e"});
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey.c_str());
    }
}

TEST(InstallTest, AnEarlierInstallationIsOfferedForRemoval) {
    const std::string recorderLog = "C:\\kalv-e2e\\recorder.log";
    struct Case {
        const char* name;
        std::string command;  // the product value's data; empty: none
        int answer;           // to question 226; 0: no question expected
        bool completes;
        bool recorderRuns;
    };
    const std::string recorder = FixturePath("recorder.exe");
    const std::string command = recorder + " \"C:\\alt\\Unscr.log\" s";
    const std::vector<Case> cases = {
        {"Yes runs the stored command and waits for it", command, IDYES, true, true},
        {"No goes on", command, IDNO, true, false},
        {"Cancel ends silently", command, IDCANCEL, false, false},
        {"a value of more than 1000 bytes counts as absent", command + std::string(1000, ' '), 0, true, false},
        {"an uninstaller that no longer exists is passed over", "C:\\windows\\UnSc9999.exe \"C:\\x\\Unscr.log\" s",
         IDYES, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(recorderLog.c_str());
        Installation setup("install-previous");
        setup.media.displayName = "kalvorin testschoner";  // the earlier one was "Kalvorin Testschoner"
        setup.Write();
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductRoot.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        RegSetValueExA(key, kProductValue.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(c.command.data()),
                       static_cast<DWORD>(c.command.size()));
        RegCloseKey(key);
        const Snapshot before = Snapshot::Take(Snapshot::SetupScope());

        RunOptions options = setup.Options();
        options.env["KALVORIN_RECORDER_LOG"] = recorderLog;
        options.answer = [&](const MessageBoxInfo& box) {
            EXPECT_EQ(box.text, kPrevious);
            EXPECT_EQ(box.icon, IconKind::Exclamation);
            EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
            EXPECT_EQ(box.defaultButton, IDYES);
            return c.answer;
        };
        const RunResult run = RunSetup(setup.folder, options);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.boxes.size(), c.answer != 0 ? 1u : 0u);
        EXPECT_EQ(run.finishPage, c.completes);
        const auto recorded = ReadFileBytes(recorderLog);
        if (c.recorderRuns) {
            ASSERT_TRUE(recorded);
            EXPECT_EQ(*recorded, "start\r\n" + c.command + "\r\nend\r\n");
            // The run went on only after the old uninstaller had ended.
            WIN32_FILE_ATTRIBUTE_DATA log{};
            WIN32_FILE_ATTRIBUTE_DATA saver{};
            GetFileAttributesExA(recorderLog.c_str(), GetFileExInfoStandard, &log);
            GetFileAttributesExA(setup.saver.c_str(), GetFileExInfoStandard, &saver);
            EXPECT_LT(CompareFileTime(&log.ftLastWriteTime, &saver.ftCreationTime), 0);
        } else {
            EXPECT_FALSE(recorded);
        }
        if (c.completes) {
            // The new installation's product value replaces the old one.
            const auto value = Value(kProductRoot, kProductValue);
            ASSERT_TRUE(value);
            EXPECT_EQ(*value, UninstallerOf(*value) + " \"" + setup.LogPath() + "\" s");
        } else {
            EXPECT_EQ(Snapshot::Take(before.scope()).Changes(before), std::vector<std::string>{});
        }
        Snapshot::Restore(before, {"C:\\kalv-e2e"});
        HKEY root = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductRoot.c_str(), 0, KEY_ALL_ACCESS, &root) == 0) {
            RegDeleteValueA(root, kProductValue.c_str());
            RegCloseKey(root);
        }
    }
}

TEST(InstallTest, ASecondSetupOfTheSameScreensaverFindsTheFirst) {
    Installation first("install-first");
    first.Write();
    ASSERT_TRUE(RunSetup(first.folder, first.Options()).finishPage);
    Installation second("install-second");
    second.media.displayName = "KALVORIN testschoner";
    second.Write();
    RunOptions options = second.Options();
    options.answer = [](const MessageBoxInfo&) { return IDNO; };
    const RunResult run = RunSetup(second.folder, options);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, kPrevious);
    EXPECT_TRUE(run.finishPage);
    // The earlier files stay; the entries now name the new installation.
    EXPECT_TRUE(ReadFileBytes(first.saver));
    EXPECT_EQ(Value(kUninstallKey, "DisplayName"), std::string("KALVORIN testschoner"));
    const auto command = Value(kUninstallKey, "UninstallString");
    ASSERT_TRUE(command);
    EXPECT_EQ(*command, UninstallerOf(*command) + " \"" + second.LogPath() + "\"");
}

}  // namespace
