// Helpers shared by the host tests: temporary folders, file access, running
// the spdpack program, and a hand-made little-endian byte image that does not
// go through the codec.
#pragma once

#include "codec/Status.h"

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder below the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

Bytes ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
void WriteText(const std::filesystem::path& path, const std::string& text);
Bytes Pseudorandom(std::size_t n, std::uint32_t seed);

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs spdpack (the path from $SPDPACK, else the one built with the tests)
// with the given arguments; each argument is quoted for the shell.
RunResult RunSpdpack(const std::vector<std::string>& args);

// Bytes written by hand at fixed offsets (little-endian), independent of the
// codec's ByteWriter.
class Image {
public:
    explicit Image(std::size_t size) : bytes(size, 0) {}
    Image& u8(std::size_t off, std::uint8_t v);
    Image& u16(std::size_t off, std::uint16_t v);
    Image& u32(std::size_t off, std::uint32_t v);
    Image& text(std::size_t off, const std::string& s);  // bytes of s, no terminator added
    Image& raw(std::size_t off, const Bytes& b);
    Bytes bytes;
};

// zlib used directly, for expected values.
std::uint32_t ZAdler(const Bytes& b);
Bytes ZCompress(const Bytes& b, int level);

// Entries of a folder listing (relative paths, sorted), for "nothing written" checks.
std::vector<std::string> Listing(const std::filesystem::path& dir);

}  // namespace testing_support

namespace spd {
// Lets GoogleTest print a Status by name.
void PrintTo(Status status, std::ostream* os);
}  // namespace spd
