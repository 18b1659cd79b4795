#include "install/SharedCounts.h"

#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "system/SharedDllCounts.h"

namespace kalvorin::setup {

void RaiseSharedCounts(SetupWork& work) {
    for (const std::string& path : work.sharedFiles) {
        RegistryValueBefore before;
        const SharedCountResult result = RaiseSharedCount(path, &before);
        if (result != SharedCountResult::NoKey) work.record.AddChangedValue(before);
        if (result != SharedCountResult::Done) {
            throw CSetupException(SetupPhase::FileInstallation, SetupCause::UnexpectedError, path);
        }
    }
}

}  // namespace kalvorin::setup
