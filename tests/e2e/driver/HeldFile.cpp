#include "HeldFile.h"

#include "Error.h"

namespace e2e {

HeldFile::HeldFile(const std::string& path, Sharing sharing) {
    const bool reading = sharing == Sharing::Reading;
    handle_ = CreateFileA(path.c_str(), reading ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE,
                          reading ? FILE_SHARE_READ : 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        ThrowLastError("cannot hold " + path);
    }
}

HeldFile::~HeldFile() {
    Release();
}

void HeldFile::Release() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}

}  // namespace e2e
