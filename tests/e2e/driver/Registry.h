// Changes to one registry value for the length of a test. The value's former
// state (type and data, or its absence) comes back when the object goes away,
// also when the test fails. Writes go through this process's Win32 registry
// API; the program under test sees them at once (same wineserver).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace e2e {

class RegistryOverride {
public:
    RegistryOverride(HKEY root, std::string subkey, std::string valueName);
    RegistryOverride(const RegistryOverride&) = delete;
    RegistryOverride& operator=(const RegistryOverride&) = delete;
    ~RegistryOverride();

    void SetString(const std::string& value);  // REG_SZ, stored with its terminating zero
    void SetDword(DWORD value);
    void SetBinary(const std::string& data);  // REG_BINARY
    void Delete();                            // the value is absent (missing key is fine)
    void Keep();                              // the change stays after the object goes away

private:
    struct Saved {
        DWORD type;
        std::string data;
    };
    void Write(DWORD type, const std::string& data);

    HKEY root_;
    std::string subkey_;
    std::string valueName_;
    std::optional<Saved> saved_;  // empty: the value did not exist
    bool keep_ = false;
};

// Reads a value's raw data; empty when the value (or its key) does not exist.
std::optional<std::string> ReadRegistryValue(HKEY root, const std::string& subkey, const std::string& valueName,
                                             DWORD* type = nullptr);

// Makes Wine report another Windows version to `exeName` (for example
// "win98" for setup.exe): HKCU\Software\Wine\AppDefaults\<exe>\Version.
class WineVersionOverride {
public:
    WineVersionOverride(const std::string& exeName, const std::string& version);

private:
    RegistryOverride value_;
};

}  // namespace e2e
