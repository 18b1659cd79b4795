#include "worker/InstallRun.h"

#include "worker/SetupException.h"

InstallRun::InstallRun(CSetupSync& sync, SetupContext& context) : sync_(sync), context_(context) {}

InstallRun::~InstallRun() = default;

void InstallRun::RunBody()
{
    // No installation stage exists yet: a run can only fail.
    (void)sync_;
    (void)context_;
    throw CSetupException(SetupPhase::Internal, SetupCause::InternalError);
}

void InstallRun::CleanUp() {}
