// Where the compressed streams of a build go as they come (StreamCompressor.h):
// _setup.spd, and the file records and contents of the catalog.
#pragma once

#include "spdpack/Manifest.h"
#include "spdpack/OutputFolder.h"
#include "spdpack/StreamCompressor.h"
#include "spdpack/VolumeWriter.h"

#include "codec/Status.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace spdpack {

// The text of a failure of the codecs in a build's messages.
std::string FailureText(spd::Status status);

// _setup.spd: the 12-byte header, written last, and the uninstaller's stream.
// An empty uninstaller is refused as soon as it is opened (BuildError).
class PackedProgramSink : public StreamSink {
public:
    PackedProgramSink(StagedFile& file, std::string where, std::filesystem::path source);

    void Opened(std::size_t stream, std::uint64_t size) override;
    void Piece(const CompressedPiece& piece) override;

    // Bytes of the whole file.
    std::uint64_t length() const;

private:
    StagedFile& file_;
    std::string where_;
    std::filesystem::path source_;
    std::uint64_t length_ = 0;
};

// Everything after the catalog header: for each file its record, a block of
// its own, then its content block, whose header is written again when its
// stream is complete. Keeps the Adler-32 and the length of all it wrote;
// BuildError when the setup data grows beyond 4 GiB.
class CatalogSink : public StreamSink {
public:
    CatalogSink(VolumeWriter& out, const Manifest& m);

    void Piece(const CompressedPiece& piece) override;

    std::uint32_t adler() const { return adler_; }
    std::uint64_t length() const { return length_; }

private:
    void Append(spd::ByteSpan bytes);
    [[noreturn]] void TooLarge() const;

    VolumeWriter& out_;
    const Manifest& m_;
    std::uint32_t adler_ = 1;
    std::uint64_t length_ = 0;
    std::uint64_t headerOffset_ = 0;  // of the content block being written
    std::uint32_t dataAdler_ = 1;     // its stream so far
    std::uint64_t dataLength_ = 0;
};

}  // namespace spdpack
