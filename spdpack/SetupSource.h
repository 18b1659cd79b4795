// The setup data a path names, read for inspect and extract: user.spd found
// at the path, further volumes looked for beside it and in the sibling disk
// folders (as the setup program looks for them), their headers checked, and
// everything joined; and, for messages, which volume file a stretch of the
// joined data came from.
#pragma once

#include "codec/SetupData.h"
#include "codec/VolumeHeader.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace spdpack {

// The whole file as bytes; nullopt when it cannot be opened.
std::optional<std::vector<std::uint8_t>> ReadAll(const std::filesystem::path& path);

class SetupSourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SetupVolume {
    std::filesystem::path path;
    std::uint64_t fileSize = 0;
    std::uint64_t begin = 0;  // the stretch of the joined data this file holds
    std::uint64_t end = 0;
    spd::VolumeCheck check = spd::VolumeCheck::Ok;  // of the volume header; user.spd has none
};

struct SetupSource {
    std::filesystem::path userSpd;
    spd::SetupHeader header;
    std::vector<SetupVolume> volumes;   // those found, in order; [0] is user.spd
    std::vector<std::uint8_t> joined;   // empty when a further volume is shorter than its header
    std::vector<std::string> problems;  // volumes missing, unreadable or too short

    // The volume files that hold joined bytes [begin, end): "user.spd",
    // "Disk 3/user.002", "Disk 2/user.001 and Disk 3/user.002".
    std::string VolumesOf(std::uint64_t begin, std::uint64_t end) const;
};

// Reads the setup data at target (user.spd, or a folder that holds it
// directly or in "Disk 1"). Throws SetupSourceError when target is none: a
// folder without user.spd, another kind of data file (named in the
// message), a file that is no setup data, or one shorter than the header.
SetupSource LoadSetupSource(const std::filesystem::path& target);

// The same, with the reason it is none written to err ("spdpack: ...") and
// nullopt returned instead.
std::optional<SetupSource> LoadSetupSource(const std::filesystem::path& target, std::ostream& err);

// A folder kind's name ("Destination"), or "kind <n>" for one without a name.
std::string KindName(std::uint8_t code);

// A file's target for messages, in UTF-8: "<Destination>\Bilder\a.jpg".
std::string TargetText(const spd::CatalogEntry& entry);

// What failed when CatalogReader::Next() gave status for file number index
// (from 1): the file's target when its record was read, else the record's
// offset and the file before it, and the volume files involved.
std::string DescribeFileProblem(const SetupSource& source, const spd::CatalogReader& reader, unsigned index,
                                spd::Status status, const std::string& previousTarget);

// Reads the catalog's files in order from where reader stands: onFile(index,
// item, target) for each file read, onProblem(index, text) with
// DescribeFileProblem's text for each that failed. A damaged content leaves
// the reader after it and the walk goes on; a damaged record leaves it
// nowhere to go on from and ends the walk (false).
bool ForEachFile(const SetupSource& source, spd::CatalogReader& reader,
                 const std::function<void(unsigned, const spd::CatalogReader::Item&, const std::string&)>& onFile,
                 const std::function<void(unsigned, const std::string&)>& onProblem);

}  // namespace spdpack
