// spdpack log: decodes an uninstall log (Unscr.log) and shows every header
// field and every record, with the checks a reader makes.
#pragma once

#include <filesystem>
#include <ostream>

namespace spdpack {

// Returns the process exit code: 0 when the log is sound, 1 otherwise.
int DumpLog(const std::filesystem::path& path, std::ostream& out, std::ostream& err);

}  // namespace spdpack
