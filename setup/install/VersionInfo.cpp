#include "install/VersionInfo.h"

#include "framework/SystemLibrary.h"

namespace kalvorin::setup {

namespace {

constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;

}  // namespace

VersionApi& VersionApi::Instance() {
    static VersionApi api;
    return api;
}

VersionApi::VersionApi() {
    // Kept loaded for the life of the process.
    static SystemLibrary library("version.dll");
    size_ = library.Proc<SizeFn>("GetFileVersionInfoSizeA");
    info_ = library.Proc<InfoFn>("GetFileVersionInfoA");
    query_ = library.Proc<QueryFn>("VerQueryValueA");
    name_ = library.Proc<NameFn>("VerLanguageNameA");
    if (size_ == nullptr || info_ == nullptr || query_ == nullptr) size_ = nullptr;
}

DWORD VersionApi::InfoSize(const std::string& path) const {
    if (size_ == nullptr) return 0;
    DWORD handle = 0;
    return size_(path.c_str(), &handle);
}

bool VersionApi::ReadInfo(const std::string& path, std::vector<uint8_t>& block) const {
    if (info_ == nullptr || block.empty()) return false;
    return info_(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) != FALSE;
}

std::string VersionApi::LanguageName(uint16_t language) const {
    if (name_ == nullptr) return std::string();
    // The length first; where the system only answers with a buffer, a
    // generous one is offered.
    DWORD length = name_(language, nullptr, 0);
    if (length == 0) length = 255;
    std::string name(length + 1, '\0');
    name_(language, name.data(), length + 1);
    return std::string(name.c_str());
}

bool VersionApi::Parse(const std::vector<uint8_t>& block, FileVersion& version) const {
    if (query_ == nullptr || block.empty()) return false;
    void* fixed = nullptr;
    UINT fixedLength = 0;
    if (!query_(block.data(), "\\", &fixed, &fixedLength) || fixed == nullptr ||
        fixedLength < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    if (info->dwSignature != kFixedInfoSignature) return false;
    version.versionMS = info->dwFileVersionMS;
    version.versionLS = info->dwFileVersionLS;

    void* table = nullptr;
    UINT tableLength = 0;
    version.languages.clear();
    version.hasLanguages = query_(block.data(), "\\VarFileInfo\\Translation", &table, &tableLength) && table != nullptr;
    if (version.hasLanguages) {
        // Entries of 4 bytes: the language identifier, then the code page.
        const auto* bytes = static_cast<const uint8_t*>(table);
        for (UINT i = 0; i + 4 <= tableLength; i += 4) {
            version.languages.push_back(static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8));
        }
    }
    return true;
}

}  // namespace kalvorin::setup
