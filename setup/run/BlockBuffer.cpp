#include "run/BlockBuffer.h"

#include <new>

namespace kalvorin::setup {

bool BlockBuffer::Reserve(size_t size) {
    if (size <= capacity_ && bytes_) return true;
    Release();
    bytes_.reset(new (std::nothrow) uint8_t[size == 0 ? 1 : size]);
    if (!bytes_) return false;
    capacity_ = size;
    return true;
}

void BlockBuffer::Release() {
    bytes_.reset();
    capacity_ = 0;
}

}  // namespace kalvorin::setup
