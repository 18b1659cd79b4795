// CatalogEntry: the 520-byte file record of the catalog, stored compressed
// in a block of its own ahead of the file's content (see codec/Layout.h).
//
//   auto e = spd::CatalogEntry::Decode(expanded);  // nullopt: < 520 bytes
//   std::vector<std::uint8_t> raw = e->Encode();   // exactly 520 bytes
#pragma once

#include "codec/ByteReader.h"
#include "codec/FolderKind.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spd {

struct CatalogEntry {
    static constexpr std::size_t kSize = 520;
    static constexpr std::size_t kNameWidth = 256;  // subfolder and fileName
    static constexpr std::uint8_t kTag = 0x46;      // 'F'

    static constexpr std::size_t kOffTag = 0;
    static constexpr std::size_t kOffFlags = 1;
    static constexpr std::size_t kOffFolderKind = 2;
    static constexpr std::size_t kOffSubfolder = 3;
    static constexpr std::size_t kOffFileName = 259;

    std::uint8_t tag = kTag;
    std::uint8_t flags = 0;       // CatalogFlags bits
    std::uint8_t folderKind = 0;  // FolderKind code, kept raw
    std::string subfolder;        // below the base folder, may be empty
    std::string fileName;

    bool Has(std::uint8_t flag) const { return (flags & flag) != 0; }

    // "base\subfolder\fileName", or "base\fileName" for an empty subfolder.
    std::string TargetPath(std::string_view baseFolder) const;

    std::vector<std::uint8_t> Encode() const;
    static std::optional<CatalogEntry> Decode(ByteSpan bytes);

    bool operator==(const CatalogEntry&) const = default;
};

}  // namespace spd
