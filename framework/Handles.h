// RAII owners of kernel handles, file searches and registry keys (not
// copyable; kernel handles and keys movable).
#pragma once

#include <windows.h>

#include <utility>

namespace kalvorin {

// Owns a kernel handle (CloseHandle). nullptr and INVALID_HANDLE_VALUE both
// count as "no handle".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }
    // Gives up ownership without closing.
    HANDLE Release() { return std::exchange(handle_, nullptr); }
    // Closes the owned handle and takes `handle`.
    void Reset(HANDLE handle = nullptr) {
        HANDLE old = std::exchange(handle_, handle);
        if (old != nullptr && old != INVALID_HANDLE_VALUE) ::CloseHandle(old);
    }

private:
    HANDLE handle_ = nullptr;
};

// Owns a search of FindFirstFileA (FindClose). INVALID_HANDLE_VALUE counts
// as "no search".
class FindHandle {
public:
    FindHandle() = default;
    explicit FindHandle(HANDLE search) : search_(search) {}
    ~FindHandle() { Reset(); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    HANDLE Get() const { return search_; }
    bool Valid() const { return search_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }
    void Reset(HANDLE search = INVALID_HANDLE_VALUE) {
        HANDLE old = std::exchange(search_, search);
        if (old != INVALID_HANDLE_VALUE) ::FindClose(old);
    }

private:
    HANDLE search_ = INVALID_HANDLE_VALUE;
};

// Owns an open registry key (RegCloseKey).
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() { Reset(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : key_(other.Release()) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    HKEY Get() const { return key_; }
    bool Valid() const { return key_ != nullptr; }
    explicit operator bool() const { return Valid(); }
    // For Reg*Key calls that return the key: closes the current key first.
    HKEY* Put() {
        Reset();
        return &key_;
    }
    HKEY Release() { return std::exchange(key_, nullptr); }
    void Reset(HKEY key = nullptr) {
        HKEY old = std::exchange(key_, key);
        if (old != nullptr) ::RegCloseKey(old);
    }

    // RegOpenKeyExA; returns the Win32 result (ERROR_SUCCESS on success).
    LONG Open(HKEY parent, const char* subKey, REGSAM access) {
        HKEY key = nullptr;
        const LONG result = ::RegOpenKeyExA(parent, subKey, 0, access, &key);
        Reset(result == ERROR_SUCCESS ? key : nullptr);
        return result;
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace kalvorin
