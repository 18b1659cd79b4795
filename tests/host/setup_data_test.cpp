// The joined setup data: hand-made layout against BuildSetupData, volumes,
// joining, verification and the catalog walk with its failures.
#include "TestSupport.h"

#include "codec/FolderTable.h"
#include "codec/SetupData.h"
#include "codec/VolumeHeader.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

spd::SetupFile File(std::uint8_t flags, std::uint8_t kind, std::string sub, std::string name, Bytes content) {
    spd::SetupFile f;
    f.entry.flags = flags;
    f.entry.folderKind = kind;
    f.entry.subfolder = std::move(sub);
    f.entry.fileName = std::move(name);
    f.content = std::move(content);
    return f;
}

spd::SetupDataSpec Spec() {
    spd::SetupDataSpec s;
    s.displayName = "Kalvorin";
    s.defaultSubfolder = "Kalvorin";
    s.setupId = *spd::Guid::Parse("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
    s.level = 9;
    s.folders = {{spd::FolderEntry::kTag, 5, "Bilder"}, {spd::FolderEntry::kTag, 4, "Brisvane"}};
    s.files.push_back(File(0x04 | 0x02, 2, "", "Kalvorin.scr", Pseudorandom(3000, 1)));
    s.files.push_back(File(0x01, 2, "", "kalvgl.dll", Bytes(4000, 'k')));
    s.files.push_back(File(0x08, 5, "Bilder", "k.cfg", Bytes{'a', '=', '1'}));
    return s;
}

Bytes Patch32(Bytes b, std::size_t off, std::uint32_t v) {
    Image img(b.size());
    img.raw(0, b).u32(off, v);
    return img.bytes;
}

Bytes Block(const Bytes& content, int level) {
    Bytes stream = ZCompress(content, level);
    Image h(16);
    h.u8(0, 'B')
        .u32(4, ZAdler(content))
        .u32(8, static_cast<std::uint32_t>(stream.size()))
        .u32(12, static_cast<std::uint32_t>(content.size()));
    Bytes out = h.bytes;
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

}  // namespace

TEST(SetupData, HandMadeLayoutWithoutFoldersMatchesBuilder) {
    spd::SetupDataSpec spec = Spec();
    spec.folders.clear();
    spec.files.resize(1);

    Bytes entry = Image(520).u8(0, 'F').u8(1, 0x06).u8(2, 2).text(259, "Kalvorin.scr").bytes;
    Bytes catalogBody = Block(entry, 9);
    Bytes content = Block(spec.files[0].content, 9);
    catalogBody.insert(catalogBody.end(), content.begin(), content.end());

    Image whole(192 + 16 + 16 + catalogBody.size());
    // 192: "no table" header with zero checksum and sizes; 208: catalog header.
    whole.u8(192, 'B');
    whole.u8(208, 'B')
        .u32(212, ZAdler(catalogBody))
        .u32(216, static_cast<std::uint32_t>(catalogBody.size()))
        .u32(220, static_cast<std::uint32_t>(catalogBody.size()))
        .raw(224, catalogBody);
    Bytes afterHeader(whole.bytes.begin() + 192, whole.bytes.end());
    whole.text(0, "SETU")
        .u8(4, 16)
        .u16(12, 1)
        .u32(16, ZAdler(afterHeader))
        .u32(20, static_cast<std::uint32_t>(whole.bytes.size()))
        .u32(32, 1)
        .u16(36, 0)
        .u32(40, 208)
        .u16(44, 1)
        .text(46, "Kalvorin")
        .raw(112, {0xE0, 0x04, 0x25, 0x3F, 0x89, 0x4F, 0xD3, 0x11, 0x9A, 0x0C, 0x03, 0x05, 0xE8, 0x2C, 0x33, 0x01})
        .text(128, "Kalvorin");

    auto built = spd::BuildSetupData(spec);
    ASSERT_TRUE(built);
    EXPECT_EQ(built.value.joined, whole.bytes);
    ASSERT_EQ(built.value.volumes.size(), 1u);
    EXPECT_EQ(built.value.volumes[0], whole.bytes);
    EXPECT_EQ(spd::SetupHeader::Decode(whole.bytes), built.value.header);
}

TEST(SetupData, HandMadeFolderTableMatchesBuilder) {
    spd::SetupDataSpec spec = Spec();
    Bytes records;
    for (const auto& [kind, path] : {std::pair<std::uint8_t, std::string>{5, "Bilder"}, {4, "Brisvane"}}) {
        Bytes body = Image(258).u8(0, 'D').u8(1, kind).text(2, path).bytes;
        Bytes rec = Image(16).u8(0, 'B').u32(4, ZAdler(body)).u32(8, 258).u32(12, 258).bytes;
        rec.insert(rec.end(), body.begin(), body.end());
        records.insert(records.end(), rec.begin(), rec.end());
    }
    Bytes table = Block(records, 9);
    auto built = spd::BuildSetupData(spec);
    ASSERT_TRUE(built);
    const Bytes& j = built.value.joined;
    EXPECT_EQ(built.value.header.catalogOffset, 192 + table.size());
    EXPECT_EQ(Bytes(j.begin() + 192, j.begin() + 192 + table.size()), table);
    EXPECT_EQ(built.value.header.folderCount, 2);
}

TEST(SetupData, HeaderFieldsDescribeTheData) {
    auto built = spd::BuildSetupData(Spec());
    ASSERT_TRUE(built);
    const spd::SetupHeader& h = built.value.header;
    const Bytes& j = built.value.joined;
    EXPECT_EQ(h.dataLength, j.size());
    EXPECT_EQ(h.dataChecksum, ZAdler(Bytes(j.begin() + 192, j.end())));
    EXPECT_EQ(h.fileCount, 3);
    EXPECT_EQ(h.volumeCount, 1);
    EXPECT_NE(h.nonZeroMark, 0u);
    EXPECT_TRUE(h.PassesValidation());
    EXPECT_EQ(spd::VerifyJoinedData(j, h), spd::Status::Ok);
    Bytes catalogBody(j.begin() + h.catalogOffset + 16, j.end());
    EXPECT_EQ(spd::BlockHeader::Decode(spd::ByteSpan(j).subspan(h.catalogOffset))->checksum, ZAdler(catalogBody));
}

TEST(SetupData, CatalogWalkReturnsEveryFile) {
    spd::SetupDataSpec spec = Spec();
    auto built = spd::BuildSetupData(spec);
    ASSERT_TRUE(built);
    spd::CatalogReader reader(built.value.joined, built.value.header);
    ASSERT_EQ(reader.Verify(), spd::Status::Ok);
    for (const spd::SetupFile& f : spec.files) {
        auto item = reader.Next();
        ASSERT_TRUE(item) << spd::StatusText(item.status);
        EXPECT_EQ(item.value.entry, f.entry);
        EXPECT_EQ(item.value.content, f.content);
        EXPECT_EQ(item.value.entryBlock.expandedSize, 520u);
    }
    EXPECT_EQ(reader.position(), built.value.joined.size());
    EXPECT_EQ(reader.Next().status, spd::Status::Truncated);

    auto table = spd::DecodeFolderTable(spd::ByteSpan(built.value.joined).subspan(192), built.value.header.folderCount);
    ASSERT_TRUE(table);
    EXPECT_TRUE(table.value.present);
    EXPECT_EQ(table.value.entries, spec.folders);
}

TEST(SetupData, OutputDoesNotDependOnThreadCount) {
    spd::SetupDataSpec spec = Spec();
    for (int i = 0; i < 20; ++i)
        spec.files.push_back(File(0, 5, "", "f" + std::to_string(i), Pseudorandom(1000 + 97 * i, i)));
    spec.threads = 1;
    auto one = spd::BuildSetupData(spec);
    spec.threads = 4;
    std::uint64_t lastDone = 0, calls = 0, total = 0;
    auto four = spd::BuildSetupData(spec, [&](std::uint64_t done, std::uint64_t t) {
        EXPECT_GE(done, lastDone);
        lastDone = done;
        total = t;
        ++calls;
    });
    ASSERT_TRUE(one && four);
    EXPECT_EQ(one.value.joined, four.value.joined);
    EXPECT_EQ(calls, spec.files.size());
    EXPECT_EQ(lastDone, total);
}

TEST(SetupData, RefusesWhatDoesNotFitTheFormat) {
    spd::SetupDataSpec spec = Spec();
    spec.files.clear();
    EXPECT_EQ(spd::BuildSetupData(spec).status, spd::Status::BadSize);

    spec = Spec();
    spec.volumeSize = spd::kMinVolumeSize - 1;
    EXPECT_EQ(spd::BuildSetupData(spec).status, spd::Status::BadSize);

    spec = Spec();
    spec.files.resize(65536, spec.files[2]);
    EXPECT_EQ(spd::BuildSetupData(spec).status, spd::Status::Overflow);
}

TEST(SetupData, SingleVolumeCountCanBeZero) {
    spd::SetupDataSpec spec = Spec();
    spec.singleVolumeCount = 0;
    spec.volumeSize = 1 << 20;  // everything fits in user.spd
    auto built = spd::BuildSetupData(spec);
    ASSERT_TRUE(built);
    EXPECT_EQ(built.value.header.volumeCount, 0);
    EXPECT_EQ(built.value.joined[12], 0);
    EXPECT_EQ(built.value.volumes.size(), 1u);
}

TEST(Volumes, CountAndSizes) {
    EXPECT_EQ(spd::VolumeFilesFor(1000, 1000), 1u);
    EXPECT_EQ(spd::VolumeFilesFor(1001, 1000), 2u);
    EXPECT_EQ(spd::VolumeFilesFor(1000 + 912, 1000), 2u);
    EXPECT_EQ(spd::VolumeFilesFor(1000 + 913, 1000), 3u);
    // user.spd with less room (Disk 1 also holds setup.exe and _setup.spd).
    EXPECT_EQ(spd::VolumeFilesFor(600, 1000, 600), 1u);
    EXPECT_EQ(spd::VolumeFilesFor(601, 1000, 600), 2u);
    EXPECT_EQ(spd::VolumeFilesFor(600 + 912, 1000, 600), 2u);
    EXPECT_EQ(spd::VolumeFilesFor(600 + 913, 1000, 600), 3u);

    spd::SetupDataSpec spec = Spec();
    spec.volumeSize = 1024;
    auto built = spd::BuildSetupData(spec);
    ASSERT_TRUE(built);
    const auto& vols = built.value.volumes;
    std::uint64_t expected = spd::VolumeFilesFor(built.value.joined.size(), 1024);
    ASSERT_EQ(vols.size(), expected);
    ASSERT_GE(vols.size(), 3u);
    EXPECT_EQ(built.value.header.volumeCount, vols.size());
    EXPECT_EQ(vols[0].size(), 1024u);
    for (std::size_t n = 1; n + 1 < vols.size(); ++n) EXPECT_EQ(vols[n].size(), 1024u);
    EXPECT_LE(vols.back().size(), 1024u);
    EXPECT_GT(vols.back().size(), 88u);
    for (std::size_t n = 1; n < vols.size(); ++n)
        EXPECT_EQ(spd::CheckVolume(vols[n], static_cast<unsigned>(n), built.value.header), spd::VolumeCheck::Ok);

    // Joining by hand: user.spd whole, then every volume without 88 bytes.
    Bytes joined = vols[0];
    for (std::size_t n = 1; n < vols.size(); ++n) joined.insert(joined.end(), vols[n].begin() + 88, vols[n].end());
    EXPECT_EQ(joined, built.value.joined);
    std::vector<spd::ByteSpan> spans(vols.begin(), vols.end());
    EXPECT_EQ(spd::JoinVolumes(spans).value, built.value.joined);

    spec.firstVolumeSize = 600;
    auto smallFirst = spd::BuildSetupData(spec);
    ASSERT_TRUE(smallFirst);
    EXPECT_EQ(smallFirst.value.volumes[0].size(), 600u);
    EXPECT_EQ(smallFirst.value.volumes[1].size(), 1024u);
    EXPECT_EQ(smallFirst.value.volumes.size(), spd::VolumeFilesFor(smallFirst.value.joined.size(), 1024, 600));
    Bytes a = smallFirst.value.joined, b = built.value.joined;
    a[12] = b[12] = 0;  // volumeCount: the only byte the cut changes
    EXPECT_EQ(a, b);
}

TEST(Volumes, JoinRejectsAVolumeShorterThanItsHeader) {
    Bytes first(300, 1), shortOne(87, 2);
    EXPECT_EQ(spd::JoinVolumes({first, shortOne}).status, spd::Status::Truncated);
    Bytes exact(88, 3);
    EXPECT_EQ(spd::JoinVolumes({first, exact}).value, first);
}

TEST(Volumes, CheckTellsNotASetupFileFromWrongVolume) {
    spd::SetupHeader h;
    h.displayName = "Kalvorin";
    h.setupId = *spd::Guid::Parse("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
    spd::VolumeHeader v;
    v.volumeNumber = 2;
    v.displayName = h.displayName;
    v.setupId = h.setupId;
    Bytes good = v.Encode();
    EXPECT_EQ(spd::CheckVolume(good, 2, h), spd::VolumeCheck::Ok);
    EXPECT_EQ(spd::CheckVolume(Bytes(good.begin(), good.end() - 1), 2, h), spd::VolumeCheck::NotSetupFile);

    Bytes badMagic = good;
    badMagic[3] = 'X';
    EXPECT_EQ(spd::CheckVolume(badMagic, 2, h), spd::VolumeCheck::NotSetupFile);
    Bytes badVersion = good;
    badVersion[4] = 15;
    EXPECT_EQ(spd::CheckVolume(badVersion, 2, h), spd::VolumeCheck::NotSetupFile);

    EXPECT_EQ(spd::CheckVolume(good, 1, h), spd::VolumeCheck::WrongVolume);
    spd::VolumeHeader other = v;
    other.setupId.data4[7] ^= 1;
    EXPECT_EQ(spd::CheckVolume(other.Encode(), 2, h), spd::VolumeCheck::WrongVolume);
    other = v;
    other.displayName = "KALVORIN";  // letter case counts
    EXPECT_EQ(spd::CheckVolume(other.Encode(), 2, h), spd::VolumeCheck::WrongVolume);
}

TEST(SetupData, VerificationCatchesLengthAndAnyChangedByteAfterTheHeader) {
    auto built = spd::BuildSetupData(Spec());
    ASSERT_TRUE(built);
    const spd::SetupHeader& h = built.value.header;
    Bytes j = built.value.joined;
    Bytes longer = j;
    longer.push_back(0);
    EXPECT_EQ(spd::VerifyJoinedData(longer, h), spd::Status::LengthMismatch);
    for (std::size_t pos : {std::size_t(192), std::size_t(h.catalogOffset), j.size() / 2, j.size() - 1}) {
        Bytes changed = j;
        changed[pos] ^= 0x40;
        EXPECT_EQ(spd::VerifyJoinedData(changed, h), spd::Status::ChecksumMismatch) << pos;
    }
    // The header itself is not covered by the data checksum.
    Bytes header = j;
    header[8] ^= 1;
    EXPECT_EQ(spd::VerifyJoinedData(header, h), spd::Status::Ok);
}

TEST(Catalog, ChangedByteAfterCatalogHeaderFailsVerify) {
    auto built = spd::BuildSetupData(Spec());
    ASSERT_TRUE(built);
    const spd::SetupHeader& h = built.value.header;
    Bytes j = built.value.joined;
    j[h.catalogOffset + 16 + 20] ^= 1;
    spd::CatalogReader reader(j, h);
    EXPECT_EQ(reader.Verify(), spd::Status::ChecksumMismatch);

    spd::SetupHeader outside = h;
    outside.catalogOffset = static_cast<std::uint32_t>(j.size() - 15);
    EXPECT_EQ(spd::CatalogReader(j, outside).Verify(), spd::Status::Truncated);
}

namespace {

// Joined data of one file whose record block is replaced by recordBlock.
struct OneFile {
    spd::SetupHeader header;
    Bytes joined;
};

OneFile WithRecordBlock(const Bytes& recordBlock) {
    spd::SetupDataSpec spec = Spec();
    spec.files.resize(1);
    spec.folders.clear();
    auto built = spd::BuildSetupData(spec);
    OneFile out{built.value.header, {}};
    const Bytes& j = built.value.joined;
    std::size_t first = out.header.catalogOffset + 16;
    auto entryHeader = spd::BlockHeader::Decode(spd::ByteSpan(j).subspan(first));
    std::size_t contentStart = first + 16 + entryHeader->storedSize;
    out.joined.assign(j.begin(), j.begin() + first);
    out.joined.insert(out.joined.end(), recordBlock.begin(), recordBlock.end());
    out.joined.insert(out.joined.end(), j.begin() + contentStart, j.end());
    return out;
}

spd::Status NextStatus(const OneFile& f) {
    spd::CatalogReader reader(f.joined, f.header);
    return reader.Next().status;
}

}  // namespace

TEST(Catalog, FileRecordFailures) {
    Bytes entry = spd::CatalogEntry{}.Encode();

    Bytes shortEntry(entry.begin(), entry.end() - 1);
    EXPECT_EQ(NextStatus(WithRecordBlock(Block(shortEntry, 6))), spd::Status::BadSize) << "expandedSize 519";
    // The header claims 520 bytes, the stream gives 519 (and the checksum fits them).
    EXPECT_EQ(NextStatus(WithRecordBlock(Patch32(Block(shortEntry, 6), 12, 520))), spd::Status::LengthMismatch);
    EXPECT_EQ(NextStatus(WithRecordBlock(Patch32(Block(entry, 6), 8, 0))), spd::Status::BadSize) << "storedSize 0";

    Bytes badSum = Block(entry, 6);
    badSum[4] ^= 1;
    EXPECT_EQ(NextStatus(WithRecordBlock(badSum)), spd::Status::ChecksumMismatch);

    Bytes garbage = Block(entry, 6);
    garbage[16] ^= 0xFF;  // breaks the zlib header
    EXPECT_EQ(NextStatus(WithRecordBlock(garbage)), spd::Status::DecompressError);

    OneFile cut = WithRecordBlock(Block(entry, 6));
    cut.joined.resize(cut.header.catalogOffset + 16 + 10);
    EXPECT_EQ(NextStatus(cut), spd::Status::Truncated);
}

TEST(Catalog, ContentLengthIsNotComparedButChecksumIs) {
    spd::SetupDataSpec spec = Spec();
    spec.files.resize(1);
    spec.folders.clear();
    auto built = spd::BuildSetupData(spec);
    Bytes j = built.value.joined;
    std::size_t first = built.value.header.catalogOffset + 16;
    std::size_t content = first + 16 + spd::BlockHeader::Decode(spd::ByteSpan(j).subspan(first))->storedSize;
    Image patched(j.size());
    patched.raw(0, j).u32(content + 12, 3000 + 500);  // expandedSize larger than produced
    spd::CatalogReader reader(patched.bytes, built.value.header);
    auto item = reader.Next();
    ASSERT_TRUE(item);
    EXPECT_EQ(item.value.content.size(), 3000u);

    patched.u32(content + 4, 12345);
    spd::CatalogReader damaged(patched.bytes, built.value.header);
    EXPECT_EQ(damaged.Next().status, spd::Status::ChecksumMismatch);
    // The failed file is known by its record, and the reader stands after it.
    ASSERT_TRUE(damaged.lastEntry());
    EXPECT_EQ(damaged.lastEntry()->fileName, spec.files[0].entry.fileName);
    EXPECT_EQ(damaged.recordOffset(), first);
    EXPECT_EQ(damaged.contentOffset(), content);
    EXPECT_EQ(damaged.position(), j.size());
}
