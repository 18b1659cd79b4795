// SetupHeader: the 192 bytes at the start of user.spd (see codec/Layout.h).
//
//   auto header = spd::SetupHeader::Decode(bytes);   // nullopt: < 192 bytes
//   std::vector<std::uint8_t> raw = header->Encode(); // exactly 192 bytes
//
// Decode() reads the fields only; which of them must hold which value is the
// reader's policy (HasMagic(), HasVersion() help with it). Encode() writes
// the bytes that are not read as zeros. Strings longer than their fields are
// cut at the width.
#pragma once

#include "codec/ByteReader.h"
#include "codec/Guid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spd {

struct SetupHeader {
    static constexpr std::size_t kSize = 192;
    static constexpr std::uint32_t kMagic = 0x55544553;  // "SETU"
    static constexpr std::uint8_t kVersion = 16;
    static constexpr std::size_t kNameWidth = 64;

    // Field offsets.
    static constexpr std::size_t kOffMagic = 0;
    static constexpr std::size_t kOffVersion = 4;
    static constexpr std::size_t kOffVolumeCount = 12;
    static constexpr std::size_t kOffDataChecksum = 16;
    static constexpr std::size_t kOffDataLength = 20;
    static constexpr std::size_t kOffNonZeroMark = 32;
    static constexpr std::size_t kOffFolderCount = 36;
    static constexpr std::size_t kOffCatalogOffset = 40;
    static constexpr std::size_t kOffFileCount = 44;
    static constexpr std::size_t kOffDisplayName = 46;
    static constexpr std::size_t kOffSetupId = 112;
    static constexpr std::size_t kOffDefaultSubfolder = 128;

    std::uint32_t magic = kMagic;
    std::uint8_t version = kVersion;
    std::uint16_t volumeCount = 1;
    std::uint32_t dataChecksum = 0;
    std::uint32_t dataLength = 0;
    std::uint32_t nonZeroMark = 1;
    std::uint16_t folderCount = 0;
    std::uint32_t catalogOffset = 0;
    std::uint16_t fileCount = 0;
    std::string displayName;
    Guid setupId;
    std::string defaultSubfolder;

    bool HasMagic() const { return magic == kMagic; }
    bool HasVersion() const { return version == kVersion; }

    // All checks of a full header validation except the length comparison:
    // version, magic, catalogOffset, nonZeroMark and fileCount.
    bool PassesValidation() const {
        return HasVersion() && HasMagic() && catalogOffset != 0 && nonZeroMark != 0 && fileCount != 0;
    }

    // The display name names the Uninstall entry, the product value and the
    // uninstall log: see IsStorableDisplayName().
    bool HasStorableDisplayName() const;

    // Number of volume files: 0 and 1 both mean user.spd alone.
    unsigned VolumeFiles() const { return volumeCount <= 1 ? 1u : volumeCount; }

    std::vector<std::uint8_t> Encode() const;
    static std::optional<SetupHeader> Decode(ByteSpan bytes);

    bool operator==(const SetupHeader&) const = default;
};

// A display name that an installation can store whole: not empty, at most
// 63 characters (the uninstall log keeps it with its terminator in 64
// bytes), and without a backslash (the Uninstall entry is a key named after
// it, which a backslash would put one level deeper).
bool IsStorableDisplayName(std::string_view name);

}  // namespace spd
