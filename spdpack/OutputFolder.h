// Writes the files of a build into a staging folder beside the output folder
// and moves them into place only when everything was written. When the build
// fails (or the object is destroyed before Commit()), the staging folder is
// removed and the output folder stays as it was; so it is when the build is
// stopped by a signal (see StopSignals.h).
//
// The staging folder is named ".OUTPUT.spdpack-PID-xxxxxxxx" after the
// output folder, the process and eight random letters. A build first sweeps
// the staging folders of its output folder whose process no longer runs:
// what a build killed outright (SIGKILL, a power cut) left behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace spdpack {

// A file of the staging folder written piece by piece. Every write holds the
// staging lock, so a stop never races with it.
class StagedFile {
public:
    StagedFile() = default;
    StagedFile(int fd, std::filesystem::path shown) : fd_(fd), shown_(std::move(shown)) {}
    ~StagedFile();
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&& other) noexcept;

    // Appends bytes at the end of what was written.
    void Write(std::span<const std::uint8_t> bytes);
    // Writes bytes at offset, over bytes written before.
    void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Reads n bytes written before at offset (a file opened for reading).
    void ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t n);
    // Closes the file; a failure throws.
    void Close();

    bool IsOpen() const { return fd_ >= 0; }

private:
    [[noreturn]] void Fail() const;

    int fd_ = -1;
    std::filesystem::path shown_;  // its path in the output folder, for messages
};

class OutputFolder {
public:
    explicit OutputFolder(std::filesystem::path output);
    ~OutputFolder();

    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Creates an empty file at relative path in staging, to be written piece
    // by piece; it counts as written.
    StagedFile Create(const std::filesystem::path& relative);

    // Opens a file created before, to write over some of its bytes.
    StagedFile Reopen(const std::filesystem::path& relative);

    // Creates a file for reading and writing in staging that is not part of
    // the output (it goes with the staging folder).
    StagedFile CreateScratch(const std::string& name);

    // Moves everything into the output folder. Files that an earlier build
    // left there under the names a build writes (user.spd, user.NNN,
    // _setup.spd, setup.exe, also inside "Disk N" folders) are removed first,
    // so no stale volume stays behind. Other files are left alone.
    void Commit();

    // Relative paths written so far, in order.
    const std::vector<std::filesystem::path>& written() const { return written_; }

private:
    void Discard() noexcept;

    std::filesystem::path output_;
    std::filesystem::path staging_;
    std::vector<std::filesystem::path> createdParents_;
    std::vector<std::filesystem::path> written_;
    bool committed_ = false;
};

// True for the file names a build writes.
bool IsBuildOutputName(const std::string& name);
// True for "Disk N" folder names.
bool IsDiskFolderName(const std::string& name);

// True for a staging folder name of output folder `output` left by a process
// that no longer runs (also for the older names without a process number).
bool IsStaleStagingName(const std::string& name, const std::string& output);

}  // namespace spdpack
