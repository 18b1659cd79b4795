#include "codec/SetupData.h"

#include "codec/ByteWriter.h"
#include "codec/Checksum.h"
#include "codec/FolderTable.h"
#include "codec/VolumeHeader.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>
#include <thread>

namespace spd {

namespace {

constexpr std::uint64_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kMaxU16 = std::numeric_limits<std::uint16_t>::max();

struct CompressedFile {
    Status status = Status::Ok;
    std::vector<std::uint8_t> entryBlock;
    std::vector<std::uint8_t> contentBlock;
};

CompressedFile CompressFile(const SetupFile& file, int level)
{
    CompressedFile out;
    auto entry = MakeBlock(file.entry.Encode(), level);
    auto content = MakeBlock(file.content, level);
    if (!entry) {
        out.status = entry.status;
    } else if (!content) {
        out.status = content.status;
    } else {
        out.entryBlock = std::move(entry.value);
        out.contentBlock = std::move(content.value);
    }
    return out;
}

// Compresses every file, threads at a time; results stay in file order.
std::vector<CompressedFile> CompressFiles(const SetupDataSpec& spec, const ProgressFn& progress)
{
    std::vector<CompressedFile> results(spec.files.size());
    std::uint64_t total = 0;
    for (const SetupFile& f : spec.files)
        total += f.content.size() + CatalogEntry::kSize;

    unsigned threads = spec.threads ? spec.threads : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, spec.files.size()));

    std::atomic<std::size_t> next{0};
    std::mutex progressLock;
    std::uint64_t done = 0;
    auto work = [&] {
        for (;;) {
            std::size_t i = next.fetch_add(1);
            if (i >= spec.files.size())
                return;
            results[i] = CompressFile(spec.files[i], spec.level);
            std::lock_guard<std::mutex> lock(progressLock);
            done += spec.files[i].content.size() + CatalogEntry::kSize;
            if (progress)
                progress(done, total);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
    return results;
}

}  // namespace

std::uint64_t VolumeFilesFor(std::uint64_t length, std::uint64_t volumeSize, std::uint64_t firstVolumeSize)
{
    const std::uint64_t first = firstVolumeSize ? firstVolumeSize : volumeSize;
    if (volumeSize <= VolumeHeader::kSize || length <= first)
        return 1;
    std::uint64_t perVolume = volumeSize - VolumeHeader::kSize;
    return 1 + (length - first + perVolume - 1) / perVolume;
}

std::vector<std::vector<std::uint8_t>> SplitIntoVolumes(ByteSpan joined, const SetupHeader& header,
                                                        std::uint64_t volumeSize, std::uint64_t firstVolumeSize)
{
    std::vector<std::vector<std::uint8_t>> volumes;
    std::uint64_t count = VolumeFilesFor(joined.size(), volumeSize, firstVolumeSize);
    if (count == 1) {
        volumes.emplace_back(joined.begin(), joined.end());
        return volumes;
    }
    std::size_t first = static_cast<std::size_t>(firstVolumeSize ? firstVolumeSize : volumeSize);
    volumes.emplace_back(joined.begin(), joined.begin() + first);
    std::size_t pos = first;
    std::size_t perVolume = static_cast<std::size_t>(volumeSize - VolumeHeader::kSize);
    for (std::uint64_t n = 1; n < count; ++n) {
        VolumeHeader vh;
        vh.volumeNumber = static_cast<std::uint16_t>(n);
        vh.displayName = header.displayName;
        vh.setupId = header.setupId;
        std::size_t take = std::min(perVolume, joined.size() - pos);
        ByteWriter w;
        w.Bytes(vh.Encode());
        w.Bytes(joined.subspan(pos, take));
        volumes.push_back(w.Take());
        pos += take;
    }
    return volumes;
}

Status SplitImage(SetupDataImage& image, std::uint64_t volumeSize, std::uint64_t firstVolumeSize,
                  std::uint16_t singleVolumeCount)
{
    const std::uint64_t volumeFiles = volumeSize ? VolumeFilesFor(image.joined.size(), volumeSize, firstVolumeSize) : 1;
    if (volumeFiles > kMaxU16)
        return Status::Overflow;
    SetupHeader& h = image.header;
    h.volumeCount = volumeFiles > 1 ? static_cast<std::uint16_t>(volumeFiles) : singleVolumeCount;
    auto headerBytes = h.Encode();
    std::copy(headerBytes.begin(), headerBytes.end(), image.joined.begin());
    image.volumes = volumeFiles > 1 ? SplitIntoVolumes(image.joined, h, volumeSize, firstVolumeSize)
                                    : SplitIntoVolumes(image.joined, h, 0);
    return Status::Ok;
}

Result<SetupDataImage> BuildSetupData(const SetupDataSpec& spec, const ProgressFn& progress)
{
    if (spec.files.empty())
        return Status::BadSize;
    if (spec.files.size() > kMaxU16 || spec.folders.size() > kMaxU16)
        return Status::Overflow;
    if (spec.volumeSize != 0 && (spec.volumeSize < kMinVolumeSize ||
                                 (spec.firstVolumeSize != 0 && spec.firstVolumeSize < kMinVolumeSize)))
        return Status::BadSize;

    auto table = EncodeFolderTable(spec.folders, spec.level);
    if (!table)
        return table.status;
    std::vector<CompressedFile> files = CompressFiles(spec, progress);

    std::uint64_t length = SetupHeader::kSize + table.value.size() + BlockHeader::kSize;
    for (const CompressedFile& f : files) {
        if (f.status != Status::Ok)
            return f.status;
        length += f.entryBlock.size() + f.contentBlock.size();
    }
    if (length > kMaxU32)
        return Status::Overflow;

    SetupDataImage image;
    SetupHeader& h = image.header;
    h.displayName = spec.displayName;
    h.defaultSubfolder = spec.defaultSubfolder;
    h.setupId = spec.setupId;
    h.folderCount = static_cast<std::uint16_t>(spec.folders.size());
    h.fileCount = static_cast<std::uint16_t>(spec.files.size());
    h.catalogOffset = static_cast<std::uint32_t>(SetupHeader::kSize + table.value.size());
    h.dataLength = static_cast<std::uint32_t>(length);

    std::vector<std::uint8_t>& joined = image.joined;
    joined.reserve(static_cast<std::size_t>(length));
    joined.resize(SetupHeader::kSize);
    joined.insert(joined.end(), table.value.begin(), table.value.end());
    joined.resize(joined.size() + BlockHeader::kSize);
    for (CompressedFile& f : files) {
        joined.insert(joined.end(), f.entryBlock.begin(), f.entryBlock.end());
        joined.insert(joined.end(), f.contentBlock.begin(), f.contentBlock.end());
        f = CompressedFile{};
    }

    // The catalog header describes everything after it as one stored run.
    ByteSpan catalogBody = ByteSpan(joined).subspan(h.catalogOffset + BlockHeader::kSize);
    BlockHeader catalog;
    catalog.checksum = Adler32(catalogBody);
    catalog.storedSize = static_cast<std::uint32_t>(catalogBody.size());
    catalog.expandedSize = catalog.storedSize;
    auto catalogBytes = catalog.Encode();
    std::copy(catalogBytes.begin(), catalogBytes.end(), joined.begin() + h.catalogOffset);

    h.dataChecksum = DataChecksum(joined);
    Status split = SplitImage(image, spec.volumeSize, spec.firstVolumeSize, spec.singleVolumeCount);
    if (split != Status::Ok)
        return split;
    return image;
}

Result<std::vector<std::uint8_t>> JoinVolumes(const std::vector<ByteSpan>& volumes)
{
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        ByteSpan v = volumes[i];
        if (i > 0) {
            if (v.size() < VolumeHeader::kSize)
                return Status::Truncated;
            v = v.subspan(VolumeHeader::kSize);
        }
        joined.insert(joined.end(), v.begin(), v.end());
    }
    return joined;
}

std::uint32_t DataChecksum(ByteSpan joined)
{
    if (joined.size() <= SetupHeader::kSize)
        return kAdler32Initial;
    return Adler32(joined.subspan(SetupHeader::kSize));
}

Status VerifyJoinedData(ByteSpan joined, const SetupHeader& header)
{
    if (joined.size() != header.dataLength)
        return Status::LengthMismatch;
    if (DataChecksum(joined) != header.dataChecksum)
        return Status::ChecksumMismatch;
    return Status::Ok;
}

CatalogReader::CatalogReader(ByteSpan joined, const SetupHeader& header)
    : joined_(joined), header_(header)
{
    std::uint64_t first = std::uint64_t(header.catalogOffset) + BlockHeader::kSize;
    pos_ = static_cast<std::size_t>(std::min<std::uint64_t>(first, joined.size()));
}

Status CatalogReader::Verify()
{
    ByteReader r(joined_);
    if (!r.Seek(header_.catalogOffset))
        return Status::Truncated;
    auto h = BlockHeader::Decode(r.Bytes(BlockHeader::kSize));
    if (!h)
        return Status::Truncated;
    catalogHeader_ = *h;
    pos_ = r.position();
    if (Adler32(joined_.subspan(pos_)) != h->checksum)
        return Status::ChecksumMismatch;
    return Status::Ok;
}

Result<CatalogReader::Item> CatalogReader::Next()
{
    recordOffset_ = pos_;
    contentOffset_ = 0;
    lastEntry_.reset();
    ByteReader r(joined_);
    if (!r.Seek(pos_))
        return Status::Truncated;
    Item item;

    auto entryHeader = BlockHeader::Decode(r.Bytes(BlockHeader::kSize));
    if (!entryHeader)
        return Status::Truncated;
    if (entryHeader->expandedSize != CatalogEntry::kSize || entryHeader->storedSize == 0)
        return Status::BadSize;
    ByteSpan stored = r.Bytes(entryHeader->storedSize);
    if (!r.ok())
        return Status::Truncated;
    auto entryBytes = ExpandBlock(*entryHeader, stored);
    if (!entryBytes)
        return entryBytes.status;
    if (entryBytes.value.size() != CatalogEntry::kSize)
        return Status::LengthMismatch;
    item.entryBlock = *entryHeader;
    item.entry = *CatalogEntry::Decode(entryBytes.value);
    lastEntry_ = item.entry;
    contentOffset_ = r.position();

    auto contentHeader = BlockHeader::Decode(r.Bytes(BlockHeader::kSize));
    if (!contentHeader)
        return Status::Truncated;
    stored = r.Bytes(contentHeader->storedSize);
    if (!r.ok())
        return Status::Truncated;
    // The block lies whole in the data: whatever its bytes hold, the next
    // file starts after it.
    pos_ = r.position();
    auto content = ExpandBlock(*contentHeader, stored);
    if (!content)
        return content.status;
    item.contentBlock = *contentHeader;
    item.content = std::move(content.value);
    return item;
}

}  // namespace spd
