#include "spdpack/SourceFile.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace spdpack {

namespace fs = std::filesystem;

std::uint64_t HeldBytes(std::uint64_t size) {
    return size + compressBound(static_cast<uLong>(size));
}

std::uint64_t LargestSourceFile() {
    std::uint64_t low = 0, high = kMaxHeldBytes;  // HeldBytes(low) fits, HeldBytes(high) does not
    while (high - low > 1) {
        std::uint64_t mid = low + (high - low) / 2;
        (HeldBytes(mid) <= kMaxHeldBytes ? low : high) = mid;
    }
    return low;
}

std::optional<std::string> TooLargeForSetup(std::uint64_t size) {
    if (HeldBytes(size) <= kMaxHeldBytes) return std::nullopt;
    return "is " + std::to_string(size) + " bytes long; the setup program holds a file's compressed and expanded " +
           "copies in memory at once, at most " + std::to_string(kMaxHeldBytes) +
           " bytes (1 GiB) together, so a file may be at most " + std::to_string(LargestSourceFile()) + " bytes long";
}

SourceReader::SourceReader(const fs::path& path, const std::string& where, bool limited) : path_(path), where_(where) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) Fail("is a folder, not a file");
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) Fail("cannot be read");
    struct stat st {};
    if (::fstat(fd_, &st) != 0) Fail(std::string("cannot be read: ") + std::strerror(errno));
    size_ = static_cast<std::uint64_t>(st.st_size);
    if (limited)
        if (auto reason = TooLargeForSetup(size_)) Fail(*reason);
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

SourceReader::~SourceReader() {
    if (fd_ >= 0) ::close(fd_);
}

void SourceReader::Fail(const std::string& problem) const {
    throw std::runtime_error(where_ + ": \"" + path_.string() + "\" " + problem);
}

void SourceReader::Read(std::uint8_t* into, std::size_t n) {
    while (n > 0) {
        const ssize_t got = ::read(fd_, into, n);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Fail(std::string("cannot be read: ") + std::strerror(errno));
        if (got == 0) Fail("changed while it was read");
        into += got;
        n -= static_cast<std::size_t>(got);
    }
}

void SourceReader::Finish() {
    std::uint8_t extra = 0;
    ssize_t got;
    do {
        got = ::read(fd_, &extra, 1);
    } while (got < 0 && errno == EINTR);
    if (got != 0) Fail("changed while it was read");
}

}  // namespace spdpack
