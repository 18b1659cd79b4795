// What a data file is, by its first bytes: so that inspect, extract and log
// stop at input that is not what they read, and say what it is instead.
#pragma once

#include "codec/ByteReader.h"

#include <string>

namespace spdpack {

enum class DataFileKind {
    SetupData,      // user.spd: "SETU", version 16, a 192-byte header
    Volume,         // user.001 ...: "SETU", version 16, a volume number
    PackedProgram,  // _setup.spd: 0x12343210
    UninstallLog,   // Unscr.log: "trne"
    Unknown,
};

// The kind of a file from its first bytes and its name. A file that starts
// with "SETU" and version 16 is a volume when it carries a volume number
// (bytes 6-7, which user.spd leaves at zero) and either is named user.NNN or
// lacks what every user.spd has (192 bytes, a catalog offset, a file count,
// the non-zero mark).
DataFileKind RecogniseDataFile(spd::ByteSpan start, const std::string& fileName);

// "a volume of setup data (user.001, user.002, ...)" and the like.
const char* DataFileKindText(DataFileKind kind);

}  // namespace spdpack
