#include "system/RegistryRecords.h"

#include "framework/Handles.h"

namespace kalvorin {

const char kProductRootKey[] = "Software\\Brisvane Screensaver";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string ProductValueName(const std::string& displayName) {
    std::string name = displayName;
    if (!name.empty()) ::CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

HKEY RootOfHive(uint32_t hive) {
    switch (hive) {
    case 0x80000000u:
        return HKEY_CLASSES_ROOT;
    case 0x80000001u:
        return HKEY_CURRENT_USER;
    case 0x80000002u:
        return HKEY_LOCAL_MACHINE;
    case 0x80000003u:
        return HKEY_USERS;
    default:
        return nullptr;
    }
}

bool RemoveRegistryEntry(const spd::RegistryEntryRecord& entry) {
    HKEY root = RootOfHive(entry.hive);
    if (root == nullptr || entry.key.empty()) return false;
    if (entry.IsWholeKey()) {
        const LONG result = ::RegDeleteKeyA(root, entry.key.c_str());
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    RegKey key;
    const LONG opened = key.Open(root, entry.key.c_str(), KEY_WRITE);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LONG result = ::RegDeleteValueA(key.Get(), entry.valueName.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace kalvorin
