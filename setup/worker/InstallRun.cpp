#include "worker/InstallRun.h"

#include "register/InstallRecord.h"
#include "setupdata/Catalog.h"
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
    VerifyCatalog(work_);
    for (unsigned i = 0; i < work_.header.fileCount; ++i) ReadNextFile(work_);

    // This build reads every file of the catalog but has no file loop that
    // installs them yet. A run that gets here has installed nothing, so it
    // ends as an error and is undone; it never reports success.
    throw CSetupException(SetupPhase::FileInstallation, SetupCause::InternalError);
}

void InstallRun::CleanUp() {
    try {
        // The joined data is one of the temporary files: close it first.
        work_.Release();
        InstallRecord& record = work_.record;
        if (!succeeded_) RemoveListedFolders(record.createdFolders());
        DeleteListedFiles(record.tempFiles());
        RemoveListedFolders(record.tempFolders());
        record.Discard();
    } catch (...) {
        // Nothing at the end of a run may fail it a second time.
    }
}
