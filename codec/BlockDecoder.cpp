#include "codec/BlockDecoder.h"

#include <zlib.h>

#include <limits>

namespace spd {

struct BlockDecoder::State {
    z_stream stream{};
    bool ready = false;

    ~State() {
        if (ready) inflateEnd(&stream);
    }
};

BlockDecoder::BlockDecoder() : state_(std::make_unique<State>()) {}
BlockDecoder::~BlockDecoder() = default;

BlockDecoder::Expanded BlockDecoder::Expand(ByteSpan stored, std::span<std::uint8_t> out) {
    Expanded result;
    result.status = Status::DecompressError;
    if (stored.size() > std::numeric_limits<uInt>::max() || out.size() > std::numeric_limits<uInt>::max())
        return result;
    z_stream& s = state_->stream;
    if (!state_->ready) {
        s = z_stream{};
        if (inflateInit(&s) != Z_OK) return result;
        state_->ready = true;
    } else if (inflateReset(&s) != Z_OK) {
        return result;
    }
    // zlib refuses a null output pointer even when there is no room.
    static Bytef noRoom = 0;
    s.next_in = const_cast<Bytef*>(stored.data());
    s.avail_in = static_cast<uInt>(stored.size());
    s.next_out = out.empty() ? &noRoom : out.data();
    s.avail_out = static_cast<uInt>(out.size());
    // Everything is at hand: Z_FINISH lets zlib write straight into out
    // without keeping a window of its own.
    if (inflate(&s, Z_FINISH) != Z_STREAM_END) return result;
    result.status = Status::Ok;
    result.produced = out.size() - s.avail_out;
    result.adler = static_cast<std::uint32_t>(s.adler);
    return result;
}

}  // namespace spd
