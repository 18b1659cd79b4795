// _setup.spd: the uninstaller program as a 12-byte PackedProgramHeader and
// one zlib stream (see codec/Layout.h).
//
//   auto file = spd::PackProgram(programBytes, level);   // whole _setup.spd
//   auto program = spd::UnpackProgram(fileBytes);        // the program again
#pragma once

#include "codec/ByteReader.h"
#include "codec/Status.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace spd {

struct PackedProgramHeader {
    static constexpr std::size_t kSize = 12;
    static constexpr std::uint32_t kMagic = 0x12343210;

    static constexpr std::size_t kOffMagic = 0;
    static constexpr std::size_t kOffChecksum = 4;
    static constexpr std::size_t kOffExpandedSize = 8;

    std::uint32_t magic = kMagic;
    std::uint32_t checksum = 0;
    std::uint32_t expandedSize = 0;

    std::array<std::uint8_t, kSize> Encode() const;
    static std::optional<PackedProgramHeader> Decode(ByteSpan bytes);  // nullopt: < 12 bytes

    // What every reader asks of the header: BadMagic, BadSize (an
    // expandedSize of 0) or Ok.
    Status Check() const;

    bool operator==(const PackedProgramHeader&) const = default;
};

// The whole file for program (which must not be empty: BadSize); the
// stream is made in pieces (codec/PieceCompression.h).
Result<std::vector<std::uint8_t>> PackProgram(ByteSpan program, int level);

// The program from the whole file:
//   Truncated        fewer than 12 bytes
//   BadMagic         magic is not 0x12343210
//   BadSize          expandedSize is 0
//   DecompressError  zlib error (also: nothing after the header)
//   ChecksumMismatch Adler-32 of the produced bytes differs
// The value holds the bytes produced.
Result<std::vector<std::uint8_t>> UnpackProgram(ByteSpan file);

}  // namespace spd
