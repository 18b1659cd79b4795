// A file that nobody may write or delete, as a read-only file is on Windows
// even for an administrator. Under Wine run as root the read-only attribute
// alone stops nothing (root may write any file), so the file is also made
// immutable on the host (chattr +i, run through Wine's support for starting
// host programs). Both are undone when the object goes away.
#pragma once

#include <string>

namespace e2e {

class ReadOnlyFile {
public:
    // `path` must exist; throws Error when it cannot be made read-only.
    explicit ReadOnlyFile(std::string path);
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile();

    // Makes the file writable again now.
    void Release();

private:
    std::string path_;
    bool held_ = false;
};

// The host path of a Windows path (Wine's own mapping); throws Error when
// there is none.
std::string HostPathOf(const std::string& windowsPath);

// Runs a host program (for example "/usr/bin/chattr") with `arguments`
// (quoted as on a Windows command line; double quotes only, no backslashes
// before them) through /bin/sh, waits for it (60 s at most, then throws
// Error) and returns its exit code.
unsigned long RunHostProgram(const std::string& program, const std::string& arguments);

}  // namespace e2e
