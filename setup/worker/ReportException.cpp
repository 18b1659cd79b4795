#include "worker/ReportException.h"

#include <windows.h>

#include "framework/FileException.h"
#include "res/resource.h"
#include "run/AskUser.h"
#include "run/SetupException.h"
#include "run/WorkerOps.h"

namespace kalvorin::setup {

int ReportWorkerException(std::exception_ptr error) {
    if (!error) return 0;
    WorkerBinding::WaitWhileCurrentHeld();
    try {
        std::rethrow_exception(error);
    } catch (const CSetupException& e) {
        return e.ShowError(MB_ICONSTOP | MB_OK);
    } catch (const CFileException& e) {
        return e.ReportError();
    } catch (const CMyException&) {
        return 0;
    } catch (...) {
        return AskUser(static_cast<UINT>(IDS_UNEXPECTED_ERROR), MB_ICONSTOP | MB_OK);
    }
}

}  // namespace kalvorin::setup
