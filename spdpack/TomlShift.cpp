#include "spdpack/TomlShift.h"

#include "spdpack/Cp1252.h"

namespace spdpack {

namespace {

struct CodeRange {
    char32_t first;
    char32_t last;
};
constexpr CodeRange kShifted[] = {{0xA1, 0x499}, {0x2C5E, 0x2FFF}, {0x3001, 0x3057}, {0xFB26, 0xFEFE}};
constexpr char32_t kShiftOffset = 0xF0000;

bool InShifted(char32_t c, char32_t offset) {
    for (const CodeRange& r : kShifted)
        if (c >= r.first + offset && c <= r.last + offset) return true;
    return false;
}

// Moves the ranges above to plane 15 (or back, when unshift). Bytes that are
// not well-formed UTF-8 are kept, for the parser to report.
std::string Shift(std::string_view text, bool unshift) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        const std::size_t start = pos;
        if (!NextCodePoint(text, pos, c)) {
            out += text[pos++];
            continue;
        }
        if (!unshift && InShifted(c, 0))
            AppendUtf8(out, c + kShiftOffset);
        else if (unshift && InShifted(c, kShiftOffset))
            AppendUtf8(out, c - kShiftOffset);
        else
            out.append(text.substr(start, pos - start));
    }
    return out;
}

}  // namespace

std::string ShiftForParser(std::string_view text) {
    return Shift(text, false);
}

std::string Unshift(std::string_view text) {
    return Shift(text, true);
}

std::size_t LineWithShiftedRange(std::string_view text) {
    std::size_t line = 1;
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        if (!NextCodePoint(text, pos, c))
            ++pos;
        else if (InShifted(c, kShiftOffset))
            return line;
        else if (c == '\n')
            ++line;
    }
    return 0;
}

}  // namespace spdpack
