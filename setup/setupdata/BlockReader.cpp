#include "setupdata/BlockReader.h"

#include <algorithm>
#include <array>
#include <vector>

#include "codec/Compression.h"
#include "framework/File.h"
#include "run/SetupWork.h"
#include "setupdata/SetupFiles.h"

namespace kalvorin::setup {

namespace {

// Room between the end of the expanded bytes and the start of the compressed
// ones. A stream as deflate makes it is never more than a few bytes per
// 16 KiB ahead of its output, and a stored block is copied in pieces of up to
// 64 KiB: with this much room the output never reaches compressed bytes that
// are still to be read.
uint64_t InPlaceRoom(uint64_t expanded) {
    return (expanded >> 10) + 128 * 1024;
}

[[noreturn]] void Raise(SetupPhase phase, SetupCause cause) {
    throw CSetupException(phase, cause);
}

}  // namespace

bool ReadBlockHeader(CFile& file, spd::BlockHeader& header) {
    std::array<uint8_t, spd::BlockHeader::kSize> bytes{};
    if (ReadUpTo(file, bytes.data(), static_cast<UINT>(bytes.size())) != bytes.size()) return false;
    header = *spd::BlockHeader::Decode(bytes);
    return true;
}

std::span<const uint8_t> ReadBlock(SetupWork& work, const spd::BlockHeader& header, SetupPhase phase,
                                   std::span<uint8_t> following, size_t* followingRead) {
    CFile& file = work.joined;
    // Sizes beyond the end of the data cannot be read whatever memory there
    // is: no buffer is made for them.
    const uint64_t position = file.GetPosition();
    const uint64_t length = file.GetLength();
    if (position > length || header.storedSize > length - position) Raise(phase, SetupCause::DamagedSetupFile);
    const size_t stored = header.storedSize;
    // No more room than the stream could possibly fill.
    const size_t room = static_cast<size_t>(std::min<uint64_t>(header.expandedSize, spd::MaxExpandedSize(stored)));
    size_t gotFollowing = 0;
    auto done = [&](size_t produced) {
        if (followingRead != nullptr) *followingRead = gotFollowing;
        return std::span<const uint8_t>(work.blockBuffer.data(), produced);
    };

    // Expanded in place: the compressed bytes (and the following ones) at the
    // far end of the buffer.
    const uint64_t inPlace = std::max<uint64_t>(room + InPlaceRoom(room), stored) + following.size();
    if (inPlace <= work.allocationLimit && work.blockBuffer.Reserve(static_cast<size_t>(inPlace))) {
        uint8_t* const buffer = work.blockBuffer.data();
        uint8_t* const compressed = buffer + (static_cast<size_t>(inPlace) - following.size() - stored);
        const UINT got = ReadUpTo(file, compressed, static_cast<UINT>(stored + following.size()));
        if (got < stored) Raise(phase, SetupCause::DamagedSetupFile);
        gotFollowing = got - stored;
        std::copy_n(compressed + stored, gotFollowing, following.data());
        if (header.expandedSize > work.allocationLimit) Raise(phase, SetupCause::OutOfMemory);
        const auto expanded =
            work.decoder.Expand(std::span<const uint8_t>(compressed, stored), std::span<uint8_t>(buffer, room));
        if (expanded.status == spd::Status::Ok && expanded.adler == header.checksum) return done(expanded.produced);
        file.Seek(static_cast<int64_t>(position), CFile::begin);
    }

    // Two buffers: the compressed bytes in one of their own.
    std::vector<uint8_t> compressed = work.Allocate(stored, phase);
    if (ReadUpTo(file, compressed.data(), static_cast<UINT>(stored)) != stored) {
        Raise(phase, SetupCause::DamagedSetupFile);
    }
    gotFollowing = ReadUpTo(file, following.data(), static_cast<UINT>(following.size()));
    if (header.expandedSize > work.allocationLimit || !work.blockBuffer.Reserve(room)) {
        Raise(phase, SetupCause::OutOfMemory);
    }
    const auto expanded = work.decoder.Expand(compressed, std::span<uint8_t>(work.blockBuffer.data(), room));
    std::vector<uint8_t>().swap(compressed);
    if (expanded.status != spd::Status::Ok) Raise(phase, SetupCause::DecompressError);
    if (expanded.adler != header.checksum) Raise(phase, SetupCause::DamagedSetupFile);
    return done(expanded.produced);
}

}  // namespace kalvorin::setup
