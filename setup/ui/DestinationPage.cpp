#include "ui/DestinationPage.h"

#include "context/SetupContext.h"
#include "framework/StringTable.h"
#include "res/resource.h"
#include "ui/DestinationRules.h"
#include "ui/FolderBrowser.h"

namespace kalvorin::setup {

CDestinationPage::CDestinationPage(CDialog* parent) : CDialog(IDD_DESTINATION, parent) {}

BOOL CDestinationPage::OnInitDialog() {
    SetupContextHold context;
    header_ = LoadStr(IDS_DEST_HEADER);
    label_ = LoadStr(IDS_DEST_LABEL);
    SetItemText(IDC_BROWSE, LoadStr(IDS_BROWSE_CAPTION));
    folder_ = ProposedDestination(context->defaultDestination, context->programFilesFolder, context->displayName);
    UpdateData(false);
    return TRUE;
}

void CDestinationPage::DoDataExchange(CDataExchange& dx) {
    dx.Text(IDC_STATUS, statusText_);
    dx.Text(IDC_DEST_FOLDER, folder_);
    dx.Text(IDC_DEST_LABEL, label_);
    dx.Text(IDC_DEST_HEADER, header_);
}

bool CDestinationPage::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        Browse();
        return true;
    }
    return false;
}

void CDestinationPage::Refresh() {
    SetupContextHold context;
    const bool notStarted = context->installState == kInstallNotStarted;
    EnableItem(IDC_DEST_FOLDER, notStarted);
    EnableItem(IDC_BROWSE, notStarted);
}

BOOL CDestinationPage::Activate() {
    ::ShowWindow(Hwnd(), SW_SHOW);
    ::SetFocus(Hwnd());
    return TRUE;
}

BOOL CDestinationPage::Deactivate() {
    ::ShowWindow(Hwnd(), SW_HIDE);
    return TRUE;
}

void CDestinationPage::StoreDestination() {
    UpdateData(true);
    SetupContextHold context;
    context->destination = folder_;
}

void CDestinationPage::SetStatusText(const std::string& text) {
    // Only the status line: writing the other fields back would repaint
    // them for every file of the installation.
    statusText_ = text;
    SetItemText(IDC_STATUS, statusText_);
}

void CDestinationPage::Browse() {
    UpdateData(true);
    std::string picked;
    if (BrowseForFolder(Hwnd(), LoadStr(IDS_DEST_BROWSE_TITLE), folder_, picked)) {
        folder_ = picked;
        UpdateData(false);
    }
}

}  // namespace kalvorin::setup
