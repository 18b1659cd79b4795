// Removing an installation from its decoded uninstall log. No user
// interface here: the caller asks and reports.
//
// In this order:
// 1. File records, in log order. A record that RemovalPlaces refuses is
//    skipped. Kind 0 (a file the installation wrote): when it has a count in
//    SharedDLLs the count is lowered first and the file stays while the count
//    is above 0 (at 0 the value is deleted and the file removed); a file
//    without a count is removed. A file in use is removed at the next
//    restart. Kind 1 (a shared file that existed before): only its count is
//    lowered; the file always stays. Any other kind is skipped.
// 2. Folder records, deepest first (the log lists parents first): each one
//    removed when it is empty, kept otherwise.
// 3. Registry records, in log order: the product key, the Uninstall entry
//    and the product value.
// 4. The log's digest (system/LogDigest.h), once the log at `logPath` is
//    gone (a log that stays can be used again).
#pragma once

#include "codec/UninstallLog.h"
#include "uninstaller/FileRemoval.h"
#include "uninstaller/RemovalPlaces.h"

namespace kalvorin::uninstaller {

struct RemovalReport {
    unsigned removed = 0;    // files, folders, registry entries gone (or gone before)
    unsigned atRestart = 0;  // files that go at the next restart
    unsigned kept = 0;       // shared files still in use, kind-1 files, folders not empty
    unsigned skipped = 0;    // records outside the places a setup writes to: not acted on
    unsigned failed = 0;     // could be neither removed nor scheduled

    // Complete: nothing skipped and nothing failed (files left for the
    // restart and kept files included).
    bool Complete() const { return skipped == 0 && failed == 0; }
};

RemovalReport RemoveInstallation(const spd::UninstallLog& log, const std::string& logPath, const RemovalPlaces& places,
                                 const RestartPlatform& platform);

}  // namespace kalvorin::uninstaller
