#include "worker/InstallRun.h"

#include "install/FileLoop.h"
#include "install/RestartReplace.h"
#include "register/Activation.h"
#include "register/PreviousInstallation.h"
#include "register/RegistryEntries.h"
#include "register/Rollback.h"
#include "register/UninstallSupport.h"
#include "run/InstallRecord.h"
#include "run/MyException.h"
#include "run/SetupStatus.h"
#include "run/WorkerOps.h"
#include "setupdata/FolderCreation.h"
#include "setupdata/Preparation.h"
#include "setupdata/Volumes.h"

namespace kalvorin::setup {

namespace {

constexpr int kCompletionStep = 100000;

}  // namespace

InstallRun::InstallRun(CSetupSync& sync, SetupContext& context) : work_(sync, context) {}

InstallRun::~InstallRun() {
    CleanUp();
}

RunResult InstallRun::RunBody() {
    try {
        RunPreparation(work_, RemovePreviousInstallation);
        CollectVolumes(work_);
        JoinAndOpen(work_);
        CreateFolders(work_);
        InstallFiles(work_);

        // Finishing.
        WriteProductKey(work_);
        NotifyDialog(work_.sync, true, Finishing, 0);
        WriteUninstallSupport(work_);
        ActivateScreensaver(work_.screensaverPath);
        ScheduleRestartReplacements(work_);
    } catch (const CSilentAbort&) {
        return RunResult::Cancelled;
    }

    // Completion: the last step of the bar and Completed.
    SetProgressStep(work_.sync, kCompletionStep);
    StepProgress(work_.sync);
    NotifyDialog(work_.sync, true, Completed, 0);
    succeeded_ = true;
    return RunResult::Completed;
}

void InstallRun::CleanUp() noexcept {
    try {
        // The joined data is one of the temporary files: close it first.
        work_.Release();
        InstallRecord& record = work_.record;
        if (!succeeded_) RollBack(record);
        DeleteListedFiles(record.tempFiles());
        RemoveListedFolders(record.tempFolders());
        record.Discard();
    } catch (...) {
        // Nothing at the end of a run may fail it a second time.
    }
}

}  // namespace kalvorin::setup
