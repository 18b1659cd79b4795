// A file on disk (RAII). Failures of an open file throw CFileException with
// the file's path.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/FileException.h"

namespace kalvorin {

class CFile {
public:
    // Open flags: one access mode, one share mode, optional creation flags.
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,  // same as shareExclusive
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,      // create, truncating an existing file...
        modeNoTruncate = 0x2000,  // ...unless combined with this
        modeCreateNew = 0x4000,   // create a file that does not exist yet; fails when it does
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Closes the file without throwing.
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    CFile(CFile&& other) noexcept;
    CFile& operator=(CFile&& other) noexcept;

    // Opens `path`. Never throws: on failure returns false and, when `error`
    // is given, fills it (kind from the Win32 error, file name = path).
    bool Open(const std::string& path, UINT flags, CFileException* error = nullptr);

    // Reads up to `count` bytes; returns the number read, 0 at the end.
    UINT Read(void* buffer, UINT count);
    // Reads exactly `count` bytes; fewer throw endOfFile.
    void ReadExact(void* buffer, UINT count);
    // Writes all bytes; a short write throws diskFull.
    void Write(const void* buffer, UINT count);
    // Moves the file pointer; returns the new position from the start.
    uint64_t Seek(int64_t offset, int from);
    uint64_t SeekToBegin() { return Seek(0, begin); }
    uint64_t SeekToEnd() { return Seek(0, end); }
    uint64_t GetPosition() const;
    uint64_t GetLength() const;
    void SetLength(uint64_t length);
    void Flush();
    // Closes the handle; a failure throws. No-op when not open.
    void Close();
    // Closes without throwing.
    void Abort() noexcept;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return handle_; }
    const std::string& FilePath() const { return path_; }

private:
    [[noreturn]] void ThrowLastError() const;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::string path_;
};

}  // namespace kalvorin
