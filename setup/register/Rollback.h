// Undoing a run that failed or was cancelled, from its InstallRecord. Every
// step ignores its failures; nothing here raises.
//
// Beyond removing what the run made, nothing that was there before is lost:
// an earlier file the run overwrote is put back from the copy the run kept
// of it, a target that waits for the next restart was never changed and
// stays as it is (only its restart copy goes), and the registry values the
// run changed (shared counts, the entries of an earlier installation of the
// same screensaver) go back to what they were.
#pragma once

namespace kalvorin::setup {

class InstallRecord;

// In this order: delete the restart copies; delete every installed file
// that did not exist before and is not waiting for the restart; put back
// the earlier files; remove the created folders (subfolders first, only
// empty ones); remove the registry keys and values the run created; put the
// values it changed back, the last changed first. The temporary files are
// left for the end of the run.
void RollBack(InstallRecord& record);

}  // namespace kalvorin::setup
