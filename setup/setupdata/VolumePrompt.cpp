#include "setupdata/VolumePrompt.h"

#include <windows.h>

#include "ui/DiskPromptDlg.h"

void VolumePrompt::Beep() {
    ::MessageBeep(MB_ICONEXCLAMATION);
}

bool VolumePrompt::Ask(const std::string& fileName, const std::string& startFolder, unsigned diskNumber,
                       std::string& folder) {
    CDiskPromptDlg dialog(fileName, startFolder, diskNumber);
    if (dialog.DoModal() != IDOK) return false;
    folder = dialog.folder;
    return true;
}
