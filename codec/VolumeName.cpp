#include "codec/VolumeName.h"

#include <cstdio>

namespace spd {

std::string VolumeFileName(unsigned n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "user.%03u", n);
    return buf;
}

std::string DiskFolderName(unsigned disk)
{
    return "Disk " + std::to_string(disk);
}

}  // namespace spd
