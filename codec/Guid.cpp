#include "codec/Guid.h"

#include "codec/ByteReader.h"
#include "codec/ByteWriter.h"

#include <cstdio>

namespace spd {

std::array<std::uint8_t, Guid::kSize> Guid::ToBytes() const {
    ByteWriter w(kSize);
    w.U32At(0, data1);
    w.U16At(4, data2);
    w.U16At(6, data3);
    w.BytesAt(8, data4);
    return w.ToArray<kSize>();
}

std::optional<Guid> Guid::FromBytes(std::span<const std::uint8_t> bytes) {
    ByteReader r(bytes);
    Guid g;
    g.data1 = r.U32At(0);
    g.data2 = r.U16At(4);
    g.data3 = r.U16At(6);
    ByteSpan tail = r.BytesAt(8, 8);
    if (!r.ok()) return std::nullopt;
    for (std::size_t i = 0; i < 8; ++i) g.data4[i] = tail[i];
    return g;
}

std::string Guid::Format() const {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(data1),
                  static_cast<unsigned>(data2), static_cast<unsigned>(data3), data4[0], data4[1], data4[2], data4[3],
                  data4[4], data4[5], data4[6], data4[7]);
    return buf;
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads digits hex digits from text at pos into value.
bool Hex(std::string_view text, std::size_t& pos, int digits, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i, ++pos) {
        if (pos >= text.size()) return false;
        int d = HexValue(text[pos]);
        if (d < 0) return false;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return true;
}

bool Dash(std::string_view text, std::size_t& pos) {
    if (pos >= text.size() || text[pos] != '-') return false;
    ++pos;
    return true;
}

}  // namespace

std::optional<Guid> Guid::Parse(std::string_view text) {
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}') return std::nullopt;
        text = text.substr(1, 36);
    }
    if (text.size() != 36) return std::nullopt;

    Guid g;
    std::size_t pos = 0;
    std::uint32_t v = 0;
    if (!Hex(text, pos, 8, v)) return std::nullopt;
    g.data1 = v;
    if (!Dash(text, pos) || !Hex(text, pos, 4, v)) return std::nullopt;
    g.data2 = static_cast<std::uint16_t>(v);
    if (!Dash(text, pos) || !Hex(text, pos, 4, v)) return std::nullopt;
    g.data3 = static_cast<std::uint16_t>(v);
    if (!Dash(text, pos)) return std::nullopt;
    for (std::size_t i = 0; i < 8; ++i) {
        if (i == 2 && !Dash(text, pos)) return std::nullopt;
        if (!Hex(text, pos, 2, v)) return std::nullopt;
        g.data4[i] = static_cast<std::uint8_t>(v);
    }
    return g;
}

Guid Guid::FromRandomBytes(const std::array<std::uint8_t, kSize>& random) {
    std::array<std::uint8_t, kSize> b = random;
    b[7] = static_cast<std::uint8_t>((b[7] & 0x0F) | 0x40);  // version 4 (high nibble of Data3)
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return *FromBytes(b);
}

}  // namespace spd
