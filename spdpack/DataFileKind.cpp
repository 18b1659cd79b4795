#include "spdpack/DataFileKind.h"

#include "codec/PackedProgram.h"
#include "codec/SetupHeader.h"
#include "codec/UninstallLog.h"
#include "codec/VolumeName.h"

namespace spdpack {

DataFileKind RecogniseDataFile(spd::ByteSpan start, const std::string& fileName) {
    if (start.size() < 4) return DataFileKind::Unknown;
    spd::ByteReader r(start);
    const std::uint32_t magic = r.U32At(0);
    if (magic == spd::UninstallLogHeader::kMagic) return DataFileKind::UninstallLog;
    if (magic == spd::PackedProgramHeader::kMagic) return DataFileKind::PackedProgram;
    if (magic != spd::SetupHeader::kMagic || start.size() < 8 || start[4] != spd::SetupHeader::kVersion)
        return DataFileKind::Unknown;
    if (r.U16At(6) == 0) return DataFileKind::SetupData;
    const bool setupLike = start.size() >= spd::SetupHeader::kSize && r.U32At(spd::SetupHeader::kOffNonZeroMark) != 0 &&
                           r.U32At(spd::SetupHeader::kOffCatalogOffset) != 0 &&
                           r.U16At(spd::SetupHeader::kOffFileCount) != 0;
    return spd::IsVolumeFileName(fileName) || !setupLike ? DataFileKind::Volume : DataFileKind::SetupData;
}

const char* DataFileKindText(DataFileKind kind) {
    switch (kind) {
    case DataFileKind::SetupData:
        return "setup data (user.spd)";
    case DataFileKind::Volume:
        return "a further volume of setup data (user.001, user.002, ...)";
    case DataFileKind::PackedProgram:
        return "the packed uninstaller (_setup.spd)";
    case DataFileKind::UninstallLog:
        return "an uninstall log (Unscr.log)";
    case DataFileKind::Unknown:
        break;
    }
    return "no file spdpack knows";
}

}  // namespace spdpack
