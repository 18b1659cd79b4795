#include "uninstaller/app/Messages.h"

#include <windows.h>

#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "uninstaller/res/resource.h"

namespace kalvorin::uninstaller {

bool AskToRemove(const std::string& displayName) {
    return AppMessageBox(FormatStringId(IDS_QUESTION, {displayName}), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::string ResultText(const RemovalReport& report, const std::string& displayName) {
    std::string text = FormatStringId(report.Complete() ? IDS_REMOVED : IDS_NOT_COMPLETE, {displayName});
    if (report.skipped > 0) text += "\n" + LoadStr(IDS_SKIPPED_NOTE);
    if (report.failed > 0) text += "\n" + LoadStr(IDS_FAILED_NOTE);
    if (report.atRestart > 0) text += "\n" + LoadStr(IDS_RESTART_NOTE);
    return text;
}

void ShowResult(const RemovalReport& report, const std::string& displayName) {
    AppMessageBox(ResultText(report, displayName),
                  MB_OK | (report.Complete() ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
}

void ShowLogProblem(LogFile::Problem problem, const std::string& logPath) {
    UINT id = IDS_LOG_DAMAGED;
    if (problem == LogFile::Problem::Missing)
        id = IDS_LOG_MISSING;
    else if (problem == LogFile::Problem::Unreadable)
        id = IDS_LOG_UNREADABLE;
    else if (problem == LogFile::Problem::NotRecorded)
        id = IDS_LOG_NOT_RECORDED;
    else if (problem == LogFile::Problem::Altered)
        id = IDS_LOG_ALTERED;
    AppMessageBox(FormatStringId(id, {logPath}), MB_OK | MB_ICONSTOP);
}

void ShowUsage(const std::string& programName) {
    AppMessageBox(FormatStringId(IDS_USAGE, {programName}), MB_OK | MB_ICONSTOP);
}

void ShowUnexpectedError() {
    AppMessageBoxId(IDS_UNEXPECTED_ERROR, MB_OK | MB_ICONSTOP);
}

}  // namespace kalvorin::uninstaller
