// The installation run from the start to the last file read: what it
// reports, how it ends in this build, what its clean-up removes, and a
// cancel request at each of its cancel points.
#include <gtest/gtest.h>

#include "register/RegistryEntries.h"
#include "setupdata/Preparation.h"
#include "stagetest/StageFixture.h"
#include "system/LogDigest.h"
#include "system/RegistryRecords.h"
#include "worker/InstallRun.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

class RunTest : public StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        spec = BasicSpec();
        spec.files.push_back(MakeFile("more.dat", 3, "Kalvorin", Pattern(4000, 9)));
        spec.folders = {MakeFolder(5, "Docs\\Bilder"), MakeFolder(5, "Docs"), MakeFolder(3, "Kalvorin")};
        spec.volumeSize = VolumeSizeFor(spec, 3);
        image = Build(spec);
        ASSERT_EQ(image.volumes.size(), 3u);
        WriteMedia(source, image);
        MakeFolders(root + "\\dest");  // the destination's parent exists, as Program Files would
    }

    // Nothing of the run is left: no temporary folder, no destination.
    void ExpectNothingLeft() {
        EXPECT_TRUE(ListFolder(root + "\\tmp").empty());
        EXPECT_FALSE(IsFolder(destination));
        EXPECT_TRUE(IsFolder(root + "\\dest"));
        EXPECT_FALSE(IsFolder(context.programFilesFolder + "\\Kalvorin"));
        // The medium is untouched.
        EXPECT_EQ(ListFolder(source).size(), 4u);
        EXPECT_EQ(ReadBytes(source + "\\user.spd"), image.volumes[0]);
    }

    // Removes what a successful run left outside the test folder: its
    // registry entries and the uninstaller in the Windows folder.
    void Forget(const std::vector<spd::RegistryEntryRecord>& entries) {
        for (const spd::RegistryEntryRecord& entry : entries) RemoveRegistryEntry(entry);
        DeleteLogDigest(context.displayName);
        if (!context.uninstallerPath.empty()) ::DeleteFileA(context.uninstallerPath.c_str());
        context.uninstallerPath.clear();
    }

    // Removes everything a successful run of `spec` installed.
    void RemoveInstallation(const std::vector<spd::RegistryEntryRecord>& entries) {
        Forget(entries);
        for (const std::string& file :
             {destination + "\\kalvorin.scr", destination + "\\Docs\\readme.txt", destination + "\\Unscr.log",
              context.programFilesFolder + "\\Kalvorin\\more.dat"}) {
            ::DeleteFileA(file.c_str());
        }
        for (const std::string& folder : {destination + "\\Docs\\Bilder", destination + "\\Docs", destination,
                                          context.programFilesFolder + "\\Kalvorin"}) {
            ::RemoveDirectoryA(folder.c_str());
        }
    }

    void TearDown() override {
        // Uninstallers a failed run leaves in the Windows folder.
        for (const std::string& path : uninstallers) ::DeleteFileA(path.c_str());
        StageTest::TearDown();
    }

    spd::SetupDataSpec spec;
    spd::SetupDataImage image;
    MessageBoxScript boxes;
    std::vector<std::string> uninstallers;
};

TEST_F(RunTest, ARunInstallsEveryFileAndCompletes) {
    InstallRun run(sync, context);
    EXPECT_EQ(RunOutcome(run), "completed");
    EXPECT_TRUE(run.Succeeded());

    // The run got through every stage.
    const InstallRecord& record = run.Work().record;
    EXPECT_EQ(record.createdFolders(),
              (std::vector<std::string>{destination, destination + "\\Docs", destination + "\\Docs\\Bilder",
                                        context.programFilesFolder + "\\Kalvorin"}));
    EXPECT_EQ(ReadBytes(context.programFilesFolder + "\\Kalvorin\\more.dat"), spec.files[2].content);
    EXPECT_EQ(
        record.installedFiles(),
        (std::vector<std::string>{destination + "\\kalvorin.scr", destination + "\\Docs\\readme.txt",
                                  context.programFilesFolder + "\\Kalvorin\\more.dat", destination + "\\Unscr.log"}));
    EXPECT_EQ(record.registryEntries().size(), 3u);
    // Posted: CreatingFolders, Finishing, Completed, nothing sent; the bar
    // is full.
    std::vector<int> posted;
    for (const Status& s : Statuses()) {
        EXPECT_FALSE(s.sent) << s.code;
        if (s.code != CopyingFile) posted.push_back(s.code);
    }
    EXPECT_EQ(posted, (std::vector<int>{CreatingFolders, Finishing, Completed}));
    EXPECT_EQ(ProgressPos(), 5 * 16666 + 3 * 333333 + 100000);
    EXPECT_EQ(boxes.Count(), 0u);

    // The clean-up of a successful run removes only the temporary things.
    const std::vector<spd::RegistryEntryRecord> entries = record.registryEntries();
    run.CleanUp();
    EXPECT_TRUE(ListFolder(root + "\\tmp").empty());
    EXPECT_TRUE(IsFile(destination + "\\Docs\\readme.txt"));
    EXPECT_TRUE(IsFile(destination + "\\Unscr.log"));
    EXPECT_EQ(ReadLogDigest(context.displayName), Sha256Of(ReadBytes(destination + "\\Unscr.log")));
    EXPECT_TRUE(run.Work().record.IsEmpty());
    EXPECT_FALSE(run.Work().joined.IsOpen());
    EXPECT_TRUE(run.Work().baseFolders.Empty());
    Forget(entries);
}

TEST_F(RunTest, ACancelAtTheLastPointUndoesEverythingButTheUninstallerAndKeepsWhatExisted) {
    MakeFolders(destination + "\\Docs");
    boxes.Answer(IDYES);  // use the existing Docs
    InstallRun run(sync, context);
    // The last cancel point: the log is open, the registry entries are
    // written, the log is about to be compressed.
    const InstallRecord& record = run.Work().record;
    run.Work().onCancelPoint = [&] {
        if (record.registryEntries().size() == 3) sync.RequestCancel();
    };
    ASSERT_EQ(RunOutcome(run), "cancelled");
    EXPECT_FALSE(run.Succeeded());
    const std::vector<spd::RegistryEntryRecord> entries = record.registryEntries();
    ASSERT_FALSE(context.uninstallerPath.empty());
    uninstallers.push_back(context.uninstallerPath);
    EXPECT_EQ(record.createdFolders(),
              (std::vector<std::string>{destination + "\\Docs\\Bilder", context.programFilesFolder + "\\Kalvorin"}));
    WriteBytes(destination + "\\Docs\\mine.txt", Bytes{1});
    run.CleanUp();
    EXPECT_FALSE(IsFolder(destination + "\\Docs\\Bilder"));
    EXPECT_TRUE(IsFile(destination + "\\Docs\\mine.txt"));
    EXPECT_FALSE(IsFile(destination + "\\Unscr.log"));
    EXPECT_FALSE(IsFolder(context.programFilesFolder + "\\Kalvorin"));
    EXPECT_TRUE(ListFolder(root + "\\tmp").empty());
    // The registry entries are gone; the uninstaller stays in the Windows
    // folder.
    for (const spd::RegistryEntryRecord& entry : entries) {
        HKEY key = nullptr;
        const bool keyThere =
            ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry.key.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        bool there = keyThere;
        if (keyThere) {
            if (!entry.IsWholeKey()) {
                there = ::RegQueryValueExA(key, entry.valueName.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                        ERROR_SUCCESS;
            }
            ::RegCloseKey(key);
        }
        EXPECT_FALSE(there) << entry.key << " " << entry.valueName;
    }
    EXPECT_TRUE(IsFile(context.uninstallerPath));
}

TEST_F(RunTest, AProductKeyTooLongForTheLogIsRefusedBeforeAnythingIsWritten) {
    SetupWork work(sync, context);
    work.screensaverPath = "C:\\" + std::string(223, 's') + ".scr";  // the key: 30 + 230 characters
    EXPECT_EQ(Outcome([&] { WriteProductKey(work); }), "FileInstallation/UnexpectedError");
    EXPECT_TRUE(work.record.registryEntries().empty());
    EXPECT_TRUE(work.record.changedValues().empty());
    work.screensaverPath.pop_back();  // 259 characters fit
    EXPECT_EQ(Outcome([&] { WriteProductKey(work); }), "none");
    Forget(work.record.registryEntries());
}

TEST_F(RunTest, ACancelAtEachCancelPointEndsSilentlyAndLeavesNothing) {
    // A run without a cancel request passes every cancel point once.
    int points = 0;
    {
        InstallRun run(sync, context);
        run.Work().onCancelPoint = [&] { ++points; };
        ASSERT_EQ(RunOutcome(run), "completed");
        ASSERT_TRUE(run.Succeeded());
        const std::vector<spd::RegistryEntryRecord> entries = run.Work().record.registryEntries();
        run.CleanUp();
        RemoveInstallation(entries);
    }
    // Preparation: 2 data files tested, 2 copied. Volumes: 2 looked for,
    // 1 before joining, 3 before appending, 3 pieces appended, 1 piece of
    // the checksum, 1 after the check. Folders: 3 records read, 3 created.
    // Per file: its record and its
    // installation (written beside its target: no name is drawn); the
    // catalog's checksum comes from the joined data's pass. Finishing:
    // before the log is opened, before it is compressed. The joined data's
    // name may be drawn twice within one second.
    constexpr int kJoinedDataPoints = 4 + 2 + 1 + 3 + 3 + 1 + 1;
    constexpr int kFixedPoints = kJoinedDataPoints + 6 + 3 * 2 + 2;
    EXPECT_GE(points, kFixedPoints);
    EXPECT_LE(points, kFixedPoints + 2);
    ExpectNothingLeft();

    for (int n = 1; n <= points; ++n) {
        sync.ResetCancel();
        ReceivedStatuses().clear();
        int seen = 0;
        InstallRun run(sync, context);
        run.Work().onCancelPoint = [&] {
            if (++seen == n) sync.RequestCancel();
        };
        const std::string outcome = RunOutcome(run);
        if (!context.uninstallerPath.empty()) uninstallers.push_back(context.uninstallerPath);
        if (seen < n) {
            // This run drew fewer names: the clock moved on between files.
            const std::vector<spd::RegistryEntryRecord> entries = run.Work().record.registryEntries();
            const bool succeeded = run.Succeeded();
            run.CleanUp();
            if (succeeded) RemoveInstallation(entries);
            ExpectNothingLeft();
            continue;
        }
        EXPECT_EQ(outcome, "cancelled") << "cancel point " << n;
        // Up to the verified joined data only temporary things exist; the
        // destination is created before the first folder record is read.
        const InstallRecord& record = run.Work().record;
        EXPECT_EQ(record.tempFolders().size(), 1u) << "cancel point " << n;
        EXPECT_EQ(record.createdFolders().empty(), n <= kJoinedDataPoints) << "cancel point " << n;
        run.CleanUp();
        EXPECT_EQ(boxes.Count(), 0u) << "cancel point " << n;
        ExpectNothingLeft();
        if (HasFailure()) break;
    }
}

TEST_F(RunTest, AnErrorAfterTheFoldersWereCreatedRemovesThemInTheCleanUp) {
    // The second file's record is damaged: the folders exist by then.
    spd::SetupDataSpec broken = spec;
    broken.files[1].entry.fileName = "..";
    broken.volumeSize = 0;
    WriteMedia(source, Build(broken));
    ::DeleteFileA((source + "\\user.001").c_str());
    ::DeleteFileA((source + "\\user.002").c_str());
    InstallRun run(sync, context);
    EXPECT_EQ(RunOutcome(run), "FileInstallation/DamagedSetupFile");
    EXPECT_TRUE(IsFolder(destination + "\\Docs\\Bilder"));
    run.CleanUp();
    EXPECT_FALSE(IsFolder(destination));
    EXPECT_TRUE(ListFolder(root + "\\tmp").empty());
}

}  // namespace
