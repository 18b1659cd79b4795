#include "ui/DiskPromptDlg.h"

#include <cstdio>

#include "framework/FileSystem.h"
#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "res/resource.h"
#include "ui/FolderBrowser.h"

namespace kalvorin::setup {

CDiskPromptDlg::CDiskPromptDlg(const std::string& fileName, const std::string& startFolder, unsigned diskNumber,
                               CDialog* parent)
    : CDialog(IDD_DISKPROMPT, parent), diskNumber(diskNumber), file(fileName) {
    folder = startFolder;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
}

void CDiskPromptDlg::DoDataExchange(CDataExchange& dx) {
    dx.Text(IDC_PROMPT, prompt);
    dx.Text(IDC_PROMPT_FOLDER, folder);
}

BOOL CDiskPromptDlg::OnInitDialog() {
    SetItemText(IDOK, LoadStr(IDS_PROMPT_OK));
    SetItemText(IDC_BROWSE, LoadStr(IDS_BROWSE_CAPTION));
    SetItemText(IDCANCEL, LoadStr(IDS_PROMPT_CANCEL));
    if (diskNumber != 0) {
        char number[16];
        std::snprintf(number, sizeof number, "%u", diskNumber);
        prompt = FormatStringId(IDS_INSERT_DISK, {number});
    } else {
        prompt.clear();
    }
    if (!FolderExists(folder)) folder.clear();
    return CDialog::OnInitDialog();
}

bool CDiskPromptDlg::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        OnBrowse();
        return true;
    }
    return false;
}

void CDiskPromptDlg::Refuse(UINT id, UINT flags) {
    AppMessageBoxId(id, flags);
    if (HWND field = Item(IDC_PROMPT_FOLDER)) ::SetFocus(field);
}

void CDiskPromptDlg::OnOK() {
    UpdateData(true);
    if (folder.size() < 2) {
        Refuse(IDS_INVALID_PATH, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    std::string tested = folder;
    if (tested.back() == '\\') tested.pop_back();
    if (!FolderExists(tested)) {
        Refuse(IDS_INVALID_PATH, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const std::string path = tested + "\\" + file;
    if (!FileExists(path)) {
        Refuse(IDS_NO_FILE_IN_FOLDER, MB_ICONSTOP | MB_OK);
        return;
    }
    file = path;
    CDialog::OnOK();
}

void CDiskPromptDlg::OnBrowse() {
    UpdateData(true);
    std::string picked;
    if (BrowseForFolder(Hwnd(), LoadStr(IDS_PROMPT_BROWSE_TITLE), folder, picked)) {
        folder = picked;
        UpdateData(false);
    }
}

bool DiskPromptDialog::Ask(const std::string& fileName, const std::string& startFolder, unsigned diskNumber,
                           std::string& folder) {
    CDiskPromptDlg dialog(fileName, startFolder, diskNumber);
    if (dialog.DoModal() != IDOK) return false;
    folder = dialog.folder;
    return true;
}

}  // namespace kalvorin::setup
