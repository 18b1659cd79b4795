// One file of the catalog as the worker reads it: its record, its expanded
// content and the target path formed from the record.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "codec/CatalogEntry.h"

namespace kalvorin::setup {

struct CatalogFile {
    spd::CatalogEntry entry;                // the 520-byte file record
    std::span<const std::uint8_t> content;  // the expanded content, in the work's block buffer
    std::string targetPath;                 // base\subfolder\fileName or base\fileName
};

}  // namespace kalvorin::setup
