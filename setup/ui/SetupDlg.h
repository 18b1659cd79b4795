// The program's main dialog: hosts the destination and finish pages, starts
// the worker on Install, shows its status and progress, and asks before a
// running installation is cancelled.
#pragma once

#include <memory>
#include <string>

#include "framework/Dialog.h"
#include "worker/SetupStatus.h"
#include "worker/SetupSync.h"
#include "worker/SetupThread.h"

class CWizardPageList;
class CDestinationPage;

class CSetupDlg : public CDialog {
public:
    CSetupDlg();
    // Waits for the worker's end (see WaitForWorkerEnd) before the sync
    // record and the thread object go.
    ~CSetupDlg() override;

    // Returns once the worker, if one was started, has raised its done event
    // and ended; sent messages are delivered meanwhile. Call after DoModal,
    // so that the process never ends in the middle of the worker's clean-up.
    void WaitForWorkerEnd();

    CWizardPageList* PageList() const { return pageList_; }
    CSetupSync* Sync() const { return sync_.get(); }
    CSetupThread* Thread() const { return thread_.get(); }

protected:
    BOOL OnInitDialog() override;
    // Enter does nothing.
    void OnOK() override {}
    // The Cancel button and Escape.
    void OnCancel() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnModalLoopPass() override;
    // An exception stopped in the dialog or one of its pages: string 72,
    // then a running worker is cancelled (it undoes what it did) and waited
    // for, and the dialog ends.
    void OnUnexpectedException() override;

    // The worker thread object (not yet created as a thread). Test programs
    // give their own.
    virtual std::unique_ptr<CSetupThread> NewSetupThread();
    // The completion actions with the choices in SetupContext.
    virtual void RunCompletionActions();

    // WM_SETUP_STATUS.
    LRESULT OnSetupStatus(WPARAM code, LPARAM data);

private:
    void CreatePages();
    void Install();
    void StartWorker();
    void CancelRunningInstallation();
    // Stops the worker at its next report, check or question while the
    // cancel question is open, and lets it go on.
    void HoldWorker();
    void ResumeWorker();
    void WaitForDone();
    CDestinationPage* DestinationPage() const;

    CWizardPageList* pageList_ = nullptr;
    std::unique_ptr<CSetupSync> sync_;
    std::unique_ptr<CSetupThread> thread_;
    bool cancelQuestionOpen_ = false;
};
