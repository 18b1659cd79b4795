// Short (8.3) forms of paths, as they go to the registry and to wininit.ini.
#pragma once

#include <string>

namespace kalvorin {

// The short form of an existing path, asked for its length first and then
// converted into a buffer of that length plus one. When the system gives no
// short form (the path does not exist, or the volume keeps none), the path
// comes back unchanged.
std::string ShortPathOf(const std::string& path);

}  // namespace kalvorin
