#include "codec/ByteWriter.h"

#include <algorithm>
#include <cstring>

namespace spd {

std::uint8_t* ByteWriter::Room(std::size_t offset, std::size_t n) {
    if (bytes_.size() < offset + n) bytes_.resize(offset + n, 0);
    return bytes_.data() + offset;
}

void ByteWriter::U8At(std::size_t offset, std::uint8_t v) {
    *Room(offset, 1) = v;
}

void ByteWriter::U16At(std::size_t offset, std::uint16_t v) {
    std::uint8_t* p = Room(offset, 2);
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void ByteWriter::U32At(std::size_t offset, std::uint32_t v) {
    std::uint8_t* p = Room(offset, 4);
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

void ByteWriter::BytesAt(std::size_t offset, std::span<const std::uint8_t> b) {
    std::uint8_t* p = Room(offset, b.size());
    if (!b.empty()) std::memcpy(p, b.data(), b.size());
}

void ByteWriter::FixedStringAt(std::size_t offset, std::string_view text, std::size_t width) {
    std::uint8_t* p = Room(offset, width);
    std::size_t n = std::min(text.size(), width);
    if (n) std::memcpy(p, text.data(), n);
    std::memset(p + n, 0, width - n);
}

bool FitsField(std::string_view text, std::size_t width) {
    return text.size() < width && text.find('\0') == std::string_view::npos;
}

}  // namespace spd
