// The program's main dialog: hosts the destination and finish pages, starts
// the installation session on Install, shows its status and progress, and
// asks before a running installation is cancelled. The session (created by
// the application) runs the worker; the dialog only shows.
#pragma once

#include <memory>
#include <string>

#include "framework/Dialog.h"
#include "run/SetupStatus.h"
#include "ui/WizardPageList.h"
#include "worker/InstallSession.h"

namespace kalvorin::setup {

class CDestinationPage;

class CSetupDlg : public CDialog {
public:
    explicit CSetupDlg(InstallSession& session);
    ~CSetupDlg() override;

    CWizardPageList* PageList() const { return pageList_.get(); }
    InstallSession& Session() const { return session_; }

protected:
    BOOL OnInitDialog() override;
    // Enter does nothing.
    void OnOK() override {}
    // The Cancel button and Escape.
    void OnCancel() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnModalLoopPass() override;
    // An exception stopped in the dialog or one of its pages: IDS_UNEXPECTED_ERROR,
    // then a running worker is cancelled (it undoes what it did) and waited
    // for, and the dialog ends.
    void OnUnexpectedException() override;

    // WM_SETUP_STATUS.
    LRESULT OnSetupStatus(WPARAM code, LPARAM data);
    // WM_SETUP_PROGRESS: the newest state is shown at once, and the message's
    // turn is kept until the pace timer: the dialog paints at most once per
    // kProgressPaceMs however fast the files go (painting each of them cost
    // the run more than writing them), and the timer shows what came since.
    void OnSetupProgress();
    void OnProgressPaceTimer();
    // The bar and the status line as `progress` has them (the newest state,
    // whichever message came first).
    void ShowProgress(const CSetupSync::Progress& progress);
    // ShowProgress, and the installation state once files are copied.
    void ShowNewProgress(const CSetupSync::Progress& progress);

private:
    void CreatePages();
    void RemovePages();
    void Install();
    void CancelRunningInstallation();
    CDestinationPage* DestinationPage() const;

    static constexpr UINT_PTR kProgressPaceTimer = 1;
    static constexpr UINT kProgressPaceMs = 25;  // at most 40 paintings a second

    InstallSession& session_;
    std::unique_ptr<CWizardPageList> pageList_;
    bool cancelQuestionOpen_ = false;
    std::string statusLine_;    // what the status line shows
    unsigned shownSerial_ = 0;  // the progress shown (its CSetupSync::Progress::serial)
};

}  // namespace kalvorin::setup
