// A file held open by the driver process without any sharing, so that the
// program under test (another process) cannot open, replace or delete it
// until the object goes away.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

class HeldFile {
public:
    enum class Sharing {
        Nothing,  // read and write access; nobody else may open it
        Reading,  // read access; others may open it for reading (not alone, not for writing)
    };

    // Opens (creating when missing) `path` as `sharing` says; throws Error on
    // failure.
    explicit HeldFile(const std::string& path, Sharing sharing = Sharing::Nothing);
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile();

    void Release();

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace e2e
