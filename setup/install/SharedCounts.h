// The shared-library counts of a run: after the file loop, every file
// flagged Shared (installed, scheduled or kept) gets its use count raised by
// one. The count as it was before is recorded, so that a failed run can put
// it back.
#pragma once

class SetupWork;

// For each of work.sharedFiles in order. A missing SharedDLLs key, or a
// count that cannot be written, ends the run silently (CMyException); counts
// already raised stay recorded.
void RaiseSharedCounts(SetupWork& work);
