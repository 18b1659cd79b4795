// Registry entries named by RegistryEntryRecords: a whole key (empty value
// name) or one value of a key, below a predefined root given by its handle
// value (always HKEY_LOCAL_MACHINE here).
#pragma once

#include <windows.h>

#include <string>

#include "codec/RegistryEntryRecord.h"

namespace kalvorin {

// Keys below HKEY_LOCAL_MACHINE that an installation writes to and the
// uninstaller removes from.
extern const char kProductRootKey[];  // "Software\Brisvane Screensaver"
extern const char kUninstallKey[];    // "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"

// The name of the product value of an installation: the display name in
// upper case (code page 1252 letters, umlauts included). The setup writes and
// looks for it, the uninstaller removes it: all through this one function.
std::string ProductValueName(const std::string& displayName);

// The predefined root of a record's hive value; nullptr for a value that is
// no predefined root.
HKEY RootOfHive(uint32_t hive);

// Removes what `entry` names: the key `key` below its root, or the value
// `valueName` of that key (opened with KEY_WRITE). Failures are ignored.
// Returns true when the key or value is gone afterwards.
bool RemoveRegistryEntry(const spd::RegistryEntryRecord& entry);

}  // namespace kalvorin
