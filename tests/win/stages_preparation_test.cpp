// The preparation phase on real files: the temporary folder, the base
// folders, the data files, the worker's header validation, the copies and
// the progress steps up to the verified joined data.
#include <gtest/gtest.h>

#include <thread>

#include "framework/FileSystem.h"
#include "framework/Handles.h"
#include "setupdata/Preparation.h"
#include "setupdata/SetupFiles.h"
#include "setupdata/Volumes.h"
#include "stagetest/StageFixture.h"
#include "worker/InstallRun.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

// The first names the C run-time's generator gives a thread that has never
// drawn from it, as the worker thread of a run draws them.
std::vector<std::string> FirstRandomNames(int count) {
    std::vector<std::string> names;
    std::thread([&] {
        for (int i = 0; i < count; ++i) names.push_back(RandomName());
    }).join();
    return names;
}

class PreparationTest : public StageTest {
protected:
    // Writes the media of `spec` beside the "program" and runs the phase and
    // the volumes up to the verified joined data.
    void RunToJoinedData(SetupWork& work) {
        RunPreparation(work);
        CollectVolumes(work);
        JoinAndOpen(work);
    }

    std::string Run(const std::function<void(SetupWork&)>& stage) {
        SetupWork work(sync, context);
        const std::string outcome = Outcome([&] { stage(work); });
        lastTempFiles = work.record.tempFiles();
        lastTempFolders = work.record.tempFolders();
        work.Release();
        DeleteListedFiles(work.record.tempFiles());
        RemoveListedFolders(work.record.tempFolders());
        return outcome;
    }

    std::vector<std::string> lastTempFiles;
    std::vector<std::string> lastTempFolders;
};

// ---------------------------------------------------------------------------
// Progress

struct ProgressCase {
    uint16_t volumeCount;
    int step;
    int position;
};

class PreparationProgressTest : public PreparationTest, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(PreparationProgressTest, PositionAfterTheJoinedDataIsVerified) {
    const ProgressCase c = GetParam();
    spd::SetupDataSpec spec = BasicSpec();
    if (c.volumeCount == 0) spec.singleVolumeCount = 0;
    if (c.volumeCount > 1) spec.volumeSize = VolumeSizeFor(spec, c.volumeCount);
    const spd::SetupDataImage image = Build(spec);
    ASSERT_EQ(image.header.volumeCount, c.volumeCount);
    WriteMedia(source, image);

    EXPECT_EQ(PreparationStep(c.volumeCount), c.step);
    SetupWork work(sync, context);
    ASSERT_EQ(Outcome([&] { RunToJoinedData(work); }), "none");
    EXPECT_EQ(ProgressPos(), c.position);

    // Working state: the copies lie in the private temporary folder.
    const std::string temp = root + "\\tmp\\";
    ASSERT_EQ(work.tempFolder.rfind(temp, 0), 0u) << work.tempFolder;
    EXPECT_EQ(work.tempFolder.size(), temp.size() + 9);
    EXPECT_EQ(work.record.tempFolders(),
              std::vector<std::string>{work.tempFolder.substr(0, work.tempFolder.size() - 1)});
    EXPECT_EQ(work.sourceFolder, source + "\\");
    EXPECT_EQ(work.dataFiles, (std::vector<std::string>{source + "\\_setup.spd", source + "\\user.spd"}));
    EXPECT_EQ(work.packedProgramCopy, work.tempFolder + "_setup.spd");
    ASSERT_EQ(work.volumeCopies.size(), std::max<size_t>(1, c.volumeCount));
    EXPECT_EQ(work.volumeCopies[0], work.tempFolder + "user.spd");
    for (size_t n = 0; n < work.volumeCopies.size(); ++n) {
        if (n > 0) EXPECT_EQ(work.volumeCopies[n], work.tempFolder + spd::VolumeFileName(static_cast<unsigned>(n)));
        // Joined from several volumes, the copies are gone: the data lies there once.
        EXPECT_EQ(FileExists(work.volumeCopies[n]), c.volumeCount <= 1) << work.volumeCopies[n];
    }
    EXPECT_EQ(ReadBytes(work.packedProgramCopy), PackedProgram());
    // Every copy, and with several volumes the joined file, is a temporary file.
    std::vector<std::string> expected = {work.packedProgramCopy};
    for (const std::string& copy : work.volumeCopies) expected.push_back(copy);
    const auto& tempFiles = work.record.tempFiles();
    if (c.volumeCount > 1) {
        ASSERT_EQ(tempFiles.size(), expected.size() + 1);
        const std::string joined = tempFiles.back();
        EXPECT_EQ(joined.size(), work.tempFolder.size() + 12) << joined;
        EXPECT_EQ(joined.substr(joined.size() - 4), ".tmp");
        EXPECT_EQ(work.joined.FilePath(), joined);
    } else {
        EXPECT_EQ(work.joined.FilePath(), work.volumeCopies[0]);
    }
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), tempFiles.begin()));
    // The joined data is open for reading and holds the whole setup data.
    EXPECT_EQ(work.joined.GetLength(), image.joined.size());
    EXPECT_TRUE(Statuses().empty());
    // Nothing outside the temporary folder was made.
    EXPECT_FALSE(IsFolder(destination));
    EXPECT_TRUE(work.record.createdFolders().empty());

    work.Release();
    DeleteListedFiles(work.record.tempFiles());
    RemoveListedFolders(work.record.tempFolders());
    EXPECT_TRUE(ListFolder(root + "\\tmp").empty());
}

INSTANTIATE_TEST_SUITE_P(VolumeCounts, PreparationProgressTest,
                         ::testing::Values(ProgressCase{1, 33333, 99999}, ProgressCase{0, 50000, 150000},
                                           ProgressCase{3, 16666, 83330}, ProgressCase{2, 20000, 80000}));

// ---------------------------------------------------------------------------
// Data files

TEST_F(PreparationTest, TheUninstallerFileIsLookedForFirst) {
    WriteMedia(source, Build(BasicSpec()));
    ::DeleteFileA((source + "\\_setup.spd").c_str());
    EXPECT_EQ(Run([](SetupWork& w) { RunPreparation(w); }), "Preparation/FileNotFound");
    // The temporary folder was made before and is listed for removal.
    EXPECT_EQ(lastTempFolders.size(), 1u);
    EXPECT_TRUE(lastTempFiles.empty());

    // Even with a user.spd that would fail its validation.
    WriteBytes(source + "\\user.spd", Bytes(10, 0));
    EXPECT_EQ(Run([](SetupWork& w) { RunPreparation(w); }), "Preparation/FileNotFound");
}

TEST_F(PreparationTest, AMissingUserSpdStopsWithFileNotFound) {
    WriteMedia(source, Build(BasicSpec()));
    ::DeleteFileA((source + "\\user.spd").c_str());
    EXPECT_EQ(Run([](SetupWork& w) { RunPreparation(w); }), "Preparation/FileNotFound");
}

TEST_F(PreparationTest, ACopyThatCannotBeMadeStopsWithFileError) {
    WriteMedia(source, Build(BasicSpec()));
    const std::string into = root + "\\into";
    MakeFolders(into);
    SetupWork work(sync, context);
    SetSourceFolder(work);
    work.tempFolder = into + "\\";
    // Another file of that name, of the same size: taken as the copy.
    WriteBytes(into + "\\_setup.spd", Bytes(PackedProgram().size(), 0));
    // One of another size: refused.
    WriteBytes(into + "\\user.spd", Bytes(5, 0));
    EXPECT_EQ(Outcome([&] { CopyDataFiles(work); }), "Preparation/FileError");
    EXPECT_EQ(work.packedProgramCopy, into + "\\_setup.spd");
    EXPECT_EQ(work.record.tempFiles(), std::vector<std::string>{into + "\\_setup.spd"});
    EXPECT_TRUE(work.volumeCopies.empty());
}

// ---------------------------------------------------------------------------
// Header validation

struct HeaderCase {
    const char* name;
    std::function<void(Bytes&)> change;
    const char* outcome;
};

class HeaderValidationTest : public PreparationTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderValidationTest, StopsWithItsCause) {
    spd::SetupDataSpec spec = BasicSpec();
    Bytes userSpd = Build(spec).volumes[0];
    GetParam().change(userSpd);
    WriteMedia(source, Build(spec));
    WriteBytes(source + "\\user.spd", userSpd);

    SetupWork work(sync, context);
    EXPECT_EQ(Outcome([&] { RunToJoinedData(work); }), GetParam().outcome);
    // Nothing but the temporary folder (and what lies in it) was made.
    EXPECT_FALSE(IsFolder(destination));
    EXPECT_TRUE(work.record.createdFolders().empty());
    work.Release();
    DeleteListedFiles(work.record.tempFiles());
    RemoveListedFolders(work.record.tempFolders());
    EXPECT_TRUE(ListFolder(root + "\\tmp").empty());
}

Bytes& SetU32(Bytes& b, size_t offset, uint32_t v) {
    PutU32(b, offset, v);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderValidationTest,
    ::testing::Values(
        HeaderCase{"WrongMagic", [](Bytes& b) { b[3] = 'V'; }, "Preparation/FileError"},
        HeaderCase{"WrongVersion", [](Bytes& b) { b[4] = 15; }, "Preparation/FileError"},
        HeaderCase{"CatalogOffsetZero", [](Bytes& b) { SetU32(b, 40, 0); }, "Preparation/FileError"},
        HeaderCase{"NonZeroMarkZero", [](Bytes& b) { SetU32(b, 32, 0); }, "Preparation/FileError"},
        HeaderCase{"FileCountZero", [](Bytes& b) { PutU16(b, 44, 0); }, "Preparation/FileError"},
        HeaderCase{"VolumeCountZeroWrongLength",
                   [](Bytes& b) {
                       PutU16(b, 12, 0);
                       SetU32(b, 20, static_cast<uint32_t>(b.size() + 1));
                   },
                   "Preparation/FileError"},
        HeaderCase{"VolumeCountZeroFileLonger",
                   [](Bytes& b) {
                       PutU16(b, 12, 0);
                       b.push_back(0);
                   },
                   "Preparation/FileError"},
        HeaderCase{"VolumeCountOneWrongLength", [](Bytes& b) { SetU32(b, 20, static_cast<uint32_t>(b.size() + 1)); },
                   "Preparation/DamagedSetupFile"},
        HeaderCase{"VolumeCountOneFileLonger", [](Bytes& b) { b.push_back(0); }, "Preparation/DamagedSetupFile"},
        HeaderCase{"ShorterThanTheHeader", [](Bytes& b) { b.resize(191); }, "Preparation/DamagedSetupFile"},
        HeaderCase{"ByteChangedAfterTheHeader", [](Bytes& b) { b[200] ^= 0x01; }, "Preparation/DamagedSetupFile"},
        HeaderCase{"LastByteChanged", [](Bytes& b) { b.back() ^= 0x80; }, "Preparation/DamagedSetupFile"},
        HeaderCase{"DataChecksumChanged", [](Bytes& b) { b[16] ^= 0x01; }, "Preparation/DamagedSetupFile"},
        HeaderCase{"DisplayNameWithoutTerminator", [](Bytes& b) { std::fill_n(b.begin() + 46, 64, 'n'); },
                   "Preparation/DamagedSetupFile"},
        HeaderCase{"DisplayNameWithBackslash", [](Bytes& b) { b[47] = '\\'; }, "Preparation/DamagedSetupFile"},
        HeaderCase{"DisplayNameEmpty", [](Bytes& b) { b[46] = 0; }, "Preparation/DamagedSetupFile"},
        HeaderCase{"FolderCountZeroIsValid", [](Bytes& b) { PutU16(b, 36, 0); }, "none"},
        HeaderCase{"NotReadBytesAreNotRead",
                   [](Bytes& b) {
                       for (size_t i : {5, 6, 11, 14, 15, 24, 31, 38, 39, 110, 111}) b[i] = 0xEE;
                   },
                   "none"}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST_F(PreparationTest, AUserSpdInUseStopsWithFileError) {
    WriteMedia(source, Build(BasicSpec()));
    HANDLE held = ::CreateFileA((source + "\\user.spd").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run([](SetupWork& w) { RunPreparation(w); }), "Preparation/FileError");
    ::CloseHandle(held);
}

TEST_F(PreparationTest, AChangedByteStopsTheRunBeforeAnyFolderExists) {
    spd::SetupDataSpec spec = BasicSpec();
    spec.folders.push_back(MakeFolder(5, "Docs"));
    spd::SetupDataImage image = Build(spec);
    image.volumes[0][image.volumes[0].size() - 3] ^= 0x10;
    WriteMedia(source, image);
    MessageBoxScript boxes;
    InstallRun run(sync, context);
    EXPECT_EQ(RunOutcome(run), "Preparation/DamagedSetupFile");
    EXPECT_FALSE(IsFolder(destination));
    EXPECT_FALSE(IsFolder(root + "\\dest"));
    for (const Status& s : Statuses()) EXPECT_NE(s.code, CreatingFolders);
    run.CleanUp();
    EXPECT_TRUE(ListFolder(root + "\\tmp").empty());
    EXPECT_EQ(boxes.Count(), 0u);
}

// ---------------------------------------------------------------------------
// Base folders

std::string RegistryCommonFiles(bool& present) {
    RegKey key;
    char value[300] = {};
    DWORD size = sizeof value - 1;
    present = key.Open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", KEY_READ) == ERROR_SUCCESS &&
              ::RegQueryValueExA(key.Get(), "CommonFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                                 &size) == ERROR_SUCCESS;
    return value;
}

TEST_F(PreparationTest, BaseFoldersComeFromTheSystemTheRegistryAndTheContext) {
    SetupWork work(sync, context);
    ASSERT_EQ(Outcome([&] { ResolveBaseFolders(work); }), "none");
    char windows[MAX_PATH] = {};
    char system[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    ::GetSystemDirectoryA(system, MAX_PATH);
    bool present = false;
    const std::string common = RegistryCommonFiles(present);
    ASSERT_TRUE(present);
    ASSERT_NE(work.baseFolders.Lookup(1), nullptr);
    EXPECT_EQ(*work.baseFolders.Lookup(1), windows);
    EXPECT_EQ(*work.baseFolders.Lookup(2), system);
    EXPECT_EQ(*work.baseFolders.Lookup(3), context.programFilesFolder);
    EXPECT_EQ(*work.baseFolders.Lookup(4), common);
    EXPECT_EQ(*work.baseFolders.Lookup(5), destination);
    EXPECT_EQ(work.baseFolders.Lookup(0), nullptr);
    EXPECT_EQ(work.baseFolders.Lookup(6), nullptr);
}

TEST_F(PreparationTest, AMissingCommonFilesDirStopsWithUnexpectedError) {
    bool present = false;
    const std::string saved = RegistryCommonFiles(present);
    ASSERT_TRUE(present);
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", KEY_READ | KEY_WRITE),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegDeleteValueA(key.Get(), "CommonFilesDir"), ERROR_SUCCESS);
    std::string outcome;
    {
        SetupWork work(sync, context);
        outcome = Outcome([&] { ResolveBaseFolders(work); });
    }
    // Restore it at once: other programs of this test run read it as well.
    ::RegSetValueExA(key.Get(), "CommonFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved.c_str()),
                     static_cast<DWORD>(saved.size() + 1));
    EXPECT_EQ(outcome, "Preparation/UnexpectedError");
    bool restored = false;
    EXPECT_EQ(RegistryCommonFiles(restored), saved);
}

// ---------------------------------------------------------------------------
// Temporary folder

TEST_F(PreparationTest, TheTemporaryFolderTakesTheFirstFreeNameOfTheUnseededGenerator) {
    const std::vector<std::string> names = FirstRandomNames(2);
    for (const std::string& name : names) {
        ASSERT_EQ(name.size(), 8u);
        for (char c : name) ASSERT_TRUE(c >= 'a' && c <= 'z') << name;
    }
    // The same names in every run.
    EXPECT_EQ(FirstRandomNames(2), names);

    SetupWork work(sync, context);
    std::string outcome;
    std::thread([&] { outcome = Outcome([&] { CreateTempFolder(work); }); }).join();
    EXPECT_EQ(outcome, "none");
    EXPECT_EQ(work.tempFolder, root + "\\tmp\\" + names[0] + "\\");
    EXPECT_TRUE(IsFolder(root + "\\tmp\\" + names[0]));

    // A folder of the first name exists (the last run's): the second is taken.
    SetupWork second(sync, context);
    std::thread([&] { outcome = Outcome([&] { CreateTempFolder(second); }); }).join();
    EXPECT_EQ(outcome, "none");
    EXPECT_EQ(second.tempFolder, root + "\\tmp\\" + names[1] + "\\");
    EXPECT_EQ(second.record.tempFolders(), std::vector<std::string>{root + "\\tmp\\" + names[1]});
}

TEST_F(PreparationTest, AFileInPlaceOfTheFirstNameStopsWithNoTempFolder) {
    const std::string first = FirstRandomNames(1)[0];
    WriteBytes(root + "\\tmp\\" + first, Bytes{1, 2, 3});
    WriteMedia(source, Build(BasicSpec()));
    SetupWork work(sync, context);
    std::string outcome;
    std::thread([&] { outcome = Outcome([&] { RunPreparation(work); }); }).join();
    EXPECT_EQ(outcome, "Preparation/NoTempFolder");
    EXPECT_TRUE(work.record.tempFolders().empty());
    EXPECT_TRUE(IsFile(root + "\\tmp\\" + first));
    EXPECT_EQ(ListFolder(root + "\\tmp").size(), 1u);
}

}  // namespace
