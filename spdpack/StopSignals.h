// Ctrl-C and SIGTERM during a build: the staging folder goes before the
// program ends, so a stopped build leaves the output folder as it was and
// nothing beside it.
//
// InstallStopHandler() blocks SIGINT and SIGTERM in the calling thread, and
// so in every thread started later, and starts one thread that waits for
// them. When one comes, that thread takes the staging lock, runs the clean-up
// registered under it (the removal of the staging folder), and ends the
// process with exit code 128 + the signal number. Writing into the staging folder and moving it
// into place happen under the same lock, so a stop never races with them.
#pragma once

#include <functional>
#include <mutex>

namespace spdpack {

void InstallStopHandler();

// Held while the staging folder is created, written, moved or removed.
std::unique_lock<std::mutex> LockStaging();

// What a stop does before the program ends (empty: nothing). Call with the
// lock held; the clean-up runs with it held and must not throw.
void SetStopCleanup(std::function<void()> cleanup);

}  // namespace spdpack
