#include "framework/StringTable.h"

#include "framework/App.h"

namespace kalvorin {

bool TryLoadStr(UINT id, std::string& out) {
    out.clear();
    // LoadStringA truncates to the buffer: grow until the text fits with room
    // to spare, so a text of exactly the buffer size is not mistaken as whole.
    std::string buffer(256, '\0');
    for (;;) {
        const int length = ::LoadStringA(AppInstance(), id, buffer.data(), static_cast<int>(buffer.size()));
        if (length <= 0) return false;
        if (static_cast<size_t>(length) < buffer.size() - 1) {
            buffer.resize(static_cast<size_t>(length));
            out = std::move(buffer);
            return true;
        }
        if (buffer.size() >= 65536) return false;  // a string resource is shorter
        buffer.assign(buffer.size() * 2, '\0');
    }
}

std::string LoadStr(UINT id) {
    std::string text;
    TryLoadStr(id, text);
    return text;
}

}  // namespace kalvorin
