// Whether a destination folder typed or browsed by the user may be used.
#pragma once

#include <string>

namespace kalvorin::setup {

// Checks, in this order: not empty; at most 259 characters; at least 2; a
// backslash as third character when longer than 2; none of / * ? < > " |;
// no two backslashes in a row; the drive (first two characters + "\") is a
// fixed disk or a network drive.
bool IsValidDestination(const std::string& folder);

// The folder the destination page proposes: the default destination, or
// the Program Files folder, "\" and the display name when there is none.
std::string ProposedDestination(const std::string& defaultDestination, const std::string& programFilesFolder,
                                const std::string& displayName);

}  // namespace kalvorin::setup
