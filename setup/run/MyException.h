// The worker's own exceptions: the installation error (CSetupException) and
// the silent abort both derive from CMyException.
#pragma once

#include <exception>

namespace kalvorin::setup {

class CMyException : public std::exception {
public:
    const char* what() const noexcept override { return "CMyException"; }
};

// The silent abort: ends the run without any message, after a cancel
// request or Cancel on the question about an earlier installation. The run
// turns it into its result, Cancelled.
class CSilentAbort : public CMyException {
public:
    const char* what() const noexcept override { return "CSilentAbort"; }
};

}  // namespace kalvorin::setup
