#include "codec/VolumeSplit.h"

#include "codec/ByteWriter.h"
#include "codec/VolumeHeader.h"

#include <algorithm>
#include <limits>

namespace spd {

namespace {

constexpr std::uint64_t kMaxU16 = std::numeric_limits<std::uint16_t>::max();

}  // namespace

std::uint64_t VolumeFilesFor(std::uint64_t length, std::uint64_t volumeSize, std::uint64_t firstVolumeSize) {
    const std::uint64_t first = firstVolumeSize ? firstVolumeSize : volumeSize;
    if (volumeSize <= VolumeHeader::kSize || length <= first) return 1;
    std::uint64_t perVolume = volumeSize - VolumeHeader::kSize;
    return 1 + (length - first + perVolume - 1) / perVolume;
}

std::vector<std::vector<std::uint8_t>> SplitIntoVolumes(ByteSpan joined, const SetupHeader& header,
                                                        std::uint64_t volumeSize, std::uint64_t firstVolumeSize) {
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
                  std::uint16_t singleVolumeCount) {
    const std::uint64_t volumeFiles = volumeSize ? VolumeFilesFor(image.joined.size(), volumeSize, firstVolumeSize) : 1;
    if (volumeFiles > kMaxU16) return Status::Overflow;
    SetupHeader& h = image.header;
    h.volumeCount = volumeFiles > 1 ? static_cast<std::uint16_t>(volumeFiles) : singleVolumeCount;
    auto headerBytes = h.Encode();
    std::copy(headerBytes.begin(), headerBytes.end(), image.joined.begin());
    image.volumes = volumeFiles > 1 ? SplitIntoVolumes(image.joined, h, volumeSize, firstVolumeSize)
                                    : SplitIntoVolumes(image.joined, h, 0);
    return Status::Ok;
}

Result<std::vector<std::uint8_t>> JoinVolumes(const std::vector<ByteSpan>& volumes) {
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        ByteSpan v = volumes[i];
        if (i > 0) {
            if (v.size() < VolumeHeader::kSize) return Status::Truncated;
            v = v.subspan(VolumeHeader::kSize);
        }
        joined.insert(joined.end(), v.begin(), v.end());
    }
    return joined;
}

}  // namespace spd
