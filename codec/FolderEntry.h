// FolderEntry (258 bytes) and the folder record (16 + 258 = 274 bytes) that
// carries it in the folder table (see codec/Layout.h).
//
//   std::vector<std::uint8_t> rec = spd::EncodeFolderRecord(entry);  // 274 bytes
//   spd::Result<spd::FolderEntry> e = spd::DecodeFolderRecord(rec);
#pragma once

#include "codec/ByteReader.h"
#include "codec/Status.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spd {

struct FolderEntry {
    static constexpr std::size_t kSize = 258;
    static constexpr std::size_t kRecordSize = 274;  // BlockHeader + entry
    static constexpr std::size_t kPathWidth = 256;
    static constexpr std::uint8_t kTag = 0x44;  // 'D'

    static constexpr std::size_t kOffTag = 0;
    static constexpr std::size_t kOffFolderKind = 1;
    static constexpr std::size_t kOffPath = 2;

    std::uint8_t tag = kTag;
    std::uint8_t folderKind = 0;  // FolderKind code; kept raw so that bad codes can be seen
    std::string path;             // relative to the base folder

    // The path without one leading and one trailing backslash.
    std::string TrimmedPath() const;

    std::vector<std::uint8_t> Encode() const;
    static std::optional<FolderEntry> Decode(ByteSpan bytes);  // nullopt: < 258 bytes

    bool operator==(const FolderEntry&) const = default;
};

// The 274-byte record: a BlockHeader for an uncompressed body (both sizes
// 258, checksum = Adler-32 of the body) and the body.
std::vector<std::uint8_t> EncodeFolderRecord(const FolderEntry& entry);

// Checks and decodes one record (at least 274 bytes):
//   Truncated        fewer than 274 bytes
//   BadRecord        storedSize differs from expandedSize or exceeds 274
//   ChecksumMismatch the Adler-32 of the 258 body bytes differs
//   BadKind          folderKind outside 1..5
Result<FolderEntry> DecodeFolderRecord(ByteSpan record);

}  // namespace spd
