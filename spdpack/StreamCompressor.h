// Compresses source files into zlib streams on several threads, reading and
// holding only a few pieces of them at a time.
//
// Each source becomes one stream made of pieces (codec/PieceCompression.h).
// The calling thread reads the pieces in order, the worker threads compress
// them (and take the Adler-32 of what goes in and comes out), and the calling
// thread hands them back to the sink in order. At most two pieces per worker
// are on their way at once, so memory stays a few MiB per worker whatever the
// size of the files; the bytes are the same whatever the number of workers.
#pragma once

#include "codec/ByteReader.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace spdpack {

struct StreamSource {
    std::filesystem::path path;
    std::string where;    // names the entry in messages
    bool limited = true;  // refused when too large for the setup program (SourceFile.h)
};

// One piece of a stream's output, handed over in order.
struct CompressedPiece {
    std::size_t stream = 0;        // index of its source
    std::uint64_t streamSize = 0;  // bytes of the source
    bool first = false;
    bool last = false;
    spd::ByteSpan bytes;            // this piece of the stream; the last one ends with the trailer
    std::uint32_t bytesAdler = 1;   // Adler-32 of bytes
    std::uint32_t streamAdler = 1;  // last piece: Adler-32 of the whole source
    std::uint64_t storedSize = 0;   // last piece: length of the whole stream
};

class StreamSink {
public:
    virtual ~StreamSink() = default;
    // A source was opened, before any of it is read (and maybe before the
    // pieces of earlier sources were handed over).
    virtual void Opened(std::size_t /*stream*/, std::uint64_t /*size*/) {}
    // The next piece, in the order of the sources and their pieces.
    virtual void Piece(const CompressedPiece& piece) = 0;
};

// Bytes of source read and handed over so far.
using StreamProgress = std::function<void(std::uint64_t done)>;

// threads 0: one per hardware thread. Throws std::runtime_error for a source
// that cannot be read or changes while it is read, and for a zlib failure;
// whatever the sink throws passes through. The workers have stopped when it
// returns or throws.
void CompressStreams(const std::vector<StreamSource>& sources, int level, unsigned threads, StreamSink& sink,
                     const StreamProgress& progress = {});

}  // namespace spdpack
