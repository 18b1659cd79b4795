// Version resources of files, read through version.dll. The library is
// loaded from the system folder by its full path when first needed: a static
// import would be resolved from the program's own folder first.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kalvorin::setup {

// What the replacement decision uses of one version resource.
struct FileVersion {
    uint32_t versionMS = 0;           // dwFileVersionMS of the fixed file information
    uint32_t versionLS = 0;           // dwFileVersionLS
    bool hasLanguages = false;        // the resource has a translation table
    std::vector<uint16_t> languages;  // its language identifiers, in order
};

// The functions of version.dll the program uses. Without the library every
// file counts as having no version information.
class VersionApi {
public:
    // The process's one instance, loaded on first use.
    static VersionApi& Instance();

    // GetFileVersionInfoSizeA: 0 when the file has no version resource.
    DWORD InfoSize(const std::string& path) const;
    // GetFileVersionInfoA into `block` (sized by InfoSize).
    bool ReadInfo(const std::string& path, std::vector<uint8_t>& block) const;
    // VerLanguageNameA, asked first for the length and then for the name;
    // empty when there is none.
    std::string LanguageName(uint16_t language) const;

    // The fixed file version and the translation table of a block read by
    // ReadInfo. false when the block has no valid fixed file information.
    bool Parse(const std::vector<uint8_t>& block, FileVersion& version) const;

private:
    VersionApi();

    using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    using NameFn = DWORD(WINAPI*)(DWORD, LPSTR, DWORD);

    SizeFn size_ = nullptr;
    InfoFn info_ = nullptr;
    QueryFn query_ = nullptr;
    NameFn name_ = nullptr;
};

}  // namespace kalvorin::setup
