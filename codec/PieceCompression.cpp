#include "codec/PieceCompression.h"

#include "codec/Checksum.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace spd {

namespace {

constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;  // zlib's default, as compress2() uses

// One deflate state, made on first use and reset between pieces; made anew
// when the level changes.
class Deflater {
public:
    explicit Deflater(bool wrapped) : wrapped_(wrapped) {}
    ~Deflater() {
        if (ready_) deflateEnd(&stream_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    z_stream* Ready(int level) {
        if (ready_ && level_ == level) return deflateReset(&stream_) == Z_OK ? &stream_ : nullptr;
        if (ready_) deflateEnd(&stream_);
        ready_ = false;
        stream_ = z_stream{};
        if (deflateInit2(&stream_, level, Z_DEFLATED, wrapped_ ? kWindowBits : -kWindowBits, kMemLevel,
                         Z_DEFAULT_STRATEGY) != Z_OK)
            return nullptr;
        ready_ = true;
        level_ = level;
        return &stream_;
    }

private:
    bool wrapped_;
    bool ready_ = false;
    int level_ = 0;
    z_stream stream_{};
};

}  // namespace

struct PieceCompressor::States {
    Deflater wrapped{true};
    Deflater raw{false};
};

PieceCompressor::PieceCompressor() : states_(std::make_unique<States>()) {}
PieceCompressor::~PieceCompressor() = default;

std::uint64_t PieceCount(std::uint64_t size) {
    return size == 0 ? 1 : (size + kPieceSize - 1) / kPieceSize;
}

Status PieceCompressor::Compress(std::span<const std::uint8_t> dictionary, std::span<const std::uint8_t> piece,
                                 int level, bool first, bool last, std::vector<std::uint8_t>& out) {
    if (level < -1 || level > 9 || piece.size() > kPieceSize) return Status::CompressError;
    z_stream* s = (first ? states_->wrapped : states_->raw).Ready(level);
    if (s == nullptr) return Status::CompressError;
    if (!first && !dictionary.empty()) {
        dictionary = dictionary.last(std::min(dictionary.size(), kPieceDictionarySize));
        if (deflateSetDictionary(s, dictionary.data(), static_cast<uInt>(dictionary.size())) != Z_OK)
            return Status::CompressError;
    }
    static const Bytef kEmpty = 0;
    s->next_in = const_cast<Bytef*>(piece.empty() ? &kEmpty : piece.data());
    s->avail_in = static_cast<uInt>(piece.size());
    // Room for the whole piece at once; the empty stored block of a flush
    // and the block bits before it need a few bytes beyond deflateBound().
    out.resize(deflateBound(s, static_cast<uLong>(piece.size())) + 16);
    std::size_t produced = 0;
    const int flush = last ? Z_FINISH : Z_FULL_FLUSH;
    for (;;) {
        s->next_out = out.data() + produced;
        s->avail_out = static_cast<uInt>(out.size() - produced);
        const int rc = deflate(s, flush);
        produced = out.size() - s->avail_out;
        if (rc != Z_OK && rc != Z_BUF_ERROR && rc != Z_STREAM_END) return Status::CompressError;
        if (last ? rc == Z_STREAM_END : s->avail_out != 0) break;
        out.resize(out.size() * 2);
    }
    out.resize(produced);
    return Status::Ok;
}

std::array<std::uint8_t, 4> StreamTrailer(std::uint32_t adler) {
    return {static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
            static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)};
}

Result<std::vector<std::uint8_t>> CompressInPieces(std::span<const std::uint8_t> input, int level) {
    if (input.size() > std::numeric_limits<std::uint32_t>::max()) return Status::Overflow;
    PieceCompressor compressor;
    std::vector<std::uint8_t> whole;
    std::vector<std::uint8_t> piece;
    const std::uint64_t count = PieceCount(input.size());
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::size_t begin = static_cast<std::size_t>(i * kPieceSize);
        const std::size_t length = std::min(kPieceSize, input.size() - begin);
        const std::size_t dictionaryBegin = begin - std::min(begin, kPieceDictionarySize);
        Status s = compressor.Compress(input.subspan(dictionaryBegin, begin - dictionaryBegin),
                                       input.subspan(begin, length), level, i == 0, i + 1 == count, piece);
        if (s != Status::Ok) return s;
        whole.insert(whole.end(), piece.begin(), piece.end());
    }
    if (count > 1) {
        const auto trailer = StreamTrailer(Adler32(input));
        whole.insert(whole.end(), trailer.begin(), trailer.end());
    }
    return whole;
}

}  // namespace spd
