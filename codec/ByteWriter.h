// Little-endian writer into a growable, zero-filled byte buffer it owns.
//
// Sequential writes append at the end. The ...At() writes put a value at an
// absolute offset; the buffer grows with zero bytes when the offset lies past
// its end, so a fixed layout can be filled field by field in any order after
// constructing the writer with the layout's size.
//
// Fixed-width strings are written as their bytes followed by zeros up to the
// width. A text of width bytes or more is cut at the width (it then has no
// terminator); FitsField() tells beforehand whether a text fits with its
// terminator.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace spd {

class ByteWriter {
public:
    ByteWriter() = default;
    explicit ByteWriter(std::size_t initialSize) : bytes_(initialSize, 0) {}

    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

    // The first N bytes as a fixed-size array (zeros past the end), for
    // layouts of a fixed size.
    template <std::size_t N>
    std::array<std::uint8_t, N> ToArray() const {
        std::array<std::uint8_t, N> out{};
        std::copy_n(bytes_.begin(), std::min(N, bytes_.size()), out.begin());
        return out;
    }

    void U8(std::uint8_t v) { U8At(bytes_.size(), v); }
    void U16(std::uint16_t v) { U16At(bytes_.size(), v); }
    void U32(std::uint32_t v) { U32At(bytes_.size(), v); }
    void Bytes(std::span<const std::uint8_t> b) { BytesAt(bytes_.size(), b); }
    void Zeros(std::size_t n) { bytes_.resize(bytes_.size() + n, 0); }
    void FixedString(std::string_view text, std::size_t width) { FixedStringAt(bytes_.size(), text, width); }

    void U8At(std::size_t offset, std::uint8_t v);
    void U16At(std::size_t offset, std::uint16_t v);
    void U32At(std::size_t offset, std::uint32_t v);
    void BytesAt(std::size_t offset, std::span<const std::uint8_t> b);
    void FixedStringAt(std::size_t offset, std::string_view text, std::size_t width);

private:
    std::uint8_t* Room(std::size_t offset, std::size_t n);

    std::vector<std::uint8_t> bytes_;
};

// True when text fits a fixed-width field together with its terminator and
// holds no zero byte of its own.
bool FitsField(std::string_view text, std::size_t width);

}  // namespace spd
