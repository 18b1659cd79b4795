// Errors of the automation driver: a timeout or a failed Win32 call. Tests let
// them escape, so that GoogleTest reports the message as the test's failure.
#pragma once

#include <stdexcept>
#include <string>

namespace e2e {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& what) : std::runtime_error(what) {}
};

// Throws Error with the text and the last Win32 error code appended.
[[noreturn]] void ThrowLastError(const std::string& what);

}  // namespace e2e
