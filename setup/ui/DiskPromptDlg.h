// The disk prompt (template IDD_DISKPROMPT): asks for the disk or the folder that holds
// a volume file the worker cannot find. It is run by the worker thread,
// modal to the main dialog, and returns IDOK only when the named file exists
// in the chosen folder, or IDCANCEL.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Dialog.h"
#include "run/DiskPrompt.h"

namespace kalvorin::setup {

class CDiskPromptDlg : public CDialog {
public:
    // `fileName` is looked for (for example user.001); `startFolder` is
    // taken without one trailing backslash; `diskNumber` 0 leaves the
    // prompt empty. Without a parent the dialog belongs to the main dialog.
    CDiskPromptDlg(const std::string& fileName, const std::string& startFolder, unsigned diskNumber,
                   CDialog* parent = nullptr);

    std::string prompt;  // control 1005
    std::string folder;  // control 1006; after IDOK as the user left it
    unsigned diskNumber;
    std::string file;  // the name looked for; after IDOK the full path found

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void DoDataExchange(CDataExchange& dx) override;

private:
    void OnBrowse();
    // Shows string `id` with `flags` and puts the focus on the folder field.
    void Refuse(UINT id, UINT flags);
};

// The disk prompt as the worker asks for it: the exclamation beep, then this
// dialog (registered with SetDiskPrompt by the program at start-up).
class DiskPromptDialog : public VolumePrompt {
public:
    bool Ask(const std::string& fileName, const std::string& startFolder, unsigned diskNumber,
             std::string& folder) override;
};

}  // namespace kalvorin::setup
