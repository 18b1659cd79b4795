// Reading Unscr.log: the whole file through the shared codec, which checks
// the magic, the version, the lengths, the zlib stream and the Adler-32 of
// the body, and that every section holds whole records. Then the file's
// SHA-256 must be the digest its setup recorded for the log's display name
// (system/LogDigest.h): the log lies where other users may write, and the
// uninstaller removes what it lists with administrator rights.
#pragma once

#include <string>

#include "codec/UninstallLog.h"

namespace kalvorin::uninstaller {

struct LogFile {
    enum class Problem { None, Missing, Unreadable, Damaged, NotRecorded, Altered };

    Problem problem = Problem::None;
    spd::UninstallLog log;  // only when problem is None
};

// Logs larger than this are refused as damaged (a setup writes a few
// kilobytes; the limit keeps a stray file from being read into memory).
constexpr unsigned long long kMaxLogFileSize = 64ull * 1024 * 1024;

// Reads and decodes the log at `path` (opened for reading, others may read
// but not write). Missing: no such file (or folder); Unreadable: it exists but
// cannot be opened or read (or its digest cannot be computed); Damaged: the
// codec refuses it, or it is larger than kMaxLogFileSize; NotRecorded: no
// digest is recorded for its display name; Altered: the recorded digest is
// not the file's.
LogFile ReadLogFile(const std::string& path);

}  // namespace kalvorin::uninstaller
