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

bool InShifted(char32_t c, char32_t offset)
{
    for (const CodeRange& r : kShifted)
        if (c >= r.first + offset && c <= r.last + offset)
            return true;
    return false;
}

// Length of the well-formed UTF-8 sequence at pos and its code point; 0 when
// the bytes there are not one.
std::size_t DecodeUtf8(std::string_view s, std::size_t pos, char32_t& c)
{
    auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = b(pos);
    std::size_t n = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || s.size() - pos < n)
        return 0;
    c = n == 1 ? lead : n == 2 ? (lead & 0x1F) : n == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (std::size_t i = 1; i < n; ++i) {
        if ((b(pos + i) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (b(pos + i) & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return n;
}

// Moves the ranges above to plane 15 (or back, when unshift). Bytes that are
// not well-formed UTF-8 are kept, for the parser to report.
std::string Shift(std::string_view text, bool unshift)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        std::size_t n = DecodeUtf8(text, pos, c);
        if (n == 0) {
            out += text[pos++];
            continue;
        }
        if (!unshift && InShifted(c, 0))
            AppendUtf8(out, c + kShiftOffset);
        else if (unshift && InShifted(c, kShiftOffset))
            AppendUtf8(out, c - kShiftOffset);
        else
            out.append(text.substr(pos, n));
        pos += n;
    }
    return out;
}

}  // namespace

std::string ShiftForParser(std::string_view text)
{
    return Shift(text, false);
}

std::string Unshift(std::string_view text)
{
    return Shift(text, true);
}

std::size_t LineWithShiftedRange(std::string_view text)
{
    std::size_t line = 1;
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        std::size_t n = DecodeUtf8(text, pos, c);
        if (n == 0) {
            n = 1;
        } else if (InShifted(c, kShiftOffset)) {
            return line;
        } else if (c == '\n') {
            ++line;
        }
        pos += n;
    }
    return 0;
}

}  // namespace spdpack
