// Collecting the further volumes (beside the program, in the disk folders,
// through the disk prompt answered by script), the messages 151, 154 and
// 157, and joining the volumes into the verified joined data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "codec/VolumeHeader.h"
#include "framework/FileSystem.h"
#include "framework/StringTable.h"
#include "setupdata/Preparation.h"
#include "setupdata/SetupFiles.h"
#include "setupdata/Volumes.h"
#include "stagetest/StageFixture.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

const char* const kText151 =
    "Fehler beim Lesen/Schreiben/Erstellen einer Datei.\nSchlie\xDF"
    "en Sie alle Anwendungen, und versuchen Sie\nes erneut.";
const char* const kText154 = "Die gew\xE4hlte Datei scheint keine g\xFCltige Setupdatei zu sein.";
const char* const kText157 = "Das scheint die falsche Diskette zu sein.";

class VolumesTest : public StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        spec = BasicSpec();
        spec.files.push_back(MakeFile("more.dat", 5, "", Pattern(4000, 9)));
        spec.volumeSize = VolumeSizeFor(spec, 3);
        image = Build(spec);
        ASSERT_EQ(image.volumes.size(), 3u);
    }

    // Source folder with _setup.spd and user.spd only.
    void WriteFirstDisk(const std::string& folder) {
        MakeFolders(folder);
        WriteBytes(folder + "\\_setup.spd", PackedProgram());
        WriteBytes(folder + "\\user.spd", image.volumes[0]);
    }

    void WriteVolume(const std::string& folder, unsigned n, const Bytes& bytes) {
        MakeFolders(folder);
        WriteBytes(folder + "\\" + spd::VolumeFileName(n), bytes);
    }

    // Runs the preparation, the volumes and (unless `join` is false) the
    // joining; the outcome.
    std::string Collect(SetupWork& work, bool join = true) {
        work.prompt = &prompt;
        return Outcome([&] {
            RunPreparation(work);
            CollectVolumes(work);
            if (join) JoinAndOpen(work);
        });
    }

    Bytes JoinedBytes(SetupWork& work) {
        Bytes bytes(static_cast<size_t>(work.joined.GetLength()));
        work.joined.SeekToBegin();
        ReadUpTo(work.joined, bytes.data(), static_cast<UINT>(bytes.size()));
        return bytes;
    }

    void CleanUp(SetupWork& work) {
        work.Release();
        DeleteListedFiles(work.record.tempFiles());
        RemoveListedFolders(work.record.tempFolders());
        EXPECT_TRUE(ListFolder(root + "\\tmp").empty());
    }

    // A volume file of another setup build: same names and sizes, another id.
    Bytes ForeignVolume(unsigned n) {
        spd::SetupDataSpec other = spec;
        other.setupId = TestGuid(9);
        return Build(other).volumes[n];
    }

    spd::SetupDataSpec spec;
    spd::SetupDataImage image;
    MessageBoxScript boxes;
    ScriptedPrompt prompt{&boxes};
};

TEST_F(VolumesTest, AllBesideTheProgramAreTakenWithoutHeaderReadOrQuestion) {
    WriteFirstDisk(source);
    // The further volumes carry headers that would fail every check: they
    // are taken all the same, and the joining drops their first 88 bytes.
    Bytes first = image.volumes[1];
    Bytes second = image.volumes[2];
    for (size_t i = 0; i < spd::VolumeHeader::kSize; ++i) {
        first[i] = 0xAA;
        second[i] = 0x55;
    }
    WriteVolume(source, 1, first);
    WriteVolume(source, 2, second);

    SetupWork work(sync, context);
    ASSERT_EQ(Collect(work), "none");
    EXPECT_EQ(prompt.beeps, 0u);
    EXPECT_TRUE(prompt.calls.empty());
    EXPECT_EQ(boxes.Count(), 0u);
    ASSERT_EQ(work.volumeCopies.size(), 3u);
    EXPECT_EQ(JoinedBytes(work), image.joined);
    // Joined, the copies are gone: the temporary folder holds the data once.
    for (const std::string& copy : work.volumeCopies) EXPECT_FALSE(FileExists(copy)) << copy;
    EXPECT_EQ(ProgressPos(), 5 * 16666);
    CleanUp(work);
}

TEST_F(VolumesTest, DiskFoldersAreFoundOneAfterTheOther) {
    const std::string media = root + "\\cd";
    source = media + "\\Disk 1";
    context.moduleFolder = source;
    WriteFirstDisk(source);
    WriteVolume(media + "\\Disk 2", 1, image.volumes[1]);
    WriteVolume(media + "\\Disk 3", 2, image.volumes[2]);

    SetupWork work(sync, context);
    ASSERT_EQ(Collect(work), "none");
    EXPECT_TRUE(prompt.calls.empty());
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(JoinedBytes(work), image.joined);
    CleanUp(work);
}

TEST_F(VolumesTest, TheSearchFolderMovesToTheDiskFolderWhereAVolumeWasFound) {
    // user.002 lies beside user.001 in Disk 2: found there only because the
    // search goes on from Disk 2 (from Disk 1 it would look in Disk 3).
    const std::string media = root + "\\cd";
    source = media + "\\Disk 1";
    context.moduleFolder = source;
    WriteFirstDisk(source);
    WriteVolume(media + "\\Disk 2", 1, image.volumes[1]);
    WriteVolume(media + "\\Disk 2", 2, image.volumes[2]);

    SetupWork work(sync, context);
    ASSERT_EQ(Collect(work), "none");
    EXPECT_TRUE(prompt.calls.empty());
    EXPECT_EQ(JoinedBytes(work), image.joined);
    CleanUp(work);
}

TEST_F(VolumesTest, AVolumeOfAnotherBuildInTheDiskFolderLeadsToThePromptWithoutMessage) {
    const std::string media = root + "\\cd";
    source = media + "\\Disk 1";
    context.moduleFolder = source;
    WriteFirstDisk(source);
    WriteVolume(media + "\\Disk 2", 1, ForeignVolume(1));
    WriteVolume(root + "\\right", 1, image.volumes[1]);
    WriteVolume(root + "\\right", 2, image.volumes[2]);
    prompt.Answer(root + "\\right");

    SetupWork work(sync, context);
    ASSERT_EQ(Collect(work), "none");
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(prompt.calls[0].fileName, "user.001");
    EXPECT_EQ(prompt.calls[0].disk, 2u);
    EXPECT_EQ(prompt.calls[0].startFolder, source + "\\");
    EXPECT_EQ(prompt.calls[0].beepsBefore, 1u);  // the beep comes first
    EXPECT_EQ(prompt.beeps, 1u);
    EXPECT_EQ(boxes.Count(), 0u);
    // user.002 is then looked for beside the volume the user chose.
    EXPECT_EQ(JoinedBytes(work), image.joined);
    CleanUp(work);
}

TEST_F(VolumesTest, ADiskFolderVolumeInUseLeadsToThePrompt) {
    const std::string media = root + "\\cd";
    source = media + "\\Disk 1";
    context.moduleFolder = source;
    WriteFirstDisk(source);
    WriteVolume(media + "\\Disk 2", 1, image.volumes[1]);
    WriteVolume(media + "\\Disk 3", 2, image.volumes[2]);
    HANDLE held = ::CreateFileA((media + "\\Disk 2\\user.001").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    prompt.Answer(std::nullopt);

    SetupWork work(sync, context);
    EXPECT_EQ(Collect(work), "Preparation/CannotContinue");
    ::CloseHandle(held);
    EXPECT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(boxes.Count(), 0u);
    CleanUp(work);
}

// A volume whose first bytes cannot be read (the test prefix's media hold
// one) is no setup file: passed over in the disk folder, 154 when chosen.
TEST_F(VolumesTest, AVolumeWhoseHeaderCannotBeReadIsTreatedAsNoSetupFile) {
    const char* hostMedia = std::getenv("KALVORIN_MEDIA");
    ASSERT_NE(hostMedia, nullptr) << "KALVORIN_MEDIA is not set";
    std::string media = std::string("Z:") + hostMedia + "/unreadable";  // /x/y is Z:\x\y under Wine
    std::replace(media.begin(), media.end(), '/', '\\');
    source = media + "\\Disk 1";
    context.moduleFolder = source;
    WriteFirstDisk(source);
    WriteVolume(root + "\\right", 1, image.volumes[1]);
    WriteVolume(root + "\\right", 2, image.volumes[2]);
    prompt.Answer(media + "\\Disk 2");
    prompt.Answer(root + "\\right");

    SetupWork work(sync, context);
    ASSERT_EQ(Collect(work), "none");
    ASSERT_EQ(prompt.calls.size(), 2u);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kText154);
    EXPECT_EQ(JoinedBytes(work), image.joined);
    CleanUp(work);
}

TEST_F(VolumesTest, AVolumeOfAnotherBuildGives157AndThePromptComesBackForTheSameDisk) {
    WriteFirstDisk(source);
    WriteVolume(root + "\\other", 1, ForeignVolume(1));
    WriteVolume(root + "\\right", 1, image.volumes[1]);
    WriteVolume(root + "\\right", 2, image.volumes[2]);
    prompt.Answer(root + "\\other");
    prompt.Answer(root + "\\right");

    SetupWork work(sync, context);
    ASSERT_EQ(Collect(work), "none");
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kText157);
    EXPECT_EQ(boxes.Shown()[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    ASSERT_EQ(prompt.calls.size(), 2u);
    EXPECT_EQ(prompt.calls[1].disk, 2u);
    EXPECT_EQ(prompt.calls[1].fileName, "user.001");
    EXPECT_EQ(prompt.calls[1].boxesBefore, 1u);
    EXPECT_EQ(prompt.calls[1].beepsBefore, 2u);
    // Asked again from the same search folder.
    EXPECT_EQ(prompt.calls[1].startFolder, source + "\\");
    EXPECT_EQ(JoinedBytes(work), image.joined);
    CleanUp(work);
}

struct WrongFileCase {
    const char* name;
    std::function<Bytes(const spd::SetupDataImage&)> file;
    const char* text;
};

class WrongFileTest : public VolumesTest, public ::testing::WithParamInterface<WrongFileCase> {};

TEST_P(WrongFileTest, IsReportedAndThePromptComesBack) {
    WriteFirstDisk(source);
    WriteVolume(root + "\\wrong", 1, GetParam().file(image));
    WriteVolume(root + "\\right", 1, image.volumes[1]);
    WriteVolume(root + "\\right", 2, image.volumes[2]);
    prompt.Answer(root + "\\wrong");
    prompt.Answer(root + "\\right");

    SetupWork work(sync, context);
    ASSERT_EQ(Collect(work, false), "none");
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, GetParam().text);
    EXPECT_EQ(boxes.Shown()[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    ASSERT_EQ(prompt.calls.size(), 2u);
    EXPECT_EQ(prompt.calls[0].disk, prompt.calls[1].disk);
    // The rejected file was not copied.
    EXPECT_EQ(ReadBytes(work.volumeCopies[1]), image.volumes[1]);
    CleanUp(work);
}

Bytes WithByte(Bytes b, size_t offset, uint8_t value) {
    b[offset] = value;
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrongFileTest,
    ::testing::Values(
        WrongFileCase{
            "ShorterThan88Bytes",
            [](const spd::SetupDataImage& i) { return Bytes(i.volumes[1].begin(), i.volumes[1].begin() + 87); },
            kText154},
        WrongFileCase{"Empty", [](const spd::SetupDataImage&) { return Bytes(); }, kText154},
        WrongFileCase{"WrongMagic", [](const spd::SetupDataImage& i) { return WithByte(i.volumes[1], 0, 'X'); },
                      kText154},
        WrongFileCase{"WrongVersion", [](const spd::SetupDataImage& i) { return WithByte(i.volumes[1], 4, 17); },
                      kText154},
        WrongFileCase{"AnotherVolumeNumber", [](const spd::SetupDataImage& i) { return i.volumes[2]; }, kText157},
        WrongFileCase{"DisplayNameInOtherCase",
                      [](const spd::SetupDataImage& i) { return WithByte(i.volumes[1], 8, 'k'); }, kText157},
        WrongFileCase{"DisplayNameLonger",
                      [](const spd::SetupDataImage& i) { return WithByte(i.volumes[1], 8 + 8, 'X'); }, kText157},
        WrongFileCase{"SetupIdLastByte", [](const spd::SetupDataImage& i) { return WithByte(i.volumes[1], 87, 0); },
                      kText157}),
    [](const ::testing::TestParamInfo<WrongFileCase>& info) { return std::string(info.param.name); });

TEST_F(VolumesTest, AChosenFileInUseGives151AndThePromptComesBack) {
    WriteFirstDisk(source);
    WriteVolume(root + "\\busy", 1, image.volumes[1]);
    HANDLE held = ::CreateFileA((root + "\\busy\\user.001").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    prompt.Answer(root + "\\busy");
    prompt.Answer(std::nullopt);

    SetupWork work(sync, context);
    EXPECT_EQ(Collect(work), "Preparation/CannotContinue");
    ::CloseHandle(held);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kText151);
    EXPECT_EQ(boxes.Shown()[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    EXPECT_EQ(prompt.calls.size(), 2u);
    CleanUp(work);
}

TEST_F(VolumesTest, CancelInThePromptStopsWithCannotContinue) {
    WriteFirstDisk(source);
    prompt.Answer(std::nullopt);
    SetupWork work(sync, context);
    work.prompt = &prompt;
    try {
        RunPreparation(work);
        CollectVolumes(work);
        ADD_FAILURE() << "no exception";
    } catch (const CSetupException& e) {
        std::string message;
        ASSERT_TRUE(e.ComposeMessage(message));
        EXPECT_EQ(message,
                  "Bei der Vorbereitung der Installation ist ein Fehler aufgetreten.\nKalvorin kann nicht fortfahren.");
    }
    EXPECT_EQ(prompt.beeps, 1u);
    EXPECT_EQ(boxes.Count(), 0u);
    CleanUp(work);
}

TEST_F(VolumesTest, AChosenFolderWithoutTheFileStopsWithFileNotFound) {
    WriteFirstDisk(source);
    MakeFolders(root + "\\empty");
    prompt.Answer(root + "\\empty");
    SetupWork work(sync, context);
    EXPECT_EQ(Collect(work), "Preparation/FileNotFound");
    CleanUp(work);
}

TEST_F(VolumesTest, AChosenFolderEndingInABackslashIsUsedAsGiven) {
    WriteFirstDisk(source);
    WriteVolume(root + "\\right", 1, image.volumes[1]);
    WriteVolume(root + "\\right", 2, image.volumes[2]);
    prompt.Answer(root + "\\right\\");
    SetupWork work(sync, context);
    ASSERT_EQ(Collect(work), "none");
    EXPECT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(JoinedBytes(work), image.joined);
    CleanUp(work);
}

TEST_F(VolumesTest, AWrongVolumeBesideTheProgramIsFoundByTheJoinedDataCheck) {
    WriteFirstDisk(source);
    WriteVolume(source, 1, ForeignVolume(2));  // another build's data, right name
    WriteVolume(source, 2, image.volumes[2]);
    SetupWork work(sync, context);
    EXPECT_EQ(Collect(work), "Preparation/DamagedSetupFile");
    EXPECT_TRUE(prompt.calls.empty());
    CleanUp(work);
}

TEST_F(VolumesTest, AFurtherVolumeShorterThanItsHeaderIsRefused) {
    for (size_t size : {0, 1, 87}) {
        WriteFirstDisk(source);
        WriteVolume(source, 1, Bytes(image.volumes[1].begin(), image.volumes[1].begin() + size));
        WriteVolume(source, 2, image.volumes[2]);
        SetupWork work(sync, context);
        EXPECT_EQ(Collect(work), "Preparation/DamagedSetupFile") << size;
        CleanUp(work);
    }
    // Exactly its header: nothing to cut off wrongly, the length check finds it.
    WriteVolume(source, 1, Bytes(image.volumes[1].begin(), image.volumes[1].begin() + 88));
    SetupWork work(sync, context);
    EXPECT_EQ(Collect(work), "Preparation/DamagedSetupFile");
    CleanUp(work);
}

TEST_F(VolumesTest, AVolumeThatCannotBeCopiedStopsWithFileError) {
    WriteMedia(source, image);
    SetupWork work(sync, context);
    work.prompt = &prompt;
    ASSERT_EQ(Outcome([&] { RunPreparation(work); }), "none");
    WriteBytes(work.tempFolder + "user.002", Bytes(3, 0));
    EXPECT_EQ(Outcome([&] { CollectVolumes(work); }), "Preparation/FileError");
    EXPECT_EQ(work.volumeCopies.size(), 2u);
    work.record.AddTempFile(work.tempFolder + "user.002");
    CleanUp(work);
}

TEST_F(VolumesTest, AVolumeCopyMissingWhenJoiningStopsWithFileError) {
    WriteMedia(source, image);
    SetupWork work(sync, context);
    work.prompt = &prompt;
    ASSERT_EQ(Outcome([&] {
                  RunPreparation(work);
                  CollectVolumes(work);
              }),
              "none");
    ::DeleteFileA(work.volumeCopies[2].c_str());
    EXPECT_EQ(Outcome([&] { JoinAndOpen(work); }), "Preparation/FileError");
    CleanUp(work);
}

TEST_F(VolumesTest, NoBufferForTheJoiningStopsWithOutOfMemory) {
    WriteMedia(source, image);
    SetupWork work(sync, context);
    work.allocationLimit = kChunkSize - 1;
    EXPECT_EQ(Collect(work), "Preparation/OutOfMemory");
    CleanUp(work);

    // With a single volume the buffer is needed for the checksum pass.
    spd::SetupDataSpec single = BasicSpec();
    WriteMedia(root + "\\single", Build(single));
    context.moduleFolder = root + "\\single";
    SetupWork one(sync, context);
    one.allocationLimit = kChunkSize - 1;
    EXPECT_EQ(Collect(one), "Preparation/OutOfMemory");
    CleanUp(one);
}

TEST_F(VolumesTest, MoreThanAThousandVolumesContinueWithUser1000) {
    spd::SetupDataSpec big = BasicSpec();
    big.files = {MakeFile("big.dat", 5, "", Pattern(440000, 5))};
    big.volumeSize = spd::kMinVolumeSize;
    const spd::SetupDataImage many = Build(big);
    ASSERT_GT(many.volumes.size(), 1001u);
    ASSERT_LT(many.volumes.size(), 1100u);
    WriteMedia(source, many);

    SetupWork work(sync, context);
    ASSERT_EQ(Collect(work), "none");
    ASSERT_EQ(work.volumeCopies.size(), many.volumes.size());
    EXPECT_EQ(work.volumeCopies[999], work.tempFolder + "user.999");
    EXPECT_EQ(work.volumeCopies[1000], work.tempFolder + "user.1000");
    EXPECT_TRUE(prompt.calls.empty());
    // 100,000 / (V + 3) per step: two data files, V - 1 volumes, the joining.
    const int v = static_cast<int>(many.volumes.size());
    EXPECT_EQ(ProgressPos(), (100000 / (v + 3)) * (v + 2));
    EXPECT_EQ(JoinedBytes(work), many.joined);
    CleanUp(work);
}

}  // namespace
