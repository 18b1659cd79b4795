#include "ui/SetupDlg.h"

#include <commctrl.h>

#include <new>

#include "context/SetupContext.h"
#include "framework/App.h"
#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "res/resource.h"
#include "ui/DestinationPage.h"
#include "ui/DestinationRules.h"
#include "ui/FinishPage.h"
#include "ui/WizardPageList.h"

namespace kalvorin::setup {

namespace {

// Creates `page` as a child of `dialog` on `area` and adds it to `pages`; a
// page that cannot be added goes again, unseen.
template <typename Page>
void PlacePage(std::unique_ptr<Page> page, CDialog& dialog, const RECT& area, CWizardPageList& pages) {
    page->Create(&dialog);
    if (page->Hwnd() != nullptr) {
        ::MoveWindow(page->Hwnd(), area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    }
    std::unique_ptr<CWizardPage> added = std::move(page);
    pages.Add(std::move(added));
}

}  // namespace

CSetupDlg::CSetupDlg(InstallSession& session) : CDialog(IDD_SETUP, nullptr), session_(session) {}

CSetupDlg::~CSetupDlg() {
    // Destroyed here, while this class still handles WM_DESTROY.
    DestroyWindow();
    RemovePages();
}

void CSetupDlg::RemovePages() {
    if (pageList_ == nullptr) return;
    pageList_->RemoveAll();
    pageList_.reset();
}

BOOL CSetupDlg::OnInitDialog() {
    SetItemText(IDCANCEL, LoadStr(IDS_CANCEL_CAPTION));
    SetItemText(IDC_INSTALL, LoadStr(IDS_INSTALL_CAPTION));
    ShowItem(IDC_CREDIT_BITMAP, false);
    ShowItem(IDC_CREDIT_TEXT, false);
    return TRUE;
}

bool CSetupDlg::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDC_INSTALL && code == BN_CLICKED) {
        Install();
        return true;
    }
    return false;
}

bool CSetupDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam != 0 && pageList_ == nullptr) CreatePages();
        return false;
    case WM_SETUP_STATUS:
        result = OnSetupStatus(wParam, lParam);
        return true;
    case WM_SETUP_PROGRESS:
        OnSetupProgress();
        result = 0;
        return true;
    case WM_TIMER:
        if (wParam != kProgressPaceTimer) return false;
        OnProgressPaceTimer();
        result = 0;
        return true;
    case WM_DESTROY:
        RemovePages();
        return false;
    default:
        return false;
    }
}

void CSetupDlg::OnModalLoopPass() {
    if (pageList_ != nullptr) pageList_->RefreshCurrent();
}

void CSetupDlg::OnUnexpectedException() {
    ReportUnexpectedError();
    if (session_.Running()) {
        session_.Cancel();
        session_.WaitForDone();
    }
    EndDialog(IDABORT);
}

void CSetupDlg::CreatePages() {
    auto destination = std::make_unique<CDestinationPage>(this);
    auto finish = std::make_unique<CFinishPage>(this);
    pageList_ = std::make_unique<CWizardPageList>();

    RECT area = {};
    ::GetWindowRect(Item(IDC_PLACEHOLDER), &area);
    ::MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&area), 2);

    PlacePage(std::move(destination), *this, area, *pageList_);
    PlacePage(std::move(finish), *this, area, *pageList_);
    pageList_->ShowPage(0);
}

CDestinationPage* CSetupDlg::DestinationPage() const {
    return pageList_ != nullptr ? dynamic_cast<CDestinationPage*>(pageList_->GetPage(0)) : nullptr;
}

void CSetupDlg::Install() {
    if (session_.Started()) return;  // one installation per dialog
    UpdateData(true);
    SetupContextHold context;
    if (CDestinationPage* page = DestinationPage()) page->StoreDestination();
    if (!IsValidDestination(context->destination)) {
        AppMessageBoxId(IDS_INVALID_PATH, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    ShowItem(IDC_PROGRESS, true);
    ShowItem(IDC_INSTALL, false);
    if (!session_.Start(Hwnd())) {
        AppMessageBoxId(IDS_INTERNAL_ERROR, MB_ICONSTOP | MB_OK);
        EndDialog(IDCANCEL);
        return;
    }
    context->installState = Preparing;
}

LRESULT CSetupDlg::OnSetupStatus(WPARAM wParam, LPARAM) {
    if (session_.CancelRequested()) return 1;

    const int code = static_cast<int>(wParam);
    switch (code) {
    case Preparing:
    case CreatingFolders:
    case Finishing:
        ShowProgress(session_.ReadProgress());
        break;
    case Completed:
        // What the pace held back: the bar ends full.
        ::KillTimer(Hwnd(), kProgressPaceTimer);
        ShowNewProgress(session_.TakeProgress());
        SetItemText(IDCANCEL, LoadStr(IDS_EXIT_CAPTION));
        if (pageList_ != nullptr) {
            pageList_->RefreshCurrent();
            pageList_->Next();
        }
        ShowItem(IDC_PROGRESS, false);
        break;
    case Aborted:
        ::KillTimer(Hwnd(), kProgressPaceTimer);
        if (session_.Running()) {
            session_.Cancel();
            session_.WaitForDone();
        }
        EndDialog(IDCANCEL);
        break;
    default:
        return 1;  // no code of the worker: nothing changes
    }

    SetupContextHold context;
    context->installState = code;
    return 1;
}

void CSetupDlg::OnSetupProgress() {
    const bool paced = ::SetTimer(Hwnd(), kProgressPaceTimer, kProgressPaceMs, nullptr) != 0;
    // Without a timer there is no pace: the message's turn ends at once.
    ShowNewProgress(paced ? session_.ReadProgress() : session_.TakeProgress());
}

void CSetupDlg::OnProgressPaceTimer() {
    ::KillTimer(Hwnd(), kProgressPaceTimer);
    const CSetupSync::Progress progress = session_.TakeProgress();
    if (progress.serial == shownSerial_) return;  // nothing new: the next change posts at once
    // Something came: shown now, and the pace goes on (unless a message is
    // already on its way, which sets the timer itself).
    if (session_.HoldProgressPosts() && ::SetTimer(Hwnd(), kProgressPaceTimer, kProgressPaceMs, nullptr) == 0) {
        session_.TakeProgress();
    }
    ShowNewProgress(progress);
}

void CSetupDlg::ShowNewProgress(const CSetupSync::Progress& progress) {
    shownSerial_ = progress.serial;
    if (session_.CancelRequested()) return;
    ShowProgress(progress);
    if (progress.phase != CopyingFile) return;
    SetupContextHold context;
    if (context->installState < CopyingFile) context->installState = CopyingFile;
}

void CSetupDlg::ShowProgress(const CSetupSync::Progress& progress) {
    HWND bar = Item(IDC_PROGRESS);
    ::SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(progress.low), static_cast<LPARAM>(progress.high));
    ::SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(progress.pos), 0);
    std::string line;
    switch (progress.phase) {
    case Preparing:
        line = LoadStr(IDS_STATUS_PREPARING);
        break;
    case CreatingFolders:
        line = LoadStr(IDS_STATUS_CREATING_FOLDERS);
        break;
    case CopyingFile:
        line = FormatStringId(IDS_STATUS_COPYING, {progress.fileName});
        break;
    case Finishing:
        line = LoadStr(IDS_STATUS_FINISHING);
        break;
    default:
        return;
    }
    // Rewritten (and repainted) only when it changes.
    if (line == statusLine_) return;
    statusLine_ = line;
    if (CDestinationPage* page = DestinationPage()) page->SetStatusText(line);
}

void CSetupDlg::OnCancel() {
    if (cancelQuestionOpen_) return;
    int state = kInstallNotStarted;
    {
        SetupContextHold context;
        state = context->installState;
    }
    if (state == kInstallNotStarted || state == Completed) {
        if (pageList_ != nullptr) pageList_->RefreshCurrent();
        // The worker may still be deleting its temporary files: a restart
        // must not cut that short.
        if (state == Completed) session_.WaitForDone();
        session_.RunCompletionActions();
        EndDialog(IDCANCEL);
        return;
    }
    if (state == Aborted || !session_.Started()) {
        EndDialog(IDCANCEL);
        return;
    }
    CancelRunningInstallation();
}

void CSetupDlg::CancelRunningInstallation() {
    session_.Hold();
    cancelQuestionOpen_ = true;
    const int answer = AppMessageBoxId(IDS_CANCEL_QUESTION, MB_YESNO | MB_ICONQUESTION);
    cancelQuestionOpen_ = false;
    if (answer != IDYES) {
        session_.Resume();
        return;
    }
    session_.Cancel();
    session_.WaitForDone();
    EndDialog(IDCANCEL);
}

}  // namespace kalvorin::setup
