// A file held open by the driver process without any sharing, so that the
// program under test (another process) cannot open, replace or delete it
// until the object goes away.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

class HeldFile {
public:
    // Opens (creating when missing) `path` for reading and writing, sharing
    // nothing; throws Error on failure.
    explicit HeldFile(const std::string& path);
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile();

    void Release();

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace e2e
