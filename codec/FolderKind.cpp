#include "codec/FolderKind.h"

namespace spd {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

const char* FolderKindName(std::uint8_t code) {
    switch (code) {
    case 1:
        return "Windows";
    case 2:
        return "System";
    case 3:
        return "ProgramFiles";
    case 4:
        return "CommonFiles";
    case 5:
        return "Destination";
    default:
        return nullptr;
    }
}

std::optional<FolderKind> ParseFolderKind(std::string_view name) {
    for (std::uint8_t code = 1; code <= 5; ++code)
        if (EqualNoCase(name, FolderKindName(code))) return static_cast<FolderKind>(code);
    return std::nullopt;
}

std::uint8_t ParseCatalogFlag(std::string_view name) {
    if (EqualNoCase(name, "Shared")) return CatalogFlags::Shared;
    if (EqualNoCase(name, "Required")) return CatalogFlags::Required;
    if (EqualNoCase(name, "Screensaver")) return CatalogFlags::Screensaver;
    if (EqualNoCase(name, "Config")) return CatalogFlags::Config;
    return 0;
}

}  // namespace spd
