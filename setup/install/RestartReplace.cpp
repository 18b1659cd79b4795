#include "install/RestartReplace.h"

#include "codec/FolderKind.h"
#include "run/InstallRecord.h"
#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "system/RestartSchedule.h"
#include "system/ShortPath.h"

namespace kalvorin::setup {

void ScheduleRestartReplacements(SetupWork& work) {
    if (!work.context.rebootRequired) return;
    std::vector<WininitLine> lines;
    for (const std::string& entry : work.record.pendingReplacements()) {
        const std::string source = ShortPathOf(PendingReplacementCopy(entry));
        const std::string target = ShortPathOf(PendingReplacementTarget(entry));
        if (work.context.isWin9x) {
            lines.emplace_back(target, source);
        } else if (!MoveAtRestart(source, target)) {
            // The file would stay as it is at the restart: the run fails,
            // and its rollback removes the restart copy.
            throw CSetupException(SetupPhase::Completion, SetupCause::FileError, PendingReplacementTarget(entry));
        }
    }
    if (!work.context.isWin9x) return;
    const std::string* windows = work.baseFolders.Lookup(static_cast<uint8_t>(spd::FolderKind::Windows));
    if (windows == nullptr || !AppendWininitLines(*windows, lines)) {
        throw CSetupException(SetupPhase::Completion, SetupCause::FileError);
    }
}

}  // namespace kalvorin::setup
