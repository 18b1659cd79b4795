// The uninstall log: writer rules and every failure of the reader.
#include "TestSupport.h"

#include "codec/Compression.h"
#include "codec/SetupHeader.h"
#include "codec/UninstallLog.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

spd::UninstallLog SampleLog() {
    return spd::MakeUninstallLog(
        "Kalvorin", {"C:\\WINDOWS\\SYSTEM\\Kalvorin.scr", "C:\\Programme\\Kalvorin\\Unscr.log"},
        {"C:\\WINDOWS\\SYSTEM\\kalvgl.dll"}, {"C:\\Programme\\Kalvorin", "C:\\Programme\\Kalvorin\\Bilder"},
        {{0x80000002, "Software\\Brisvane Screensaver\\Kalvorin", ""},
         {0x80000002, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalvorin", ""},
         {0x80000002, "Software\\Brisvane Screensaver", "Kalvorin"}});
}

Bytes Patch(Bytes b, std::size_t off, std::uint32_t v, int width = 4) {
    for (int i = 0; i < width; ++i) b.at(off + i) = static_cast<std::uint8_t>(v >> (8 * i));
    return b;
}

// A log whose header offsets are replaced; the body stays valid.
Bytes WithHeaderField(std::size_t off, std::uint32_t v) {
    return Patch(spd::EncodeUninstallLog(SampleLog()).value, off, v);
}

}  // namespace

TEST(UninstallLog, InstalledFilesComeFirstThenKeptSharedFiles) {
    spd::UninstallLog log = SampleLog();
    ASSERT_EQ(log.files.size(), 3u);
    EXPECT_EQ(log.files[0].kind, 0);
    EXPECT_EQ(log.files[1].kind, 0);
    EXPECT_EQ(log.files[1].path, "C:\\Programme\\Kalvorin\\Unscr.log");
    EXPECT_EQ(log.files[2].kind, 1);
}

TEST(UninstallLog, HeaderSizesOffsetsAndLengths) {
    Bytes file = spd::EncodeUninstallLog(SampleLog()).value;
    auto d = spd::DecodeUninstallLog(file);
    ASSERT_TRUE(d) << spd::StatusText(d.status);
    const spd::UninstallLogHeader& h = d.value.header;
    const std::uint32_t body = 3 * 261 + 2 * 256 + 3 * 524;
    EXPECT_EQ(h.fileLength, file.size());
    EXPECT_EQ(h.expandedLength, body + 216) << "image length + 108, not body + 108";
    EXPECT_EQ(h.filesOffset, 108u);
    EXPECT_EQ(h.filesSize, 3u * 261);
    EXPECT_EQ(h.foldersOffset, 108u + 3 * 261);
    EXPECT_EQ(h.foldersSize, 2u * 256);
    EXPECT_EQ(h.registryOffset, 108u + 3 * 261 + 2 * 256);
    EXPECT_EQ(h.registrySize, 3u * 524);
    EXPECT_EQ(h.version, 16);
    EXPECT_EQ(h.reserved, 0);
    EXPECT_EQ(d.value.log, SampleLog());

    // The stream is zlib's compress() at the default level.
    Bytes body_bytes = spd::Expand(spd::ByteSpan(file).subspan(108), body).value;
    EXPECT_EQ(Bytes(file.begin() + 108, file.end()), ZCompress(body_bytes, -1));
    EXPECT_EQ(h.bodyChecksum, ZAdler(body_bytes));
}

TEST(UninstallLog, NoFoldersGiveEqualOffsets) {
    auto log = spd::MakeUninstallLog("K", {"C:\\a"}, {}, {}, {{0x80000002, "Software\\K", ""}});
    auto d = spd::DecodeUninstallLog(spd::EncodeUninstallLog(log).value);
    ASSERT_TRUE(d);
    EXPECT_EQ(d.value.header.foldersSize, 0u);
    EXPECT_EQ(d.value.header.registryOffset, d.value.header.foldersOffset);

    auto empty = spd::DecodeUninstallLog(spd::EncodeUninstallLog(spd::UninstallLog{}).value);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty.value.header.expandedLength, 216u);
}

TEST(UninstallLog, ReaderFailures) {
    Bytes good = spd::EncodeUninstallLog(SampleLog()).value;
    EXPECT_EQ(spd::DecodeUninstallLog(spd::ByteSpan(good).first(107)).status, spd::Status::Truncated);
    EXPECT_EQ(spd::DecodeUninstallLog(spd::ByteSpan(good).first(good.size() - 1)).status, spd::Status::Truncated);
    EXPECT_EQ(spd::DecodeUninstallLog(WithHeaderField(0, 0x656E7275)).status, spd::Status::BadMagic);
    EXPECT_EQ(spd::DecodeUninstallLog(Patch(good, 80, 15, 2)).status, spd::Status::BadVersion);
    EXPECT_EQ(spd::DecodeUninstallLog(WithHeaderField(68, 100)).status, spd::Status::BadSize);
    EXPECT_EQ(spd::DecodeUninstallLog(WithHeaderField(72, 215)).status, spd::Status::BadSize);
    EXPECT_EQ(spd::DecodeUninstallLog(WithHeaderField(72, 3 * 261 + 2 * 256 + 3 * 524 + 216 + 1)).status,
              spd::Status::LengthMismatch);
    EXPECT_EQ(spd::DecodeUninstallLog(WithHeaderField(72, 3 * 261 + 2 * 256 + 3 * 524 + 216 - 200)).status,
              spd::Status::DecompressError)
        << "room too small for the body";
    EXPECT_EQ(spd::DecodeUninstallLog(WithHeaderField(76, 1)).status, spd::Status::ChecksumMismatch);
    Bytes broken = good;
    broken[110] ^= 0xFF;
    EXPECT_NE(spd::DecodeUninstallLog(broken).status, spd::Status::Ok);

    // Sections outside the image or not made of whole records.
    EXPECT_EQ(spd::DecodeUninstallLog(WithHeaderField(88, 107)).status, spd::Status::BadLayout);
    EXPECT_EQ(spd::DecodeUninstallLog(WithHeaderField(84, 262)).status, spd::Status::BadLayout);
    EXPECT_EQ(spd::DecodeUninstallLog(WithHeaderField(100, 4 * 524)).status, spd::Status::BadLayout);
    EXPECT_EQ(spd::DecodeUninstallLog(WithHeaderField(104, 0xFFFFFFF0)).status, spd::Status::BadLayout);
}

TEST(UninstallLog, BytesAfterFileLengthAreIgnored) {
    Bytes good = spd::EncodeUninstallLog(SampleLog()).value;
    good.insert(good.end(), {1, 2, 3});
    auto d = spd::DecodeUninstallLog(good);
    ASSERT_TRUE(d);
    EXPECT_EQ(d.value.log, SampleLog());
}

TEST(UninstallLog, TextsThatDoNotFitTheirFieldsAreRefusedNotCut) {
    const std::string n63(63, 'n'), p259(259, 'p'), p255(255, 'p');
    EXPECT_TRUE(
        spd::EncodeUninstallLog(spd::MakeUninstallLog(n63, {p259}, {p259}, {p255}, {{0x80000002, p259, p259}})));
    const spd::UninstallLog tooLong[] = {
        spd::MakeUninstallLog(n63 + "n", {}, {}, {}, {}),
        spd::MakeUninstallLog("K", {p259 + "p"}, {}, {}, {}),
        spd::MakeUninstallLog("K", {}, {p259 + "p"}, {}, {}),
        spd::MakeUninstallLog("K", {}, {}, {p255 + "p"}, {}),
        spd::MakeUninstallLog("K", {}, {}, {}, {{0x80000002, p259 + "p", ""}}),
        spd::MakeUninstallLog("K", {}, {}, {}, {{0x80000002, "Software\\K", p259 + "p"}}),
    };
    for (const spd::UninstallLog& log : tooLong) EXPECT_EQ(spd::EncodeUninstallLog(log).status, spd::Status::Overflow);
}

TEST(UninstallLog, DisplayNamesAnInstallationCanStore) {
    for (const char* name : {"K", "Kalvorin Spa\xDF", "a/b"}) EXPECT_TRUE(spd::IsStorableDisplayName(name)) << name;
    for (const std::string& name :
         {std::string(), std::string(64, 'n'), std::string("Kalvorin\\Winter"), std::string("K\0x", 3)})
        EXPECT_FALSE(spd::IsStorableDisplayName(name)) << name;
}
