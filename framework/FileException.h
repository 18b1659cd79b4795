// The exception of the file layer: one of fifteen kinds, the Win32 error
// code and the name of the file.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <utility>

namespace kalvorin {

class CFileException : public std::exception {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    CFileException() = default;
    CFileException(int cause, LONG osError, std::string fileName)
        : cause(cause), osError(osError), fileName(std::move(fileName)) {}

    // Exception from a Win32 error code (kind from OsErrorToCause).
    static CFileException FromOsError(LONG win32Error, const std::string& fileName);

    // Kind of a Win32 error code: the documented file errors map to their
    // kinds, every other code to genericException (0 = no error maps to none).
    static int OsErrorToCause(LONG win32Error);

    // The German text: string kFileErrorStrings + cause with %1 = the file
    // name, or with kUnnamedFileString ("eine unbenannte Datei") when there
    // is no name (both in FileException.cpp). A cause
    // outside 0..14 uses the text of genericException.
    std::string Message() const;

    // Shows Message() with MB_ICONSTOP | MB_OK through AppMessageBox and
    // returns the answer.
    int ReportError() const;

    const char* what() const noexcept override { return "CFileException"; }

    int cause = none;
    LONG osError = 0;
    std::string fileName;
};

}  // namespace kalvorin
