#include "app/Startup.h"

#include <windows.h>

#include <cstring>

#include "codec/SetupHeader.h"
#include "framework/File.h"
#include "framework/Handles.h"

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
    return ReadFolderValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
}

std::optional<std::string> ReadFolderValue(HKEY root, const char* subKey, const char* valueName) {
    RegKey key;
    if (key.Open(root, subKey, KEY_READ) != ERROR_SUCCESS) return std::nullopt;
    char buffer[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;  // at most 260 bytes
    DWORD type = 0;
    if (::RegQueryValueExA(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    // The value may or may not carry its terminating zero.
    size_t length = size < MAX_PATH ? size : MAX_PATH;
    while (length > 0 && buffer[length - 1] == '\0') --length;
    return std::string(buffer, strnlen(buffer, length));
}

int32_t DetectWin9x() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    const BOOL ok = ::GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return ok && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 1 : 0;
}

uint16_t DetectLanguageId() {
    return static_cast<uint16_t>(::GetUserDefaultLangID() & 0x3FF);
}
