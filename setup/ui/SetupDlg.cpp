#include "ui/SetupDlg.h"

#include <new>

#include "context/SetupContext.h"
#include "framework/App.h"
#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "res/resource.h"
#include "ui/CompletionActions.h"
#include "ui/DestinationPage.h"
#include "ui/DestinationRules.h"
#include "ui/FinishPage.h"
#include "ui/WaitLoop.h"
#include "ui/WizardPageList.h"

namespace {

// Creates `page` as a child of `dialog` on `area` and adds it to `pages`; a
// page that cannot be added goes again, unseen.
template <typename Page>
void PlacePage(std::unique_ptr<Page> page, CDialog& dialog, const RECT& area, CWizardPageList& pages) {
    page->Create(&dialog);
    if (page->Hwnd() != nullptr) {
        ::MoveWindow(page->Hwnd(), area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    }
    if (pages.Add(page.get())) page.release();
}

}  // namespace

CSetupDlg::CSetupDlg() : CDialog(IDD_SETUP, nullptr) {}

CSetupDlg::~CSetupDlg() {
    WaitForWorkerEnd();
    // Destroyed here, while this class still handles WM_DESTROY.
    DestroyWindow();
    if (pageList_ != nullptr) {
        pageList_->RemoveAll();
        delete pageList_;
        pageList_ = nullptr;
    }
}

std::unique_ptr<CSetupThread> CSetupDlg::NewSetupThread() {
    return std::make_unique<CSetupThread>();
}

void CSetupDlg::RunCompletionActions() {
    SetupContextHold context;
    ::RunCompletionActions(*context);
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
    case WM_DESTROY:
        if (pageList_ != nullptr) {
            pageList_->RemoveAll();
            delete pageList_;
            pageList_ = nullptr;
        }
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
    if (sync_ != nullptr && thread_ != nullptr && thread_->ExitCode() == STILL_ACTIVE) {
        sync_->RequestCancel();
        WaitForDone();
    }
    EndDialog(IDABORT);
}

void CSetupDlg::CreatePages() {
    auto destination = std::make_unique<CDestinationPage>(this);
    auto finish = std::make_unique<CFinishPage>(this);
    pageList_ = new CWizardPageList;

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
    if (sync_ != nullptr) return;  // one worker per dialog
    UpdateData(true);
    SetupContextHold context;
    if (CDestinationPage* page = DestinationPage()) page->StoreDestination();
    if (!IsValidDestination(context->destination)) {
        AppMessageBoxId(IDS_INVALID_PATH, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    StartWorker();
}

void CSetupDlg::StartWorker() {
    ShowItem(IDC_PROGRESS, true);
    ShowItem(IDC_INSTALL, false);

    bool created = false;
    try {
        sync_ = std::make_unique<CSetupSync>();
        sync_->dialogWindow = Hwnd();
        sync_->progressWindow = Item(IDC_PROGRESS);
        std::unique_ptr<CSetupThread> thread = NewSetupThread();
        if (sync_->IsValid() && thread != nullptr && thread->CreateThread(THREAD_PRIORITY_NORMAL)) {
            thread_ = std::move(thread);
            created = true;
        }
    } catch (const std::bad_alloc&) {
        created = false;
    }
    if (!created) {
        AppMessageBoxId(IDS_INTERNAL_ERROR, MB_ICONSTOP | MB_OK);
        EndDialog(IDCANCEL);
        return;
    }

    sync_->thread = thread_.get();
    thread_->sync = sync_.get();
    ::SetEvent(sync_->startEvent);
    thread_->Resume();
    SetupContextHold context;
    context->installState = Preparing;
}

LRESULT CSetupDlg::OnSetupStatus(WPARAM wParam, LPARAM data) {
    if (sync_ != nullptr && sync_->CancelRequested()) return 1;

    const int code = static_cast<int>(wParam);
    switch (code) {
    case Preparing:
    case CreatingFolders:
    case Finishing: {
        const UINT text = code == Preparing ? IDS_STATUS_PREPARING
                          : code == CreatingFolders ? IDS_STATUS_CREATING_FOLDERS
                                                    : IDS_STATUS_FINISHING;
        if (CDestinationPage* page = DestinationPage()) page->SetStatusText(LoadStr(text));
        break;
    }
    case CopyingFile: {
        const char* name = data != 0 ? reinterpret_cast<const char*>(data) : "";
        if (CDestinationPage* page = DestinationPage()) page->SetStatusText(FormatStringId(IDS_STATUS_COPYING, {name}));
        break;
    }
    case Completed:
        SetItemText(IDCANCEL, LoadStr(IDS_EXIT_CAPTION));
        if (pageList_ != nullptr) {
            pageList_->RefreshCurrent();
            pageList_->Next();
        }
        ShowItem(IDC_PROGRESS, false);
        break;
    case Aborted:
        if (thread_ != nullptr && thread_->ExitCode() == STILL_ACTIVE) {
            sync_->RequestCancel();
            WaitForDone();
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
        if (state == Completed) WaitForDone();
        RunCompletionActions();
        EndDialog(IDCANCEL);
        return;
    }
    if (state == Aborted || thread_ == nullptr) {
        EndDialog(IDCANCEL);
        return;
    }
    CancelRunningInstallation();
}

void CSetupDlg::CancelRunningInstallation() {
    HoldWorker();
    cancelQuestionOpen_ = true;
    const int answer = AppMessageBoxId(IDS_CANCEL_QUESTION, MB_YESNO | MB_ICONQUESTION);
    cancelQuestionOpen_ = false;
    if (answer != IDYES) {
        ResumeWorker();
        return;
    }
    if (thread_->ExitCode() == STILL_ACTIVE) {
        sync_->RequestCancel();
        ResumeWorker();
        WaitForDone();
    } else {
        ResumeWorker();
    }
    EndDialog(IDCANCEL);
}

void CSetupDlg::HoldWorker() {
    if (sync_ != nullptr) sync_->Hold();
}

void CSetupDlg::ResumeWorker() {
    if (sync_ != nullptr) sync_->Release();
}

void CSetupDlg::WaitForDone() {
    if (sync_ == nullptr || thread_ == nullptr) return;
    // A worker held by the cancel question could never get there.
    ResumeWorker();
    WaitDeliveringSentMessages(sync_->doneEvent);
}

void CSetupDlg::WaitForWorkerEnd() {
    if (sync_ == nullptr || thread_ == nullptr) return;
    WaitForDone();
    WaitDeliveringSentMessages(thread_->Handle());
}
