// Bounds of the readers: short input, unterminated fixed strings,
// overflowing counts, and the sticky failure of ByteReader.
#include "TestSupport.h"

#include "codec/BlockHeader.h"
#include "codec/ByteReader.h"
#include "codec/ByteWriter.h"
#include "codec/CatalogEntry.h"
#include "codec/FolderEntry.h"
#include "codec/PackedProgram.h"
#include "codec/RegistryEntryRecord.h"
#include "codec/SetupHeader.h"
#include "codec/UninstallLog.h"
#include "codec/VolumeHeader.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace testing_support;

TEST(ReaderBounds, EveryFixedLayoutNeedsAllItsBytes) {
    struct Case {
        const char* name;
        std::size_t size;
        bool (*decodes)(spd::ByteSpan);
    };
    const Case cases[] = {
        {"SetupHeader", 192, [](spd::ByteSpan b) { return spd::SetupHeader::Decode(b).has_value(); }},
        {"VolumeHeader", 88, [](spd::ByteSpan b) { return spd::VolumeHeader::Decode(b).has_value(); }},
        {"BlockHeader", 16, [](spd::ByteSpan b) { return spd::BlockHeader::Decode(b).has_value(); }},
        {"FolderEntry", 258, [](spd::ByteSpan b) { return spd::FolderEntry::Decode(b).has_value(); }},
        {"CatalogEntry", 520, [](spd::ByteSpan b) { return spd::CatalogEntry::Decode(b).has_value(); }},
        {"PackedProgramHeader", 12, [](spd::ByteSpan b) { return spd::PackedProgramHeader::Decode(b).has_value(); }},
        {"RegistryEntryRecord", 524, [](spd::ByteSpan b) { return spd::RegistryEntryRecord::Decode(b).has_value(); }},
        {"LogFileRecord", 261, [](spd::ByteSpan b) { return spd::LogFileRecord::Decode(b).has_value(); }},
        {"LogFolderRecord", 256, [](spd::ByteSpan b) { return spd::LogFolderRecord::Decode(b).has_value(); }},
        {"UninstallLogHeader", 108, [](spd::ByteSpan b) { return spd::UninstallLogHeader::Decode(b).has_value(); }},
    };
    for (const Case& c : cases) {
        Bytes bytes(c.size, 0x41);
        EXPECT_TRUE(c.decodes(bytes)) << c.name;
        EXPECT_FALSE(c.decodes(spd::ByteSpan(bytes).first(c.size - 1))) << c.name;
        EXPECT_FALSE(c.decodes({})) << c.name;
    }
    EXPECT_EQ(spd::DecodeFolderRecord(Bytes(273, 0)).status, spd::Status::Truncated);
}

TEST(ReaderBounds, UnterminatedFieldsEndAtTheirWidth) {
    // All bytes 'A': every string field is full and has no terminator.
    Bytes full(524, 'A');
    auto h = spd::SetupHeader::Decode(full);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->displayName, std::string(64, 'A'));
    EXPECT_EQ(h->defaultSubfolder, std::string(64, 'A'));
    EXPECT_EQ(spd::VolumeHeader::Decode(full)->displayName, std::string(64, 'A'));
    auto e = spd::CatalogEntry::Decode(full);
    EXPECT_EQ(e->subfolder, std::string(256, 'A'));
    EXPECT_EQ(e->fileName, std::string(256, 'A'));
    EXPECT_EQ(spd::FolderEntry::Decode(full)->path, std::string(256, 'A'));
    auto r = spd::RegistryEntryRecord::Decode(full);
    EXPECT_EQ(r->key, std::string(260, 'A'));
    EXPECT_EQ(r->valueName, std::string(260, 'A'));
    EXPECT_EQ(spd::LogFileRecord::Decode(full)->path, std::string(260, 'A'));
    EXPECT_EQ(spd::LogFolderRecord::Decode(full)->path, std::string(256, 'A'));
    EXPECT_EQ(spd::UninstallLogHeader::Decode(full)->displayName, std::string(64, 'A'));
}

TEST(ReaderBounds, BytesAfterTheTerminatorAreNotRead) {
    Image img(520);
    img.text(259, "a.scr").u8(264, 0).text(265, "garbage").text(3, "sub").text(7, "more");
    auto e = spd::CatalogEntry::Decode(img.bytes);
    EXPECT_EQ(e->fileName, "a.scr");
    EXPECT_EQ(e->subfolder, "sub");
    EXPECT_EQ(spd::FixedStringFrom(Bytes{0, 'x'}), "");
}

TEST(ReaderBounds, StickyFailureAndPosition) {
    Bytes b = {1, 2, 3, 4, 5};
    spd::ByteReader r(b);
    EXPECT_EQ(r.U32(), 0x04030201u);
    EXPECT_EQ(r.position(), 4u);
    EXPECT_EQ(r.U16(), 0);  // one byte left
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.position(), 4u);
    EXPECT_EQ(r.U8(), 5);  // still readable, but the failure stays
    EXPECT_FALSE(r.ok());

    spd::ByteReader at(b);
    EXPECT_EQ(at.U16At(3), 0x0504);
    EXPECT_EQ(at.U32At(2), 0u);
    EXPECT_FALSE(at.ok());
    EXPECT_TRUE(spd::ByteReader(b).BytesAt(5, 0).empty());

    spd::ByteReader seek(b);
    EXPECT_TRUE(seek.Seek(5));
    EXPECT_FALSE(seek.Seek(6));
    EXPECT_FALSE(seek.ok());

    spd::ByteReader far(b);
    EXPECT_EQ(far.U32At(SIZE_MAX - 1), 0u);  // offset + width would wrap around
    EXPECT_FALSE(far.ok());
    EXPECT_FALSE(far.Has(SIZE_MAX, 2));
    EXPECT_FALSE(far.Has(2, SIZE_MAX));
}

TEST(ReaderBounds, OverflowingCountsAreRejected) {
    Bytes b(1000, 0);
    spd::ByteReader r(b);
    EXPECT_TRUE(r.Records(UINT64_MAX / 2, 274).empty());
    EXPECT_FALSE(r.ok());
    spd::ByteReader r2(b);
    EXPECT_TRUE(r2.Records(4, 274).empty());  // 1096 > 1000
    EXPECT_FALSE(r2.ok());
    spd::ByteReader r3(b);
    EXPECT_EQ(r3.Records(3, 274).size(), 822u);
    EXPECT_TRUE(r3.ok());

    std::size_t product = 0;
    EXPECT_FALSE(spd::CheckedMultiply(UINT64_MAX, 2, product));
    EXPECT_FALSE(spd::CheckedMultiply(0x10000, 0x10000, product, 0xFFFFFFFFull));
    EXPECT_TRUE(spd::CheckedMultiply(65535, 274, product, 0xFFFFFFFFull));
    EXPECT_EQ(product, 65535u * 274u);
}

TEST(ReaderBounds, WriterGrowsAndCutsStrings) {
    spd::ByteWriter w(4);
    w.U16At(6, 0xBEEF);
    EXPECT_EQ(w.bytes(), (Bytes{0, 0, 0, 0, 0, 0, 0xEF, 0xBE}));
    w.FixedString("abcdef", 4);  // cut at the width, no terminator
    EXPECT_EQ(w.size(), 12u);
    EXPECT_EQ(Bytes(w.bytes().begin() + 8, w.bytes().end()), (Bytes{'a', 'b', 'c', 'd'}));
    EXPECT_TRUE(spd::FitsField(std::string(63, 'x'), 64));
    EXPECT_FALSE(spd::FitsField(std::string(64, 'x'), 64));
    EXPECT_FALSE(spd::FitsField(std::string("a\0b", 3), 64));
}
