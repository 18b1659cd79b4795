// The program under test speaks code page 1252. Texts read from its windows
// are returned as cp1252 bytes, whatever the driver's own ANSI code page is.
#pragma once

#include <string>

namespace e2e {

std::wstring WideFrom1252(const std::string& text);
std::string To1252(const std::wstring& text);

// The value of an environment variable of the driver process, or fallback.
std::string GetEnv(const std::string& name, const std::string& fallback = {});

// A Unix path (as CMake and the shell pass them) in Wine's form: "/a/b" is
// "Z:\a\b", since Wine maps drive Z: to the Unix root. Other paths unchanged.
std::string HostPathToWine(const std::string& path);

}  // namespace e2e
