#include "ui/FinishPage.h"

#include "context/SetupContext.h"
#include "framework/StringTable.h"
#include "res/resource.h"

namespace kalvorin::setup {

CFinishPage::CFinishPage(CDialog* parent) : CDialog(IDD_FINISH, parent) {}

void CFinishPage::DoDataExchange(CDataExchange& dx) {
    dx.Check(IDC_SHOWPROPS, showDisplayProperties_);
    dx.Check(IDC_REBOOT, restart_);
    dx.Text(IDC_RESULT, resultText_);
}

BOOL CFinishPage::Activate() {
    SetupContextHold context;
    const bool rebootRequired = context->rebootRequired != 0;
    showDisplayProperties_ = 1;
    restart_ = rebootRequired ? 1 : 0;
    ShowItem(IDC_REBOOT, rebootRequired);
    if (context->uninstallerMissing) {
        resultText_ =
            LoadStr(rebootRequired ? IDS_INSTALL_DONE_NO_UNINSTALLER_REBOOT : IDS_INSTALL_DONE_NO_UNINSTALLER);
    } else {
        resultText_ = LoadStr(rebootRequired ? IDS_INSTALL_DONE_REBOOT : IDS_INSTALL_DONE);
    }
    SetItemText(IDC_REBOOT, LoadStr(IDS_REBOOT_NOW));
    SetItemText(IDC_SHOWPROPS, LoadStr(IDS_SHOW_DISPLAY_PROPS));
    UpdateData(false);
    ::ShowWindow(Hwnd(), SW_SHOW);
    ::SetFocus(Hwnd());
    return TRUE;
}

void CFinishPage::Refresh() {
    UpdateData(true);
    SetupContextHold context;
    context->rebootChosen = restart_ == BST_CHECKED ? 1 : 0;
    context->showDisplayPropertiesChosen = showDisplayProperties_ == BST_CHECKED ? 1 : 0;
}

BOOL CFinishPage::Deactivate() {
    ::ShowWindow(Hwnd(), SW_HIDE);
    return TRUE;
}

}  // namespace kalvorin::setup
