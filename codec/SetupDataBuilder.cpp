#include "codec/SetupDataBuilder.h"

#include "codec/BlockHeader.h"
#include "codec/CatalogWalk.h"
#include "codec/Checksum.h"
#include "codec/FolderTable.h"
#include "codec/JoinedData.h"
#include "codec/SetupHeader.h"

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

CompressedFile CompressFile(const SetupFile& file, int level) {
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
std::vector<CompressedFile> CompressFiles(const SetupDataSpec& spec, const ProgressFn& progress) {
    std::vector<CompressedFile> results(spec.files.size());
    std::uint64_t total = 0;
    for (const SetupFile& f : spec.files) total += f.content.size() + CatalogEntry::kSize;

    unsigned threads = spec.threads ? spec.threads : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, spec.files.size()));

    std::atomic<std::size_t> next{0};
    std::mutex progressLock;
    std::uint64_t done = 0;
    auto work = [&] {
        for (;;) {
            std::size_t i = next.fetch_add(1);
            if (i >= spec.files.size()) return;
            results[i] = CompressFile(spec.files[i], spec.level);
            std::lock_guard<std::mutex> lock(progressLock);
            done += spec.files[i].content.size() + CatalogEntry::kSize;
            if (progress) progress(done, total);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    return results;
}

}  // namespace

Result<SetupDataImage> BuildSetupData(const SetupDataSpec& spec, const ProgressFn& progress) {
    if (spec.files.empty()) return Status::BadSize;
    if (spec.files.size() > kMaxU16 || spec.folders.size() > kMaxU16) return Status::Overflow;
    if (spec.volumeSize != 0 &&
        (spec.volumeSize < kMinVolumeSize || (spec.firstVolumeSize != 0 && spec.firstVolumeSize < kMinVolumeSize)))
        return Status::BadSize;

    auto table = EncodeFolderTable(spec.folders, spec.level);
    if (!table) return table.status;
    std::vector<CompressedFile> files = CompressFiles(spec, progress);

    std::uint64_t length = SetupHeader::kSize + table.value.size() + BlockHeader::kSize;
    for (const CompressedFile& f : files) {
        if (f.status != Status::Ok) return f.status;
        length += f.entryBlock.size() + f.contentBlock.size();
    }
    if (length > kMaxU32) return Status::Overflow;

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
    ByteSpan catalogBody = ByteSpan(joined).subspan(static_cast<std::size_t>(FirstFileRecordOffset(h)));
    BlockHeader catalog;
    catalog.checksum = Adler32(catalogBody);
    catalog.storedSize = static_cast<std::uint32_t>(catalogBody.size());
    catalog.expandedSize = catalog.storedSize;
    auto catalogBytes = catalog.Encode();
    std::copy(catalogBytes.begin(), catalogBytes.end(), joined.begin() + h.catalogOffset);

    h.dataChecksum = DataChecksum(joined);
    Status split = SplitImage(image, spec.volumeSize, spec.firstVolumeSize, spec.singleVolumeCount);
    if (split != Status::Ok) return split;
    return image;
}

}  // namespace spd
