#include "codec/Status.h"

namespace spd {

const char* StatusText(Status status) {
    switch (status) {
    case Status::Ok:
        return "ok";
    case Status::Truncated:
        return "data ends too early";
    case Status::BadMagic:
        return "wrong magic number";
    case Status::BadVersion:
        return "wrong format version";
    case Status::BadSize:
        return "invalid size field";
    case Status::Overflow:
        return "size or count overflows its field";
    case Status::DecompressError:
        return "zlib could not expand the data";
    case Status::CompressError:
        return "zlib could not compress the data";
    case Status::LengthMismatch:
        return "expanded length differs from the recorded one";
    case Status::ChecksumMismatch:
        return "Adler-32 checksum mismatch";
    case Status::BadKind:
        return "folder kind outside 1..5";
    case Status::BadRecord:
        return "invalid record";
    case Status::BadLayout:
        return "sections do not fit the data";
    }
    return "unknown status";
}

}  // namespace spd
