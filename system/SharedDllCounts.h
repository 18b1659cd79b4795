// The use counts of shared files in HKEY_LOCAL_MACHINE\...\SharedDLLs: one
// REG_DWORD value per file, named by its full path, holding the number of
// installations that use it. The setup program raises them, the uninstaller
// lowers them, and a failed installation puts back what it raised.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "system/RegistryValues.h"

namespace kalvorin {

// Below HKEY_LOCAL_MACHINE.
extern const char kSharedDllsKey[];

// The count of `path` in the open SharedDLLs key: the value's data when it
// fits 4 bytes (its type is not examined), else nullopt.
std::optional<DWORD> QuerySharedCount(HKEY sharedDlls, const std::string& path);

enum class SharedCountResult { Done, NoKey, WriteFailed };

// Adds 1 to the count of `path`. The key is opened with KEY_READ,
// KEY_SET_VALUE and KEY_CREATE_SUB_KEY, and created when it is missing (as
// other installers do): NoKey when it can be neither opened nor created. A
// value that is missing or does not fit 4 bytes counts as 0. The
// count is written back as REG_DWORD (WriteFailed when that fails). `before`
// receives the value as it was (RestoreValue puts it back).
SharedCountResult RaiseSharedCount(const std::string& path, RegistryValueBefore* before = nullptr);

// Lowers the count of `path` by 1 and returns the new count: at 0 the value
// is deleted. nullopt when there is no usable count (no key, no value or
// data that does not fit 4 bytes), then nothing changes.
std::optional<DWORD> LowerSharedCount(const std::string& path);

}  // namespace kalvorin
