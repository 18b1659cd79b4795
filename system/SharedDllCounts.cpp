#include "system/SharedDllCounts.h"

#include "framework/Handles.h"

namespace kalvorin {

const char kSharedDllsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

namespace {

constexpr REGSAM kCountAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

bool WriteCount(HKEY key, const std::string& path, DWORD count) {
    return ::RegSetValueExA(key, path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count) ==
           ERROR_SUCCESS;
}

}  // namespace

std::optional<DWORD> QuerySharedCount(HKEY sharedDlls, const std::string& path) {
    DWORD count = 0;
    DWORD size = sizeof count;
    if (::RegQueryValueExA(sharedDlls, path.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&count), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return count;  // shorter data leaves the upper bytes 0
}

SharedCountResult RaiseSharedCount(const std::string& path, RegistryValueBefore* before) {
    RegKey key;
    // A system without the key gets it, as from any other installer.
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, kCountAccess,
                          nullptr, key.Put(), nullptr) != ERROR_SUCCESS) {
        return SharedCountResult::NoKey;
    }
    const std::optional<DWORD> count = QuerySharedCount(key.Get(), path);
    if (before != nullptr) *before = ReadValueBefore(HKEY_LOCAL_MACHINE, kSharedDllsKey, path);
    if (!WriteCount(key.Get(), path, count.value_or(0) + 1)) return SharedCountResult::WriteFailed;
    return SharedCountResult::Done;
}

std::optional<DWORD> LowerSharedCount(const std::string& path) {
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kSharedDllsKey, kCountAccess) != ERROR_SUCCESS) return std::nullopt;
    const std::optional<DWORD> count = QuerySharedCount(key.Get(), path);
    if (!count) return std::nullopt;
    const DWORD lowered = *count > 0 ? *count - 1 : 0;
    if (lowered == 0)
        ::RegDeleteValueA(key.Get(), path.c_str());
    else
        WriteCount(key.Get(), path, lowered);
    return lowered;
}

}  // namespace kalvorin
