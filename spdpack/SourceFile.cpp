#include "spdpack/SourceFile.h"

#include <zlib.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace spdpack {

namespace fs = std::filesystem;

std::uint64_t HeldBytes(std::uint64_t size)
{
    return size + compressBound(static_cast<uLong>(size));
}

std::uint64_t LargestSourceFile()
{
    std::uint64_t low = 0, high = kMaxHeldBytes;  // HeldBytes(low) fits, HeldBytes(high) does not
    while (high - low > 1) {
        std::uint64_t mid = low + (high - low) / 2;
        (HeldBytes(mid) <= kMaxHeldBytes ? low : high) = mid;
    }
    return low;
}

std::optional<std::string> TooLargeForSetup(std::uint64_t size)
{
    if (HeldBytes(size) <= kMaxHeldBytes)
        return std::nullopt;
    return "is " + std::to_string(size) + " bytes long; the setup program holds a file's compressed and expanded " +
           "copies in memory at once, at most " + std::to_string(kMaxHeldBytes) +
           " bytes (1 GiB) together, so a file may be at most " + std::to_string(LargestSourceFile()) + " bytes long";
}

std::vector<std::uint8_t> ReadSourceFile(const fs::path& path, const std::string& where, bool limited)
{
    auto fail = [&](const std::string& problem) {
        throw std::runtime_error(where + ": \"" + path.string() + "\" " + problem);
    };
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    std::error_code ec;
    if (fs::is_directory(path, ec))
        fail("is a folder, not a file");
    if (!file)
        fail("cannot be read");
    const std::uint64_t size = fs::file_size(path, ec);
    if (ec)
        fail("cannot be read: " + ec.message());
    if (limited)
        if (auto reason = TooLargeForSetup(size))
            fail(*reason);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || std::fgetc(file.get()) != EOF)
        fail("changed while it was read");
    return bytes;
}

}  // namespace spdpack
