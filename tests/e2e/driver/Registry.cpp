#include "Registry.h"

#include <utility>
#include <vector>

#include "Error.h"

namespace e2e {

std::optional<std::string> ReadRegistryValue(HKEY root, const std::string& subkey, const std::string& valueName,
                                             DWORD* type) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD valueType = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, valueName.c_str(), nullptr, &valueType, nullptr, &size);
    std::optional<std::string> out;
    if (rc == ERROR_SUCCESS) {
        std::vector<BYTE> data(size + 1);
        rc = RegQueryValueExA(key, valueName.c_str(), nullptr, &valueType, data.data(), &size);
        if (rc == ERROR_SUCCESS) {
            out = std::string(reinterpret_cast<const char*>(data.data()), size);
            if (type) {
                *type = valueType;
            }
        }
    }
    RegCloseKey(key);
    return out;
}

RegistryOverride::RegistryOverride(HKEY root, std::string subkey, std::string valueName)
    : root_(root), subkey_(std::move(subkey)), valueName_(std::move(valueName)) {
    DWORD type = 0;
    if (auto data = ReadRegistryValue(root_, subkey_, valueName_, &type)) {
        saved_ = Saved{type, *data};
    }
}

void RegistryOverride::Keep() {
    keep_ = true;
}

RegistryOverride::~RegistryOverride() {
    if (keep_) {
        return;
    }
    try {
        if (saved_) {
            Write(saved_->type, saved_->data);
        } else {
            Delete();
        }
    } catch (const Error&) {
        // A destructor cannot report; the prefix is fresh for the next run.
    }
}

void RegistryOverride::Write(DWORD type, const std::string& data) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(root_, subkey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        ThrowLastError("cannot open registry key " + subkey_);
    }
    rc = RegSetValueExA(key, valueName_.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        ThrowLastError("cannot write registry value " + valueName_);
    }
}

void RegistryOverride::SetString(const std::string& value) {
    Write(REG_SZ, value + std::string(1, '\0'));
}

void RegistryOverride::SetDword(DWORD value) {
    Write(REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof(value)));
}

void RegistryOverride::SetBinary(const std::string& data) {
    Write(REG_BINARY, data);
}

void RegistryOverride::Delete() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, subkey_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    const LONG rc = RegDeleteValueA(key, valueName_.c_str());
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        SetLastError(static_cast<DWORD>(rc));
        ThrowLastError("cannot delete registry value " + valueName_);
    }
}

WineVersionOverride::WineVersionOverride(const std::string& exeName, const std::string& version)
    : value_(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\" + exeName, "Version") {
    value_.SetString(version);
}

}  // namespace e2e
