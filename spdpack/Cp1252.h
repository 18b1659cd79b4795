// Conversion between the UTF-8 of manifests and terminals and the code page
// 1252 text stored in the setup data.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace spdpack {

// nullopt when the text is not valid UTF-8 or holds a character that code
// page 1252 cannot represent.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// Always succeeds; the five unassigned bytes map to the control characters
// of the same value.
std::string Cp1252ToUtf8(std::string_view cp1252);

// Decodes the well-formed UTF-8 sequence at pos into c and moves pos past
// it; false (pos unchanged) when the bytes there are not one.
bool NextCodePoint(std::string_view s, std::size_t& pos, char32_t& c);

// Appends the UTF-8 form of code point `c` to `out`.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace spdpack
