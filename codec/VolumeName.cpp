#include "codec/VolumeName.h"

#include <cstdio>

namespace spd {

std::string VolumeFileName(unsigned n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "user.%03u", n);
    return buf;
}

bool IsVolumeFileName(const std::string& name) {
    if (name.size() < 8 || name.compare(0, 5, "user.") != 0) return false;
    for (std::size_t i = 5; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

std::string DiskFolderName(unsigned disk) {
    return "Disk " + std::to_string(disk);
}

}  // namespace spd
