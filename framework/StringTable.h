// Loading texts from the program's string table (ANSI, code page 1252).
#pragma once

#include <windows.h>

#include <string>

namespace kalvorin {

// Loads string `id` from the application's resources into `out`, byte for
// byte, whatever its length. Returns false (and leaves `out` empty) when the
// string does not exist or is empty.
bool TryLoadStr(UINT id, std::string& out);

// Loads string `id`; an empty string when it does not exist.
std::string LoadStr(UINT id);

}  // namespace kalvorin
