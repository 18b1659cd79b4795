// The disk prompt as a worker operation: how the worker asks the user for a
// volume it cannot find (the exclamation beep, then the prompt, modal on the
// worker thread). The dialog that asks belongs to the user interface; the
// program registers it at start-up.
#pragma once

#include <string>

namespace kalvorin::setup {

class VolumePrompt {
public:
    virtual ~VolumePrompt() = default;

    // MessageBeep(MB_ICONEXCLAMATION).
    virtual void Beep();

    // Runs the disk prompt for `fileName` with `startFolder` in its folder
    // field and `diskNumber` in its text. True on OK, with `folder` = the
    // folder field as the user left it (it holds a file of that name); false
    // on Cancel or when the dialog cannot be shown.
    virtual bool Ask(const std::string& fileName, const std::string& startFolder, unsigned diskNumber,
                     std::string& folder) = 0;
};

// The prompt a run uses unless it names its own: the one registered last
// (nullptr: none). Without one, the beep sounds and every question ends as
// Cancel.
void SetDiskPrompt(VolumePrompt* prompt);
VolumePrompt& DiskPrompt();

}  // namespace kalvorin::setup
