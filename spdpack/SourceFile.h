// The source files of a build: how large one may be, and reading it.
//
// The setup program is a 32-bit program that holds a file's stored
// (compressed) and expanded copies in memory at the same time. Both together
// may take at most kMaxHeldBytes (1 GiB), which a 32-bit process can still
// find beside everything else it holds. The stored size is not known before
// compressing; zlib's compressBound() is the most it can be, so a file is
// accepted when its size plus compressBound(size) stays within the limit:
// files of up to LargestSourceFile() bytes (a little under 512 MiB). The
// size is read before the content, so a file too large is refused at once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace spdpack {

inline constexpr std::uint64_t kMaxHeldBytes = std::uint64_t(1) << 30;

// size + compressBound(size): what the setup program holds for the file.
std::uint64_t HeldBytes(std::uint64_t size);

// The largest size whose HeldBytes() is at most kMaxHeldBytes.
std::uint64_t LargestSourceFile();

// Why a file of this size cannot be installed, or nullopt when it can.
std::optional<std::string> TooLargeForSetup(std::uint64_t size);

// A source file read from start to end in pieces. Opening it checks that it
// is a readable regular file and, with limited, that it is not larger than
// LargestSourceFile(); the size is taken once, at opening. Every failure
// throws std::runtime_error naming where and the file.
class SourceReader {
public:
    SourceReader(const std::filesystem::path& path, const std::string& where, bool limited);
    ~SourceReader();
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    std::uint64_t size() const { return size_; }

    // Reads the next n bytes into `into`; n must not exceed what is left of
    // size(). A file that ends early "changed while it was read".
    void Read(std::uint8_t* into, std::size_t n);

    // After size() bytes: a file that goes on beyond them changed as well.
    void Finish();

private:
    [[noreturn]] void Fail(const std::string& problem) const;

    std::filesystem::path path_;
    std::string where_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

}  // namespace spdpack
