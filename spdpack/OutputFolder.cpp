#include "spdpack/OutputFolder.h"

#include "spdpack/StopSignals.h"

#include "codec/VolumeName.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

bool AllDigits(const std::string& s, std::size_t from) {
    if (from >= s.size()) return false;
    for (std::size_t i = from; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

std::string RandomSuffix() {
    std::random_device rd;
    std::string s;
    for (int i = 0; i < 8; ++i) s += static_cast<char>('a' + rd() % 26);
    return s;
}

bool AllLowercase(const std::string& s) {
    for (char c : s)
        if (c < 'a' || c > 'z') return false;
    return true;
}

bool ProcessRuns(long pid) {
    return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

std::string StagingPrefix(const std::string& output) {
    return "." + output + ".spdpack-";
}

}  // namespace

bool IsStaleStagingName(const std::string& name, const std::string& output) {
    const std::string prefix = StagingPrefix(output);
    if (name.rfind(prefix, 0) != 0) return false;
    const std::string rest = name.substr(prefix.size());
    if (rest.size() == 8 && AllLowercase(rest)) return true;
    const std::size_t dash = rest.find('-');
    if (dash == std::string::npos || dash == 0 || !AllDigits(rest.substr(0, dash), 0) || dash > 9 ||
        rest.size() - dash - 1 != 8 || !AllLowercase(rest.substr(dash + 1)))
        return false;
    return !ProcessRuns(std::stol(rest.substr(0, dash)));
}

bool IsBuildOutputName(const std::string& name) {
    if (name == "user.spd" || name == "_setup.spd" || name == "setup.exe") return true;
    return spd::IsVolumeFileName(name);
}

bool IsDiskFolderName(const std::string& name) {
    return name.rfind("Disk ", 0) == 0 && AllDigits(name, 5);
}

OutputFolder::OutputFolder(fs::path output) : output_(std::move(output)) {
    // "out/", "out/." and "." name the folder itself.
    fs::path absolute = fs::absolute(output_).lexically_normal();
    if (!absolute.has_filename()) absolute = absolute.parent_path();
    output_ = absolute;
    fs::path parent = absolute.parent_path();
    // Remember which parent levels this build creates, to remove them again
    // when it fails.
    for (fs::path p = parent; !p.empty() && !fs::exists(p); p = p.parent_path()) {
        createdParents_.push_back(p);
        if (p == p.parent_path()) break;
    }
    fs::create_directories(parent);
    auto lock = LockStaging();
    const std::string outputName = absolute.filename().string();
    std::error_code ec, entryError;
    for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(entryError) && IsStaleStagingName(it->path().filename().string(), outputName))
            fs::remove_all(it->path(), entryError);
    for (int attempt = 0;; ++attempt) {
        staging_ = parent / (StagingPrefix(outputName) + std::to_string(getpid()) + "-" + RandomSuffix());
        if (fs::create_directory(staging_)) break;
        if (attempt > 100) throw std::runtime_error("cannot create a staging folder beside " + output_.string());
    }
    SetStopCleanup([this] { Discard(); });
}

OutputFolder::~OutputFolder() {
    auto lock = LockStaging();
    SetStopCleanup({});
    if (!committed_) Discard();
}

void OutputFolder::Discard() noexcept {
    std::error_code ec;
    fs::remove_all(staging_, ec);
    for (const fs::path& p : createdParents_) fs::remove(p, ec);  // only succeeds while empty
}

StagedFile OutputFolder::Create(const fs::path& relative) {
    auto lock = LockStaging();
    fs::path target = staging_ / relative;
    fs::create_directories(target.parent_path());
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw std::runtime_error("cannot write " + (output_ / relative).string());
    written_.push_back(relative);
    return StagedFile(fd, output_ / relative);
}

StagedFile OutputFolder::Reopen(const fs::path& relative) {
    auto lock = LockStaging();
    const int fd = ::open((staging_ / relative).c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot write " + (output_ / relative).string());
    return StagedFile(fd, output_ / relative);
}

StagedFile OutputFolder::CreateScratch(const std::string& name) {
    auto lock = LockStaging();
    const int fd = ::open((staging_ / name).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error("cannot write " + (staging_ / name).string());
    return StagedFile(fd, staging_ / name);
}

StagedFile::~StagedFile() {
    if (fd_ >= 0) ::close(fd_);
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), shown_(std::move(other.shown_)) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        shown_ = std::move(other.shown_);
    }
    return *this;
}

void StagedFile::Fail() const {
    throw std::runtime_error("cannot write " + shown_.string() + ": " + std::strerror(errno));
}

void StagedFile::Write(std::span<const std::uint8_t> bytes) {
    auto lock = LockStaging();
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail();
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
}

void StagedFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    auto lock = LockStaging();
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail();
        bytes = bytes.subspan(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
}

void StagedFile::ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t n) {
    while (n > 0) {
        const ssize_t got = ::pread(fd_, into, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw std::runtime_error("cannot read " + shown_.string() + " again");
        into += got;
        n -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
}

void StagedFile::Close() {
    if (fd_ >= 0 && ::close(std::exchange(fd_, -1)) != 0) Fail();
}

void OutputFolder::Commit() {
    auto lock = LockStaging();
    fs::create_directories(output_);
    // Earlier build outputs go first.
    for (const fs::directory_entry& e : fs::directory_iterator(output_)) {
        std::string name = e.path().filename().string();
        if (e.is_regular_file() && IsBuildOutputName(name)) {
            fs::remove(e.path());
        } else if (e.is_directory() && IsDiskFolderName(name)) {
            for (const fs::directory_entry& inner : fs::directory_iterator(e.path()))
                if (inner.is_regular_file() && IsBuildOutputName(inner.path().filename().string()))
                    fs::remove(inner.path());
            std::error_code ec;
            fs::remove(e.path(), ec);  // only when now empty
        }
    }
    for (const fs::path& relative : written_) {
        fs::path target = output_ / relative;
        fs::create_directories(target.parent_path());
        fs::rename(staging_ / relative, target);
    }
    committed_ = true;
    std::error_code ec;
    fs::remove_all(staging_, ec);
}

}  // namespace spdpack
