#include "Error.h"

#include <windows.h>

namespace e2e {

void ThrowLastError(const std::string& what) {
    const DWORD code = GetLastError();
    throw Error(what + " (Win32 error " + std::to_string(code) + ")");
}

}  // namespace e2e
