// Registry values as they were before a change, so that a failed
// installation can leave them as it found them, and REG_SZ values written
// without their terminating zero.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kalvorin {

// Sets a REG_SZ value to `text` (code page of the program), stored without a
// terminating zero: a reader takes the data up to the length it gets back.
// Returns the Win32 result.
LONG SetStringValue(HKEY key, const std::string& name, const std::string& text);

// One value of a key below a root, as it was: whether the key and the value
// existed, the value's type and data.
struct RegistryValueBefore {
    HKEY root = nullptr;
    std::string key;
    std::string name;
    bool keyExisted = false;
    bool existed = false;
    DWORD type = REG_NONE;
    std::string data;
};

// The present state of the value `name` of `key` below `root`.
RegistryValueBefore ReadValueBefore(HKEY root, const std::string& key, const std::string& name);

// Writes the value back as it was, or deletes it when it did not exist.
// Failures are ignored.
void RestoreValue(const RegistryValueBefore& before);

}  // namespace kalvorin
