#include "setupdata/HeaderCheck.h"

#include <windows.h>
#include <rpc.h>

#include <array>
#include <cstring>

#include "codec/CatalogWalk.h"
#include "codec/Checksum.h"
#include "framework/File.h"
#include "framework/FileException.h"
#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "setupdata/SetupFiles.h"

namespace kalvorin::setup {

namespace {

[[noreturn]] void Fail(SetupCause cause) {
    throw CSetupException(SetupPhase::Preparation, cause);
}

UUID ToUuid(const spd::Guid& guid) {
    UUID uuid{};
    uuid.Data1 = guid.data1;
    uuid.Data2 = guid.data2;
    uuid.Data3 = guid.data3;
    std::memcpy(uuid.Data4, guid.data4.data(), sizeof uuid.Data4);
    return uuid;
}

}  // namespace

spd::SetupHeader ValidateSetupHeader(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareExclusive)) Fail(SetupCause::FileError);

    std::array<uint8_t, spd::SetupHeader::kSize> bytes{};
    if (ReadUpTo(file, bytes.data(), static_cast<UINT>(bytes.size())) != bytes.size()) {
        Fail(SetupCause::DamagedSetupFile);
    }
    const spd::SetupHeader header = *spd::SetupHeader::Decode(bytes);
    if (!header.PassesValidation()) Fail(SetupCause::FileError);
    // The display name names the Uninstall entry and goes into the uninstall
    // log: one that cannot be stored whole is refused, never cut short.
    if (!header.HasStorableDisplayName()) Fail(SetupCause::DamagedSetupFile);
    if (header.volumeCount == 0 && file.GetLength() != header.dataLength) Fail(SetupCause::FileError);
    file.Close();
    return header;
}

spd::VolumeCheck CheckVolumeHeader(CFile& file, unsigned expectedNumber, const spd::SetupHeader& header) {
    std::array<uint8_t, spd::VolumeHeader::kSize> bytes{};
    UINT read = 0;
    try {
        read = ReadUpTo(file, bytes.data(), static_cast<UINT>(bytes.size()));
    } catch (const CFileException&) {
        read = 0;  // a header that cannot be read is no header (a bad sector on a disk)
    }
    if (read != bytes.size()) return spd::VolumeCheck::NotSetupFile;
    const spd::VolumeHeader volume = *spd::VolumeHeader::Decode(bytes);
    if (volume.magic != spd::SetupHeader::kMagic || volume.version != spd::SetupHeader::kVersion) {
        return spd::VolumeCheck::NotSetupFile;
    }
    if (volume.volumeNumber != expectedNumber) return spd::VolumeCheck::WrongVolume;
    UUID volumeId = ToUuid(volume.setupId);
    UUID setupId = ToUuid(header.setupId);
    RPC_STATUS status = RPC_S_OK;
    if (::UuidCompare(&volumeId, &setupId, &status) != 0) return spd::VolumeCheck::WrongVolume;
    if (volume.displayName != header.displayName) return spd::VolumeCheck::WrongVolume;
    return spd::VolumeCheck::Ok;
}

void VerifyJoinedData(SetupWork& work) {
    if (work.joined.GetLength() != work.header.dataLength) Fail(SetupCause::DamagedSetupFile);

    uint32_t fromFirstRecord = 0;
    if (work.ChecksumOfJoinedFrom(spd::SetupHeader::kSize, SetupPhase::Preparation,
                                  spd::FirstFileRecordOffset(work.header), fromFirstRecord) != work.header.dataChecksum)
        Fail(SetupCause::DamagedSetupFile);
    work.checksumFromFirstRecord = fromFirstRecord;
}

}  // namespace kalvorin::setup
