// A GUID in the Windows layout: Data1 (32-bit), Data2 and Data3 (16-bit), all
// little-endian in its 16 bytes, then the 8 bytes of Data4 in order.
//
// Text form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (Data1, Data2, Data3,
// Data4[0..1], Data4[2..7]). Parse() accepts either case and the form with or
// without braces; Format() writes upper case with braces.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace spd {

struct Guid {
    static constexpr std::size_t kSize = 16;

    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    bool operator==(const Guid&) const = default;

    bool IsNull() const { return *this == Guid{}; }

    std::array<std::uint8_t, kSize> ToBytes() const;
    // Needs at least 16 bytes; nullopt otherwise.
    static std::optional<Guid> FromBytes(std::span<const std::uint8_t> bytes);

    std::string Format() const;
    static std::optional<Guid> Parse(std::string_view text);

    // A version 4 (random) GUID made from 16 random bytes.
    static Guid FromRandomBytes(const std::array<std::uint8_t, kSize>& random);
};

}  // namespace spd
