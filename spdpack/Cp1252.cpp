#include "spdpack/Cp1252.h"

#include <cstdint>

namespace spdpack {

namespace {

// Code points of the bytes 0x80..0x9F; 0 where the code page assigns none.
constexpr char32_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

bool NextCodePoint(std::string_view s, std::size_t& pos, char32_t& c) {
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
    std::uint8_t b = byte(pos);
    int extra;
    char32_t min;
    if (b < 0x80) {
        c = b;
        ++pos;
        return true;
    }
    if ((b & 0xE0) == 0xC0) {
        extra = 1;
        c = b & 0x1F;
        min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2;
        c = b & 0x0F;
        min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3;
        c = b & 0x07;
        min = 0x10000;
    } else
        return false;
    if (s.size() - pos <= static_cast<std::size_t>(extra)) return false;
    for (int i = 1; i <= extra; ++i) {
        std::uint8_t cont = byte(pos + i);
        if ((cont & 0xC0) != 0x80) return false;
        c = (c << 6) | (cont & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    pos += extra + 1;
    return true;
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t c;
        if (!NextCodePoint(utf8, pos, c)) return std::nullopt;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(c);
            continue;
        }
        bool found = false;
        for (int i = 0; i < 32; ++i) {
            if (kHigh[i] != 0 && kHigh[i] == c) {
                out += static_cast<char>(0x80 + i);
                found = true;
                break;
            }
        }
        if (!found) return std::nullopt;
    }
    return out;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
    std::string out;
    for (char ch : cp1252) {
        auto b = static_cast<std::uint8_t>(ch);
        char32_t c = b;
        if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] != 0) c = kHigh[b - 0x80];
        AppendUtf8(out, c);
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace spdpack
