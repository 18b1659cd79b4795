// FolderKind: the base folder a folder record or a file record refers to,
// and CatalogFlags: the bits of a file record's flags byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace spd {

enum class FolderKind : std::uint8_t {
    Windows = 1,       // the Windows folder
    System = 2,        // the Windows system folder
    ProgramFiles = 3,  // the Program Files folder
    CommonFiles = 4,   // the common files folder ("CommonFilesDir")
    Destination = 5,   // the destination folder chosen by the user
};

constexpr bool IsValidFolderKind(std::uint8_t code) {
    return code >= 1 && code <= 5;
}

// "Windows", "System", "ProgramFiles", "CommonFiles", "Destination", or
// nullptr for a code outside 1..5.
const char* FolderKindName(std::uint8_t code);

// The kind of a name as FolderKindName() gives it, letter case ignored.
std::optional<FolderKind> ParseFolderKind(std::string_view name);

struct CatalogFlags {
    static constexpr std::uint8_t Shared = 0x01;       // use count kept in SharedDLLs
    static constexpr std::uint8_t Required = 0x02;     // the screensaver needs this new file
    static constexpr std::uint8_t Screensaver = 0x04;  // the screensaver itself
    static constexpr std::uint8_t Config = 0x08;       // its path goes to the "Config" value
    static constexpr std::uint8_t Known = 0x0F;        // other bits have no meaning
};

// The flag bit of a name ("Shared", "Required", "Screensaver", "Config"),
// letter case ignored; 0 for an unknown name.
std::uint8_t ParseCatalogFlag(std::string_view name);

}  // namespace spd
