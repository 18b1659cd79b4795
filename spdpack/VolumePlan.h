// How a build's setup data is cut into volumes.
//
// The volume size of a manifest is the room on one disk. Disk 1 holds
// setup.exe and _setup.spd beside user.spd, so user.spd gets the room those
// two leave; every further disk holds one volume file. The setup data counts
// volumes in 16 bits (at most 65535); the volume count is checked before
// anything is compressed, with bounds of the compressed length, and exactly
// afterwards.
#pragma once

#include <cstdint>
#include <vector>

namespace spdpack {

// More volumes than this earn a warning: nobody feeds that many disks.
inline constexpr std::uint64_t kManyVolumes = 300;

// The most volumes the setup data can count.
inline constexpr std::uint64_t kMaxVolumes = 65535;

// The least and the most bytes the joined setup data can take for files of
// these sizes and this many folders, before compressing: zlib never packs
// more than 1032 bytes into one, and never needs more than compressBound().
struct LengthBounds {
    std::uint64_t least = 0;
    std::uint64_t most = 0;
};
LengthBounds EstimateLength(const std::vector<std::uint64_t>& fileSizes, std::size_t folderCount);

// The smallest volume size with which joined data of length bytes needs at
// most kMaxVolumes volumes, when Disk 1 also holds disk1Files bytes of
// other files.
std::uint64_t SmallestVolumeSize(std::uint64_t length, std::uint64_t disk1Files);

}  // namespace spdpack
