#include "uninstaller/LogFile.h"

#include <windows.h>

#include <vector>

#include "framework/File.h"
#include "system/LogDigest.h"

namespace kalvorin::uninstaller {

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
    const std::optional<Sha256Digest> recorded = ReadLogDigest(decoded.value.log.displayName);
    const std::optional<Sha256Digest> actual = recorded ? Sha256Of(bytes) : std::nullopt;
    if (!recorded)
        result.problem = LogFile::Problem::NotRecorded;
    else if (!actual)
        result.problem = LogFile::Problem::Unreadable;
    else if (*actual != *recorded)
        result.problem = LogFile::Problem::Altered;
    else
        result.log = std::move(decoded.value.log);
    return result;
}

}  // namespace kalvorin::uninstaller
