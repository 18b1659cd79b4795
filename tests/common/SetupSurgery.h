// Cutting into built setup data: where each piece of the joined data lies,
// little-endian fields set in place, the checksums made to fit again after a
// change (so that the change reaches the readers behind them), and the
// joined data cut back into the volume files it came from. Shared by the
// tests that damage setups on purpose: the mutations run through the worker
// (tests/win) and the fault matrix (tests/e2e).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/BlockHeader.h"
#include "codec/Checksum.h"
#include "codec/SetupHeader.h"
#include "codec/VolumeHeader.h"

namespace surgery {

using Bytes = std::vector<std::uint8_t>;

// Offsets of the pieces of joined setup data as a builder laid them out.
struct Pieces {
    std::size_t folderTable = spd::SetupHeader::kSize;  // its BlockHeader
    std::size_t catalog = 0;                            // the catalog header
    std::vector<std::size_t> records;                   // each file record's BlockHeader
    std::vector<std::size_t> contents;                  // each file content's BlockHeader
};

inline std::uint32_t GetLE(const Bytes& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes.at(at + static_cast<std::size_t>(i));
    return value;
}

inline void PutLE(Bytes& bytes, std::size_t at, int width, std::uint32_t value) {
    for (int i = 0; i < width; ++i)
        bytes.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(value >> (8 * i));
}

// The whole block at `at` (header and stored bytes).
inline std::size_t BlockLength(const Bytes& joined, std::size_t at) {
    return spd::BlockHeader::kSize + GetLE(joined, at + spd::BlockHeader::kOffStoredSize, 4);
}

// The pieces of undamaged joined data.
inline Pieces Locate(const Bytes& joined) {
    Pieces p;
    p.catalog = GetLE(joined, spd::SetupHeader::kOffCatalogOffset, 4);
    const std::size_t files = GetLE(joined, spd::SetupHeader::kOffFileCount, 2);
    std::size_t at = p.catalog + spd::BlockHeader::kSize;
    for (std::size_t i = 0; i < files; ++i) {
        p.records.push_back(at);
        at += BlockLength(joined, at);
        p.contents.push_back(at);
        at += BlockLength(joined, at);
    }
    return p;
}

// Makes the checksums fit the data again: the catalog header's over
// everything after it (when `catalogAt` is not 0), then the header's
// dataLength and dataChecksum.
inline void Reseal(Bytes& joined, std::size_t catalogAt) {
    if (catalogAt != 0 && catalogAt + spd::BlockHeader::kSize <= joined.size()) {
        const auto rest = std::span<const std::uint8_t>(joined).subspan(catalogAt + spd::BlockHeader::kSize);
        PutLE(joined, catalogAt + spd::BlockHeader::kOffChecksum, 4, spd::Adler32(rest));
    }
    PutLE(joined, spd::SetupHeader::kOffDataLength, 4, static_cast<std::uint32_t>(joined.size()));
    PutLE(joined, spd::SetupHeader::kOffDataChecksum, 4,
          spd::Adler32(std::span<const std::uint8_t>(joined).subspan(spd::SetupHeader::kSize)));
}

// `joined` cut into volume files as `original` was: user.spd first, then
// each further volume with its own 88-byte header and the same number of
// data bytes as before (the last one takes what is left).
inline std::vector<Bytes> Split(const Bytes& joined, const std::vector<Bytes>& original) {
    std::vector<Bytes> volumes;
    std::size_t at = 0;
    for (std::size_t v = 0; v < original.size(); ++v) {
        const std::size_t header = v == 0 ? 0 : spd::VolumeHeader::kSize;
        const bool last = v + 1 == original.size();
        std::size_t take = last ? joined.size() - std::min(at, joined.size()) : original[v].size() - header;
        take = std::min(take, joined.size() - std::min(at, joined.size()));
        Bytes volume(original[v].begin(), original[v].begin() + static_cast<std::ptrdiff_t>(header));
        volume.insert(volume.end(), joined.begin() + static_cast<std::ptrdiff_t>(at),
                      joined.begin() + static_cast<std::ptrdiff_t>(at + take));
        at += take;
        volumes.push_back(std::move(volume));
    }
    return volumes;
}

}  // namespace surgery
