#include "codec/VolumeHeader.h"

#include "codec/ByteWriter.h"
#include "codec/SetupHeader.h"

namespace spd {

std::vector<std::uint8_t> VolumeHeader::Encode() const {
    ByteWriter w(kSize);
    w.U32At(kOffMagic, magic);
    w.U8At(kOffVersion, version);
    w.U16At(kOffVolumeNumber, volumeNumber);
    w.FixedStringAt(kOffDisplayName, displayName, kNameWidth);
    w.BytesAt(kOffSetupId, setupId.ToBytes());
    return w.Take();
}

std::optional<VolumeHeader> VolumeHeader::Decode(ByteSpan bytes) {
    if (bytes.size() < kSize) return std::nullopt;
    ByteReader r(bytes.first(kSize));
    VolumeHeader h;
    h.magic = r.U32At(kOffMagic);
    h.version = r.U8At(kOffVersion);
    h.volumeNumber = r.U16At(kOffVolumeNumber);
    h.displayName = r.FixedStringAt(kOffDisplayName, kNameWidth);
    auto id = Guid::FromBytes(r.BytesAt(kOffSetupId, Guid::kSize));
    if (!r.ok() || !id) return std::nullopt;
    h.setupId = *id;
    return h;
}

VolumeCheck CheckVolume(ByteSpan fileStart, unsigned expectedNumber, const SetupHeader& header) {
    auto vh = VolumeHeader::Decode(fileStart);
    if (!vh || vh->magic != SetupHeader::kMagic || vh->version != SetupHeader::kVersion)
        return VolumeCheck::NotSetupFile;
    if (vh->volumeNumber != expectedNumber || vh->setupId != header.setupId || vh->displayName != header.displayName)
        return VolumeCheck::WrongVolume;
    return VolumeCheck::Ok;
}

}  // namespace spd
