#include "LogFile.h"

#include <windows.h>

#include <vector>

#include "framework/File.h"

LogFile ReadLogFile(const std::string& path) {
    LogFile result;
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &error)) {
        const bool missing = error.osError == ERROR_FILE_NOT_FOUND || error.osError == ERROR_PATH_NOT_FOUND;
        result.problem = missing ? LogFile::Problem::Missing : LogFile::Problem::Unreadable;
        return result;
    }
    std::vector<uint8_t> bytes;
    try {
        const uint64_t length = file.GetLength();
        if (length > kMaxLogFileSize) {
            result.problem = LogFile::Problem::Damaged;
            return result;
        }
        bytes.resize(static_cast<size_t>(length));
        if (!bytes.empty()) file.ReadExact(bytes.data(), static_cast<UINT>(bytes.size()));
        file.Close();
    } catch (const CFileException&) {
        result.problem = LogFile::Problem::Unreadable;
        return result;
    }
    auto decoded = spd::DecodeUninstallLog(bytes);
    if (!decoded) {
        result.problem = LogFile::Problem::Damaged;
        return result;
    }
    result.log = std::move(decoded.value.log);
    return result;
}
