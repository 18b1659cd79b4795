// The file catalog: the catalog check, every file record and content read in
// sequence with CopyingFile sent, the target paths, every failure of a file
// record, a file content and the catalog header, names that would leave
// their base folder, and the packed uninstaller.
#include <gtest/gtest.h>
#include <zlib.h>

#include "codec/CatalogEntry.h"
#include "codec/Checksum.h"
#include "codec/Compression.h"
#include "codec/PackedProgram.h"
#include "run/CatalogFile.h"
#include "setupdata/Catalog.h"
#include "stagetest/StageFixture.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

spd::CatalogEntry Entry(const std::string& name, uint8_t kind, const std::string& subfolder, uint8_t flags = 0) {
    spd::CatalogEntry e;
    e.fileName = name;
    e.folderKind = kind;
    e.subfolder = subfolder;
    e.flags = flags;
    return e;
}

Bytes Compressed(const Bytes& content) {
    auto c = spd::Compress(content, 6);
    EXPECT_TRUE(c.ok());
    return c.value;
}

// A block whose header says what the test wants, around `stored`.
Bytes RawBlock(uint32_t checksum, uint32_t storedSize, uint32_t expandedSize, const Bytes& stored) {
    Bytes b = RawBlockHeader(checksum, storedSize, expandedSize);
    Append(b, stored);
    return b;
}

class CatalogTest : public StageTest {
protected:
    // Joined data whose catalog holds `pieces` after the catalog header.
    void OpenCatalog(SetupWork& work, const Bytes& pieces, uint16_t fileCount) {
        RawSetup raw;
        raw.header.fileCount = fileCount;
        raw.catalog = pieces;
        OpenJoined(work, raw.Seal());
    }

    static Bytes FilePieces(const spd::CatalogEntry& entry, const Bytes& content) {
        Bytes b = Block(entry.Encode());
        Append(b, Block(content));
        return b;
    }

    // The files the stand-in dialog saw named so far (one per delivery of
    // WM_SETUP_PROGRESS: the newest).
    std::vector<std::string> SentNames() {
        std::vector<std::string> names;
        for (const Status& s : Statuses()) {
            if (s.code == CopyingFile) names.push_back(s.text);
        }
        return names;
    }

    // Verifies the catalog and reads `count` files; the outcome.
    std::string ReadFiles(SetupWork& work, int count) {
        return Outcome([&] {
            VerifyCatalog(work);
            for (int i = 0; i < count; ++i) ReadNextFile(work);
        });
    }
};

TEST_F(CatalogTest, EveryFileIsReadInSequenceWithItsTargetPath) {
    const Bytes screensaver = Pattern(70000, 4);
    const Bytes help = Bytes(3000, 'h');
    const Bytes empty;
    Bytes pieces = FilePieces(Entry("kalvorin.scr", 5, "", 0x04), screensaver);
    Append(pieces, FilePieces(Entry("hilfe.txt", 3, "Kalvorin\\Hilfe", 0xF8), help));
    Append(pieces, FilePieces(Entry("leer.dat", 1, "sub"), empty));
    SetupWork work(sync, context);
    OpenCatalog(work, pieces, 3);

    ASSERT_EQ(Outcome([&] { VerifyCatalog(work); }), "none");
    // The file budget's step.
    StepProgress(sync);
    EXPECT_EQ(ProgressPos(), 1000000 / 3);
    EXPECT_EQ(work.joined.GetPosition(), work.header.catalogOffset + 16u);

    CatalogFile* file = nullptr;
    ASSERT_EQ(Outcome([&] { file = &ReadNextFile(work); }), "none");
    EXPECT_EQ(file->entry, Entry("kalvorin.scr", 5, "", 0x04));
    EXPECT_EQ(Bytes(file->content.begin(), file->content.end()), screensaver);
    EXPECT_EQ(file->targetPath, destination + "\\kalvorin.scr");
    Statuses();  // the dialog sees each file named

    ASSERT_EQ(Outcome([&] { file = &ReadNextFile(work); }), "none");
    EXPECT_EQ(file->entry.flags, 0xF8);  // kept as stored; unknown bits mean nothing
    EXPECT_EQ(Bytes(file->content.begin(), file->content.end()), help);
    EXPECT_EQ(file->targetPath, context.programFilesFolder + "\\Kalvorin\\Hilfe\\hilfe.txt");
    Statuses();  // the dialog sees each file named

    ASSERT_EQ(Outcome([&] { file = &ReadNextFile(work); }), "none");
    EXPECT_TRUE(file->content.empty());
    EXPECT_EQ(file->targetPath, root + "\\win\\sub\\leer.dat");
    EXPECT_EQ(work.filesRead, 3);
    EXPECT_EQ(work.joined.GetPosition(), work.joined.GetLength());

    EXPECT_EQ(SentNames(), (std::vector<std::string>{"kalvorin.scr", "hilfe.txt", "leer.dat"}));
    // Reading files creates nothing.
    EXPECT_FALSE(IsFolder(destination));
}

// ---------------------------------------------------------------------------
// The catalog header

TEST_F(CatalogTest, AChangedByteAfterTheCatalogHeaderIsFoundBeforeTheFirstFile) {
    RawSetup raw;
    raw.catalog = FilePieces(Entry("a.txt", 5, ""), Bytes(100, 'a'));
    Bytes joined = raw.Seal();
    joined.back() ^= 0x01;
    // The joined-data checksum is made to match, so only the catalog's own
    // check can find it.
    PutU32(joined, 16, spd::Adler32(std::span<const uint8_t>(joined).subspan(192)));
    SetupWork work(sync, context);
    OpenJoined(work, joined);
    EXPECT_EQ(ReadFiles(work, 1), "FileInstallation/DamagedSetupFile");
    EXPECT_TRUE(SentNames().empty());
}

TEST_F(CatalogTest, ACatalogHeaderCutShortIsDamaged) {
    RawSetup raw;
    raw.catalog = FilePieces(Entry("a.txt", 5, ""), Bytes(100, 'a'));
    Bytes joined = raw.Seal();
    PutU32(joined, 40, static_cast<uint32_t>(joined.size() - 15));  // catalogOffset near the end
    SetupWork work(sync, context);
    OpenJoined(work, joined);
    EXPECT_EQ(Outcome([&] { VerifyCatalog(work); }), "FileInstallation/DamagedSetupFile");
}

TEST_F(CatalogTest, TheCatalogHeaderSizesAreNotRead) {
    RawSetup raw;
    raw.catalog = FilePieces(Entry("a.txt", 5, ""), Bytes(100, 'a'));
    Bytes joined = raw.Seal();
    PutU32(joined, raw.header.catalogOffset + 8, 0);
    PutU32(joined, raw.header.catalogOffset + 12, 0xFFFFFFFF);
    SetupWork work(sync, context);
    OpenJoined(work, joined);
    EXPECT_EQ(ReadFiles(work, 1), "none");
}

TEST_F(CatalogTest, NoBufferForTheCatalogCheckStopsWithOutOfMemory) {
    SetupWork work(sync, context);
    OpenCatalog(work, FilePieces(Entry("a.txt", 5, ""), Bytes(100, 'a')), 1);
    work.allocationLimit = kChunkSize - 1;
    EXPECT_EQ(Outcome([&] { VerifyCatalog(work); }), "FileInstallation/OutOfMemory");
}

// ---------------------------------------------------------------------------
// File records and contents

struct BlockCase {
    const char* name;
    std::function<Bytes()> pieces;  // the catalog after its header
    const char* outcome;
    bool nameSent;  // CopyingFile was sent before the failure
};

class CatalogBlockTest : public CatalogTest, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(CatalogBlockTest, EndsAsGiven) {
    SetupWork work(sync, context);
    OpenCatalog(work, GetParam().pieces(), 1);
    EXPECT_EQ(ReadFiles(work, 1), GetParam().outcome);
    EXPECT_EQ(SentNames().size(), GetParam().nameSent ? 1u : 0u);
}

const spd::CatalogEntry kEntry = Entry("kalvorin.scr", 5, "");
const Bytes kContent(2000, 'k');

Bytes RecordWith(const std::function<void(Bytes& record)>& change) {
    Bytes b = Block(kEntry.Encode());
    change(b);
    Append(b, Block(kContent));
    return b;
}

Bytes ContentWith(const std::function<void(Bytes& content)>& change) {
    Bytes b = Block(kEntry.Encode());
    Bytes c = Block(kContent);
    change(c);
    Append(b, c);
    return b;
}

Bytes EntryBlockOf(const Bytes& expanded, uint32_t expandedSize) {
    return RawBlock(spd::Adler32(expanded), static_cast<uint32_t>(Compressed(expanded).size()), expandedSize,
                    Compressed(expanded));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogBlockTest,
    ::testing::Values(
        BlockCase{"Good", [] { return RecordWith([](Bytes&) {}); }, "none", true},
        // File record
        BlockCase{"RecordHeaderCutShort", [] { return Bytes(15, 0x42); }, "FileInstallation/DamagedSetupFile", false},
        BlockCase{"RecordExpandedSizeNot520", [] { return RecordWith([](Bytes& r) { PutU32(r, 12, 521); }); },
                  "FileInstallation/DamagedSetupFile", false},
        BlockCase{"RecordStoredSizeZero", [] { return RecordWith([](Bytes& r) { PutU32(r, 8, 0); }); },
                  "FileInstallation/DamagedSetupFile", false},
        BlockCase{"RecordStoredBytesPastTheEnd",
                  [] {
                      Bytes b = Block(kEntry.Encode());
                      b.resize(b.size() - 1);
                      return b;
                  },
                  "FileInstallation/DamagedSetupFile", false},
        BlockCase{"RecordZlibError", [] { return RecordWith([](Bytes& r) { r[16] ^= 0xFF; }); },
                  "FileInstallation/DecompressError", false},
        BlockCase{"RecordExpandsTo519Bytes",
                  [] {
                      Bytes expanded = kEntry.Encode();
                      expanded.pop_back();
                      Bytes b = EntryBlockOf(expanded, 520);
                      Append(b, Block(kContent));
                      return b;
                  },
                  "FileInstallation/DamagedSetupFile", false},
        BlockCase{"RecordNeedsMoreThan520Bytes",
                  [] {
                      Bytes expanded = kEntry.Encode();
                      expanded.push_back(0);
                      Bytes b = EntryBlockOf(expanded, 520);
                      Append(b, Block(kContent));
                      return b;
                  },
                  "FileInstallation/DecompressError", false},
        BlockCase{"RecordChecksum", [] { return RecordWith([](Bytes& r) { r[4] ^= 0x01; }); },
                  "FileInstallation/DamagedSetupFile", false},
        // File content
        BlockCase{"ContentHeaderCutShort",
                  [] {
                      Bytes b = Block(kEntry.Encode());
                      Append(b, Bytes(15, 0x42));
                      return b;
                  },
                  "FileInstallation/DamagedSetupFile", true},
        BlockCase{"ContentMissing", [] { return Block(kEntry.Encode()); }, "FileInstallation/DamagedSetupFile", true},
        BlockCase{"ContentStoredBytesPastTheEnd", [] { return ContentWith([](Bytes& c) { c.resize(c.size() - 1); }); },
                  "FileInstallation/DamagedSetupFile", true},
        BlockCase{"ContentZlibError", [] { return ContentWith([](Bytes& c) { c[17] ^= 0xFF; }); },
                  "FileInstallation/DecompressError", true},
        BlockCase{"ContentChecksum", [] { return ContentWith([](Bytes& c) { c[7] ^= 0x01; }); },
                  "FileInstallation/DamagedSetupFile", true},
        BlockCase{"ContentStoredSizeZero",
                  [] {
                      Bytes b = Block(kEntry.Encode());
                      Append(b, RawBlockHeader(1, 0, 0));
                      return b;
                  },
                  "FileInstallation/DecompressError", true},
        // The content's sizes are used as they stand: a larger expandedSize
        // is no error, the bytes produced count.
        BlockCase{"ContentExpandedSizeLarger", [] { return ContentWith([](Bytes& c) { PutU32(c, 12, 5000); }); },
                  "none", true},
        BlockCase{"ContentExpandedSizeSmaller", [] { return ContentWith([](Bytes& c) { PutU32(c, 12, 1999); }); },
                  "FileInstallation/DecompressError", true},
        // Base folder
        BlockCase{"KindZero",
                  [] {
                      Bytes b = Block(Entry("a.txt", 0, "").Encode());
                      Append(b, Block(kContent));
                      return b;
                  },
                  "FileInstallation/UnexpectedError", true},
        BlockCase{"KindSix",
                  [] {
                      Bytes b = Block(Entry("a.txt", 6, "").Encode());
                      Append(b, Block(kContent));
                      return b;
                  },
                  "FileInstallation/UnexpectedError", true}),
    [](const ::testing::TestParamInfo<BlockCase>& info) { return std::string(info.param.name); });

TEST_F(CatalogTest, ALargerContentExpandedSizeYieldsTheBytesProduced) {
    SetupWork work(sync, context);
    OpenCatalog(work, ContentWith([](Bytes& c) { PutU32(c, 12, 5000); }), 1);
    ASSERT_EQ(ReadFiles(work, 1), "none");
    EXPECT_EQ(Bytes(work.currentFile.content.begin(), work.currentFile.content.end()), kContent);
}

// A content stream whose end runs far ahead of its output: the content,
// then 60,000 empty stored blocks (300 KB that produce nothing), then the
// final block. Valid, though deflate never makes it so.
Bytes FarAheadStream(const Bytes& content) {
    z_stream s{};
    EXPECT_EQ(deflateInit(&s, 6), Z_OK);
    Bytes out(compressBound(static_cast<uLong>(content.size())) + 64);
    s.next_in = const_cast<Bytef*>(content.data());
    s.avail_in = static_cast<uInt>(content.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&s, Z_SYNC_FLUSH), Z_OK);  // header and data, ending on a byte boundary
    out.resize(out.size() - s.avail_out);
    deflateEnd(&s);
    for (int i = 0; i < 60000; ++i) Append(out, Bytes{0x00, 0x00, 0x00, 0xFF, 0xFF});
    Append(out, Bytes{0x01, 0x00, 0x00, 0xFF, 0xFF});
    const uint32_t adler = spd::Adler32(content);
    Append(out, Bytes{static_cast<uint8_t>(adler >> 24), static_cast<uint8_t>(adler >> 16),
                      static_cast<uint8_t>(adler >> 8), static_cast<uint8_t>(adler)});
    return out;
}

TEST_F(CatalogTest, ContentIsExpandedAsFromTwoBuffersWhateverTheStreamLooksLike) {
    // The content is expanded in place over its own compressed bytes; a
    // stream that would overrun them is read again into a buffer of its own.
    const Bytes random = Pattern(300000, 7);
    const auto stored = spd::Compress(random, 0);  // stored blocks: as long as the content and more
    ASSERT_TRUE(stored.ok());
    Bytes text(200000);
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>("Kalvorin "[i % 9]);
    const std::vector<std::pair<Bytes, Bytes>> cases = {{random, stored.value}, {text, FarAheadStream(text)}};
    for (const auto& [content, stream] : cases) {
        int rc = 0;
        Bytes check(content.size());
        uLongf length = static_cast<uLongf>(check.size());
        rc = uncompress(check.data(), &length, stream.data(), static_cast<uLong>(stream.size()));
        ASSERT_EQ(rc, Z_OK) << "uncompress() takes the stream";
        Bytes pieces = Block(Entry("a.dat", 5, "").Encode());
        Append(pieces, RawBlock(spd::Adler32(content), static_cast<uint32_t>(stream.size()),
                                static_cast<uint32_t>(content.size()), stream));
        Append(pieces, FilePieces(Entry("b.dat", 5, ""), Bytes(10, 'b')));
        SetupWork work(sync, context);
        OpenCatalog(work, pieces, 2);
        ASSERT_EQ(Outcome([&] { VerifyCatalog(work); }), "none");
        ASSERT_EQ(Outcome([&] { ReadNextFile(work); }), "none") << stream.size();
        EXPECT_EQ(Bytes(work.currentFile.content.begin(), work.currentFile.content.end()), content);
        ASSERT_EQ(Outcome([&] { ReadNextFile(work); }), "none") << "the next file starts after the content";
        EXPECT_EQ(Bytes(work.currentFile.content.begin(), work.currentFile.content.end()), Bytes(10, 'b'));
    }
}

TEST_F(CatalogTest, NoMemoryForARecordOrAContentStopsWithOutOfMemory) {
    Bytes big = Pattern(300000, 8);
    {
        SetupWork work(sync, context);
        OpenCatalog(work, FilePieces(kEntry, big), 1);
        ASSERT_EQ(Outcome([&] { VerifyCatalog(work); }), "none");
        work.allocationLimit = 100;  // the record's compressed bytes need more
        EXPECT_EQ(Outcome([&] { ReadNextFile(work); }), "FileInstallation/OutOfMemory");
        EXPECT_TRUE(SentNames().empty());
    }
    {
        SetupWork work(sync, context);
        OpenCatalog(work, FilePieces(kEntry, big), 1);
        ASSERT_EQ(Outcome([&] { VerifyCatalog(work); }), "none");
        work.allocationLimit = 200000;  // enough for the record, not for the content
        EXPECT_EQ(Outcome([&] { ReadNextFile(work); }), "FileInstallation/OutOfMemory");
        EXPECT_EQ(SentNames().size(), 1u);
    }
}

TEST_F(CatalogTest, TheNextFileStartsWhereThePreviousContentEnded) {
    Bytes pieces = FilePieces(Entry("eins.txt", 5, ""), Bytes(10, '1'));
    Append(pieces, FilePieces(Entry("zwei.txt", 5, ""), Bytes(20, '2')));
    SetupWork work(sync, context);
    OpenCatalog(work, pieces, 2);
    ASSERT_EQ(ReadFiles(work, 2), "none");
    EXPECT_EQ(work.currentFile.entry.fileName, "zwei.txt");
    EXPECT_EQ(Bytes(work.currentFile.content.begin(), work.currentFile.content.end()), Bytes(20, '2'));
}

// ---------------------------------------------------------------------------
// Names that would leave their base folder, paths that are too long

TEST_F(CatalogTest, UnsafeNamesAreDamagedDataAndNothingIsAnnounced) {
    const std::vector<std::pair<std::string, std::string>> cases = {{"\\Windows", "a.dll"},
                                                                    {"C:\\Windows", "a.dll"},
                                                                    {"C:Windows", "a.dll"},
                                                                    {"\\\\server\\share", "a.dll"},
                                                                    {"..", "a.dll"},
                                                                    {"sub\\..\\..", "a.dll"},
                                                                    {"sub/../..", "a.dll"},
                                                                    {"...", "a.dll"},
                                                                    {"", "..\\a.dll"},
                                                                    {"", "sub\\a.dll"},
                                                                    {"", "sub/a.dll"},
                                                                    {"", "C:a.dll"},
                                                                    {"", "a.dll:stream"},
                                                                    {"", ""},
                                                                    {"", ".."},
                                                                    {"", "."}};
    for (const auto& [subfolder, name] : cases) {
        ReceivedStatuses().clear();
        SetupWork work(sync, context);
        OpenCatalog(work, FilePieces(Entry(name, 5, subfolder), kContent), 1);
        EXPECT_EQ(ReadFiles(work, 1), "FileInstallation/DamagedSetupFile") << subfolder << " | " << name;
        EXPECT_TRUE(SentNames().empty()) << subfolder << " | " << name;
        work.Release();
    }
}

TEST_F(CatalogTest, ATargetPathLongerThan259CharactersIsAFileErrorNamingIt) {
    const std::string fits(259 - destination.size() - 1 - 4, 'n');
    Bytes pieces = FilePieces(Entry(fits + ".txt", 5, ""), kContent);  // 259 characters
    Append(pieces, FilePieces(Entry(fits + "x.txt", 5, ""), kContent));
    SetupWork work(sync, context);
    OpenCatalog(work, pieces, 2);
    ASSERT_EQ(ReadFiles(work, 1), "none");
    EXPECT_EQ(work.currentFile.targetPath.size(), 259u);
    const std::string tooLong = destination + "\\" + fits + "x.txt";
    EXPECT_EQ(Outcome([&] { ReadNextFile(work); }), "file error 3 " + tooLong);

    // With a subfolder as well.
    SetupWork deep(sync, context);
    OpenCatalog(deep, FilePieces(Entry("a.txt", 5, std::string(250, 's')), kContent), 1);
    EXPECT_EQ(ReadFiles(deep, 1), "file error 3 " + destination + "\\" + std::string(250, 's') + "\\a.txt");
}

// ---------------------------------------------------------------------------
// The packed uninstaller

class PackedProgramTest : public StageTest {
protected:
    std::string Read(const Bytes& file) {
        const std::string path = root + "\\_setup.spd";
        WriteBytes(path, file);
        SetupWork work(sync, context);
        return Outcome([&] { program = ReadPackedProgram(work, path); });
    }
    Bytes program;
};

TEST_F(PackedProgramTest, ReturnsTheProgram) {
    const Bytes exe = Pattern(5000, 77);
    ASSERT_EQ(Read(PackedProgram()), "none");
    EXPECT_EQ(program, exe);
}

TEST_F(PackedProgramTest, EveryDamageIsDamagedSetupFileInTheCompletionPhase) {
    const Bytes good = PackedProgram();
    auto with = [&](const std::function<void(Bytes&)>& change) {
        Bytes b = good;
        change(b);
        return b;
    };
    for (size_t size : {0, 2, 4, 6, 8, 10, 12}) {
        EXPECT_EQ(Read(Bytes(good.begin(), good.begin() + size)), "Completion/DamagedSetupFile") << size;
    }
    EXPECT_EQ(Read(with([](Bytes& b) { b[0] = 0x11; })), "Completion/DamagedSetupFile");
    EXPECT_EQ(Read(with([](Bytes& b) { PutU32(b, 8, 0); })), "Completion/DamagedSetupFile");
    EXPECT_EQ(Read(with([](Bytes& b) { b[12] ^= 0xFF; })), "Completion/DamagedSetupFile");  // zlib error
    EXPECT_EQ(Read(with([](Bytes& b) { b[4] ^= 0x01; })), "Completion/DamagedSetupFile");   // checksum
    EXPECT_EQ(Read(with([](Bytes& b) { b.resize(b.size() - 4); })), "Completion/DamagedSetupFile");
    // A smaller expandedSize cannot hold the program: zlib fails.
    EXPECT_EQ(Read(with([](Bytes& b) { PutU32(b, 8, 4999); })), "Completion/DamagedSetupFile");
    // A larger one is not compared: the bytes produced count.
    EXPECT_EQ(Read(with([](Bytes& b) { PutU32(b, 8, 6000); })), "none");
    EXPECT_EQ(program, Pattern(5000, 77));
}

TEST_F(PackedProgramTest, AFileThatCannotBeOpenedIsAFileError) {
    SetupWork work(sync, context);
    EXPECT_EQ(Outcome([&] { ReadPackedProgram(work, root + "\\missing.spd"); }), "Completion/FileError");
    const std::string path = root + "\\_setup.spd";
    WriteBytes(path, PackedProgram());
    HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Outcome([&] { ReadPackedProgram(work, path); }), "Completion/FileError");
    ::CloseHandle(held);
}

TEST_F(PackedProgramTest, NoMemoryIsOutOfMemory) {
    const std::string path = root + "\\_setup.spd";
    WriteBytes(path, PackedProgram());
    SetupWork work(sync, context);
    work.allocationLimit = 1000;
    EXPECT_EQ(Outcome([&] { ReadPackedProgram(work, path); }), "Completion/OutOfMemory");
}

}  // namespace
