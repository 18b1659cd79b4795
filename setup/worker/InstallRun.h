// One installation run of the worker thread: its working state and the
// stages from preparation to completion, plus the clean-up at its end.
#pragma once

#include "context/SetupContext.h"
#include "setupdata/SetupWork.h"
#include "worker/SetupSync.h"

class InstallRun {
public:
    InstallRun(CSetupSync& sync, SetupContext& context);
    ~InstallRun();
    InstallRun(const InstallRun&) = delete;
    InstallRun& operator=(const InstallRun&) = delete;

    // The installation body. It always ends with an exception: CMyException
    // after the completion step (Succeeded() is then true) or on cancel,
    // CSetupException or CFileException on an error.
    void RunBody();

    // True once the completion step has run.
    bool Succeeded() const { return succeeded_; }

    // The end of every run: close what the run holds, undo the installation
    // unless it succeeded, delete the temporary files and folders. Never
    // throws.
    void CleanUp();

    // The run's working state (record, copies, joined data); for the stages
    // and for tests.
    SetupWork& Work() { return work_; }

private:
    SetupWork work_;
    bool succeeded_ = false;
};
