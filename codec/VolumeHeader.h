// VolumeHeader: the 88 bytes at the start of every further volume file
// user.001, user.002, ... (see codec/Layout.h).
//
//   auto vh = spd::VolumeHeader::Decode(bytes);  // nullopt: < 88 bytes
//   spd::VolumeCheck c = spd::CheckVolume(*vh, expectedNumber, setupHeader);
#pragma once

#include "codec/ByteReader.h"
#include "codec/Guid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spd {

struct SetupHeader;

struct VolumeHeader {
    static constexpr std::size_t kSize = 88;
    static constexpr std::size_t kNameWidth = 64;

    static constexpr std::size_t kOffMagic = 0;
    static constexpr std::size_t kOffVersion = 4;
    static constexpr std::size_t kOffVolumeNumber = 6;
    static constexpr std::size_t kOffDisplayName = 8;
    static constexpr std::size_t kOffSetupId = 72;

    std::uint32_t magic = 0x55544553;  // "SETU"
    std::uint8_t version = 16;
    std::uint16_t volumeNumber = 0;
    std::string displayName;
    Guid setupId;

    std::vector<std::uint8_t> Encode() const;
    static std::optional<VolumeHeader> Decode(ByteSpan bytes);

    bool operator==(const VolumeHeader&) const = default;
};

enum class VolumeCheck {
    Ok,
    NotSetupFile,  // fewer than 88 bytes, wrong magic or wrong version
    WrongVolume,   // another volume number, setup id or display name
};

// Whether the first bytes of a file make it volume expectedNumber of the
// setup whose header is given. The display name is compared byte for byte
// (letter case counts).
VolumeCheck CheckVolume(ByteSpan fileStart, unsigned expectedNumber, const SetupHeader& header);

}  // namespace spd
