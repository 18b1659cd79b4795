// spdpack inspect: finds and joins the volumes of a setup, shows its header,
// folders and files, and verifies every checksum.
#pragma once

#include <filesystem>
#include <ostream>

namespace spdpack {

// target: user.spd itself, or a folder that holds it (directly or in
// "Disk 1"). Further volumes are looked for beside user.spd, then in the
// sibling disk folders, as the setup program looks for them. Returns the
// process exit code: 0 when every check passed, 1 otherwise.
int Inspect(const std::filesystem::path& target, std::ostream& out, std::ostream& err);

}  // namespace spdpack
