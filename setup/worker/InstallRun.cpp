#include "worker/InstallRun.h"

#include "install/FileLoop.h"
#include "register/InstallRecord.h"
#include "register/Rollback.h"
#include "setupdata/FolderCreation.h"
#include "setupdata/Preparation.h"
#include "setupdata/Volumes.h"
#include "worker/SetupException.h"

InstallRun::InstallRun(CSetupSync& sync, SetupContext& context) : work_(sync, context) {}

InstallRun::~InstallRun() {
    CleanUp();
}

void InstallRun::RunBody() {
    RunPreparation(work_);
    CollectVolumes(work_);
    JoinAndOpen(work_);
    CreateFolders(work_);
    InstallFiles(work_);

    // The finishing stages (uninstall log, registry entries, activation) are
    // not built yet: a run that gets here is not complete, so it ends as an
    // error and is undone; it never reports success.
    throw CSetupException(SetupPhase::Completion, SetupCause::InternalError);
}

void InstallRun::CleanUp() {
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
