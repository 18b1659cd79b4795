// Every byte layout written by hand from its documented offsets and compared
// with the codec in both directions: encode(value) == hand bytes and
// decode(hand bytes) == value.
#include "TestSupport.h"

#include "codec/BlockHeader.h"
#include "codec/CatalogEntry.h"
#include "codec/FolderEntry.h"
#include "codec/Guid.h"
#include "codec/PackedProgram.h"
#include "codec/RegistryEntryRecord.h"
#include "codec/SetupHeader.h"
#include "codec/UninstallLog.h"
#include "codec/VolumeHeader.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace testing_support;

namespace {

// {00112233-4455-6677-8899-AABBCCDDEEFF} in the Windows GUID layout.
const Bytes kGuidBytes = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                          0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};

spd::Guid SampleGuid() {
    return *spd::Guid::Parse("{00112233-4455-6677-8899-AABBCCDDEEFF}");
}

template <class T>
Bytes ToBytes(const T& container) {
    return Bytes(container.begin(), container.end());
}

}  // namespace

TEST(GoldenLayout, GuidUsesWindowsByteOrder) {
    spd::Guid g = SampleGuid();
    EXPECT_EQ(g.data1, 0x00112233u);
    EXPECT_EQ(g.data2, 0x4455);
    EXPECT_EQ(g.data3, 0x6677);
    EXPECT_EQ(ToBytes(g.ToBytes()), kGuidBytes);
    EXPECT_EQ(spd::Guid::FromBytes(kGuidBytes), g);
    EXPECT_EQ(g.Format(), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
}

TEST(GoldenLayout, SetupHeader192) {
    Image img(192);
    img.text(0, "SETU")
        .u8(4, 16)
        .u16(12, 3)
        .u32(16, 0xA1B2C3D4)
        .u32(20, 123456)
        .u32(32, 1)
        .u16(36, 7)
        .u32(40, 0x0104)
        .u16(44, 42)
        .text(46, "Kalvorin Spa\xDF")
        .raw(112, kGuidBytes)
        .text(128, "Brisvane\\Kalvorin");

    spd::SetupHeader h;
    h.volumeCount = 3;
    h.dataChecksum = 0xA1B2C3D4;
    h.dataLength = 123456;
    h.nonZeroMark = 1;
    h.folderCount = 7;
    h.catalogOffset = 0x0104;
    h.fileCount = 42;
    h.displayName = "Kalvorin Spa\xDF";
    h.setupId = SampleGuid();
    h.defaultSubfolder = "Brisvane\\Kalvorin";

    EXPECT_EQ(h.Encode(), img.bytes);
    auto decoded = spd::SetupHeader::Decode(img.bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, h);
    EXPECT_EQ(decoded->magic, 0x55544553u);
    EXPECT_TRUE(decoded->PassesValidation());
}

TEST(GoldenLayout, SetupHeaderIgnoresBytesThatAreNotRead) {
    Image img(192);
    img.text(0, "SETU").u8(4, 16).u32(32, 5).u32(40, 208).u16(44, 1);
    Image noisy = img;
    for (std::size_t off : {5, 6, 7, 8, 9, 10, 11, 14, 15, 24, 31, 38, 39, 110, 111}) noisy.u8(off, 0xEE);
    auto a = spd::SetupHeader::Decode(img.bytes);
    auto b = spd::SetupHeader::Decode(noisy.bytes);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(*a, *b);
    EXPECT_EQ(b->nonZeroMark, 5u);
}

TEST(GoldenLayout, VolumeHeader88) {
    Image img(88);
    img.text(0, "SETU").u8(4, 16).u16(6, 2).text(8, "Kalvorin").raw(72, kGuidBytes);
    spd::VolumeHeader v;
    v.volumeNumber = 2;
    v.displayName = "Kalvorin";
    v.setupId = SampleGuid();
    EXPECT_EQ(v.Encode(), img.bytes);
    auto decoded = spd::VolumeHeader::Decode(img.bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, v);
}

TEST(GoldenLayout, BlockHeader16) {
    Image img(16);
    img.u8(0, 'B').u32(4, 0x01020304).u32(8, 0x11223344).u32(12, 0x55667788);
    spd::BlockHeader b;
    b.checksum = 0x01020304;
    b.storedSize = 0x11223344;
    b.expandedSize = 0x55667788;
    EXPECT_EQ(ToBytes(b.Encode()), img.bytes);
    EXPECT_EQ(spd::BlockHeader::Decode(img.bytes), b);
}

TEST(GoldenLayout, BlockIsHeaderAndOneZlibStream) {
    Bytes content = Pseudorandom(300, 7);
    content.insert(content.end(), 500, 'x');
    Bytes stream = ZCompress(content, 9);
    Image img(16 + stream.size());
    img.u8(0, 'B')
        .u32(4, ZAdler(content))
        .u32(8, static_cast<std::uint32_t>(stream.size()))
        .u32(12, 800)
        .raw(16, stream);
    auto block = spd::MakeBlock(content, 9);
    ASSERT_TRUE(block);
    EXPECT_EQ(block.value, img.bytes);
}

TEST(GoldenLayout, FolderEntry258AndRecord274) {
    Image body(258);
    body.u8(0, 'D').u8(1, 5).text(2, "Bilder\\Winter");
    spd::FolderEntry e{spd::FolderEntry::kTag, 5, "Bilder\\Winter"};
    EXPECT_EQ(e.Encode(), body.bytes);
    EXPECT_EQ(spd::FolderEntry::Decode(body.bytes), e);

    Image record(274);
    record.u8(0, 'B').u32(4, ZAdler(body.bytes)).u32(8, 258).u32(12, 258).raw(16, body.bytes);
    EXPECT_EQ(spd::EncodeFolderRecord(e), record.bytes);
    auto decoded = spd::DecodeFolderRecord(record.bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded.value, e);
}

TEST(GoldenLayout, CatalogEntry520) {
    Image img(520);
    img.u8(0, 'F').u8(1, 0x0F).u8(2, 2).text(3, "Bilder\\Winter").text(259, "Kalvorin.scr");
    spd::CatalogEntry e;
    e.flags = 0x0F;
    e.folderKind = 2;
    e.subfolder = "Bilder\\Winter";
    e.fileName = "Kalvorin.scr";
    EXPECT_EQ(e.Encode(), img.bytes);
    EXPECT_EQ(spd::CatalogEntry::Decode(img.bytes), e);
}

TEST(GoldenLayout, PackedProgramFile) {
    Bytes program = Pseudorandom(1000, 3);
    Bytes stream = ZCompress(program, 6);
    Image img(12 + stream.size());
    img.raw(0, {0x10, 0x32, 0x34, 0x12}).u32(4, ZAdler(program)).u32(8, 1000).raw(12, stream);
    auto packed = spd::PackProgram(program, 6);
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed.value, img.bytes);

    auto header = spd::PackedProgramHeader::Decode(img.bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->magic, 0x12343210u);
    EXPECT_EQ(header->checksum, ZAdler(program));
    EXPECT_EQ(header->expandedSize, 1000u);
    auto unpacked = spd::UnpackProgram(img.bytes);
    ASSERT_TRUE(unpacked);
    EXPECT_EQ(unpacked.value, program);
}

TEST(GoldenLayout, RegistryEntryRecord524) {
    Image img(524);
    img.u32(0, 0x80000002).text(4, "Software\\Brisvane Screensaver").text(264, "Kalvorin");
    spd::RegistryEntryRecord r{0x80000002, "Software\\Brisvane Screensaver", "Kalvorin"};
    EXPECT_EQ(r.Encode(), img.bytes);
    EXPECT_EQ(spd::RegistryEntryRecord::Decode(img.bytes), r);
    EXPECT_EQ(img.bytes[0], 0x02);
    EXPECT_EQ(img.bytes[3], 0x80);
}

TEST(GoldenLayout, LogRecords261And256) {
    Image file(261);
    file.text(0, "C:\\WINDOWS\\SYSTEM\\kalvgl.dll").u8(260, 1);
    spd::LogFileRecord f{"C:\\WINDOWS\\SYSTEM\\kalvgl.dll", spd::LogFileRecord::kKeptShared};
    EXPECT_EQ(f.Encode(), file.bytes);
    EXPECT_EQ(spd::LogFileRecord::Decode(file.bytes), f);

    Image folder(256);
    folder.text(0, "C:\\Programme\\Kalvorin");
    spd::LogFolderRecord d{"C:\\Programme\\Kalvorin"};
    EXPECT_EQ(d.Encode(), folder.bytes);
    EXPECT_EQ(spd::LogFolderRecord::Decode(folder.bytes), d);
}

TEST(GoldenLayout, UninstallLogHeader108) {
    Image img(108);
    img.text(0, "trne")
        .text(4, "Kalvorin")
        .u32(68, 300)
        .u32(72, 2000)
        .u32(76, 0xCAFEBABE)
        .u16(80, 16)
        .u16(82, 0)
        .u32(84, 522)
        .u32(88, 108)
        .u32(92, 256)
        .u32(96, 630)
        .u32(100, 1048)
        .u32(104, 886);
    spd::UninstallLogHeader h;
    h.displayName = "Kalvorin";
    h.fileLength = 300;
    h.expandedLength = 2000;
    h.bodyChecksum = 0xCAFEBABE;
    h.filesSize = 522;
    h.filesOffset = 108;
    h.foldersSize = 256;
    h.foldersOffset = 630;
    h.registrySize = 1048;
    h.registryOffset = 886;
    EXPECT_EQ(h.Encode(), img.bytes);
    EXPECT_EQ(spd::UninstallLogHeader::Decode(img.bytes), h);
}

TEST(GoldenLayout, WholeUninstallLog) {
    // Two installed files, one kept shared file, one folder, three registry records.
    Bytes body;
    auto append = [&](const Image& i) { body.insert(body.end(), i.bytes.begin(), i.bytes.end()); };
    append(Image(261).text(0, "C:\\WINDOWS\\SYSTEM\\Kalvorin.scr"));
    append(Image(261).text(0, "C:\\Programme\\Kalvorin\\Unscr.log"));
    append(Image(261).text(0, "C:\\WINDOWS\\SYSTEM\\kalvgl.dll").u8(260, 1));
    append(Image(256).text(0, "C:\\Programme\\Kalvorin"));
    append(Image(524).u32(0, 0x80000002).text(4, "Software\\Brisvane Screensaver\\Kalvorin"));
    append(Image(524).u32(0, 0x80000002).text(4, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalvorin"));
    append(Image(524).u32(0, 0x80000002).text(4, "Software\\Brisvane Screensaver").text(264, "Kalvorin"));
    ASSERT_EQ(body.size(), 3u * 261 + 256 + 3 * 524);

    uLongf len = compressBound(static_cast<uLong>(body.size()));
    Bytes stream(len);
    ASSERT_EQ(compress(stream.data(), &len, body.data(), static_cast<uLong>(body.size())), Z_OK);
    stream.resize(len);

    const std::uint32_t imageLength = static_cast<std::uint32_t>(108 + body.size());
    Image expected(108 + stream.size());
    expected.text(0, "trne")
        .text(4, "Kalvorin")
        .u32(68, static_cast<std::uint32_t>(stream.size() + 108))
        .u32(72, imageLength + 108)
        .u32(76, ZAdler(body))
        .u16(80, 16)
        .u32(84, 3 * 261)
        .u32(88, 108)
        .u32(92, 256)
        .u32(96, 108 + 3 * 261)
        .u32(100, 3 * 524)
        .u32(104, 108 + 3 * 261 + 256)
        .raw(108, stream);

    std::vector<spd::RegistryEntryRecord> registry = {
        {0x80000002, "Software\\Brisvane Screensaver\\Kalvorin", ""},
        {0x80000002, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalvorin", ""},
        {0x80000002, "Software\\Brisvane Screensaver", "Kalvorin"},
    };
    spd::UninstallLog log =
        spd::MakeUninstallLog("Kalvorin", {"C:\\WINDOWS\\SYSTEM\\Kalvorin.scr", "C:\\Programme\\Kalvorin\\Unscr.log"},
                              {"C:\\WINDOWS\\SYSTEM\\kalvgl.dll"}, {"C:\\Programme\\Kalvorin"}, registry);
    auto encoded = spd::EncodeUninstallLog(log);
    ASSERT_TRUE(encoded);
    EXPECT_EQ(encoded.value, expected.bytes);

    auto decoded = spd::DecodeUninstallLog(expected.bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded.value.log, log);
    EXPECT_EQ(decoded.value.header.expandedLength, body.size() + 216);
}
