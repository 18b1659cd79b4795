// One zlib stream made of pieces that are compressed independently, so that
// several threads can share a large file, and that zlib's uncompress() still
// expands in one call.
//
// The input is cut into pieces of kPieceSize bytes (the last one may be
// shorter; an empty input is one empty piece). Each piece gets a deflate
// state of its own:
//   * the first piece is compressed in the zlib format, so it begins with the
//     2-byte stream header; every later one as raw deflate data, primed with
//     the last 32 KiB of input before it as its dictionary, so that matches
//     reach back across the cut as they would in one pass;
//   * every piece but the last ends with a full flush (its deflate data stops
//     on a byte boundary after an empty stored block, no block is final), the
//     last one finishes the deflate data;
//   * the stream ends with the Adler-32 of the whole input (big-endian),
//     combined from the pieces' own values (Adler32Combine()).
// A single piece is exactly what zlib's compress2() makes. The bytes depend on
// the input and the level only, never on how many pieces are made at once.
//
//   spd::PieceCompressor c;                       // one per thread
//   c.Compress(dictionary, piece, level, first, last, out);
//   ... out of every piece in order, then StreamTrailer(adlerOfAll)
#pragma once

#include "codec/Status.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace spd {

// Bytes of input per piece.
constexpr std::size_t kPieceSize = std::size_t(1) << 20;

// Bytes of input before a piece that prime its dictionary.
constexpr std::size_t kPieceDictionarySize = 32 * 1024;

// Number of pieces of an input of size bytes (at least one).
std::uint64_t PieceCount(std::uint64_t size);

// Compresses pieces; keeps its zlib states from one piece to the next, so a
// thread that compresses many pieces allocates them once. Not shared between
// threads.
class PieceCompressor {
public:
    PieceCompressor();
    ~PieceCompressor();
    PieceCompressor(const PieceCompressor&) = delete;
    PieceCompressor& operator=(const PieceCompressor&) = delete;

    // Compresses one piece (at most kPieceSize bytes) into out, replacing its
    // contents. dictionary: the up to 32 KiB of input right before the piece
    // (not used for the first). The last piece's deflate data is finished
    // but gets no trailer, unless it is the first as well: a single piece is
    // a whole stream. CompressError when zlib fails, the level is not -1..9
    // or the piece is too long.
    Status Compress(std::span<const std::uint8_t> dictionary, std::span<const std::uint8_t> piece, int level,
                    bool first, bool last, std::vector<std::uint8_t>& out);

private:
    struct States;
    std::unique_ptr<States> states_;
};

// The 4 bytes that end a zlib stream: the Adler-32 of its input, big-endian.
std::array<std::uint8_t, 4> StreamTrailer(std::uint32_t adler);

// The whole stream for input, piece after piece on the calling thread.
// CompressError as above; Overflow for an input beyond 4 GiB.
Result<std::vector<std::uint8_t>> CompressInPieces(std::span<const std::uint8_t> input, int level);

}  // namespace spd
