#include "framework/Format.h"

#include "framework/StringTable.h"

namespace kalvorin {

std::string FormatString(const std::string& templ, std::initializer_list<std::string> args) {
    std::string out;
    out.reserve(templ.size());
    for (size_t i = 0; i < templ.size(); ++i) {
        const char c = templ[i];
        if (c == '%' && i + 1 < templ.size() && templ[i + 1] >= '1' && templ[i + 1] <= '9') {
            const size_t index = static_cast<size_t>(templ[i + 1] - '1');
            if (index < args.size()) {
                out += *(args.begin() + index);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::string FormatStringId(UINT id, std::initializer_list<std::string> args) {
    return FormatString(LoadStr(id), args);
}

}  // namespace kalvorin
