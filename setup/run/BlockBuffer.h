// The buffer into which the blocks of the setup data are read and expanded,
// kept from one block to the next: it grows to what the largest block needs
// and is not cleared between blocks (every byte handed out was written by
// the read or the expansion).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kalvorin::setup {

class BlockBuffer {
public:
    // Makes room for at least `size` bytes. A buffer that must grow is freed
    // before the larger one is made, so the two never exist at once; false
    // when the larger one cannot be had (the buffer is empty then).
    bool Reserve(size_t size);

    uint8_t* data() { return bytes_.get(); }
    size_t capacity() const { return capacity_; }

    void Release();

private:
    std::unique_ptr<uint8_t[]> bytes_;
    size_t capacity_ = 0;
};

}  // namespace kalvorin::setup
