// The joined setup data cut into volume files and joined again (see
// codec/Layout.h): user.spd holds the first stretch of the data, each further
// volume its 88-byte VolumeHeader and the next stretch.
//
//   auto volumes = spd::SplitIntoVolumes(joined, header, volumeSize);
//   auto joined = spd::JoinVolumes(spans);   // spans of user.spd, user.001, ...
#pragma once

#include "codec/ByteReader.h"
#include "codec/SetupHeader.h"
#include "codec/Status.h"

#include <cstdint>
#include <vector>

namespace spd {

// Smallest volume size accepted: room for the header and some data.
constexpr std::uint64_t kMinVolumeSize = 512;

// Joined data with its header and the volume files cut from it.
struct SetupDataImage {
    SetupHeader header;
    std::vector<std::uint8_t> joined;                // the joined setup data
    std::vector<std::vector<std::uint8_t>> volumes;  // [0] = user.spd, [n] = user.00n
};

// Number of volume files for joined data of length bytes with volumes of
// at most volumeSize bytes (user.spd holds firstVolumeSize bytes of the
// data, volumeSize when 0; a further volume its 88-byte header and
// volumeSize - 88 bytes).
std::uint64_t VolumeFilesFor(std::uint64_t length, std::uint64_t volumeSize, std::uint64_t firstVolumeSize = 0);

// Cuts joined data into volume files as described at VolumeFilesFor().
std::vector<std::vector<std::uint8_t>> SplitIntoVolumes(ByteSpan joined, const SetupHeader& header,
                                                        std::uint64_t volumeSize, std::uint64_t firstVolumeSize = 0);

// Sets the volumeCount of a built image for the given volume sizes (as
// VolumeFilesFor(); volumeSize 0: no split, volumeCount singleVolumeCount),
// writes the header anew and cuts image.volumes from image.joined.
// Overflow when more than 65535 volumes would be needed.
Status SplitImage(SetupDataImage& image, std::uint64_t volumeSize, std::uint64_t firstVolumeSize,
                  std::uint16_t singleVolumeCount);

// user.spd whole, then each further volume without its first 88 bytes.
// Truncated when a further volume is shorter than 88 bytes.
Result<std::vector<std::uint8_t>> JoinVolumes(const std::vector<ByteSpan>& volumes);

}  // namespace spd
