// The file class, its exception kinds and German texts, and the file-system
// helpers, against the real file system under Wine.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/File.h"
#include "framework/FileException.h"
#include "framework/FileSystem.h"
#include "support/MessageBoxScript.h"

using namespace kalvorin;

namespace {

// A fresh folder, removed with its files afterwards. It lies below
// C:\kalvstages, which the end-to-end tests running at the same time leave
// out of their before-and-after comparison of the drive.
class FileTest : public testing::Test {
protected:
    void SetUp() override {
        ::CreateDirectoryA("C:\\kalvstages", nullptr);
        folder_ = "C:\\kalvstages\\kalv_file_test_" + std::to_string(::GetCurrentProcessId());
        ASSERT_TRUE(::CreateDirectoryA(folder_.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override {
        for (const std::string& file : created_) ::DeleteFileA(file.c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }
    std::string PathOf(const std::string& name) {
        created_.push_back(folder_ + "\\" + name);
        return created_.back();
    }
    std::string WriteFile(const std::string& name, const std::string& content) {
        const std::string path = PathOf(name);
        CFile file;
        EXPECT_TRUE(file.Open(path, CFile::modeWrite | CFile::modeCreate | CFile::shareExclusive));
        file.Write(content.data(), static_cast<UINT>(content.size()));
        file.Close();
        return path;
    }

    std::string folder_;
    std::vector<std::string> created_;
};

template <typename F>
CFileException Caught(F&& action) {
    try {
        action();
    } catch (const CFileException& e) {
        return e;
    }
    ADD_FAILURE() << "no CFileException";
    return CFileException(-1, 0, "");
}

// ---------------------------------------------------------------- texts

TEST(FileExceptionText, EveryKindWithAFileName) {
    const std::pair<int, const char*> expected[] = {
        {0, "Kein Fehler aufgetreten."},
        {1, "Ein unbekannter Fehler ist beim Zugriff auf C:\\x\\a.dat aufgetreten."},
        {2, "C:\\x\\a.dat wurde nicht gefunden."},
        {3, "C:\\x\\a.dat enth\xE4lt eine ung\xFCltige Pfadangabe."},
        {4,
         "C:\\x\\a.dat konnte nicht ge\xF6"
         "ffnet werden, da zu viele Dateien ge\xF6"
         "ffnet sind."},
        {5, "Zugriff auf C:\\x\\a.dat wurde verwehrt."},
        {6, "Eine ung\xFCltige Dateikennung war mit C:\\x\\a.dat verbunden."},
        {7, "Das Verzeichnis C:\\x\\a.dat konnte nicht entfernt werden, da es das aktuelle Verzeichnis ist. "},
        {8, "C:\\x\\a.dat konnte nicht erstellt werden, da das Verzeichnis voll ist."},
        {9, "Positionierungsfehler auf C:\\x\\a.dat."},
        {10, "Ein Hardware-E/A-Fehler wurde w\xE4hrend des Zugriffs auf C:\\x\\a.dat gemeldet."},
        {11, "Eine Zugriffsverletzung ist w\xE4hrend des Zugriffs auf C:\\x\\a.dat aufgetreten."},
        {12, "Eine Sperrverletzung ist w\xE4hrend des Zugriffs auf C:\\x\\a.dat aufgetreten."},
        {13, "Beim Zugriff auf C:\\x\\a.dat wurde ein voller Datentr\xE4ger gemeldet."},
        {14, "Es wurde versucht, auf eine Stelle hinter dem Ende von C:\\x\\a.dat zuzugreifen."},
    };
    for (const auto& [cause, text] : expected) {
        EXPECT_EQ(CFileException(cause, 0, "C:\\x\\a.dat").Message(), text) << "kind " << cause;
    }
}

TEST(FileExceptionText, EveryKindWithoutAFileNameNamesAnUnnamedFile) {
    const std::pair<int, const char*> expected[] = {
        {0, "Kein Fehler aufgetreten."},
        {1, "Ein unbekannter Fehler ist beim Zugriff auf eine unbenannte Datei aufgetreten."},
        {2, "eine unbenannte Datei wurde nicht gefunden."},
        {3, "eine unbenannte Datei enth\xE4lt eine ung\xFCltige Pfadangabe."},
        {4,
         "eine unbenannte Datei konnte nicht ge\xF6"
         "ffnet werden, da zu viele Dateien ge\xF6"
         "ffnet sind."},
        {5, "Zugriff auf eine unbenannte Datei wurde verwehrt."},
        {6, "Eine ung\xFCltige Dateikennung war mit eine unbenannte Datei verbunden."},
        {7, "Das Verzeichnis eine unbenannte Datei konnte nicht entfernt werden, da es das aktuelle Verzeichnis ist. "},
        {8, "eine unbenannte Datei konnte nicht erstellt werden, da das Verzeichnis voll ist."},
        {9, "Positionierungsfehler auf eine unbenannte Datei."},
        {10, "Ein Hardware-E/A-Fehler wurde w\xE4hrend des Zugriffs auf eine unbenannte Datei gemeldet."},
        {11, "Eine Zugriffsverletzung ist w\xE4hrend des Zugriffs auf eine unbenannte Datei aufgetreten."},
        {12, "Eine Sperrverletzung ist w\xE4hrend des Zugriffs auf eine unbenannte Datei aufgetreten."},
        {13, "Beim Zugriff auf eine unbenannte Datei wurde ein voller Datentr\xE4ger gemeldet."},
        {14, "Es wurde versucht, auf eine Stelle hinter dem Ende von eine unbenannte Datei zuzugreifen."},
    };
    for (const auto& [cause, text] : expected) {
        EXPECT_EQ(CFileException(cause, 0, "").Message(), text) << "kind " << cause;
    }
}

TEST(FileExceptionText, KindOutsideTheTableReadsAsUnknownError) {
    const std::string unknown = "Ein unbekannter Fehler ist beim Zugriff auf f aufgetreten.";
    EXPECT_EQ(CFileException(15, 0, "f").Message(), unknown);
    EXPECT_EQ(CFileException(-1, 0, "f").Message(), unknown);
}

TEST(FileExceptionText, NameWithPercentIsInsertedAsIs) {
    EXPECT_EQ(CFileException(2, 0, "C:\\100%1.txt").Message(), "C:\\100%1.txt wurde nicht gefunden.");
}

TEST(FileExceptionReport, ShowsTheTextWithStopIconAndOk) {
    MessageBoxScript boxes({IDOK});
    EXPECT_EQ(CFileException(5, 5, "C:\\a").ReportError(), IDOK);
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Zugriff auf C:\\a wurde verwehrt.");
    EXPECT_EQ(shown[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    EXPECT_EQ(shown[0].caption, "file_test");
}

// ---------------------------------------------------------------- Win32 codes

TEST(OsErrorToCause, MapsWin32ErrorsToKinds) {
    const std::pair<LONG, int> table[] = {
        {0, CFileException::none},
        {2, CFileException::fileNotFound},
        {3, CFileException::badPath},
        {15, CFileException::badPath},
        {53, CFileException::badPath},
        {67, CFileException::badPath},
        {123, CFileException::badPath},
        {161, CFileException::badPath},
        {206, CFileException::badPath},
        {267, CFileException::badPath},
        {4, CFileException::tooManyOpenFiles},
        {36, CFileException::tooManyOpenFiles},
        {5, CFileException::accessDenied},
        {19, CFileException::accessDenied},
        {65, CFileException::accessDenied},
        {80, CFileException::accessDenied},
        {183, CFileException::accessDenied},
        {6, CFileException::invalidFile},
        {114, CFileException::invalidFile},
        {16, CFileException::removeCurrentDir},
        {18, CFileException::directoryFull},
        {82, CFileException::directoryFull},
        {25, CFileException::badSeek},
        {131, CFileException::badSeek},
        {132, CFileException::badSeek},
        {20, CFileException::hardIO},
        {21, CFileException::hardIO},
        {23, CFileException::hardIO},
        {27, CFileException::hardIO},
        {29, CFileException::hardIO},
        {30, CFileException::hardIO},
        {31, CFileException::hardIO},
        {34, CFileException::hardIO},
        {1117, CFileException::hardIO},
        {32, CFileException::sharingViolation},
        {33, CFileException::lockViolation},
        {108, CFileException::lockViolation},
        {158, CFileException::lockViolation},
        {167, CFileException::lockViolation},
        {38, CFileException::endOfFile},
        {39, CFileException::diskFull},
        {112, CFileException::diskFull},
        // Everything else is an unspecified error.
        {1, CFileException::genericException},
        {8, CFileException::genericException},
        {87, CFileException::genericException},
        {145, CFileException::genericException},
        {-1, CFileException::genericException},
        {1000000, CFileException::genericException},
    };
    for (const auto& [code, cause] : table) EXPECT_EQ(CFileException::OsErrorToCause(code), cause) << "error " << code;
}

TEST(OsErrorToCause, KindsKeepTheirNumbers) {
    EXPECT_EQ(CFileException::none, 0);
    EXPECT_EQ(CFileException::genericException, 1);
    EXPECT_EQ(CFileException::removeCurrentDir, 7);
    EXPECT_EQ(CFileException::hardIO, 10);
    EXPECT_EQ(CFileException::endOfFile, 14);
    const CFileException e = CFileException::FromOsError(32, "x");
    EXPECT_EQ(e.cause, CFileException::sharingViolation);
    EXPECT_EQ(e.osError, 32);
    EXPECT_EQ(e.fileName, "x");
}

// ---------------------------------------------------------------- CFile

TEST_F(FileTest, OpeningAMissingFileFillsFileNotFound) {
    const std::string path = PathOf("fehlt.dat");
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &error));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(error.cause, CFileException::fileNotFound);
    EXPECT_EQ(error.osError, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(error.fileName, path);
    EXPECT_FALSE(file.Open(path, CFile::modeRead));  // without an error object
}

TEST_F(FileTest, OpeningInAMissingFolderFillsBadPath) {
    const std::string path = folder_ + "\\kein\\ordner\\a.dat";
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(path, CFile::modeWrite | CFile::modeCreate, &error));
    EXPECT_EQ(error.cause, CFileException::badPath);
    EXPECT_EQ(error.fileName, path);
}

TEST_F(FileTest, ReadsWritesSeeksAndReportsLength) {
    const std::string path = WriteFile("daten.bin", "0123456789");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_EQ(file.FilePath(), path);
    EXPECT_EQ(file.GetLength(), 10u);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(file.Seek(-3, CFile::end), 7u);
    EXPECT_EQ(file.Read(buffer, 16), 3u);
    EXPECT_EQ(std::string(buffer, 3), "789");
    EXPECT_EQ(file.GetPosition(), 10u);
    EXPECT_EQ(file.Seek(2, CFile::begin), 2u);
    EXPECT_EQ(file.Seek(1, CFile::current), 3u);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    file.Close();  // closing twice is harmless
}

TEST_F(FileTest, ReadingAtTheEndGivesZeroAndAnExactReadPastTheEndThrowsEndOfFile) {
    const std::string path = WriteFile("kurz.bin", "abc");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    char buffer[8];
    EXPECT_EQ(file.Read(buffer, 8), 3u);
    EXPECT_EQ(file.Read(buffer, 8), 0u);
    file.SeekToBegin();
    const CFileException e = Caught([&] { file.ReadExact(buffer, 4); });
    EXPECT_EQ(e.cause, CFileException::endOfFile);
    EXPECT_EQ(e.fileName, path);
    file.SeekToBegin();
    file.ReadExact(buffer, 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST_F(FileTest, ASecondOpenOfAnExclusiveFileIsASharingViolation) {
    const std::string path = WriteFile("gesperrt.bin", "x");
    CFile first;
    ASSERT_TRUE(first.Open(path, CFile::modeRead | CFile::shareExclusive));
    CFile second;
    CFileException error;
    EXPECT_FALSE(second.Open(path, CFile::modeRead | CFile::shareDenyNone, &error));
    EXPECT_EQ(error.cause, CFileException::sharingViolation);
    EXPECT_EQ(error.osError, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(error.fileName, path);
    first.Close();
    EXPECT_TRUE(second.Open(path, CFile::modeRead | CFile::shareDenyNone));
}

TEST_F(FileTest, ShareDenyWriteRefusesAWriterButAllowsAReader) {
    const std::string path = WriteFile("lesen.bin", "x");
    CFile reader;
    ASSERT_TRUE(reader.Open(path, CFile::modeRead | CFile::shareDenyWrite));
    CFile writer;
    CFileException error;
    EXPECT_FALSE(writer.Open(path, CFile::modeWrite | CFile::shareDenyNone, &error));
    EXPECT_EQ(error.cause, CFileException::sharingViolation);
    CFile secondReader;
    EXPECT_TRUE(secondReader.Open(path, CFile::modeRead | CFile::shareDenyNone));
}

TEST_F(FileTest, WritingToAReadOnlyHandleIsAccessDenied) {
    const std::string path = WriteFile("nurlesen.bin", "x");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    const CFileException e = Caught([&] { file.Write("y", 1); });
    EXPECT_EQ(e.cause, CFileException::accessDenied);
    EXPECT_EQ(e.fileName, path);
}

TEST_F(FileTest, SeekingBeforeTheStartIsABadSeek) {
    const std::string path = WriteFile("seek.bin", "abc");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    const CFileException e = Caught([&] { file.Seek(-10, CFile::begin); });
    EXPECT_EQ(e.cause, CFileException::badSeek);
    EXPECT_EQ(e.osError, ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(e.fileName, path);
}

TEST_F(FileTest, OperationsOnAClosedFileThrowInvalidFile) {
    CFile file;
    char c;
    EXPECT_EQ(Caught([&] { file.Read(&c, 1); }).cause, CFileException::invalidFile);
    EXPECT_EQ(Caught([&] { file.Write(&c, 1); }).cause, CFileException::invalidFile);
    EXPECT_EQ(Caught([&] { file.GetLength(); }).cause, CFileException::invalidFile);
}

TEST_F(FileTest, CreateTruncatesUnlessNoTruncateIsGivenAndCreateNewTakesNoExistingFile) {
    const std::string path = WriteFile("neu.bin", "alter Inhalt");
    {
        CFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeReadWrite | CFile::modeCreate | CFile::modeNoTruncate));
        EXPECT_EQ(file.GetLength(), 12u);
    }
    {
        CFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeWrite | CFile::modeCreate));
        EXPECT_EQ(file.GetLength(), 0u);
        file.Write("neu", 3);
        file.SetLength(2);
        EXPECT_EQ(file.GetLength(), 2u);
    }
    {
        // Only a name that is not taken yet.
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(path, CFile::modeReadWrite | CFile::modeCreateNew | CFile::shareExclusive, &error));
        EXPECT_EQ(error.osError, ERROR_FILE_EXISTS);
        EXPECT_TRUE(file.Open(path + ".neu", CFile::modeReadWrite | CFile::modeCreateNew | CFile::shareExclusive));
        EXPECT_EQ(file.GetLength(), 0u);
    }
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(path, 3u, &error));  // no such access mode
    EXPECT_EQ(error.cause, CFileException::genericException);
}

TEST_F(FileTest, TheDestructorClosesTheFileAndMovesTransferIt) {
    const std::string path = WriteFile("raii.bin", "x");
    {
        CFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeRead | CFile::shareExclusive));
        CFile moved(std::move(file));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_TRUE(moved.IsOpen());
        EXPECT_EQ(moved.FilePath(), path);
    }
    CFile again;
    EXPECT_TRUE(again.Open(path, CFile::modeRead | CFile::shareExclusive));
}

// ---------------------------------------------------------------- helpers

TEST_F(FileTest, FileExistsIsTrueOnlyForFiles) {
    const std::string path = WriteFile("da.txt", "x");
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(FileExists(folder_ + "\\nicht-da.txt"));
    EXPECT_FALSE(FileExists(folder_));  // a folder is no file
    EXPECT_FALSE(FileExists(""));
    // A file held open without sharing still exists.
    CFile locked;
    ASSERT_TRUE(locked.Open(path, CFile::modeRead | CFile::shareExclusive));
    EXPECT_TRUE(FileExists(path));
}

TEST_F(FileTest, FileExistsWorksForPathsLongerThan128Characters) {
    std::string sub = folder_ + "\\" + std::string(60, 'o');
    ASSERT_TRUE(::CreateDirectoryA(sub.c_str(), nullptr));
    const std::string name = std::string(60, 'l') + ".txt";
    const std::string path = sub + "\\" + name;
    {
        CFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeWrite | CFile::modeCreate));
    }
    EXPECT_GT(path.size(), 128u);
    EXPECT_TRUE(FileExists(path));
    ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA(sub.c_str());
}

TEST_F(FileTest, FileExistsDoesNotSearchThePath) {
    // notepad.exe lies in the Windows folder, not in the current directory.
    char saved[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(::SetCurrentDirectoryA(folder_.c_str()));
    EXPECT_FALSE(FileExists("notepad.exe"));
    ::SetCurrentDirectoryA(saved);
}

TEST_F(FileTest, FolderExistsRestoresTheCurrentDirectory) {
    char before[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryA(sizeof before, before);
    EXPECT_TRUE(FolderExists(folder_));
    EXPECT_TRUE(FolderExists(folder_ + "\\"));
    EXPECT_TRUE(FolderExists("C:\\"));
    EXPECT_FALSE(FolderExists(folder_ + "\\fehlt"));
    EXPECT_FALSE(FolderExists(WriteFile("datei.txt", "x")));  // a file is no folder
    EXPECT_FALSE(FolderExists(""));
    char after[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryA(sizeof after, after);
    EXPECT_STREQ(before, after);
}

}  // namespace
