// The %1..%9 text formatter used for all message texts with placeholders.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace kalvorin {

// Replaces each "%n" (n = 1..9) in `templ` by the n-th argument. A "%n" whose
// argument is missing, "%0", "%%" and any other '%' sequence are copied
// unchanged. Replacement texts are not scanned again.
std::string FormatString(const std::string& templ, std::initializer_list<std::string> args);

// FormatString on string `id` of the string table (empty template when the
// string does not exist).
std::string FormatStringId(UINT id, std::initializer_list<std::string> args);

}  // namespace kalvorin
