#include "system/SystemInfo.h"

#include <cstring>

#include "framework/Handles.h"

namespace kalvorin {

const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

namespace {

std::string FolderFrom(UINT(WINAPI* get)(LPSTR, UINT)) {
    char buffer[MAX_PATH + 1] = {};
    const UINT length = get(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(buffer, length);
}

}  // namespace

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

std::string WindowsFolder() {
    return FolderFrom(::GetWindowsDirectoryA);
}

std::string SystemFolder() {
    return FolderFrom(::GetSystemDirectoryA);
}

}  // namespace kalvorin
