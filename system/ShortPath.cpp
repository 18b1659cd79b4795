#include "system/ShortPath.h"

#include <windows.h>

namespace kalvorin {

std::string ShortPathOf(const std::string& path) {
    char probe[1] = {};
    const DWORD needed = ::GetShortPathNameA(path.c_str(), probe, 1);
    if (needed == 0) return path;
    std::string shortPath(needed + 1, '\0');
    const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath.data(), needed + 1);
    if (length == 0 || length > needed) return path;
    shortPath.resize(length);
    return shortPath;
}

}  // namespace kalvorin
