#include "system/RegistryValues.h"

#include "framework/Handles.h"

namespace kalvorin {

namespace {

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    if (!text.empty()) {
        const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                                 static_cast<int>(wide.size()));
        wide.resize(length > 0 ? static_cast<size_t>(length) : 0);
    }
    return wide;
}

}  // namespace

LONG SetStringValue(HKEY key, const std::string& name, const std::string& text) {
    // The registry counts a terminating zero that directly follows the data
    // even when the length given leaves it out; a character other than zero
    // after the text keeps the stored data exactly as long as the text.
    std::wstring data = Wide(text);
    const DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    data.push_back(L'~');
    return ::RegSetValueExW(key, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes);
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

}  // namespace kalvorin
