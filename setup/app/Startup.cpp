#include "app/Startup.h"

#include <windows.h>

#include "codec/SetupHeader.h"
#include "framework/File.h"

namespace kalvorin::setup {

namespace {

bool IsTrailingJunk(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Trailing white space, then trailing backslashes.
void TrimEnd(std::string& text) {
    while (!text.empty() && IsTrailingJunk(text.back())) text.pop_back();
    while (!text.empty() && text.back() == '\\') text.pop_back();
}

}  // namespace

std::optional<StartupHeaderInfo> ReadStartupHeader(const std::string& moduleFolder) {
    const std::string path = moduleFolder + "\\user.spd";
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return std::nullopt;

    uint8_t bytes[spd::SetupHeader::kSize] = {};
    UINT total = 0;
    try {
        while (total < sizeof bytes) {
            const UINT read = file.Read(bytes + total, static_cast<UINT>(sizeof bytes) - total);
            if (read == 0) break;
            total += read;
        }
    } catch (const CFileException&) {
        return std::nullopt;
    }
    file.Abort();
    if (total != sizeof bytes) return std::nullopt;

    const std::optional<spd::SetupHeader> header = spd::SetupHeader::Decode(spd::ByteSpan(bytes, sizeof bytes));
    if (!header || !header->HasVersion()) return std::nullopt;
    return StartupHeaderInfo{header->displayName, header->defaultSubfolder};
}

std::string MakeDefaultDestination(const std::string& programFilesFolder, const std::string& subfolder) {
    if (subfolder.empty()) return std::string();
    std::string destination = programFilesFolder;
    TrimEnd(destination);
    destination += '\\';
    destination += subfolder;
    TrimEnd(destination);
    return destination;
}

std::string ModuleFolderFromPath(const std::string& modulePath) {
    const size_t slash = modulePath.rfind('\\');
    return slash == std::string::npos ? modulePath : modulePath.substr(0, slash);
}

std::optional<std::string> ReadProgramFilesFolder() {
    return ReadFolderValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir");
}

uint16_t DetectLanguageId() {
    return static_cast<uint16_t>(::GetUserDefaultLangID() & 0x3FF);
}

}  // namespace kalvorin::setup
