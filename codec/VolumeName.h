// File and folder names of the setup data on the medium.
#pragma once

#include <string>

namespace spd {

inline constexpr const char* kSetupDataFile = "user.spd";        // volume 0
inline constexpr const char* kPackedProgramFile = "_setup.spd";  // the uninstaller

// Name of further volume n (n >= 1): "user." and n with at least three
// digits: user.001, ..., user.999, user.1000.
std::string VolumeFileName(unsigned n);

// True for the name of a further volume: "user." and three or more digits.
bool IsVolumeFileName(const std::string& name);

// Folder of disk d on a medium laid out in disk folders: "Disk 1", "Disk 2",
// ... Volume n lies on disk n + 1 (user.spd on disk 1).
std::string DiskFolderName(unsigned disk);

}  // namespace spd
