#include "codec/SetupHeader.h"

#include "codec/ByteWriter.h"

namespace spd {

std::vector<std::uint8_t> SetupHeader::Encode() const {
    ByteWriter w(kSize);
    w.U32At(kOffMagic, magic);
    w.U8At(kOffVersion, version);
    w.U16At(kOffVolumeCount, volumeCount);
    w.U32At(kOffDataChecksum, dataChecksum);
    w.U32At(kOffDataLength, dataLength);
    w.U32At(kOffNonZeroMark, nonZeroMark);
    w.U16At(kOffFolderCount, folderCount);
    w.U32At(kOffCatalogOffset, catalogOffset);
    w.U16At(kOffFileCount, fileCount);
    w.FixedStringAt(kOffDisplayName, displayName, kNameWidth);
    w.BytesAt(kOffSetupId, setupId.ToBytes());
    w.FixedStringAt(kOffDefaultSubfolder, defaultSubfolder, kNameWidth);
    return w.Take();
}

std::optional<SetupHeader> SetupHeader::Decode(ByteSpan bytes) {
    if (bytes.size() < kSize) return std::nullopt;
    ByteReader r(bytes.first(kSize));
    SetupHeader h;
    h.magic = r.U32At(kOffMagic);
    h.version = r.U8At(kOffVersion);
    h.volumeCount = r.U16At(kOffVolumeCount);
    h.dataChecksum = r.U32At(kOffDataChecksum);
    h.dataLength = r.U32At(kOffDataLength);
    h.nonZeroMark = r.U32At(kOffNonZeroMark);
    h.folderCount = r.U16At(kOffFolderCount);
    h.catalogOffset = r.U32At(kOffCatalogOffset);
    h.fileCount = r.U16At(kOffFileCount);
    h.displayName = r.FixedStringAt(kOffDisplayName, kNameWidth);
    auto id = Guid::FromBytes(r.BytesAt(kOffSetupId, Guid::kSize));
    h.defaultSubfolder = r.FixedStringAt(kOffDefaultSubfolder, kNameWidth);
    if (!r.ok() || !id) return std::nullopt;
    h.setupId = *id;
    return h;
}

bool SetupHeader::HasStorableDisplayName() const {
    return IsStorableDisplayName(displayName);
}

bool IsStorableDisplayName(std::string_view name) {
    return !name.empty() && FitsField(name, SetupHeader::kNameWidth) && name.find('\\') == std::string_view::npos;
}

}  // namespace spd
