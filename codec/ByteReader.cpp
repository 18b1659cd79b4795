#include "codec/ByteReader.h"

#include <cstring>

namespace spd {

bool ByteReader::Has(std::size_t offset, std::size_t n) const {
    return offset <= bytes_.size() && n <= bytes_.size() - offset;
}

bool ByteReader::Seek(std::size_t offset) {
    if (offset > bytes_.size()) return Fail();
    pos_ = offset;
    return true;
}

bool ByteReader::Skip(std::size_t n) {
    if (!Has(pos_, n)) return Fail();
    pos_ += n;
    return true;
}

std::uint8_t ByteReader::U8() {
    std::uint8_t v = U8At(pos_);
    if (ok_) pos_ += 1;
    return v;
}

std::uint16_t ByteReader::U16() {
    if (!Has(pos_, 2)) {
        Fail();
        return 0;
    }
    std::uint16_t v = U16At(pos_);
    pos_ += 2;
    return v;
}

std::uint32_t ByteReader::U32() {
    if (!Has(pos_, 4)) {
        Fail();
        return 0;
    }
    std::uint32_t v = U32At(pos_);
    pos_ += 4;
    return v;
}

ByteSpan ByteReader::Bytes(std::size_t n) {
    if (!Has(pos_, n)) {
        Fail();
        return {};
    }
    ByteSpan s = bytes_.subspan(pos_, n);
    pos_ += n;
    return s;
}

std::string ByteReader::FixedString(std::size_t width) {
    if (!Has(pos_, width)) {
        Fail();
        return {};
    }
    std::string s = FixedStringFrom(bytes_.subspan(pos_, width));
    pos_ += width;
    return s;
}

ByteSpan ByteReader::Records(std::uint64_t count, std::size_t recordSize) {
    std::size_t total = 0;
    if (!CheckedMultiply(count, recordSize, total) || !Has(pos_, total)) {
        Fail();
        return {};
    }
    return Bytes(total);
}

std::uint8_t ByteReader::U8At(std::size_t offset) {
    if (!Has(offset, 1)) {
        Fail();
        return 0;
    }
    return bytes_[offset];
}

std::uint16_t ByteReader::U16At(std::size_t offset) {
    if (!Has(offset, 2)) {
        Fail();
        return 0;
    }
    return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

std::uint32_t ByteReader::U32At(std::size_t offset) {
    if (!Has(offset, 4)) {
        Fail();
        return 0;
    }
    return static_cast<std::uint32_t>(bytes_[offset]) | (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
}

ByteSpan ByteReader::BytesAt(std::size_t offset, std::size_t n) {
    if (!Has(offset, n)) {
        Fail();
        return {};
    }
    return bytes_.subspan(offset, n);
}

std::string ByteReader::FixedStringAt(std::size_t offset, std::size_t width) {
    if (!Has(offset, width)) {
        Fail();
        return {};
    }
    return FixedStringFrom(bytes_.subspan(offset, width));
}

std::string FixedStringFrom(ByteSpan field) {
    const void* zero = field.empty() ? nullptr : std::memchr(field.data(), 0, field.size());
    std::size_t n =
        zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - field.data()) : field.size();
    return std::string(reinterpret_cast<const char*>(field.data()), n);
}

bool CheckedMultiply(std::uint64_t count, std::uint64_t size, std::size_t& product, std::uint64_t limit) {
    if (limit > SIZE_MAX) limit = SIZE_MAX;
    if (size != 0 && count > limit / size) return false;
    product = static_cast<std::size_t>(count * size);
    return true;
}

}  // namespace spd
