// The report of the exception that ended the worker's run.
#pragma once

#include <exception>

// Shows the message for `error` by its type:
//   CSetupException -> ShowError(0x10)
//   CFileException  -> ReportError() (stop icon, OK)
//   CMyException    -> nothing
//   anything else   -> string 72 with 0x10
// Returns the answer of the box, 0 when nothing was shown.
int ReportWorkerException(std::exception_ptr error);
