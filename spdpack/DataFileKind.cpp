#include "spdpack/DataFileKind.h"

#include "codec/PackedProgram.h"
#include "codec/SetupHeader.h"
#include "codec/UninstallLog.h"

namespace spdpack {

namespace {

std::uint32_t Le(spd::ByteSpan b, std::size_t off, int width)
{
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | b[off + static_cast<std::size_t>(i)];
    return v;
}

bool IsVolumeName(const std::string& name)
{
    if (name.size() < 8 || name.compare(0, 5, "user.") != 0)
        return false;
    for (std::size_t i = 5; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

}  // namespace

DataFileKind RecogniseDataFile(spd::ByteSpan start, const std::string& fileName)
{
    if (start.size() < 4)
        return DataFileKind::Unknown;
    const std::uint32_t magic = Le(start, 0, 4);
    if (magic == spd::UninstallLogHeader::kMagic)
        return DataFileKind::UninstallLog;
    if (magic == spd::PackedProgramHeader::kMagic)
        return DataFileKind::PackedProgram;
    if (magic != spd::SetupHeader::kMagic || start.size() < 8 || start[4] != spd::SetupHeader::kVersion)
        return DataFileKind::Unknown;
    if (Le(start, 6, 2) == 0)
        return DataFileKind::SetupData;
    const bool setupLike = start.size() >= spd::SetupHeader::kSize && Le(start, spd::SetupHeader::kOffNonZeroMark, 4) != 0 &&
                           Le(start, spd::SetupHeader::kOffCatalogOffset, 4) != 0 &&
                           Le(start, spd::SetupHeader::kOffFileCount, 2) != 0;
    return IsVolumeName(fileName) || !setupLike ? DataFileKind::Volume : DataFileKind::SetupData;
}

const char* DataFileKindText(DataFileKind kind)
{
    switch (kind) {
    case DataFileKind::SetupData: return "setup data (user.spd)";
    case DataFileKind::Volume: return "a further volume of setup data (user.001, user.002, ...)";
    case DataFileKind::PackedProgram: return "the packed uninstaller (_setup.spd)";
    case DataFileKind::UninstallLog: return "an uninstall log (Unscr.log)";
    case DataFileKind::Unknown: break;
    }
    return "no file spdpack knows";
}

}  // namespace spdpack
