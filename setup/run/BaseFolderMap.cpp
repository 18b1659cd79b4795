#include "run/BaseFolderMap.h"

namespace kalvorin::setup {

const std::string* BaseFolderMap::Lookup(uint8_t kind) const {
    const auto it = folders_.find(kind);
    return it == folders_.end() ? nullptr : &it->second;
}

}  // namespace kalvorin::setup
