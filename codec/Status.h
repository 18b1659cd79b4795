// Outcome of decoding or encoding one piece of setup data.
//
// Codec functions never throw. A decode of a fixed layout returns
// std::optional (the only failure is "too few bytes"); operations that can
// fail in several ways return Result<T>, which carries a Status and, when the
// status is Ok, the value. Callers map a Status onto their own error reports.
#pragma once

#include <utility>

namespace spd {

enum class [[nodiscard]] Status{
    Ok,
    Truncated,         // fewer bytes than the layout or a size field demands
    BadMagic,          // the magic number is not the expected one
    BadVersion,        // the format version is not 16
    BadSize,           // a size field is zero, impossible or out of range
    Overflow,          // a count or size does not fit its field or overflows
    DecompressError,   // zlib rejected a compressed piece
    CompressError,     // zlib failed to compress
    LengthMismatch,    // a piece expanded to another length than recorded
    ChecksumMismatch,  // an Adler-32 does not match the recorded one
    BadKind,           // a folder kind outside 1..5
    BadRecord,         // a record-level check failed (sizes of a folder record)
    BadLayout,         // sections or offsets do not fit the data
};

// Short English description of a status, for tools and test messages.
const char* StatusText(Status status);

template <class T>
struct [[nodiscard]] Result {
    Status status = Status::Ok;
    T value{};

    Result() = default;
    Result(Status s) : status(s) {}                           // NOLINT: implicit on purpose (return Status::X;)
    Result(T v) : status(Status::Ok), value(std::move(v)) {}  // NOLINT

    bool ok() const { return status == Status::Ok; }
    explicit operator bool() const { return ok(); }
};

}  // namespace spd
