// spdpack extract: writes every file of a setup into a folder, so that what
// a setup holds can be looked at without Windows.
//
// The volumes are found and joined as inspect does; every checksum is
// verified. A file goes to FOLDER/<base folder>/<subfolder>/<name>, the base
// folder named Windows, System, ProgramFiles, CommonFiles or Destination;
// the folders of the folder table are made there as well. Names are written
// in UTF-8. A name that would leave FOLDER (or that the setup program would
// refuse) is not written; a file whose data is damaged is named with the
// volume it lies in and not written. Existing files of the same names in
// FOLDER are replaced.
#pragma once

#include <filesystem>
#include <ostream>

namespace spdpack {

// Returns the exit code: 0 when every file was written and every check
// passed, 1 otherwise.
int Extract(const std::filesystem::path& target, const std::filesystem::path& folder, std::ostream& out,
            std::ostream& err);

}  // namespace spdpack
