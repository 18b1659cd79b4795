// The report of the exception that ended the worker's run.
#pragma once

#include <exception>

namespace kalvorin::setup {

// Shows the message for `error` by its type:
//   CSetupException -> ShowError(MB_ICONSTOP | MB_OK)
//   CFileException  -> ReportError() (stop icon, OK)
//   CMyException    -> nothing
//   anything else   -> IDS_UNEXPECTED_ERROR with MB_ICONSTOP | MB_OK
// Returns the answer of the box, 0 when nothing was shown.
int ReportWorkerException(std::exception_ptr error);

}  // namespace kalvorin::setup
