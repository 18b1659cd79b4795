// Handing the files that wait for the next start of Windows to the system:
// "[rename]" lines in wininit.ini on the Windows 9x family, delayed moves on
// the NT family, both with short paths.
#pragma once

namespace kalvorin::setup {

class SetupWork;

// Nothing when no file waits. Otherwise each pending replacement's restart
// copy goes over its target at the restart. Raises (Completion, FileError)
// when wininit.ini can neither be opened nor created, CFileException when
// writing to it fails, and (Completion, FileError) naming the target when the
// system refuses a delayed move (moves registered before it stay; their
// restart copies go with the rollback, so they move nothing).
void ScheduleRestartReplacements(SetupWork& work);

}  // namespace kalvorin::setup
