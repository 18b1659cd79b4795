// Building the joined setup data and its volumes from folders and files
// (see codec/Layout.h).
//
//   spd::SetupDataSpec spec;      // names, folders, files, volume sizes
//   auto image = spd::BuildSetupData(spec);   // Result<SetupDataImage>
//
// Every file is compressed on its own thread pool slot (each block is its
// own zlib stream), and the result is the same bytes whatever the number of
// threads.
#pragma once

#include "codec/CatalogEntry.h"
#include "codec/Compression.h"
#include "codec/FolderEntry.h"
#include "codec/Guid.h"
#include "codec/Status.h"
#include "codec/VolumeSplit.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace spd {

struct SetupFile {
    CatalogEntry entry;
    std::vector<std::uint8_t> content;
};

struct SetupDataSpec {
    std::string displayName;
    std::string defaultSubfolder;
    Guid setupId;
    std::vector<FolderEntry> folders;
    std::vector<SetupFile> files;  // in installation order; at least one
    int level = kDefaultCompressionLevel;
    unsigned threads = 0;                 // 0: one per hardware thread
    std::uint64_t volumeSize = 0;         // largest volume file; 0: no split
    std::uint64_t firstVolumeSize = 0;    // largest user.spd when split; 0: volumeSize
    std::uint16_t singleVolumeCount = 1;  // volumeCount written when all fits in user.spd (0 or 1)
};

// Called after each file was compressed, from the compressing threads but
// never from two at once: bytes of content done so far and in total.
using ProgressFn = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Builds the joined data and its volumes:
//   BadSize   no files, or a volume size below kMinVolumeSize
//   Overflow  more than 65535 files, folders or volumes, or more than 4 GiB
//   CompressError  zlib failed
Result<SetupDataImage> BuildSetupData(const SetupDataSpec& spec, const ProgressFn& progress = {});

}  // namespace spd
