// The install record, the path rules for names from the setup data, and the
// file-system steps shared by the stages (copy into folder, the folder
// creation rule, removing listed files and folders), on real files.
#include <gtest/gtest.h>

#include "run/BaseFolderMap.h"
#include "run/InstallRecord.h"
#include "setupdata/PathRules.h"
#include "setupdata/SetupFiles.h"
#include "stagetest/StageFixture.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

// ---------------------------------------------------------------------------
// InstallRecord

TEST(InstallRecordTest, ListsKeepInsertionOrderAndDiscardEmptiesAll) {
    InstallRecord record;
    EXPECT_TRUE(record.IsEmpty());
    record.AddInstalledFile("C:\\d\\a.scr");
    record.AddInstalledFile("C:\\d\\b.dll");
    record.AddKeptSharedFile("C:\\w\\s.dll");
    record.AddCreatedFolder("C:\\d");
    record.AddCreatedFolder("C:\\d\\sub");
    spd::RegistryEntryRecord key;
    key.key = "Software\\Brisvane Screensaver\\Kalvorin";
    spd::RegistryEntryRecord value;
    value.key = "Software\\Brisvane Screensaver";
    value.valueName = "Kalvorin";
    record.AddRegistryEntry(key);
    record.AddRegistryEntry(value);
    record.AddPendingReplacement("C:\\t\\abcdefgh.tmp", "C:\\w\\s.dll");
    record.AddTempFile("C:\\t\\x\\user.spd");
    record.AddTempFolder("C:\\t\\x");
    EXPECT_FALSE(record.IsEmpty());

    EXPECT_EQ(record.installedFiles(), (std::vector<std::string>{"C:\\d\\a.scr", "C:\\d\\b.dll"}));
    EXPECT_EQ(record.keptSharedFiles(), (std::vector<std::string>{"C:\\w\\s.dll"}));
    EXPECT_EQ(record.createdFolders(), (std::vector<std::string>{"C:\\d", "C:\\d\\sub"}));
    ASSERT_EQ(record.registryEntries().size(), 2u);
    EXPECT_TRUE(record.registryEntries()[0].IsWholeKey());
    EXPECT_EQ(record.registryEntries()[0].hive, 0x80000002u);
    EXPECT_EQ(record.registryEntries()[1].valueName, "Kalvorin");
    ASSERT_EQ(record.pendingReplacements().size(), 1u);
    EXPECT_EQ(record.pendingReplacements()[0], "C:\\t\\abcdefgh.tmp\nC:\\w\\s.dll");
    EXPECT_EQ(PendingReplacementCopy(record.pendingReplacements()[0]), "C:\\t\\abcdefgh.tmp");
    EXPECT_EQ(PendingReplacementCopy("C:\\no-line-feed"), "C:\\no-line-feed");
    EXPECT_EQ(record.tempFiles(), (std::vector<std::string>{"C:\\t\\x\\user.spd"}));
    EXPECT_EQ(record.tempFolders(), (std::vector<std::string>{"C:\\t\\x"}));

    record.Discard();
    EXPECT_TRUE(record.IsEmpty());
    EXPECT_TRUE(record.registryEntries().empty());
    EXPECT_TRUE(record.tempFolders().empty());
}

// ---------------------------------------------------------------------------
// Path rules

TEST(PathRulesTest, JoinAndTrailingBackslash) {
    EXPECT_EQ(JoinPath("C:\\a", "b"), "C:\\a\\b");
    EXPECT_EQ(JoinPath("C:\\a\\", "b"), "C:\\a\\b");
    EXPECT_EQ(JoinPath("A:\\", "user.001"), "A:\\user.001");
    EXPECT_EQ(WithoutTrailingBackslash("C:\\a\\"), "C:\\a");
    EXPECT_EQ(WithoutTrailingBackslash("C:\\a\\\\"), "C:\\a\\");  // one only
    EXPECT_EQ(WithTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(FileNamePart("C:\\a\\b\\user.spd"), "user.spd");
    EXPECT_EQ(FileNamePart("C:/a/_setup.spd"), "_setup.spd");
    EXPECT_EQ(FileNamePart("A:user.001"), "user.001");
}

TEST(PathRulesTest, PathsLongerThan259CharactersAreRefusedNamingThem) {
    const std::string ok = "C:\\" + std::string(256, 'a');  // 259
    EXPECT_EQ(CheckedPath(ok), ok);
    const std::string tooLong = ok + "b";  // 260
    try {
        CheckedPath(tooLong);
        ADD_FAILURE() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.cause, CFileException::badPath);
        EXPECT_EQ(e.fileName, tooLong);
        EXPECT_EQ(e.Message(), tooLong + " enth\xE4lt eine ung\xFCltige Pfadangabe.");
    }
}

TEST(PathRulesTest, RelativePathsMustStayBelowTheirBaseFolder) {
    for (const char* safe : {"", "Docs", "Docs\\Bilder", "x.y", "a..b", "..a", "Meine Dateien"}) {
        EXPECT_TRUE(IsSafeRelativePath(safe)) << safe;
    }
    // A slash is no separator in a stored path, a trailing backslash leaves an
    // empty component, "." and a trailing dot name what Windows would trim.
    for (const char* unsafe : {"\\Windows",
                               "/etc",
                               "\\\\server\\share",
                               "//server/share",
                               "C:\\x",
                               "C:x",
                               "x:y",
                               "..",
                               "..\\x",
                               "a\\..\\b",
                               "a/../b",
                               "a\\..",
                               "...",
                               "a\\. .\\b",
                               "a\\.. \\b",
                               "a/b",
                               "Docs\\",
                               ".\\x",
                               "a\\b..",
                               "a\\CON\\b",
                               "nul.txt"}) {
        EXPECT_FALSE(IsSafeRelativePath(unsafe)) << unsafe;
    }
}

TEST(PathRulesTest, FileNamesMustNameAFileInTheirFolder) {
    for (const char* safe : {"kalvorin.scr", "a b.txt", "..x", "readme"}) {
        EXPECT_TRUE(IsSafeFileName(safe)) << safe;
    }
    for (const char* unsafe : {"", ".", "..", " ", "...", "a\\b.dll", "a/b.dll", "C:b.dll", "x:stream", "\\b.dll",
                               "x..", "CON", "com1.log"}) {
        EXPECT_FALSE(IsSafeFileName(unsafe)) << unsafe;
    }
}

TEST(BaseFolderMapTest, LooksUpOnlyTheKindsSet) {
    BaseFolderMap map;
    EXPECT_TRUE(map.Empty());
    map.Set(spd::FolderKind::Windows, "C:\\windows");
    map.Set(spd::FolderKind::Destination, "D:\\Ziel\\");
    ASSERT_NE(map.Lookup(1), nullptr);
    EXPECT_EQ(*map.Lookup(1), "C:\\windows");
    EXPECT_EQ(*map.Lookup(5), "D:\\Ziel\\");  // taken as it comes
    EXPECT_EQ(map.Lookup(2), nullptr);
    EXPECT_EQ(map.Lookup(0), nullptr);
    EXPECT_EQ(map.Lookup(6), nullptr);
    map.Clear();
    EXPECT_EQ(map.Lookup(1), nullptr);
}

// ---------------------------------------------------------------------------
// File-system steps

class FileStepsTest : public StageTest {};

TEST_F(FileStepsTest, CopyIntoFolderCopiesUnderItsOwnName) {
    MakeFolders(root + "\\src");
    MakeFolders(root + "\\into");
    WriteBytes(root + "\\src\\user.spd", Pattern(1000, 3));
    std::string copy;
    EXPECT_TRUE(CopyIntoFolder(root + "\\src\\user.spd", root + "\\into\\", &copy));
    EXPECT_EQ(copy, root + "\\into\\user.spd");
    EXPECT_EQ(ReadBytes(copy), Pattern(1000, 3));
    // Forward slashes separate names as well.
    MakeFolders(root + "\\into2");
    EXPECT_TRUE(CopyIntoFolder(root + "/src/user.spd", root + "\\into2", &copy));
    EXPECT_EQ(copy, root + "\\into2\\user.spd");
    // No such folder.
    EXPECT_FALSE(CopyIntoFolder(root + "\\src\\user.spd", root + "\\missing"));
}

TEST_F(FileStepsTest, CopyIntoFolderLeavesTheCopyOfAReadOnlyFileDeletable) {
    MakeFolders(root + "\\cd");
    MakeFolders(root + "\\into");
    const std::string source = root + "\\cd\\user.spd";
    WriteBytes(source, Pattern(100, 1));
    ASSERT_TRUE(::SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY));
    // As on a CD-ROM: the file reports the attribute and cannot be deleted.
    ASSERT_NE(::GetFileAttributesA(source.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    ASSERT_FALSE(::DeleteFileA(source.c_str()));
    std::string copy;
    ASSERT_TRUE(CopyIntoFolder(source, root + "\\into", &copy));
    EXPECT_EQ(::GetFileAttributesA(copy.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_TRUE(::DeleteFileA(copy.c_str()));
    EXPECT_NE(::GetFileAttributesA(source.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);  // the source keeps it
}

TEST_F(FileStepsTest, CopyIntoFolderKeepsAnExistingFileOfTheSameSizeAndRefusesAnotherSize) {
    MakeFolders(root + "\\src");
    MakeFolders(root + "\\into");
    WriteBytes(root + "\\src\\user.001", Pattern(1000, 3));
    WriteBytes(root + "\\into\\user.001", Bytes(1000, 0));  // same size, other bytes
    EXPECT_TRUE(CopyIntoFolder(root + "\\src\\user.001", root + "\\into"));
    EXPECT_EQ(ReadBytes(root + "\\into\\user.001"), Bytes(1000, 0));  // nothing copied

    WriteBytes(root + "\\into\\user.001", Bytes(999, 0));
    EXPECT_FALSE(CopyIntoFolder(root + "\\src\\user.001", root + "\\into"));
    EXPECT_EQ(ReadBytes(root + "\\into\\user.001"), Bytes(999, 0));
    EXPECT_FALSE(CopyIntoFolder(root + "\\src\\missing.spd", root + "\\into"));
}

TEST_F(FileStepsTest, CreateFolderPathMakesEveryMissingLevel) {
    const std::string path = root + "\\new\\a\\b";
    EXPECT_TRUE(CreateFolderPath(path));
    EXPECT_TRUE(IsFolder(root + "\\new\\a\\b"));
    EXPECT_TRUE(CreateFolderPath(path + "\\"));  // exists already: fine
    EXPECT_TRUE(CreateFolderPath("C:\\"));
}

TEST_F(FileStepsTest, CreateFolderPathFailsOnAMissingDriveOrAFileInTheWay) {
    EXPECT_FALSE(CreateFolderPath("Q:\\Kalvorin\\x"));  // no such drive
    EXPECT_FALSE(IsFolder("Q:\\Kalvorin"));
    EXPECT_FALSE(CreateFolderPath(""));
    EXPECT_FALSE(CreateFolderPath("relative\\x"));

    WriteBytes(root + "\\file", Bytes{1});
    EXPECT_FALSE(CreateFolderPath(root + "\\file\\below"));
    EXPECT_TRUE(IsFile(root + "\\file"));
}

TEST_F(FileStepsTest, CreateFolderPathLeavesTheLevelsMadeBeforeAFailure) {
    EXPECT_FALSE(CreateFolderPath(root + "\\x\\made\\bad|name\\deeper"));
    EXPECT_TRUE(IsFolder(root + "\\x\\made"));
}

TEST_F(FileStepsTest, RemoveListedFoldersRemovesSubfoldersFirstAndKeepsNonEmptyOnes) {
    MakeFolders(root + "\\r\\a\\b\\c");
    MakeFolders(root + "\\r\\keep");
    WriteBytes(root + "\\r\\keep\\file.txt", Bytes{1});
    // The parent is listed before its subfolders, a missing folder is listed
    // as well.
    RemoveListedFolders(
        {root + "\\r\\a", root + "\\r\\a\\b\\c", root + "\\r\\missing", root + "\\r\\keep", root + "\\r\\a\\b"});
    EXPECT_FALSE(IsFolder(root + "\\r\\a"));
    EXPECT_TRUE(IsFolder(root + "\\r\\keep"));
    EXPECT_TRUE(IsFile(root + "\\r\\keep\\file.txt"));
}

TEST_F(FileStepsTest, RemoveListedFoldersLeavesUnlistedLevels) {
    MakeFolders(root + "\\r\\made\\full");
    RemoveListedFolders({root + "\\r\\made\\full"});
    EXPECT_FALSE(IsFolder(root + "\\r\\made\\full"));
    EXPECT_TRUE(IsFolder(root + "\\r\\made"));
}

TEST_F(FileStepsTest, DeleteListedFilesDeletesWhatItCanSilently) {
    WriteBytes(root + "\\a.tmp", Bytes{1});
    WriteBytes(root + "\\b.tmp", Bytes{2});
    HANDLE held = ::CreateFileA((root + "\\b.tmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DeleteListedFiles({root + "\\a.tmp", root + "\\missing.tmp", root + "\\b.tmp"});
    EXPECT_FALSE(IsFile(root + "\\a.tmp"));
    EXPECT_TRUE(IsFile(root + "\\b.tmp"));  // in use: stays
    ::CloseHandle(held);
}

}  // namespace
