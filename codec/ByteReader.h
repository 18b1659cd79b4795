// Little-endian reader over a span of bytes it does not own.
//
// Every read is bounds-checked against the bytes the reader was given. A read
// that would pass the end reads nothing, returns zero (or an empty span or
// string) and marks the reader as failed; the failure is sticky, so a decoder
// reads all its fields and asks ok() once at the end. Sequential reads advance
// the position; the ...At() reads take an absolute offset and leave the
// position alone.
//
// Fixed-width string fields: the text ends at the first zero byte, or at the
// width when the field holds no zero byte. Bytes after the terminator are not
// looked at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace spd {

using ByteSpan = std::span<const std::uint8_t>;

class ByteReader {
public:
    explicit ByteReader(ByteSpan bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    bool ok() const { return ok_; }

    // True when n bytes are available at offset (no overflow possible).
    bool Has(std::size_t offset, std::size_t n) const;

    bool Seek(std::size_t offset);
    bool Skip(std::size_t n);

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    ByteSpan Bytes(std::size_t n);
    std::string FixedString(std::size_t width);

    // count records of recordSize bytes each, as one span. Fails when the
    // total size overflows or exceeds what is left.
    ByteSpan Records(std::uint64_t count, std::size_t recordSize);

    std::uint8_t U8At(std::size_t offset);
    std::uint16_t U16At(std::size_t offset);
    std::uint32_t U32At(std::size_t offset);
    ByteSpan BytesAt(std::size_t offset, std::size_t n);
    std::string FixedStringAt(std::size_t offset, std::size_t width);

private:
    bool Fail() {
        ok_ = false;
        return false;
    }

    ByteSpan bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Text of a fixed-width field: up to the first zero byte or the field's end.
std::string FixedStringFrom(ByteSpan field);

// Multiplies count by size; false when the product does not fit in size_t
// (or in limit, when given).
bool CheckedMultiply(std::uint64_t count, std::uint64_t size, std::size_t& product, std::uint64_t limit = SIZE_MAX);

}  // namespace spd
