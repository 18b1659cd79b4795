#include "Text.h"

#include <windows.h>

#include <vector>

namespace e2e {

namespace {
constexpr UINT kCodePage = 1252;
}

std::wstring WideFrom1252(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string To1252(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int n =
        WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string GetEnv(const std::string& name, const std::string& fallback) {
    const DWORD n = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (n == 0) {
        return fallback;
    }
    std::vector<char> buffer(n);
    const DWORD got = GetEnvironmentVariableA(name.c_str(), buffer.data(), n);
    return std::string(buffer.data(), got);
}

std::string HostPathToWine(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    std::string out = "Z:" + path;
    for (char& c : out) {
        if (c == '/') {
            c = '\\';
        }
    }
    return out;
}

}  // namespace e2e
