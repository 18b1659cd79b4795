// Compression helpers, blocks, the folder table and the packed program:
// every failure a reader must tell apart.
#include "TestSupport.h"

#include "codec/BlockHeader.h"
#include "codec/Checksum.h"
#include "codec/Compression.h"
#include "codec/FolderTable.h"
#include "codec/PackedProgram.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

Bytes Patch32(Bytes b, std::size_t off, std::uint32_t v) {
    Image img(b.size());
    img.raw(0, b).u32(off, v);
    return img.bytes;
}

Bytes Table(const std::vector<spd::FolderEntry>& entries) {
    return spd::EncodeFolderTable(entries, 6).value;
}

// Folder table block around hand-chosen record bytes.
Bytes TableOf(const Bytes& records) {
    return spd::MakeBlock(records, 6).value;
}

}  // namespace

TEST(Compression, AdlerMatchesZlib) {
    Bytes b = Pseudorandom(100000, 5);
    EXPECT_EQ(spd::Adler32(b), ZAdler(b));
    EXPECT_EQ(spd::Adler32({}), 1u);
    std::uint32_t running = spd::Adler32Update(1, spd::ByteSpan(b).first(777));
    EXPECT_EQ(spd::Adler32Update(running, spd::ByteSpan(b).subspan(777)), ZAdler(b));
}

TEST(Compression, ExpandOutcomes) {
    Bytes content = Pseudorandom(5000, 9);
    Bytes stream = ZCompress(content, 6);
    EXPECT_EQ(spd::Expand(stream, 5000).value, content);
    EXPECT_EQ(spd::Expand(stream, 6000).value, content) << "fewer bytes than room is fine";
    EXPECT_EQ(spd::Expand(stream, 4999).status, spd::Status::DecompressError) << "room too small";
    EXPECT_EQ(spd::Expand(spd::ByteSpan(stream).first(stream.size() - 5), 5000).status, spd::Status::DecompressError);
    Bytes garbage = stream;
    garbage[0] = 0x00;
    EXPECT_EQ(spd::Expand(garbage, 5000).status, spd::Status::DecompressError);
    EXPECT_EQ(spd::Expand({}, 10).status, spd::Status::DecompressError);

    Bytes empty = ZCompress({}, 6);
    auto e = spd::Expand(empty, 0);
    ASSERT_TRUE(e);
    EXPECT_TRUE(e.value.empty());

    // A huge expected size over a tiny stream: same outcome, no huge buffer.
    auto big = spd::Expand(stream, SIZE_MAX / 2);
    ASSERT_TRUE(big);
    EXPECT_EQ(big.value, content);
    EXPECT_EQ(spd::Compress(content, 10).status, spd::Status::CompressError);
}

TEST(Blocks, ExpandBlockFailures) {
    Bytes content = Pseudorandom(2000, 2);
    Bytes block = spd::MakeBlock(content, 9).value;
    auto h = spd::BlockHeader::Decode(block);
    spd::ByteSpan stored = spd::ByteSpan(block).subspan(16);
    EXPECT_EQ(spd::ExpandBlock(*h, stored).value, content);
    EXPECT_EQ(spd::ExpandBlock(*h, stored.first(stored.size() - 1)).status, spd::Status::Truncated);

    spd::BlockHeader wrongSum = *h;
    wrongSum.checksum ^= 1;
    EXPECT_EQ(spd::ExpandBlock(wrongSum, stored).status, spd::Status::ChecksumMismatch);

    spd::BlockHeader tooSmall = *h;
    tooSmall.expandedSize = 1999;
    EXPECT_EQ(spd::ExpandBlock(tooSmall, stored).status, spd::Status::DecompressError);

    spd::BlockHeader larger = *h;
    larger.expandedSize = 5000;
    auto produced = spd::ExpandBlock(larger, stored);
    ASSERT_TRUE(produced);
    EXPECT_EQ(produced.value.size(), 2000u) << "the produced length replaces the expected one";

    // Bytes after storedSize are not part of the block.
    Bytes withTail(stored.begin(), stored.end());
    withTail.push_back(0x99);
    EXPECT_EQ(spd::ExpandBlock(*h, withTail).value, content);
}

TEST(FolderTable, AbsentWhenChecksumOrASizeIsZero) {
    Bytes table = Table({{spd::FolderEntry::kTag, 5, "Bilder"}});
    for (std::size_t off : {4, 8, 12}) {
        auto t = spd::DecodeFolderTable(Patch32(table, off, 0), 1);
        ASSERT_TRUE(t) << off;
        EXPECT_FALSE(t.value.present) << off;
        EXPECT_TRUE(t.value.entries.empty());
    }
    Bytes none = Table({});
    ASSERT_EQ(none.size(), 16u);
    EXPECT_EQ(none[0], 'B');
    EXPECT_EQ(Bytes(none.begin() + 1, none.end()), Bytes(15, 0));
    auto t = spd::DecodeFolderTable(none, 3);  // folderCount 3, but no table
    ASSERT_TRUE(t);
    EXPECT_FALSE(t.value.present);
    EXPECT_EQ(spd::DecodeFolderTable(spd::ByteSpan(none).first(15), 0).status, spd::Status::Truncated);
}

TEST(FolderTable, BlockFailures) {
    std::vector<spd::FolderEntry> two = {{spd::FolderEntry::kTag, 5, "B"}, {spd::FolderEntry::kTag, 1, "A"}};
    Bytes table = Table(two);
    auto ok = spd::DecodeFolderTable(table, 2);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok.value.entries, two);

    EXPECT_EQ(spd::DecodeFolderTable(table, 1).status, spd::Status::LengthMismatch);
    EXPECT_EQ(spd::DecodeFolderTable(table, 3).status, spd::Status::LengthMismatch);
    EXPECT_EQ(spd::DecodeFolderTable(Patch32(table, 12, 600), 2).status, spd::Status::LengthMismatch);
    EXPECT_EQ(spd::DecodeFolderTable(Patch32(table, 12, 547), 2).status, spd::Status::DecompressError);
    EXPECT_EQ(spd::DecodeFolderTable(Patch32(table, 4, 12345), 2).status, spd::Status::ChecksumMismatch);
    EXPECT_EQ(spd::DecodeFolderTable(spd::ByteSpan(table).first(table.size() - 1), 2).status, spd::Status::Truncated);
    Bytes broken = table;
    broken[16] ^= 0xFF;
    EXPECT_EQ(spd::DecodeFolderTable(broken, 2).status, spd::Status::DecompressError);
}

TEST(FolderTable, RecordFailures) {
    Bytes good = spd::EncodeFolderRecord({spd::FolderEntry::kTag, 5, "Bilder"});
    auto status = [&](const Bytes& record) { return spd::DecodeFolderTable(TableOf(record), 1).status; };
    EXPECT_EQ(status(good), spd::Status::Ok);
    EXPECT_EQ(status(Patch32(good, 8, 257)), spd::Status::BadRecord) << "storedSize != expandedSize";
    EXPECT_EQ(status(Patch32(Patch32(good, 8, 275), 12, 275)), spd::Status::BadRecord) << "over 274";
    EXPECT_EQ(status(Patch32(Patch32(good, 8, 274), 12, 274)), spd::Status::Ok) << "274 is allowed";
    EXPECT_EQ(status(Patch32(good, 4, 1)), spd::Status::ChecksumMismatch);
    for (std::uint8_t kind : {0, 6}) {
        Bytes rec = spd::EncodeFolderRecord({spd::FolderEntry::kTag, kind, "Bilder"});
        EXPECT_EQ(status(rec), spd::Status::BadKind) << int(kind);
    }
    Bytes untagged = spd::EncodeFolderRecord({0x00, 3, "X"});
    EXPECT_EQ(status(untagged), spd::Status::Ok) << "the tag is not checked";
}

TEST(FolderTable, SortPutsParentsFirstAndKeepsEqualPathsInOrder) {
    std::vector<spd::FolderEntry> e = {
        {spd::FolderEntry::kTag, 5, "Bilder\\Winter"}, {spd::FolderEntry::kTag, 5, "Bilder"},
        {spd::FolderEntry::kTag, 3, "Zeta"},           {spd::FolderEntry::kTag, 4, "Bilder"},
        {spd::FolderEntry::kTag, 5, "bilder"},         {spd::FolderEntry::kTag, 5, "\xC4pfel"},
    };
    spd::SortFolderEntries(e);
    std::vector<std::pair<int, std::string>> got;
    for (const auto& x : e) got.emplace_back(x.folderKind, x.path);
    std::vector<std::pair<int, std::string>> want = {{5, "Bilder"}, {4, "Bilder"}, {5, "Bilder\\Winter"},
                                                     {3, "Zeta"},   {5, "bilder"}, {5, "\xC4pfel"}};
    EXPECT_EQ(got, want);
    EXPECT_EQ((spd::FolderEntry{spd::FolderEntry::kTag, 5, "\\Bilder\\"}.TrimmedPath()), "Bilder");
    EXPECT_EQ((spd::FolderEntry{spd::FolderEntry::kTag, 5, "\\\\a\\\\"}.TrimmedPath()), "\\a\\");
}

TEST(PackedProgram, FailureTable) {
    Bytes program = Pseudorandom(3000, 4);
    Bytes file = spd::PackProgram(program, 9).value;
    EXPECT_EQ(spd::UnpackProgram(file).value, program);

    EXPECT_EQ(spd::UnpackProgram(spd::ByteSpan(file).first(11)).status, spd::Status::Truncated);
    EXPECT_EQ(spd::UnpackProgram(spd::ByteSpan(file).first(12)).status, spd::Status::DecompressError)
        << "nothing after the header";
    EXPECT_EQ(spd::UnpackProgram(Patch32(file, 0, 0x12343211)).status, spd::Status::BadMagic);
    EXPECT_EQ(spd::UnpackProgram(Patch32(file, 8, 0)).status, spd::Status::BadSize);
    EXPECT_EQ(spd::UnpackProgram(Patch32(file, 4, 0)).status, spd::Status::ChecksumMismatch);
    EXPECT_EQ(spd::UnpackProgram(spd::ByteSpan(file).first(file.size() - 3)).status, spd::Status::DecompressError);
    EXPECT_EQ(spd::UnpackProgram(Patch32(file, 8, 2999)).status, spd::Status::DecompressError) << "room too small";
    EXPECT_EQ(spd::PackProgram({}, 6).status, spd::Status::BadSize);
}
