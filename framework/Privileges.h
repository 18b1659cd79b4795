// Privileges of the process's own token.
#pragma once

namespace kalvorin {

// Enables the privilege `name` (such as SE_SHUTDOWN_NAME) in the token of
// this process: OpenProcessToken, LookupPrivilegeValueA,
// AdjustTokenPrivileges. True when the privilege is enabled afterwards;
// false when the token does not hold it or the system has no tokens (the
// Windows 9x family, which asks for no privilege).
bool EnablePrivilege(const char* name);

}  // namespace kalvorin
