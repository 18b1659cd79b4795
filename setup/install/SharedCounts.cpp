#include "install/SharedCounts.h"

#include "setupdata/SetupWork.h"
#include "system/SharedDllCounts.h"
#include "worker/MyException.h"

void RaiseSharedCounts(SetupWork& work) {
    for (const std::string& path : work.sharedFiles) {
        RegistryValueBefore before;
        const SharedCountResult result = RaiseSharedCount(path, &before);
        if (result != SharedCountResult::Done) throw CMyException();
        work.record.AddChangedValue(before);
    }
}
