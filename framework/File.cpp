#include "framework/File.h"

#include <utility>

namespace kalvorin {

CFile::~CFile() {
    Abort();
}

CFile::CFile(CFile&& other) noexcept
    : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)), path_(std::move(other.path_)) {}

CFile& CFile::operator=(CFile&& other) noexcept {
    if (this != &other) {
        Abort();
        handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        path_ = std::move(other.path_);
    }
    return *this;
}

bool CFile::Open(const std::string& path, UINT flags, CFileException* error) {
    Abort();
    path_ = path;

    DWORD access = 0;
    switch (flags & 3) {
    case modeRead:
        access = GENERIC_READ;
        break;
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    case modeReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        if (error != nullptr) *error = CFileException(CFileException::genericException, ERROR_INVALID_PARAMETER, path);
        return false;
    }

    DWORD share = 0;
    switch (flags & 0x70) {
    case shareCompat:
    case shareExclusive:
        share = 0;
        break;
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default:
        if (error != nullptr) *error = CFileException(CFileException::genericException, ERROR_INVALID_PARAMETER, path);
        return false;
    }

    DWORD disposition = OPEN_EXISTING;
    if (flags & modeCreate) disposition = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    if (flags & modeCreateNew) disposition = CREATE_NEW;

    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    HANDLE handle = ::CreateFileA(path.c_str(), access, share, &security, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const LONG osError = static_cast<LONG>(::GetLastError());
        if (error != nullptr) *error = CFileException::FromOsError(osError, path);
        return false;
    }
    handle_ = handle;
    return true;
}

void CFile::ThrowLastError() const {
    throw CFileException::FromOsError(static_cast<LONG>(::GetLastError()), path_);
}

UINT CFile::Read(void* buffer, UINT count) {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, path_);
    if (count == 0) return 0;
    DWORD read = 0;
    if (!::ReadFile(handle_, buffer, count, &read, nullptr)) ThrowLastError();
    return read;
}

void CFile::ReadExact(void* buffer, UINT count) {
    UINT total = 0;
    while (total < count) {
        const UINT read = Read(static_cast<char*>(buffer) + total, count - total);
        if (read == 0) throw CFileException(CFileException::endOfFile, ERROR_HANDLE_EOF, path_);
        total += read;
    }
}

void CFile::Write(const void* buffer, UINT count) {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, path_);
    if (count == 0) return;
    DWORD written = 0;
    if (!::WriteFile(handle_, buffer, count, &written, nullptr)) ThrowLastError();
    if (written < count) throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, path_);
}

uint64_t CFile::Seek(int64_t offset, int from) {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, path_);
    DWORD method = FILE_BEGIN;
    switch (from) {
    case begin:
        method = FILE_BEGIN;
        break;
    case current:
        method = FILE_CURRENT;
        break;
    case end:
        method = FILE_END;
        break;
    default:
        throw CFileException(CFileException::badSeek, ERROR_INVALID_PARAMETER, path_);
    }
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    position.QuadPart = 0;
    if (!::SetFilePointerEx(handle_, distance, &position, method)) ThrowLastError();
    return static_cast<uint64_t>(position.QuadPart);
}

uint64_t CFile::GetPosition() const {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, path_);
    LARGE_INTEGER distance;
    distance.QuadPart = 0;
    LARGE_INTEGER position;
    position.QuadPart = 0;
    if (!::SetFilePointerEx(handle_, distance, &position, FILE_CURRENT)) ThrowLastError();
    return static_cast<uint64_t>(position.QuadPart);
}

uint64_t CFile::GetLength() const {
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, path_);
    LARGE_INTEGER size;
    size.QuadPart = 0;
    if (!::GetFileSizeEx(handle_, &size)) ThrowLastError();
    return static_cast<uint64_t>(size.QuadPart);
}

void CFile::SetLength(uint64_t length) {
    const uint64_t position = GetPosition();
    Seek(static_cast<int64_t>(length), begin);
    if (!::SetEndOfFile(handle_)) ThrowLastError();
    Seek(static_cast<int64_t>(position < length ? position : length), begin);
}

void CFile::Flush() {
    if (!IsOpen()) return;
    if (!::FlushFileBuffers(handle_)) ThrowLastError();
}

void CFile::Close() {
    if (!IsOpen()) return;
    HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    if (!::CloseHandle(handle)) ThrowLastError();
}

void CFile::Abort() noexcept {
    if (!IsOpen()) return;
    ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
}

}  // namespace kalvorin
