// Reading Unscr.log: the whole file through the shared codec, which checks
// the magic, the version, the lengths, the zlib stream and the Adler-32 of
// the body, and that every section holds whole records.
#pragma once

#include <string>

#include "codec/UninstallLog.h"

struct LogFile {
    enum class Problem { None, Missing, Unreadable, Damaged };

    Problem problem = Problem::None;
    spd::UninstallLog log;  // only when problem is None
};

// Logs larger than this are refused as damaged (a setup writes a few
// kilobytes; the limit keeps a stray file from being read into memory).
constexpr unsigned long long kMaxLogFileSize = 64ull * 1024 * 1024;

// Reads and decodes the log at `path` (opened for reading, others may read
// but not write). Missing: no such file (or folder); Unreadable: it exists but
// cannot be opened or read; Damaged: the codec refuses it, or it is larger
// than kMaxLogFileSize.
LogFile ReadLogFile(const std::string& path);
