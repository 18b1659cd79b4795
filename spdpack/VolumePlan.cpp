#include "spdpack/VolumePlan.h"

#include "codec/BlockHeader.h"
#include "codec/CatalogEntry.h"
#include "codec/FolderEntry.h"
#include "codec/SetupData.h"

#include <zlib.h>

namespace spdpack {

namespace {

// A zlib stream is a 2-byte header, the deflate data and a 4-byte checksum;
// deflate's densest code stands for 258 bytes in 2 bits.
std::uint64_t LeastStored(std::uint64_t size) {
    return 6 + size / 1032;
}

std::uint64_t MostStored(std::uint64_t size) {
    return compressBound(static_cast<uLong>(size));
}

}  // namespace

LengthBounds EstimateLength(const std::vector<std::uint64_t>& fileSizes, std::size_t folderCount) {
    const std::uint64_t header =
        spd::SetupHeader::kSize + 2 * spd::BlockHeader::kSize;  // + folder table, catalog headers
    const std::uint64_t table = std::uint64_t(folderCount) * spd::FolderEntry::kRecordSize;
    LengthBounds b;
    b.least = header + (folderCount ? LeastStored(table) : 0);
    b.most = header + (folderCount ? MostStored(table) : 0);
    for (std::uint64_t size : fileSizes) {
        b.least += 2 * spd::BlockHeader::kSize + LeastStored(spd::CatalogEntry::kSize) + LeastStored(size);
        b.most += 2 * spd::BlockHeader::kSize + MostStored(spd::CatalogEntry::kSize) + MostStored(size);
    }
    return b;
}

std::uint64_t SmallestVolumeSize(std::uint64_t length, std::uint64_t disk1Files) {
    auto fits = [&](std::uint64_t size) { return spd::VolumeFilesFor(length, size, size - disk1Files) <= kMaxVolumes; };
    std::uint64_t low = disk1Files + spd::kMinVolumeSize;  // the least that leaves user.spd its room
    if (fits(low)) return low;
    std::uint64_t high = low + length;  // everything on Disk 1
    while (high - low > 1) {
        std::uint64_t mid = low + (high - low) / 2;
        (fits(mid) ? high : low) = mid;
    }
    return high;
}

}  // namespace spdpack
