// Creating the destination and the folders of the folder table: the table's
// block and record checks, the order of creation, question 169, folders that
// cannot be created, what is recorded, and names that would leave their base
// folder.
#include <gtest/gtest.h>

#include "codec/FolderEntry.h"
#include "setupdata/FolderCreation.h"
#include "stagetest/StageFixture.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

Bytes Record(uint8_t kind, const std::string& path) {
    return spd::EncodeFolderRecord(MakeFolder(kind, path));
}

class FoldersTest : public StageTest {
protected:
    // Joined data with the folder table made of `records` (folderCount set
    // to their number unless given) and one file in the catalog.
    void OpenTable(SetupWork& work, const std::vector<Bytes>& records, int folderCount = -1) {
        OpenTableBytes(work, FolderTableOf(records),
                       folderCount < 0 ? static_cast<uint16_t>(records.size()) : static_cast<uint16_t>(folderCount));
    }

    void OpenTableBytes(SetupWork& work, const Bytes& table, uint16_t folderCount) {
        RawSetup raw;
        raw.header.folderCount = folderCount;
        raw.folderTable = table;
        spd::CatalogEntry entry;
        entry.fileName = "a.txt";
        entry.folderKind = 5;
        raw.catalog = Block(entry.Encode());
        Append(raw.catalog, Block(Bytes{'a'}));
        OpenJoined(work, raw.Seal());
    }

    std::string Create(SetupWork& work) {
        return Outcome([&] { CreateFolders(work); });
    }

    // The destination's parent and the destination: neither exists before.
    std::vector<std::string> DestinationLevels() const { return {root + "\\dest", destination}; }

    MessageBoxScript boxes;
};

// ---------------------------------------------------------------------------
// The destination

TEST_F(FoldersTest, AMissingDestinationIsCreatedWithEveryMissingLevelRecorded) {
    SetupWork work(sync, context);
    OpenTable(work, {});
    ASSERT_EQ(Create(work), "none");
    EXPECT_TRUE(IsFolder(destination));
    // Every level the run made is recorded, parents first, so that nothing
    // of it stays behind empty.
    EXPECT_EQ(work.record.createdFolders(), DestinationLevels());
    const std::vector<Status> statuses = Statuses();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].code, CreatingFolders);
    EXPECT_FALSE(statuses[0].sent);  // posted
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(FoldersTest, AnExistingDestinationIsNotRecorded) {
    MakeFolders(destination);
    SetupWork work(sync, context);
    OpenTable(work, {});
    ASSERT_EQ(Create(work), "none");
    EXPECT_TRUE(work.record.createdFolders().empty());
    EXPECT_EQ(boxes.Count(), 0u);  // no question for the destination
}

TEST_F(FoldersTest, ADestinationThatCannotBeCreatedStopsWithCannotCreateFolder) {
    for (const std::string& bad : {std::string("Q:\\Kalvorin"), root + "\\blocker\\Kalvorin"}) {
        WriteBytes(root + "\\blocker", Bytes{1});
        context.destination = bad;
        SetupWork work(sync, context);
        OpenTable(work, {Record(5, "Docs")});
        work.baseFolders.Set(spd::FolderKind::Destination, bad);
        EXPECT_EQ(Create(work), "FolderCreation/CannotCreateFolder") << bad;
        EXPECT_TRUE(work.record.createdFolders().empty());
        EXPECT_EQ(boxes.Count(), 0u);
    }
}

// ---------------------------------------------------------------------------
// The table as a block

TEST_F(FoldersTest, AZeroChecksumOrSizeMeansThereIsNoTable) {
    const Bytes records = [] {
        Bytes all = Record(5, "One");
        Append(all, Record(5, "Two"));
        return all;
    }();
    const Bytes real = FolderTableOf({Record(5, "One"), Record(5, "Two")});
    for (int which = 0; which < 3; ++which) {
        Bytes table = real;
        PutU32(table, 4 + 4 * which, 0);  // checksum, storedSize or expandedSize
        SetupWork work(sync, context);
        OpenTableBytes(work, table, 2);
        ASSERT_EQ(Create(work), "none") << which;
        EXPECT_FALSE(IsFolder(destination + "\\One")) << which;
        EXPECT_EQ(work.record.createdFolders(), DestinationLevels()) << which;
        ::RemoveDirectoryA(destination.c_str());
        ::RemoveDirectoryA((root + "\\dest").c_str());
    }
}

struct TableCase {
    const char* name;
    std::function<Bytes()> table;
    uint16_t folderCount;
    const char* outcome;
};

class FolderTableBlockTest : public FoldersTest, public ::testing::WithParamInterface<TableCase> {};

TEST_P(FolderTableBlockTest, FailsBeforeAnyFolderOfTheTable) {
    SetupWork work(sync, context);
    OpenTableBytes(work, GetParam().table(), GetParam().folderCount);
    EXPECT_EQ(Create(work), GetParam().outcome);
    EXPECT_FALSE(IsFolder(destination + "\\One"));
    EXPECT_EQ(work.record.createdFolders(), DestinationLevels());
}

// "One", then a second record of `kind` and `path`.
Bytes OneThen(uint8_t kind, const std::string& path) {
    Bytes all = Record(5, "One");
    Append(all, Record(kind, path));
    return all;
}

Bytes TwoRecords() {
    return OneThen(5, "Two");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderTableBlockTest,
    ::testing::Values(
        TableCase{"StoredBytesPastTheEnd",
                  [] {
                      Bytes t = Block(TwoRecords());
                      PutU32(t, 8, 100000);
                      return t;
                  },
                  2, "FolderCreation/DamagedSetupFile"},
        TableCase{"ZlibError",
                  [] {
                      Bytes t = Block(TwoRecords());
                      t[16] ^= 0xFF;  // breaks the zlib header
                      return t;
                  },
                  2, "FolderCreation/DecompressError"},
        TableCase{"ProducesFewerBytesThanExpandedSize",
                  [] {
                      Bytes t = Block(TwoRecords());
                      PutU32(t, 12, 2 * 274 + 1);
                      return t;
                  },
                  2, "FolderCreation/DamagedSetupFile"},
        TableCase{"LengthIsNotFolderCountRecords", [] { return Block(TwoRecords()); }, 3,
                  "FolderCreation/DamagedSetupFile"},
        TableCase{"FolderCountSmallerThanTheRecords", [] { return Block(TwoRecords()); }, 1,
                  "FolderCreation/DamagedSetupFile"},
        TableCase{"ChecksumDiffers",
                  [] {
                      Bytes t = Block(TwoRecords());
                      t[4] ^= 0x01;
                      return t;
                  },
                  2, "FolderCreation/DamagedSetupFile"},
        TableCase{"RecordSizesDiffer",
                  [] {
                      Bytes r = TwoRecords();
                      PutU32(r, 274 + 8, 257);
                      return Block(r);
                  },
                  2, "FolderCreation/DamagedSetupFile"},
        TableCase{"RecordLargerThan274",
                  [] {
                      Bytes r = TwoRecords();
                      PutU32(r, 274 + 8, 275);
                      PutU32(r, 274 + 12, 275);
                      return Block(r);
                  },
                  2, "FolderCreation/DamagedSetupFile"},
        TableCase{"RecordBodyChecksum",
                  [] {
                      Bytes r = TwoRecords();
                      r[274 + 16 + 5] ^= 0x01;  // a byte of the second path
                      return Block(r);
                  },
                  2, "FolderCreation/DamagedSetupFile"},
        TableCase{"KindZero", [] { return Block(OneThen(0, "Two")); }, 2, "FolderCreation/DamagedSetupFile"},
        TableCase{"KindSix", [] { return Block(OneThen(6, "Two")); }, 2, "FolderCreation/DamagedSetupFile"},
        // Names that would leave their base folder.
        TableCase{"DotDot", [] { return Block(OneThen(5, "..\\Escaped")); }, 2, "FolderCreation/DamagedSetupFile"},
        TableCase{"DotDotInside", [] { return Block(OneThen(5, "One\\..\\..\\Escaped")); }, 2,
                  "FolderCreation/DamagedSetupFile"},
        TableCase{"Unc", [] { return Block(OneThen(5, "\\\\server\\share")); }, 2, "FolderCreation/DamagedSetupFile"},
        TableCase{"Drive", [] { return Block(OneThen(5, "C:\\Escaped")); }, 2, "FolderCreation/DamagedSetupFile"},
        TableCase{"DriveRelative", [] { return Block(OneThen(5, "C:Escaped")); }, 2,
                  "FolderCreation/DamagedSetupFile"}),
    [](const ::testing::TestParamInfo<TableCase>& info) { return std::string(info.param.name); });

TEST_F(FoldersTest, TheTableHeaderCutShortIsDamaged) {
    RawSetup raw;
    Bytes joined = raw.Seal();
    joined.resize(spd::SetupHeader::kSize + 15);
    SetupWork work(sync, context);
    OpenJoined(work, joined);
    EXPECT_EQ(Create(work), "FolderCreation/DamagedSetupFile");
}

TEST_F(FoldersTest, NoMemoryForTheTableStopsWithOutOfMemory) {
    SetupWork work(sync, context);
    OpenTable(work, {Record(5, "One"), Record(5, "Two")});
    work.allocationLimit = 16;
    EXPECT_EQ(Create(work), "FolderCreation/OutOfMemory");
    EXPECT_FALSE(IsFolder(destination + "\\One"));
}

// ---------------------------------------------------------------------------
// Creating the folders

TEST_F(FoldersTest, FoldersAreCreatedInPathOrderAndRecordedWithTheirFullPaths) {
    SetupWork work(sync, context);
    // A subfolder before its parent, a trailing backslash, two kinds with
    // equal paths (kept in their order), several missing levels, a folder
    // listed twice and the destination itself.
    OpenTable(work, {Record(5, "Docs\\Bilder"), Record(3, "Same"), Record(5, "Docs\\"), Record(5, "Same"),
                     Record(5, "Deep\\A\\B"), Record(5, "Docs"), Record(5, "")});
    ASSERT_EQ(Create(work), "none");
    // No question: every folder that existed was made by this run.
    EXPECT_EQ(boxes.Count(), 0u);
    const std::string pf = context.programFilesFolder;
    std::vector<std::string> expected = DestinationLevels();
    for (const char* sub : {"\\Deep", "\\Deep\\A", "\\Deep\\A\\B", "\\Docs", "\\Docs\\Bilder"}) {
        expected.push_back(destination + sub);
    }
    expected.push_back(pf + "\\Same");
    expected.push_back(destination + "\\Same");
    EXPECT_EQ(work.record.createdFolders(), expected);
    EXPECT_TRUE(IsFolder(destination + "\\Docs\\Bilder"));
}

TEST_F(FoldersTest, OneLeadingAndOneTrailingBackslashAreIgnored) {
    SetupWork work(sync, context);
    OpenTable(work, {Record(5, "\\Lead\\"), Record(3, "\\Top")});
    ASSERT_EQ(Create(work), "none");
    std::vector<std::string> expected = DestinationLevels();
    expected.push_back(destination + "\\Lead");
    expected.push_back(context.programFilesFolder + "\\Top");
    EXPECT_EQ(work.record.createdFolders(), expected);
}

TEST_F(FoldersTest, AnExistingFolderAsks169AndYesUsesItWithoutRecording) {
    MakeFolders(destination + "\\Docs");
    boxes.Answer(IDYES);
    SetupWork work(sync, context);
    OpenTable(work, {Record(5, "Docs"), Record(5, "New")});
    ASSERT_EQ(Create(work), "none");
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Der folgende Ordner sollte angelegt werden:\n'" + destination +
                                         "\\Docs'\nDieser Ordner existiert aber schon auf ihrem System.\n"
                                         "M\xF6"
                                         "chten Sie diesen Ordner trotzdem verwenden.");
    EXPECT_EQ(boxes.Shown()[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(work.record.createdFolders(), std::vector<std::string>{destination + "\\New"});
}

TEST_F(FoldersTest, AnExistingFolderAnsweredNoStopsWithCannotContinue) {
    MakeFolders(destination + "\\Docs");
    boxes.Answer(IDNO);
    SetupWork work(sync, context);
    OpenTable(work, {Record(5, "Docs"), Record(5, "New")});
    EXPECT_EQ(Create(work), "FolderCreation/CannotContinue");
    EXPECT_FALSE(IsFolder(destination + "\\New"));
}

TEST_F(FoldersTest, AFolderThatCannotBeCreatedShowsItsPathThenStops) {
    MakeFolders(destination);
    WriteBytes(destination + "\\Blocked", Bytes{1});
    SetupWork work(sync, context);
    OpenTable(work, {Record(5, "Alpha"), Record(5, "Blocked\\Sub"), Record(5, "Zulu")});
    EXPECT_EQ(Create(work), "FolderCreation/CannotCreateFolder");
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, destination + "\\Blocked\\Sub");
    // OK without an icon: the exclamation icon is added.
    EXPECT_EQ(boxes.Shown()[0].flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    // What was made before stays recorded for the rollback.
    EXPECT_EQ(work.record.createdFolders(), std::vector<std::string>{destination + "\\Alpha"});
    EXPECT_FALSE(IsFolder(destination + "\\Zulu"));
}

TEST_F(FoldersTest, AKindWithoutABaseFolderStopsWithUnexpectedError) {
    SetupWork work(sync, context);
    OpenTable(work, {Record(5, "Alpha"), Record(3, "Beta")});
    BaseFolderMap partial;
    partial.Set(spd::FolderKind::Destination, destination);
    work.baseFolders = partial;
    EXPECT_EQ(Create(work), "FolderCreation/UnexpectedError");
    std::vector<std::string> expected = DestinationLevels();
    expected.push_back(destination + "\\Alpha");
    EXPECT_EQ(work.record.createdFolders(), expected);
}

TEST_F(FoldersTest, AFullPathLongerThan259CharactersIsAFileErrorNamingIt) {
    const std::string longName(259 - destination.size() - 1, 'x');  // exactly 259 in all
    SetupWork work(sync, context);
    OpenTable(work, {Record(5, longName), Record(5, longName + "y")});
    const std::string tooLong = destination + "\\" + longName + "y";
    EXPECT_EQ(Create(work), "file error 3 " + tooLong);
    std::vector<std::string> expected = DestinationLevels();
    expected.push_back(destination + "\\" + longName);
    EXPECT_EQ(work.record.createdFolders(), expected);
}

}  // namespace
