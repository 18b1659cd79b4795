// The shared-library counts of a run: after the file loop, every file
// flagged Shared (installed, scheduled or kept) gets its use count raised by
// one. The count as it was before is recorded, so that a failed run can put
// it back.
#pragma once

namespace kalvorin::setup {

class SetupWork;

// For each of work.sharedFiles in order. A missing SharedDLLs key is
// created. A count that cannot be written (or a key that can be neither
// opened nor created) raises (FileInstallation, UnexpectedError) naming the
// file; the counts raised until then are recorded and put back.
void RaiseSharedCounts(SetupWork& work);

}  // namespace kalvorin::setup
