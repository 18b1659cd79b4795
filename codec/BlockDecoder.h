// Expanding blocks one after the other into buffers the caller keeps, as the
// setup program does for every file it installs.
//
// A block's stream is expanded with one inflate call over the whole stored
// bytes and the whole output buffer, which is what zlib's uncompress() does
// (same outcome for every input), but on an inflate state kept from one
// block to the next. zlib computes the Adler-32 of the bytes it produces to
// check the stream's trailer; that value is the block's checksum, so the
// produced bytes are not read a second time to compute it.
//
//   spd::BlockDecoder decoder;                        // one per thread
//   auto r = decoder.Expand(stored, out);             // out: expandedSize bytes
//   if (r.status == Ok && r.adler == header.checksum) ... r.produced bytes
#pragma once

#include "codec/ByteReader.h"
#include "codec/Status.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace spd {

class BlockDecoder {
public:
    BlockDecoder();
    ~BlockDecoder();
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    struct Expanded {
        Status status = Status::Ok;  // Ok, or DecompressError for any zlib error
        std::size_t produced = 0;    // bytes written to the front of out
        std::uint32_t adler = 1;     // Adler-32 of those bytes
    };

    // Expands the zlib stream at the start of stored into out. As with
    // uncompress(), bytes after the end of the stream are ignored, and a
    // stream that needs more room than out has is an error.
    Expanded Expand(ByteSpan stored, std::span<std::uint8_t> out);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace spd
