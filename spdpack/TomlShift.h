// A way around a fault of the TOML parser (toml++ 3.3) with non-ASCII text.
//
// The parser runs into an "unreachable" branch (undefined behaviour) when it
// asks whether some non-ASCII characters are white space (U+00A1 to U+0499,
// and three ranges near U+2C5E, U+3001 and U+FB26). It does so even for
// valid manifests: a line of a multi-line string continued after a
// line-ending backslash and starting with an umlaut. Such characters are
// moved to private-use code points (plane 15, + U+F0000) for the parser and
// moved back in every text taken from it. This goes away with a parser
// version that has the fault mended.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace spdpack {

// The manifest text as the parser is given it: the ranges above moved to
// plane 15. Bytes that are not well-formed UTF-8 are kept, for the parser to
// report.
std::string ShiftForParser(std::string_view text);

// A text taken from the parser with the moved characters put back.
std::string Unshift(std::string_view text);

// The first line (from 1) that holds a character of the moved-to range
// itself, which a manifest must not hold (it would come back as another
// character); 0 when there is none.
std::size_t LineWithShiftedRange(std::string_view text);

}  // namespace spdpack
