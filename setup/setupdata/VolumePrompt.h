// How the worker asks the user for a volume it cannot find: the exclamation
// beep, then the disk prompt, run modally on the worker thread.
#pragma once

#include <string>

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
                     std::string& folder);
};
