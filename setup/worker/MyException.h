// The silent abort: leaves a block without any message (cancel, the normal
// end of the installation body, a jump to a common clean-up).
#pragma once

#include <exception>

class CMyException : public std::exception {
public:
    const char* what() const noexcept override { return "CMyException"; }
};
