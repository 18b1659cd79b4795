#include "system/RegistryValues.h"

#include "framework/Handles.h"

LONG SetStringValue(HKEY key, const std::string& name, const std::string& text) {
    return ::RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                            static_cast<DWORD>(text.size()));
}

RegistryValueBefore ReadValueBefore(HKEY root, const std::string& key, const std::string& name) {
    RegistryValueBefore before;
    before.root = root;
    before.key = key;
    before.name = name;
    RegKey opened;
    if (opened.Open(root, key.c_str(), KEY_READ) != ERROR_SUCCESS) return before;
    before.keyExisted = true;
    DWORD size = 0;
    if (::RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &before.type, nullptr, &size) != ERROR_SUCCESS) {
        return before;
    }
    before.existed = true;
    before.data.resize(size);
    if (size > 0 && ::RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &before.type,
                                       reinterpret_cast<BYTE*>(before.data.data()), &size) == ERROR_SUCCESS) {
        before.data.resize(size);
    }
    return before;
}

void RestoreValue(const RegistryValueBefore& before) {
    RegKey opened;
    if (opened.Open(before.root, before.key.c_str(), KEY_WRITE) != ERROR_SUCCESS) return;
    if (before.existed) {
        ::RegSetValueExA(opened.Get(), before.name.c_str(), 0, before.type,
                         reinterpret_cast<const BYTE*>(before.data.data()), static_cast<DWORD>(before.data.size()));
    } else {
        ::RegDeleteValueA(opened.Get(), before.name.c_str());
    }
}
