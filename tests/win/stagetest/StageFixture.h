// Test bed for the worker's stages, run on the test thread under Wine with
// real files: a private folder per test (also the system temporary path of
// the process while the test runs), a hidden progress bar and a hidden
// status window standing in for the main dialog, a CSetupSync, a
// SetupContext, setup data made by the codec's builder or byte by byte, and
// helpers to check the exceptions the stages raise.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "codec/BlockHeader.h"
#include "codec/Checksum.h"
#include "codec/PackedProgram.h"
#include "codec/SetupData.h"
#include "codec/VolumeName.h"
#include "context/SetupContext.h"
#include "framework/FileException.h"
#include "run/DiskPrompt.h"
#include "run/SetupException.h"
#include "run/SetupStatus.h"
#include "run/SetupSync.h"
#include "run/SetupWork.h"
#include "run/WorkerOps.h"
#include "support/MessageBoxScript.h"
#include "worker/InstallRun.h"

namespace stagetest {
using namespace kalvorin;
using namespace kalvorin::setup;

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------
// Files

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    const BOOL ok =
        bytes.empty() || ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    ASSERT_TRUE(ok) << path;
}

inline Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty()) ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    ::CloseHandle(file);
    return bytes;
}

inline bool IsFile(const std::string& path) {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool IsFolder(const std::string& path) {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates every missing level of `path` (test set-up only).
inline void MakeFolders(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') ::CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

// Names of the entries of a folder (without "." and "..").
inline std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return names;
}

inline void DeleteTree(const std::string& path) {
    if (IsFolder(path)) {
        for (const std::string& name : ListFolder(path)) DeleteTree(path + "\\" + name);
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::RemoveDirectoryA(path.c_str());
    } else if (IsFile(path)) {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    }
}

// ---------------------------------------------------------------------------
// Setup data

inline spd::Guid TestGuid(uint8_t seed) {
    spd::Guid g;
    g.data1 = 0x4B414C56u + seed;
    g.data2 = 0x1234;
    g.data3 = 0x4567;
    for (size_t i = 0; i < g.data4.size(); ++i) g.data4[i] = static_cast<uint8_t>(0x80 + i + seed);
    return g;
}

inline Bytes Pattern(size_t size, uint32_t seed) {
    Bytes bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return bytes;
}

inline spd::SetupFile MakeFile(const std::string& name, uint8_t kind, const std::string& subfolder, Bytes content,
                               uint8_t flags = 0) {
    spd::SetupFile file;
    file.entry.fileName = name;
    file.entry.folderKind = kind;
    file.entry.subfolder = subfolder;
    file.entry.flags = flags;
    file.content = std::move(content);
    return file;
}

inline spd::FolderEntry MakeFolder(uint8_t kind, const std::string& path) {
    spd::FolderEntry folder;
    folder.folderKind = kind;
    folder.path = path;
    return folder;
}

inline spd::SetupDataSpec BasicSpec() {
    spd::SetupDataSpec spec;
    spec.displayName = "Kalvorin";
    spec.setupId = TestGuid(1);
    spec.threads = 1;
    spec.files.push_back(MakeFile("kalvorin.scr", 5, "", Pattern(3000, 1), 0x04));
    spec.files.push_back(MakeFile("readme.txt", 5, "Docs", Bytes(500, 'x')));
    return spec;
}

inline spd::SetupDataImage Build(const spd::SetupDataSpec& spec) {
    auto result = spd::BuildSetupData(spec);
    EXPECT_TRUE(result.ok()) << spd::StatusText(result.status);
    return result.value;
}

inline Bytes PackedProgram() {
    auto packed = spd::PackProgram(Pattern(5000, 77), 6);
    EXPECT_TRUE(packed.ok());
    return packed.value;
}

// A volume size that cuts `spec`'s joined data into exactly `files` files.
inline uint64_t VolumeSizeFor(const spd::SetupDataSpec& spec, uint64_t files) {
    const uint64_t length = Build(spec).joined.size();
    for (uint64_t size = spd::kMinVolumeSize; size < length + 1; ++size) {
        if (spd::VolumeFilesFor(length, size) == files) return size;
    }
    ADD_FAILURE() << "no volume size for " << files << " files";
    return 0;
}

// Writes _setup.spd and every volume of `image` into `folder`.
inline void WriteMedia(const std::string& folder, const spd::SetupDataImage& image) {
    MakeFolders(folder);
    WriteBytes(folder + "\\_setup.spd", PackedProgram());
    WriteBytes(folder + "\\user.spd", image.volumes[0]);
    for (size_t n = 1; n < image.volumes.size(); ++n) {
        WriteBytes(folder + "\\" + spd::VolumeFileName(static_cast<unsigned>(n)), image.volumes[n]);
    }
}

inline void PutU32(Bytes& bytes, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void PutU16(Bytes& bytes, size_t offset, uint16_t v) {
    bytes[offset] = static_cast<uint8_t>(v);
    bytes[offset + 1] = static_cast<uint8_t>(v >> 8);
}

inline Bytes RawBlockHeader(uint32_t checksum, uint32_t storedSize, uint32_t expandedSize) {
    spd::BlockHeader h;
    h.checksum = checksum;
    h.storedSize = storedSize;
    h.expandedSize = expandedSize;
    const auto a = h.Encode();
    return Bytes(a.begin(), a.end());
}

// A whole block: header and one zlib stream of `content`.
inline Bytes Block(const Bytes& content) {
    auto block = spd::MakeBlock(content, 6);
    EXPECT_TRUE(block.ok());
    return block.value;
}

inline void Append(Bytes& to, const Bytes& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// Joined setup data written byte by byte: the header, the folder table at
// 192, the catalog header at catalogOffset and the catalog's pieces after
// it. Seal() fills catalogOffset, dataLength, the catalog checksum and the
// data checksum.
struct RawSetup {
    spd::SetupHeader header;
    Bytes folderTable = RawBlockHeader(0, 0, 0);  // no table
    Bytes catalog;                                // everything after the catalog header

    RawSetup() {
        header.displayName = "Kalvorin";
        header.setupId = TestGuid(1);
        header.volumeCount = 1;
        header.fileCount = 1;
    }

    Bytes Seal() {
        header.catalogOffset = static_cast<uint32_t>(spd::SetupHeader::kSize + folderTable.size());
        Bytes joined = header.Encode();
        Append(joined, folderTable);
        Append(joined, RawBlockHeader(spd::Adler32(catalog), static_cast<uint32_t>(catalog.size()),
                                      static_cast<uint32_t>(catalog.size())));
        Append(joined, catalog);
        PutU32(joined, spd::SetupHeader::kOffDataLength, static_cast<uint32_t>(joined.size()));
        PutU32(joined, spd::SetupHeader::kOffDataChecksum,
               spd::Adler32(std::span<const uint8_t>(joined).subspan(spd::SetupHeader::kSize)));
        header = *spd::SetupHeader::Decode(joined);
        return joined;
    }
};

// Folder table bytes for `records` (each 274 bytes), compressed as one block.
inline Bytes FolderTableOf(const std::vector<Bytes>& records) {
    Bytes all;
    for (const Bytes& r : records) Append(all, r);
    return Block(all);
}

// ---------------------------------------------------------------------------
// Exceptions

inline std::string PhaseName(UINT id) {
    switch (id) {
    case 5:
        return "Internal";
    case 60:
        return "Preparation";
    case 160:
        return "FolderCreation";
    case 63:
        return "FileInstallation";
    case 205:
        return "Completion";
    default:
        return "phase string " + std::to_string(id);
    }
}

inline std::string CauseName(UINT id) {
    static const char* const names[] = {"FileNotFound",       "NoTempFolder",    "FileError",     "DamagedSetupFile",
                                        "OutOfMemory",        "DecompressError", "InternalError", "UnexpectedError",
                                        "CannotCreateFolder", "CannotContinue",  "CompressError"};
    for (int cause = 0; cause <= 10; ++cause) {
        if (CSetupException::CauseStringId(cause) == id) return names[cause];
    }
    return "cause string " + std::to_string(id);
}

// "Phase/Cause" of the CSetupException that `f` throws (and " subject" when
// it names one), "silent" for a
// CMyException, "file error <kind> <name>" for a CFileException, "none"
// when it returns.
inline std::string Outcome(const std::function<void()>& f) {
    try {
        f();
    } catch (const CSetupException& e) {
        return PhaseName(e.phaseStringId()) + "/" + CauseName(e.causeStringId()) +
               (e.subject().empty() ? "" : " " + e.subject());
    } catch (const CMyException&) {
        return "silent";
    } catch (const CFileException& e) {
        return "file error " + std::to_string(e.cause) + " " + e.fileName;
    } catch (const std::exception& e) {
        return std::string("other exception ") + e.what();
    }
    return "none";
}

// "completed" or "cancelled" as a run ends, else Outcome() of its exception.
inline std::string RunOutcome(InstallRun& run) {
    std::string result;
    const std::string thrown =
        Outcome([&] { result = run.RunBody() == RunResult::Completed ? "completed" : "cancelled"; });
    return thrown == "none" ? result : thrown;
}

// ---------------------------------------------------------------------------
// The disk prompt, answered by script.

class ScriptedPrompt : public VolumePrompt {
public:
    struct Call {
        std::string fileName;
        std::string startFolder;
        unsigned disk;
        size_t beepsBefore;
        size_t boxesBefore;
    };

    explicit ScriptedPrompt(const MessageBoxScript* boxes = nullptr) : boxes_(boxes) {}

    // An answer: a folder for OK, nullopt for Cancel.
    void Answer(std::optional<std::string> folder) { answers_.push_back(std::move(folder)); }

    void Beep() override { ++beeps; }
    bool Ask(const std::string& fileName, const std::string& startFolder, unsigned disk, std::string& folder) override {
        calls.push_back(Call{fileName, startFolder, disk, beeps, boxes_ != nullptr ? boxes_->Count() : 0});
        if (answers_.empty() || !answers_.front()) {
            if (!answers_.empty()) answers_.pop_front();
            return false;
        }
        folder = *answers_.front();
        answers_.pop_front();
        return true;
    }

    size_t beeps = 0;
    std::vector<Call> calls;

private:
    const MessageBoxScript* boxes_;
    std::deque<std::optional<std::string>> answers_;
};

// ---------------------------------------------------------------------------
// The statuses the stand-in dialog window received.

struct Status {
    int code;
    std::string text;  // CopyingFile: the file WM_SETUP_PROGRESS named
    bool sent;
};

// The record whose progress the stand-in dialog window takes.
inline CSetupSync*& StageSync() {
    static CSetupSync* sync = nullptr;
    return sync;
}

inline std::vector<Status>& ReceivedStatuses() {
    static std::vector<Status> statuses;
    return statuses;
}

// True while Pump() delivers posted messages: a status that arrives at any
// other time was sent.
inline bool& Pumping() {
    static bool pumping = false;
    return pumping;
}

inline LRESULT CALLBACK StatusWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETUP_STATUS) {
        ReceivedStatuses().push_back(Status{static_cast<int>(wParam), std::string(), !Pumping()});
        return 1;
    }
    // A file the record names that the window did not see named yet.
    if (message == WM_SETUP_PROGRESS && StageSync() != nullptr) {
        static std::string shown;
        const std::string name = StageSync()->TakeProgress().fileName;
        if (ReceivedStatuses().empty()) shown.clear();
        if (!name.empty() && name != shown) ReceivedStatuses().push_back(Status{CopyingFile, shown = name, false});
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// Delivers the posted messages of this thread's queue.
inline void Pump() {
    Pumping() = true;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    Pumping() = false;
}

// ---------------------------------------------------------------------------
// The fixture

class StageTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool classesReady = false;
        if (!classesReady) {
            HMODULE comctl = ::LoadLibraryA("comctl32.dll");
            using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
            auto init =
                reinterpret_cast<InitFn>(reinterpret_cast<void*>(::GetProcAddress(comctl, "InitCommonControlsEx")));
            INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
            if (init != nullptr) init(&icc);
            WNDCLASSA wc{};
            wc.lpfnWndProc = &StatusWindowProc;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.lpszClassName = "StageTestStatusWindow";
            ::RegisterClassA(&wc);
            classesReady = true;
        }
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        root = RootFolder() + "\\" + name;
        DeleteTree(root);
        MakeFolders(root + "\\tmp");
        ::SetEnvironmentVariableA("TMP", (root + "\\tmp").c_str());
        ::SetEnvironmentVariableA("TEMP", (root + "\\tmp").c_str());

        statusWindow = ::CreateWindowExA(0, "StageTestStatusWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                         ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(statusWindow, nullptr);
        sync.dialogWindow = statusWindow;
        StageSync() = &sync;
        SetProgressRange(sync, 0, 1200000);
        SetProgressPos(sync, 0);
        ReceivedStatuses().clear();

        source = root + "\\media";
        destination = root + "\\dest\\Kalvorin";
        context.moduleFolder = source;
        context.destination = destination;
        context.programFilesFolder = root + "\\pf";
        context.displayName = "Kalvorin";
        MakeFolders(context.programFilesFolder);
    }

    void TearDown() override {
        ForgetInstallations();
        Pump();
        StageSync() = nullptr;
        if (statusWindow) ::DestroyWindow(statusWindow);
        if (!HasFailure()) DeleteTree(root);
    }

    // Registry entries that a run of a test's setup (display name "Kalvorin")
    // may have left: its Uninstall entry, its product value and the product
    // keys named after paths below the tests' folder.
    static void ForgetInstallations() {
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalvorin");
        HKEY products = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Brisvane Screensaver", 0, KEY_ALL_ACCESS, &products) !=
            ERROR_SUCCESS) {
            return;
        }
        ::RegDeleteValueA(products, "KALVORIN");
        std::vector<std::string> keys;
        char name[512];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            if (::RegEnumKeyExA(products, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (std::string(name).find("KALVST") != std::string::npos) keys.push_back(name);
        }
        for (const std::string& key : keys) ::RegDeleteKeyA(products, key.c_str());
        ::RegCloseKey(products);
    }

    static std::string RootFolder() {
        char module[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, module, MAX_PATH);
        std::string name = module;
        name = name.substr(name.find_last_of('\\') + 1);
        name = name.substr(0, name.find('.'));
        return "C:\\kalvstages\\" + name + "-" + std::to_string(::GetCurrentProcessId());
    }

    int ProgressPos() const { return sync.ReadProgress().pos; }

    // The statuses delivered so far (posted ones after pumping).
    std::vector<Status> Statuses() {
        Pump();
        return ReceivedStatuses();
    }

    // A work record whose joined data is `joined`, written to a file and
    // opened as the stages open it; base folders point into the test folder
    // (Windows, System and CommonFiles at stand-ins, ProgramFiles and
    // Destination as in the context).
    void OpenJoined(SetupWork& work, const Bytes& joined) {
        const std::string path = root + "\\joined" + std::to_string(++joinedFiles) + ".dat";
        WriteBytes(path, joined);
        ASSERT_TRUE(work.joined.Open(path, CFile::modeRead | CFile::shareExclusive));
        work.header = *spd::SetupHeader::Decode(joined);
        work.baseFolders.Set(spd::FolderKind::Windows, root + "\\win");
        work.baseFolders.Set(spd::FolderKind::System, root + "\\win\\system");
        work.baseFolders.Set(spd::FolderKind::ProgramFiles, context.programFilesFolder);
        work.baseFolders.Set(spd::FolderKind::CommonFiles, root + "\\common");
        work.baseFolders.Set(spd::FolderKind::Destination, destination);
    }

    std::string root;
    int joinedFiles = 0;
    std::string source;
    std::string destination;
    HWND statusWindow = nullptr;
    CSetupSync sync;
    SetupContext context;
};

}  // namespace stagetest
