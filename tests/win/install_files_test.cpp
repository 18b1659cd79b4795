// Putting files in place: every outcome of the installation step (a new
// target, an overwritten one with the copy of the earlier file, a target in
// use or read-only that waits for the restart, a missing folder, no room for
// the restart copy), the keep step, the shared counts in the registry, the
// temporary files of extraction, and the file loop of a whole run.
#include <gtest/gtest.h>

#include <ctime>

#include "ReadOnlyFile.h"
#include "codec/FolderKind.h"
#include "framework/FileException.h"
#include "framework/Handles.h"
#include "install/FileCopy.h"
#include "install/FileLoop.h"
#include "install/SharedCounts.h"
#include "register/Rollback.h"
#include "setupdata/SetupFiles.h"
#include "stagetest/StageFixture.h"
#include "system/SharedDllCounts.h"
#include "worker/InstallRun.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

// A registry value of the SharedDLLs key for one test: data and type as the
// test sets them, removed afterwards.
class SharedValue {
public:
    explicit SharedValue(std::string path) : path_(std::move(path)) {
        RegKey key;
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                          nullptr);
        ::RegDeleteValueA(key.Get(), path_.c_str());
    }
    ~SharedValue() {
        RegKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kSharedDllsKey, KEY_ALL_ACCESS) == ERROR_SUCCESS) {
            ::RegDeleteValueA(key.Get(), path_.c_str());
        }
    }
    void Set(DWORD type, const std::string& data) {
        RegKey key;
        ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, kSharedDllsKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
        ::RegSetValueExA(key.Get(), path_.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                         static_cast<DWORD>(data.size()));
    }
    void SetCount(DWORD count) { Set(REG_DWORD, std::string(reinterpret_cast<const char*>(&count), 4)); }
    std::optional<std::pair<DWORD, std::string>> Get() const { return Read(path_); }
    // Type and data of the value of `path`, or nullopt when there is none.
    static std::optional<std::pair<DWORD, std::string>> Read(const std::string& path) {
        RegKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kSharedDllsKey, KEY_READ) != ERROR_SUCCESS) return std::nullopt;
        DWORD type = 0;
        DWORD size = 0;
        if (::RegQueryValueExA(key.Get(), path.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::string data(size, '\0');
        ::RegQueryValueExA(key.Get(), path.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        return std::make_pair(type, data);
    }
    std::optional<std::pair<DWORD, std::string>> Count(DWORD count) const {
        return std::make_pair(static_cast<DWORD>(REG_DWORD), std::string(reinterpret_cast<const char*>(&count), 4));
    }

private:
    std::string path_;
};

class FilesTest : public StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        work = std::make_unique<SetupWork>(sync, context);
        work->tempFolder = root + "\\private\\";
        MakeFolders(root + "\\private");
        MakeFolders(destination);
        extracted = root + "\\private\\neu.tmp";
        WriteBytes(extracted, newBytes);
        target = destination + "\\datei.dll";
        SetProgressStep(sync, 10);
    }

    std::string RestartCopy() const {
        const auto& pending = work->record.pendingReplacements();
        return pending.empty() ? std::string() : PendingReplacementCopy(pending.front());
    }

    std::unique_ptr<SetupWork> work;
    std::string extracted;
    std::string target;
    const Bytes newBytes = Pattern(700, 1);
    const Bytes oldBytes = Pattern(900, 2);
};

TEST_F(FilesTest, EveryOutcomeOfTheInstallationStep) {
    enum Situation { Missing, Existing, HeldOpen, ReadOnly, NoFolder, HeldOpenNoTemp };
    struct Case {
        const char* name;
        Situation situation;
        const char* outcome;  // Outcome() of the step
        bool installed;       // listed in installedFiles
        bool scheduled;       // restart copy and pendingReplacements
        bool earlierCopy;     // the earlier file was copied and recorded
        bool targetIsNew;     // the target holds the new bytes afterwards
    };
    const std::vector<Case> cases = {
        {"no file at the target", Missing, "none", true, false, false, true},
        {"an earlier file is overwritten, its copy kept", Existing, "none", true, false, true, true},
        {"a target held open by another program waits for the restart", HeldOpen, "none", true, true, false, false},
        {"a read-only target waits for the restart", ReadOnly, "none", true, true, true, false},
        {"a missing folder is a file error naming the target", NoFolder, nullptr, false, false, false, false},
        {"no room for the restart copy", HeldOpenNoTemp, "FileInstallation/FileError", false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        work->record.Discard();
        context.rebootRequired = 0;
        SetProgressPos(sync, 0);
        const std::string path = c.situation == NoFolder ? destination + "\\fehlt\\datei.dll" : target;
        ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(target.c_str());
        if (c.situation != Missing && c.situation != NoFolder) WriteBytes(target, oldBytes);
        std::optional<e2e::ReadOnlyFile> readOnly;
        if (c.situation == ReadOnly) readOnly.emplace(target);
        UniqueHandle held;
        if (c.situation == HeldOpen || c.situation == HeldOpenNoTemp) {
            held.Reset(
                ::CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(held.Valid());
        }
        if (c.situation == HeldOpenNoTemp) ::SetEnvironmentVariableA("TMP", (root + "\\kein-tmp").c_str());

        const std::string outcome = Outcome([&] {
            StagedFile staged(*work, newBytes, path);
            InstallStep(*work, staged, path, IsFile(path));
        });
        ::SetEnvironmentVariableA("TMP", (root + "\\tmp").c_str());
        held.Reset();
        readOnly.reset();
        if (c.outcome != nullptr)
            EXPECT_EQ(outcome, c.outcome);
        else
            EXPECT_EQ(outcome, "file error " + std::to_string(CFileException::badPath) + " " + path);

        const auto& record = work->record;
        EXPECT_EQ(record.installedFiles() == std::vector<std::string>{path}, c.installed);
        EXPECT_EQ(ProgressPos(), c.installed ? 10 : 0);
        EXPECT_EQ(context.rebootRequired != 0, c.scheduled);
        if (c.scheduled) {
            ASSERT_EQ(record.pendingReplacements().size(), 1u);
            EXPECT_EQ(record.pendingReplacements()[0], RestartCopy() + "\n" + target);
            EXPECT_EQ(RestartCopy().rfind(root + "\\tmp\\", 0), 0u) << RestartCopy();
            EXPECT_EQ(ReadBytes(RestartCopy()), newBytes);
        } else {
            EXPECT_TRUE(record.pendingReplacements().empty());
        }
        ASSERT_EQ(record.replacedFiles().size(), c.earlierCopy ? 1u : 0u);
        if (c.earlierCopy) {
            const std::string copy = PendingReplacementCopy(record.replacedFiles()[0]);
            EXPECT_EQ(record.replacedFiles()[0], copy + "\n" + target);
            EXPECT_EQ(ReadBytes(copy), oldBytes);
            EXPECT_EQ(copy.rfind(work->tempFolder, 0), 0u);
            EXPECT_NE(std::find(record.tempFiles().begin(), record.tempFiles().end(), copy), record.tempFiles().end());
            EXPECT_FALSE(::GetFileAttributesA(copy.c_str()) & FILE_ATTRIBUTE_READONLY);
        }
        if (IsFile(path))
            EXPECT_EQ(ReadBytes(path) == newBytes, c.targetIsNew);
        else
            EXPECT_FALSE(c.targetIsNew);
        if (c.situation == HeldOpen || c.situation == ReadOnly) EXPECT_EQ(ReadBytes(target), oldBytes);
        // The copy made beside the target before it is renamed over it is gone.
        for (const std::string& name : ListFolder(destination)) EXPECT_NE(name.rfind("~k", 0), 0u) << name;
        if (!RestartCopy().empty()) ::DeleteFileA(RestartCopy().c_str());
    }
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FilesTest, TheKeepStepRecordsOnlySharedFiles) {
    KeepStep(*work, target, 0);
    KeepStep(*work, destination + "\\geteilt.dll", spd::CatalogFlags::Shared);
    EXPECT_EQ(work->record.keptSharedFiles(), std::vector<std::string>{destination + "\\geteilt.dll"});
    EXPECT_TRUE(work->record.installedFiles().empty());
    EXPECT_EQ(ProgressPos(), 20);
}

TEST_F(FilesTest, SharedCountsAreRaisedAndPutBackByTheRollback) {
    struct Case {
        const char* name;
        std::optional<std::pair<DWORD, std::string>> before;
        DWORD after;
    };
    const std::string longText = "kein Z\xE4hler";
    const std::vector<Case> cases = {
        {"no value gives 1", std::nullopt, 1},
        {"3 gives 4", std::make_pair(static_cast<DWORD>(REG_DWORD), std::string("\x03\0\0\0", 4)), 4},
        {"a REG_SZ longer than 4 bytes counts as 0", std::make_pair(static_cast<DWORD>(REG_SZ), longText), 1},
        {"2 bytes of any type are a count", std::make_pair(static_cast<DWORD>(REG_BINARY), std::string("\x05\x01", 2)),
         0x106},
    };
    std::vector<std::unique_ptr<SharedValue>> values;
    std::vector<std::optional<std::pair<DWORD, std::string>>> before;
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string path = destination + "\\geteilt" + std::to_string(i) + ".dll";
        values.push_back(std::make_unique<SharedValue>(path));
        if (cases[i].before) values.back()->Set(cases[i].before->first, cases[i].before->second);
        before.push_back(values.back()->Get());
        work->sharedFiles.push_back(path);
    }
    RaiseSharedCounts(*work);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(values[i]->Get(), values[i]->Count(cases[i].after));
    }
    // A second installation adds one more.
    RaiseSharedCounts(*work);
    EXPECT_EQ(values[1]->Get(), values[1]->Count(5));

    // The rollback puts every value back as it was, type and data.
    RollBack(work->record);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(values[i]->Get(), before[i]);
    }
}

TEST_F(FilesTest, WithoutTheSharedDllsKeyTheKeyIsMadeAndACountThatCannotBeWrittenNamesItsFile) {
    SharedValue value(destination + "\\geteilt.dll");  // makes sure the key exists afterwards
    RegKey parent;
    ASSERT_EQ(parent.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", KEY_ALL_ACCESS),
              ERROR_SUCCESS);
    // Keep what the prefix has in the key, and remove it for the test.
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, kSharedDllsKey, KEY_READ), ERROR_SUCCESS);
    std::vector<std::pair<std::string, std::pair<DWORD, std::string>>> saved;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nameLength = sizeof name;
        BYTE data[1024];
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (::RegEnumValueA(key.Get(), i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS) break;
        saved.push_back({name, {type, std::string(reinterpret_cast<char*>(data), dataLength)}});
    }
    key.Reset();
    ASSERT_EQ(::RegDeleteKeyA(parent.Get(), "SharedDLLs"), ERROR_SUCCESS);

    work->sharedFiles = {destination + "\\geteilt.dll"};
    EXPECT_EQ(Outcome([&] { RaiseSharedCounts(*work); }), "none");
    EXPECT_EQ(value.Get(), value.Count(1));
    EXPECT_EQ(work->record.changedValues().size(), 1u);

    // A count that cannot be written ends the run naming its file.
    const std::string tooLong(20000, 'x');  // longer than a value name may be
    work->sharedFiles = {tooLong};
    EXPECT_EQ(Outcome([&] { RaiseSharedCounts(*work); }), "FileInstallation/UnexpectedError " + tooLong);

    ASSERT_EQ(::RegCreateKeyExA(parent.Get(), "SharedDLLs", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    for (const auto& [name, value] : saved) {
        ::RegSetValueExA(key.Get(), name.c_str(), 0, value.first, reinterpret_cast<const BYTE*>(value.second.data()),
                         static_cast<DWORD>(value.second.size()));
    }
}

TEST_F(FilesTest, ExtractedFilesGetNamesOfTheirOwnAlsoWithinOneSecond) {
    // The generator is seeded with the time in seconds before each file: the
    // second file of a second draws the first file's name first, finds it
    // taken and goes on.
    Bytes content = Pattern(100, 5);
    std::string first;
    std::string second;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        Bytes a = content;
        Bytes b = content;
        first = ExtractToTempFile(*work, a);
        second = ExtractToTempFile(*work, b);
        if (std::time(nullptr) == before) break;  // both within the same second
    }
    EXPECT_NE(first, second);
    EXPECT_EQ(ReadBytes(first), content);
    EXPECT_EQ(ReadBytes(second), content);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    EXPECT_EQ(first, work->tempFolder + RandomName() + ".tmp");
    EXPECT_EQ(work->record.tempFiles().back(), second);
}

// The file loop of a whole run through InstallRun.
class LoopTest : public StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        MakeFolders(root + "\\dest");
        shared = std::make_unique<SharedValue>(destination + "\\geteilt.dll");
    }

    void Run(const spd::SetupDataSpec& spec, InstallRun& run) {
        WriteMedia(source, Build(spec));
        RunToTheEnd(run);
    }

    // Runs up to the last cancel point of the finishing (the uninstall log is
    // about to be compressed) and cancels there, so that the clean-up undoes
    // the whole installation.
    void RunToTheEnd(InstallRun& run) {
        const InstallRecord& record = run.Work().record;
        if (!run.Work().onCancelPoint) {
            run.Work().onCancelPoint = [&] {
                if (record.registryEntries().size() == 3) sync.RequestCancel();
            };
        }
        outcome = RunOutcome(run);
        if (!context.uninstallerPath.empty()) ::DeleteFileA(context.uninstallerPath.c_str());
    }

    std::string outcome;
    MessageBoxScript boxes;
    std::unique_ptr<SharedValue> shared;
};

TEST_F(LoopTest, EveryFileIsPutInPlaceAndTheScreensaverWithoutAQuestion) {
    MakeFolders(destination);
    const Bytes earlier = Pattern(123, 9);
    WriteBytes(destination + "\\kalvorin.scr", earlier);
    spd::SetupDataSpec spec = BasicSpec();
    spec.folders = {MakeFolder(5, "Docs")};
    spec.files.push_back(MakeFile("kalvorin.cfg", 5, "", Pattern(40, 3), spd::CatalogFlags::Config));
    spec.files.push_back(MakeFile("geteilt.dll", 5, "", Pattern(60, 4), spd::CatalogFlags::Shared));
    InstallRun run(sync, context);
    Run(spec, run);
    SetupWork& w = run.Work();
    EXPECT_EQ(outcome, "cancelled");
    EXPECT_FALSE(run.Succeeded());
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(ReadBytes(destination + "\\kalvorin.scr"), spec.files[0].content);
    EXPECT_EQ(ReadBytes(destination + "\\Docs\\readme.txt"), spec.files[1].content);
    EXPECT_EQ(w.screensaverPath, destination + "\\kalvorin.scr");
    EXPECT_EQ(w.configPath, destination + "\\kalvorin.cfg");
    EXPECT_EQ(w.sharedFiles, std::vector<std::string>{destination + "\\geteilt.dll"});
    EXPECT_EQ(w.record.installedFiles().size(), 5u);  // with Unscr.log
    ASSERT_EQ(w.record.replacedFiles().size(), 1u);
    EXPECT_EQ(ReadBytes(PendingReplacementCopy(w.record.replacedFiles()[0])), earlier);
    // One step per file: the preparation's 3 x 33,333, then 4 x 250,000.
    EXPECT_EQ(ProgressPos(), 99999 + 4 * 250000);
    EXPECT_EQ(shared->Get(), shared->Count(1));

    // The clean-up of the cancelled run puts the earlier screensaver back and
    // removes everything else, the shared count included.
    run.CleanUp();
    EXPECT_EQ(ReadBytes(destination + "\\kalvorin.scr"), earlier);
    EXPECT_EQ(ListFolder(destination), std::vector<std::string>{"kalvorin.scr"});
    EXPECT_TRUE(ListFolder(root + "\\tmp").empty());
    EXPECT_EQ(shared->Get(), std::nullopt);
}

TEST_F(LoopTest, AContentThatInflatesShortIsInstalledAsProduced) {
    // A record whose content block claims more bytes than its stream yields;
    // its checksum is that of the bytes produced.
    RawSetup raw;
    spd::CatalogEntry entry;
    entry.fileName = "kurz.dat";
    entry.folderKind = 5;
    const Bytes produced = Pattern(300, 8);
    Bytes pieces = Block(entry.Encode());
    auto stream = spd::Compress(produced, 6);
    Append(pieces, RawBlockHeader(spd::Adler32(produced), static_cast<uint32_t>(stream.value.size()), 5000));
    Append(pieces, stream.value);
    raw.catalog = pieces;
    const Bytes joined = raw.Seal();
    MakeFolders(source);
    WriteBytes(source + "\\user.spd", joined);
    WriteBytes(source + "\\_setup.spd", PackedProgram());
    InstallRun run(sync, context);
    RunToTheEnd(run);
    EXPECT_EQ(outcome, "cancelled");
    EXPECT_EQ(ReadBytes(destination + "\\kurz.dat"), produced);
}

TEST_F(LoopTest, ACancelDuringExtractionEndsAtTheNextPollAndRemovesWhatWasInstalled) {
    spd::SetupDataSpec spec = BasicSpec();
    spec.folders = {MakeFolder(5, "Docs")};
    for (int i = 0; i < 5; ++i) spec.files.push_back(MakeFile("f" + std::to_string(i) + ".dat", 5, "", Pattern(50, i)));
    InstallRun run(sync, context);
    int filesSeen = 0;
    run.Work().onCancelPoint = [&] {
        // The third file's record has been read: raise the cancel request
        // before its temporary name is drawn.
        if (run.Work().filesRead == 3 && filesSeen++ == 0) sync.RequestCancel();
    };
    Run(spec, run);
    EXPECT_EQ(outcome, "cancelled");
    EXPECT_EQ(run.Work().record.installedFiles().size(), 2u);
    EXPECT_EQ(boxes.Count(), 0u);
    run.CleanUp();
    EXPECT_FALSE(IsFolder(destination));
    EXPECT_TRUE(ListFolder(root + "\\tmp").empty());
}

}  // namespace
