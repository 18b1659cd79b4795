#include "framework/FileException.h"

#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"

namespace kalvorin {

namespace {

constexpr UINT kUnnamedFileString = 61446;
constexpr UINT kFileErrorStrings = 61856;

}  // namespace

int CFileException::OsErrorToCause(LONG win32Error) {
    switch (win32Error) {
    case NO_ERROR:  // 0
        return none;
    case ERROR_FILE_NOT_FOUND:  // 2
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:        // 3
    case ERROR_INVALID_DRIVE:         // 15
    case ERROR_BAD_NETPATH:           // 53
    case ERROR_DEV_NOT_EXIST:         // 55
    case ERROR_BAD_NET_NAME:          // 67
    case ERROR_INVALID_NAME:          // 123
    case ERROR_BAD_PATHNAME:          // 161
    case ERROR_FILENAME_EXCED_RANGE:  // 206
    case ERROR_DIRECTORY:             // 267
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:      // 4
    case ERROR_SHARING_BUFFER_EXCEEDED:  // 36
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:          // 5
    case ERROR_WRITE_PROTECT:          // 19
    case ERROR_NETWORK_ACCESS_DENIED:  // 65
    case ERROR_FILE_EXISTS:            // 80
    case ERROR_ALREADY_EXISTS:         // 183
        return accessDenied;
    case ERROR_INVALID_HANDLE:         // 6
    case ERROR_INVALID_TARGET_HANDLE:  // 114
        return invalidFile;
    case ERROR_CURRENT_DIRECTORY:  // 16
        return removeCurrentDir;
    case ERROR_NO_MORE_FILES:  // 18
    case ERROR_CANNOT_MAKE:    // 82
        return directoryFull;
    case ERROR_SEEK:            // 25
    case ERROR_NEGATIVE_SEEK:   // 131
    case ERROR_SEEK_ON_DEVICE:  // 132
        return badSeek;
    case ERROR_BAD_UNIT:          // 20
    case ERROR_NOT_READY:         // 21
    case ERROR_BAD_COMMAND:       // 22
    case ERROR_CRC:               // 23
    case ERROR_BAD_LENGTH:        // 24
    case ERROR_NOT_DOS_DISK:      // 26
    case ERROR_SECTOR_NOT_FOUND:  // 27
    case ERROR_OUT_OF_PAPER:      // 28
    case ERROR_WRITE_FAULT:       // 29
    case ERROR_READ_FAULT:        // 30
    case ERROR_GEN_FAILURE:       // 31
    case ERROR_WRONG_DISK:        // 34
    case ERROR_DISK_CHANGE:       // 107
    case ERROR_IO_DEVICE:         // 1117
        return hardIO;
    case ERROR_SHARING_VIOLATION:  // 32
        return sharingViolation;
    case ERROR_LOCK_VIOLATION:  // 33
    case ERROR_DRIVE_LOCKED:    // 108
    case ERROR_NOT_LOCKED:      // 158
    case ERROR_LOCK_FAILED:     // 167
        return lockViolation;
    case ERROR_HANDLE_EOF:  // 38
        return endOfFile;
    case ERROR_HANDLE_DISK_FULL:  // 39
    case ERROR_DISK_FULL:         // 112
        return diskFull;
    default:
        return genericException;
    }
}

CFileException CFileException::FromOsError(LONG win32Error, const std::string& fileName) {
    return CFileException(OsErrorToCause(win32Error), win32Error, fileName);
}

std::string CFileException::Message() const {
    const int kind = cause >= none && cause <= endOfFile ? cause : genericException;
    const std::string name = fileName.empty() ? LoadStr(kUnnamedFileString) : fileName;
    return FormatString(LoadStr(kFileErrorStrings + static_cast<UINT>(kind)), {name});
}

int CFileException::ReportError() const {
    return AppMessageBox(Message(), MB_ICONSTOP | MB_OK);
}

}  // namespace kalvorin
