// One installation run of the worker thread: its working state and the
// stages from preparation to completion, plus the clean-up at its end.
#pragma once

#include "context/SetupContext.h"
#include "run/SetupSync.h"
#include "run/SetupWork.h"
#include "worker/SetupThread.h"

namespace kalvorin::setup {

class InstallRun : public SetupRun {
public:
    InstallRun(CSetupSync& sync, SetupContext& context);
    ~InstallRun() override;
    InstallRun(const InstallRun&) = delete;
    InstallRun& operator=(const InstallRun&) = delete;

    // The stages in order, then the completion step: Completed. A cancel
    // request (or Cancel on the question about an earlier installation)
    // ends it as Cancelled; an installation error (CSetupException) or a
    // file error (CFileException) leaves it.
    RunResult RunBody() override;

    // True once the completion step has run: the success flag.
    bool Succeeded() const { return succeeded_; }

    // The end of every run: close what the run holds, undo the installation
    // unless it succeeded, delete the temporary files and folders.
    void CleanUp() noexcept override;

    // The run's working state (record, copies, joined data); for the stages
    // and for tests.
    SetupWork& Work() { return work_; }

private:
    SetupWork work_;
    bool succeeded_ = false;
};

}  // namespace kalvorin::setup
