// The uninstaller UnScr.exe, run as a process on logs made with the codec:
// what it refuses without removing anything (damaged logs, records outside
// the places a setup writes to, bad command lines); what it removes, keeps,
// lowers and leaves for the restart on both platform families; its question;
// and how it removes itself from the Windows folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SetupRun.h"
#include "codec/UninstallLog.h"
#include "e2e.h"

namespace {

using namespace e2e;

const std::string kName = "Kalvorin Entfernungstest";
const std::string kProductValue = "KALVORIN ENTFERNUNGSTEST";
const std::string kForeignValue = "ANDERER SCHONER";  // another screensaver's product value
const std::string kPending = "PendingFileRenameOperations";
const std::string kForeignKey = "Software\\KalvorinFremd";
const std::string kNetworkFile = "N:\\kalv-e2e-uninstaller.txt";
// Where the setup records the digest of the log it wrote.
const std::string kDigestValue = kProductValue + "\\Unscr.log SHA-256";
const std::string kForeignUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Anderer Schoner";
constexpr uint32_t kHklm = 0x80000002;
constexpr uint32_t kHkcu = 0x80000001;

// The uninstaller's texts (code page 1252).
std::string Named(const std::string& name) {
    return "\x84" + name + "\x93";
}
const std::string kQuestion =
    "M\xF6"
    "chten Sie den Bildschirmschoner " +
    Named(kName) + " und alle zugeh\xF6rigen Dateien von Ihrem Computer entfernen?";
const std::string kRemoved = "Der Bildschirmschoner " + Named(kName) + " wurde von Ihrem Computer entfernt.";
const std::string kNotComplete = "Der Bildschirmschoner " + Named(kName) +
                                 " wurde nicht vollst\xE4ndig entfernt.\nEinige Eintr\xE4ge der "
                                 "Deinstallations-Logdatei wurden \xFC"
                                 "bergangen, weil sie auf Dateien, Ordner oder Registrierungseintr\xE4ge "
                                 "au\xDF"
                                 "erhalb der Installation verweisen.";
const std::string kRestartNote =
    "\nEinige Dateien werden beim n\xE4"
    "chsten Neustart entfernt.";
const std::string kUsage =
    "Es wurde keine g\xFCltige Deinstallations-Logdatei angegeben.\n\nAufruf: UnScr.exe \"Logdatei\" [s]";
std::string LogText(const std::string& log, const std::string& problem) {
    return "Die Deinstallations-Logdatei " + Named(log) + " " + problem + "\nEs wurde nichts entfernt.";
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}
bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ShortPath(const std::string& path) {
    char buffer[MAX_PATH] = {};
    return std::string(buffer, GetShortPathNameA(path.c_str(), buffer, MAX_PATH));
}

void Write(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE || !WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr)) {
        ThrowLastError("cannot write " + path);
    }
    CloseHandle(file);
}

std::string Read(const std::string& path) {
    return ReadFileBytes(path).value_or("");
}

// SHA-256 as the system computes it.
std::string Sha256(const std::string& bytes) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[32] = {};
    DWORD size = sizeof digest;
    const bool ok = CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
                    CryptCreateHash(provider, 0x800C, 0, 0, &hash) &&
                    CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()), 0) &&
                    CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0);
    if (hash != 0) CryptDestroyHash(hash);
    if (provider != 0) CryptReleaseContext(provider, 0);
    if (!ok) ThrowLastError("cannot compute SHA-256");
    return std::string(reinterpret_cast<const char*>(digest), size);
}

void SetValue(HKEY root, const std::string& key, const std::string& name, std::optional<std::string> text,
              std::optional<DWORD> count = std::nullopt) {
    RegistryOverride value(root, key, name);
    if (text)
        value.SetString(*text);
    else if (count)
        value.SetDword(*count);
    else
        value.Delete();
    value.Keep();
}

std::optional<DWORD> Count(const std::string& path) {
    const auto data = ReadRegistryValue(HKEY_LOCAL_MACHINE, kSharedDlls, path);
    if (!data || data->size() != 4) return std::nullopt;
    DWORD count = 0;
    std::memcpy(&count, data->data(), 4);
    return count;
}

// 0: no such key; 1: a key without values and subkeys; 2: one with some.
int KeyState(HKEY root, const std::string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return 0;
    DWORD subkeys = 0, values = 0;
    RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(opened);
    return subkeys + values == 0 ? 1 : 2;
}

// A delayed deletion of `path` registered on the NT family (Wine keeps the
// path as given, behind "\??\", followed by an empty target).
bool PendingDeletion(const std::string& path) {
    const std::string data = ReadRegistryValue(HKEY_LOCAL_MACHINE, kSessionManager, kPending).value_or("");
    return (std::string(1, '\0') + data).find(std::string(1, '\0') + "\\??\\" + path + std::string(2, '\0')) !=
           std::string::npos;
}

// A file of the prefix as it was, put back (or removed again) at the end.
class SavedFile {
public:
    explicit SavedFile(std::string path) : path_(std::move(path)) {
        if (Exists(path_)) content_ = Read(path_);
    }
    ~SavedFile() {
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (content_)
            Write(path_, *content_);
        else
            DeleteFileA(path_.c_str());
    }

private:
    std::string path_;
    std::optional<std::string> content_;
};

spd::RegistryEntryRecord Record(uint32_t hive, const std::string& key, const std::string& value = "") {
    spd::RegistryEntryRecord record;
    record.hive = hive;
    record.key = key;
    record.valueName = value;
    return record;
}

class UninstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(dest.c_str(), nullptr);
        folder.CopyIn(UninstallerExePath(), "UnScr.exe");
        places.folders = {folder.Path()};
        places.hashedFolders = {folder.Path()};
        places.files = {kNetworkFile, WindowsFolder() + "\\wininit.ini", systemFile};
        places.keys = {{HKEY_LOCAL_MACHINE, kProductRoot},         {HKEY_LOCAL_MACHINE, uninstallKey},
                       {HKEY_LOCAL_MACHINE, kSharedDlls},          {HKEY_LOCAL_MACHINE, kForeignKey},
                       {HKEY_LOCAL_MACHINE, kForeignUninstallKey}, {HKEY_CURRENT_USER, kProductRoot}};
        places.values = {{HKEY_LOCAL_MACHINE, kSessionManager, kPending}};
    }

    // Everything the tests wrote to the registry goes again; keys the
    // prefix did not have go when nothing else is in them.
    void TearDown() override {
        for (const std::string& key : {productKey, uninstallKey, kProductRoot + "\\A\\B", kProductRoot + "\\A",
                                       kForeignKey, kForeignUninstallKey}) {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
        }
        RegDeleteKeyA(HKEY_CURRENT_USER, (kProductRoot + "\\C:/X").c_str());
        for (const std::string& name : {kProductValue, kForeignValue, kDigestValue}) {
            SetValue(HKEY_LOCAL_MACHINE, kProductRoot, name, {});
        }
        for (const std::string& path : sharedPaths) SetValue(HKEY_LOCAL_MACHINE, kSharedDlls, path, {});
        const auto dropIfNew = [](bool had, HKEY root, const std::string& key) {
            if (!had && KeyState(root, key) == 1) RegDeleteKeyA(root, key.c_str());
        };
        dropIfNew(hadSharedDlls, HKEY_LOCAL_MACHINE, kSharedDlls);
        dropIfNew(hadProductRoot, HKEY_LOCAL_MACHINE, kProductRoot);
        dropIfNew(hadUserRoot, HKEY_CURRENT_USER, kProductRoot);
        DeleteFileA(kNetworkFile.c_str());
        DeleteFileA(systemFile.c_str());
    }

    std::string In(const std::string& name) const { return dest + "\\" + name; }

    // The registry entries of an installation and their records; another
    // screensaver's product value must stay.
    std::vector<spd::RegistryEntryRecord> InstallRegistry() {
        SetValue(HKEY_LOCAL_MACHINE, productKey, "Destination", "C:\\KALV-E2E\\UNINST~1\\DEST");
        SetValue(HKEY_LOCAL_MACHINE, uninstallKey, "DisplayName", kName);
        SetValue(HKEY_LOCAL_MACHINE, kProductRoot, kProductValue, "UnSc0001.exe " + Quoted(log) + " s");
        SetValue(HKEY_LOCAL_MACHINE, kProductRoot, kForeignValue, "UnSc0002.exe \"C:\\x\\Unscr.log\" s");
        return {Record(kHklm, productKey), Record(kHklm, uninstallKey), Record(kHklm, kProductRoot, kProductValue)};
    }

    void ExpectRegistryRemoved() {
        EXPECT_EQ(KeyState(HKEY_LOCAL_MACHINE, productKey), 0);
        EXPECT_EQ(KeyState(HKEY_LOCAL_MACHINE, uninstallKey), 0);
        EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kProductRoot, kProductValue));
        EXPECT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kProductRoot, kForeignValue)) << "another saver's value";
        EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kProductRoot, kDigestValue)) << "the log's digest";
    }

    std::string Encode(const spd::UninstallLog& content) {
        const auto bytes = spd::EncodeUninstallLog(content);
        return std::string(bytes.value.begin(), bytes.value.end());
    }

    // A small installation: a screensaver, a help file in a subfolder, the
    // registry entries, and the log listing them (the log itself last).
    spd::UninstallLog SmallInstallation() {
        CreateDirectoryA(In("Hilfe").c_str(), nullptr);
        Write(In("kalvorin.scr"), "Bildschirmschoner");
        Write(In("Hilfe\\hilfe.txt"), "Hilfe");
        return spd::MakeUninstallLog(kName, {In("kalvorin.scr"), In("Hilfe\\hilfe.txt"), log}, {}, {dest, In("Hilfe")},
                                     InstallRegistry());
    }

    void WriteLog(const std::vector<spd::LogFileRecord>& files, const std::vector<std::string>& folders,
                  const std::vector<spd::RegistryEntryRecord>& registry) {
        spd::UninstallLog content = spd::MakeUninstallLog(kName, {}, {}, folders, registry);
        content.files = files;
        WriteRecorded(Encode(content));
    }

    // The log as its setup leaves it: written, and its digest recorded.
    void WriteRecorded(const std::string& bytes) {
        Write(log, bytes);
        RegistryOverride digest(HKEY_LOCAL_MACHINE, kProductRoot, kDigestValue);
        digest.SetBinary(Sha256(bytes));
        digest.Keep();
    }

    Process Start(const std::string& arguments) {
        StartOptions options;
        options.arguments = arguments;
        options.workingFolder = dest;  // the uninstaller must not hold it
        return Process::Start(folder.FilePath("UnScr.exe"), options);
    }

    // Presses `button` on the box now open and returns it.
    MessageBoxInfo Answer(Process& process, int button) {
        const MessageBoxInfo box = WaitForMessageBox(process);
        EXPECT_EQ(box.caption, "UnScr");
        AnswerMessageBox(box, button);
        return box;
    }

    TestFolder folder{"uninstaller"};
    std::string dest = folder.FilePath("dest");
    std::string log = dest + "\\Unscr.log";
    std::string systemFile = SystemFolder() + "\\kalv-e2e-fremd.dll";
    std::string productKey = kProductRoot + "\\C:/KALV-E2E/UNINSTALLER/DEST/KALVORIN.SCR";
    std::string uninstallKey = kUninstallRoot + "\\" + kName;
    std::vector<std::string> sharedPaths;
    bool hadSharedDlls = KeyState(HKEY_LOCAL_MACHINE, kSharedDlls) != 0;
    bool hadProductRoot = KeyState(HKEY_LOCAL_MACHINE, kProductRoot) != 0;
    bool hadUserRoot = KeyState(HKEY_CURRENT_USER, kProductRoot) != 0;
    // What the uninstaller registers for the restart goes again after each test.
    RegistryOverride savedPending{HKEY_LOCAL_MACHINE, kSessionManager, kPending};
    SavedFile savedWininit{WindowsFolder() + "\\wininit.ini"};
    Snapshot::Scope places;
};

// ---------------------------------------------------------------------------
// Refused, and nothing in the test folder, on drive N: or in the registry
// keys concerned changes. Each row runs asking (exact text and icon) and
// silently (no box: the exit code); a command-line row runs once as given.

struct RefusalRow {
    const char* what;
    std::function<void()> prepare;
    std::string text;  // "": the question, then the "not complete" result
    DWORD exitCode;
    std::optional<std::string> arguments = std::nullopt;
};

TEST_F(UninstallerTest, RefusesDamagedLogsAndRecordsOutsideTheInstallation) {
    // A log that would remove a whole installation, damaged byte by byte.
    const auto damaged = [this](std::function<void(std::string&)> damage) {
        return [this, damage] {
            std::string bytes = Encode(SmallInstallation());
            WriteRecorded(bytes);
            damage(bytes);
            Write(log, bytes);
        };
    };
    const auto put = [](size_t at, uint32_t value, int width) {
        return [=](std::string& b) {
            for (int i = 0; i < width; ++i) b[at + i] = char(value >> (8 * i));
        };
    };
    // Logs of one record each, beside files, folders and keys it could harm.
    const auto only = [this](std::vector<spd::LogFileRecord> files, std::vector<std::string> folders,
                             std::vector<spd::RegistryEntryRecord> registry) {
        return [=, this] {
            CreateDirectoryA(folder.FilePath("outside").c_str(), nullptr);
            CreateDirectoryA(folder.FilePath("outside\\leer").c_str(), nullptr);
            Write(folder.FilePath("outside\\keep.txt"), "bleibt");
            Write(kNetworkFile, "bleibt");
            Write(In("kind2.txt"), "bleibt");
            InstallRegistry();
            SetValue(HKEY_LOCAL_MACHINE, kForeignUninstallKey, "DisplayName", "Anderer Schoner");
            SetValue(HKEY_LOCAL_MACHINE, kProductRoot + "\\A\\B", "x", "bleibt");
            SetValue(HKEY_LOCAL_MACHINE, kForeignKey, "x", "bleibt");
            SetValue(HKEY_CURRENT_USER, kProductRoot + "\\C:/X", "x", "bleibt");
            WriteLog(files, folders, registry);
        };
    };
    const auto file = [&](const std::string& path, uint8_t kind = 0) { return only({{path, kind}}, {}, {}); };
    const auto dir = [&](const std::string& path) { return only({}, {path}, {}); };
    const auto key = [&](spd::RegistryEntryRecord record) { return only({}, {}, {record}); };
    const auto none = [](std::string&) {};
    // A log that a setup wrote, then changed: it also lists a file of the
    // system folder and another product's Uninstall entry.
    const auto altered = [this] {
        WriteRecorded(Encode(SmallInstallation()));
        Write(systemFile, "fremd");
        SetValue(HKEY_LOCAL_MACHINE, kForeignUninstallKey, "DisplayName", "Anderer Schoner");
        spd::UninstallLog content = SmallInstallation();
        content.files.insert(content.files.begin(), {systemFile, 0});
        content.registry.push_back(Record(kHklm, kForeignUninstallKey));
        Write(log, Encode(content));
    };
    const std::string damagedText = LogText(log,
                                            "ist besch\xE4"
                                            "digt oder unvollst\xE4ndig.");
    const std::string windows = WindowsFolder();

    const RefusalRow rows[] = {
        {"no log", [] {}, LogText(log, "wurde nicht gefunden."), 1},
        {"empty log", damaged([](std::string& b) { b.clear(); }), damagedText, 1},
        {"header cut short", damaged([](std::string& b) { b.resize(100); }), damagedText, 1},
        {"stream cut short", damaged([](std::string& b) { b.resize(b.size() - 5); }), damagedText, 1},
        {"wrong magic", damaged(put(0, 0x656E7275, 4)), damagedText, 1},
        {"wrong version", damaged(put(80, 15, 2)), damagedText, 1},
        {"checksum mismatch", damaged([](std::string& b) { b[76] ^= 1; }), damagedText, 1},
        {"file section of no whole record", damaged(put(84, 262, 4)), damagedText, 1},
        {"a log changed after its digest was recorded", altered,
         LogText(log, "wurde seit der Installation ver\xE4ndert."), 1},
        {"a log without a recorded digest", [this] { Write(log, Encode(SmallInstallation())); },
         "F\xFCr die Deinstallations-Logdatei " + Named(log) +
             " ist auf diesem Computer keine Installation eingetragen.\nEs wurde nichts entfernt.",
         1},
        {"file with ..", file(In("..\\outside\\keep.txt")), "", 4},
        {"file in another drive's root", file(kNetworkFile), "", 4},
        {"file on a network path", file("\\\\server\\share\\keep.txt"), "", 4},
        {"file of an unknown kind", file(In("kind2.txt"), 2), "", 4},
        {"the Windows folder as a file", file(windows), "", 4},
        {"folder with ..", dir(In("..\\outside\\leer")), "", 4},
        {"a drive root as folder", dir("N:\\"), "", 4},
        {"the system folder", dir(windows + "\\system32"), "", 4},
        {"the product root key itself", key(Record(kHklm, kProductRoot)), "", 4},
        {"a key two levels below it", key(Record(kHklm, kProductRoot + "\\A\\B")), "", 4},
        {"a key elsewhere", key(Record(kHklm, kForeignKey)), "", 4},
        {"a value of the Uninstall entry", key(Record(kHklm, uninstallKey, "DisplayName")), "", 4},
        {"a product key of another hive", key(Record(kHkcu, kProductRoot + "\\C:/X")), "", 4},
        {"another product's Uninstall entry", key(Record(kHklm, kForeignUninstallKey)), "", 4},
        {"another screensaver's product value", key(Record(kHklm, kProductRoot, kForeignValue)), "", 4},
        {"no argument", damaged(none), kUsage, 3, ""},
        {"an unknown second argument", damaged(none), kUsage, 3, Quoted(log) + " x"},
        {"a quotation mark not closed", damaged(none), kUsage, 3, "\"" + log},
        {"three arguments", damaged(none), kUsage, 3, Quoted(log) + " s s"},
        {"a handle that no process can have", damaged(none), kUsage, 3,
         "/remove-original 4294967296 " + Quoted(folder.FilePath("UnScr.exe"))},
    };
    for (const RefusalRow& row : rows) {
        for (const bool silent : {false, true}) {
            if (silent && row.arguments) continue;
            SCOPED_TRACE(std::string(row.what) + (silent ? " (silent)" : " (asking)"));
            RemoveTree(dest);
            CreateDirectoryA(dest.c_str(), nullptr);
            SetValue(HKEY_LOCAL_MACHINE, kProductRoot, kDigestValue, {});
            row.prepare();
            const Snapshot before = Snapshot::Take(places);
            Process process = Start(row.arguments.value_or(Quoted(log) + (silent ? " s" : "")));
            if (!silent) {
                if (row.text.empty()) {
                    EXPECT_EQ(Answer(process, IDYES).text, kQuestion);
                }
                const MessageBoxInfo box = Answer(process, IDOK);
                EXPECT_EQ(box.text, row.text.empty() ? kNotComplete : row.text);
                EXPECT_STREQ(ToString(box.icon), row.text.empty() ? "exclamation" : "stop");
                EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
            }
            EXPECT_EQ(process.WaitForExit(), row.exitCode);
            EXPECT_EQ(Snapshot::Take(places).Changes(before), std::vector<std::string>{});
        }
    }
}

TEST_F(UninstallerTest, LogHeldOpenByAnotherProgramIsRefused) {
    WriteRecorded(Encode(SmallInstallation()));
    HeldFile held(log);
    const Snapshot before = Snapshot::Take(places);
    Process process = Start(Quoted(log));
    EXPECT_EQ(Answer(process, IDOK).text, LogText(log, "kann nicht gelesen werden."));
    EXPECT_EQ(process.WaitForExit(), 1u);
    EXPECT_EQ(Snapshot::Take(places).Changes(before), std::vector<std::string>{});
}

// ---------------------------------------------------------------------------
// What a removal does with each file: one installation holding every case,
// removed once on the NT family (asking) and once on the 9x family (silent).

struct FileRow {
    const char* name;  // in the destination folder
    uint8_t kind;      // 0 written by the installation, 1 shared file kept from before
    std::optional<DWORD> countBefore;
    bool stays;
    std::optional<DWORD> countAfter;
    bool readOnly = false;
    bool inUse = false;    // held open by another program: goes at the restart
    bool missing = false;  // listed, but gone already
};

const FileRow kFileRows[] = {
    {.name = "plain.scr", .kind = 0, .countBefore = {}, .stays = false, .countAfter = {}},
    {.name = "readonly.txt", .kind = 0, .countBefore = {}, .stays = false, .countAfter = {}, .readOnly = true},
    {.name = "shared2.dll", .kind = 0, .countBefore = 2, .stays = true, .countAfter = 1},
    {.name = "shared1.dll", .kind = 0, .countBefore = 1, .stays = false, .countAfter = {}},
    {.name = "kept1.dll", .kind = 1, .countBefore = 1, .stays = true, .countAfter = {}},
    {.name = "kept3.dll", .kind = 1, .countBefore = 3, .stays = true, .countAfter = 2},
    {.name = "busy.dll", .kind = 0, .countBefore = {}, .stays = true, .countAfter = {}, .inUse = true},
    {.name = "gone.txt", .kind = 0, .countBefore = {}, .stays = false, .countAfter = {}, .missing = true},
};

class RemovalOutcomeTest : public UninstallerTest {
protected:
    // Lays out the installation and writes its log; folders below the
    // destination are listed parents first, as a setup lists them: the empty
    // chain a\b\c goes (deepest first), "voll" holds a file of the user's.
    std::vector<std::unique_ptr<HeldFile>> Install() {
        std::vector<std::unique_ptr<HeldFile>> held;
        std::vector<spd::LogFileRecord> files;
        for (const FileRow& row : kFileRows) {
            const std::string path = In(row.name);
            if (!row.missing) Write(path, row.name);
            if (row.countBefore) SetValue(HKEY_LOCAL_MACHINE, kSharedDlls, path, {}, *row.countBefore);
            sharedPaths.push_back(path);
            if (row.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
            if (row.inUse) held.push_back(std::make_unique<HeldFile>(path));
            files.push_back({path, row.kind});
        }
        // The log itself is the last record of kind 0.
        const auto kept = std::stable_partition(files.begin(), files.end(), [](auto& f) { return f.kind == 0; });
        files.insert(kept, spd::LogFileRecord{log, 0});
        std::vector<std::string> folders{dest};
        for (const char* name : {"a", "a\\b", "a\\b\\c", "voll"}) {
            CreateDirectoryA(In(name).c_str(), nullptr);
            folders.push_back(In(name));
        }
        Write(In("voll\\eigene.txt"), "vom Benutzer");
        WriteLog(files, folders, InstallRegistry());
        return held;
    }

    void ExpectOutcome(const std::function<bool(const std::string&)>& atRestart) {
        for (const FileRow& row : kFileRows) {
            SCOPED_TRACE(row.name);
            EXPECT_EQ(Exists(In(row.name)), row.stays);
            EXPECT_EQ(Count(In(row.name)), row.countAfter);
            EXPECT_EQ(atRestart(In(row.name)), row.inUse);
        }
        EXPECT_FALSE(Exists(log));
        EXPECT_FALSE(Exists(In("a")));
        EXPECT_TRUE(Exists(In("voll\\eigene.txt")));
        ExpectRegistryRemoved();
    }
};

TEST_F(RemovalOutcomeTest, NtFamilyAsksRemovesAndLeavesFilesInUseForTheRestart) {
    {
        auto held = Install();
        Process process = Start(Quoted(log));
        const MessageBoxInfo question = Answer(process, IDYES);
        EXPECT_EQ(question.text, kQuestion);
        EXPECT_STREQ(ToString(question.icon), "question");
        EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(question.defaultButton, IDYES);
        const MessageBoxInfo result = Answer(process, IDOK);
        EXPECT_EQ(result.text, kRemoved + kRestartNote);
        EXPECT_STREQ(ToString(result.icon), "information");
        EXPECT_EQ(process.WaitForExit(), 0u);
    }
    ExpectOutcome(PendingDeletion);
}

TEST_F(RemovalOutcomeTest, NineXFamilyRemovesSilentlyAndWritesWininit) {
    const std::string wininit = WindowsFolder() + "\\wininit.ini";
    DeleteFileA(wininit.c_str());
    WineVersionOverride win98("UnScr.exe", "win98");
    std::string busy;
    {
        auto held = Install();
        busy = ShortPath(In("busy.dll"));
        EXPECT_EQ(Start(Quoted(log) + " s").WaitForExit(), 0u);
    }
    EXPECT_EQ(Read(wininit), "[rename]\r\nNUL=" + busy);
    ExpectOutcome([&](const std::string& path) {
        return Exists(path) && Read(wininit).find("NUL=" + ShortPath(path)) != std::string::npos;
    });
}

// ---------------------------------------------------------------------------
// The question: No leaves everything; Yes removes the whole installation.

TEST_F(UninstallerTest, NoLeavesEverythingAndYesRemovesAll) {
    WriteRecorded(Encode(SmallInstallation()));
    const Snapshot before = Snapshot::Take(places);
    Process declined = Start(Quoted(log));
    EXPECT_EQ(Answer(declined, IDNO).text, kQuestion);
    EXPECT_EQ(declined.WaitForExit(), 2u);
    EXPECT_EQ(Snapshot::Take(places).Changes(before), std::vector<std::string>{});

    Process process = Start(Quoted(log));
    Answer(process, IDYES);
    EXPECT_EQ(Answer(process, IDOK).text, kRemoved);
    EXPECT_EQ(process.WaitForExit(), 0u);
    EXPECT_FALSE(Exists(dest)) << "the destination with everything in it";
    ExpectRegistryRemoved();
    EXPECT_TRUE(folder.Exists("UnScr.exe")) << "an uninstaller outside the Windows folder stays";
}

// ---------------------------------------------------------------------------
// Removing itself: from the Windows folder through a copy in the temporary
// folder; that copy's hidden command line deletes nothing but another copy
// of the same program there.

TEST_F(UninstallerTest, RemovesItselfFromTheWindowsFolder) {
    const std::string installed = WindowsFolder() + "\\UnSc1234.exe";
    SavedFile restore(installed);
    ASSERT_TRUE(CopyFileA(UninstallerExePath().c_str(), installed.c_str(), FALSE));
    const std::string temp = folder.FilePath("tmp");
    CreateDirectoryA(temp.c_str(), nullptr);
    WriteRecorded(Encode(SmallInstallation()));

    StartOptions options;
    options.arguments = Quoted(log) + " s";
    options.env = {{"TMP", temp}, {"TEMP", temp}};
    EXPECT_EQ(Process::Start(installed, options).WaitForExit(), 0u);
    WaitUntil(20000, "the uninstaller in the Windows folder to go", [&] { return !Exists(installed); });
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((temp + "\\UnSc????.exe").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no copy in the temporary folder";
    FindClose(search);
    const std::string copy = found.cFileName;
    WaitUntil(20000, "the copy to end", [&] { return ProcessIdsNamed(copy).empty(); });
    EXPECT_TRUE(PendingDeletion(temp + "\\" + copy));
    EXPECT_FALSE(PendingDeletion(installed)) << "deleted at once, not at the restart";
    EXPECT_FALSE(Exists(dest));
}

TEST_F(UninstallerTest, HiddenCommandLineDeletesOnlyACopyOfItselfInTheWindowsFolder) {
    const std::string windows = WindowsFolder();
    const std::pair<std::string, bool> victims[] = {
        // path, a copy of the uninstaller
        {folder.FilePath("UnSc5555.exe"), true},    // outside the Windows folder
        {windows + "\\UnSc5555.exe", false},        // another program of an uninstaller's name
        {windows + "\\kalv-e2e-victim.exe", true},  // another name
    };
    for (const auto& [path, copy] : victims) {
        SCOPED_TRACE(path);
        SavedFile restore(path);
        if (copy) {
            ASSERT_TRUE(CopyFileA(UninstallerExePath().c_str(), path.c_str(), FALSE));
        } else {
            Write(path, "MZ kein Deinstallationsprogramm");
        }
        EXPECT_EQ(Start("/remove-original 0 " + Quoted(path)).WaitForExit(), 3u);
        EXPECT_TRUE(Exists(path));
    }
}

}  // namespace
