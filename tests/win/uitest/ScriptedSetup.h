// Test doubles for the main dialog and the worker thread: a worker whose
// installation body is a test function, and a main dialog that runs a
// script of steps on its modal loop and records every status it handles.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "context/SetupContext.h"
#include "run/MyException.h"
#include "ui/DestinationPage.h"
#include "ui/FinishPage.h"
#include "ui/SetupDlg.h"
#include "ui/WizardPageList.h"
#include "worker/InstallSession.h"
#include "worker/SetupThread.h"

namespace uitest {
using namespace kalvorin;
using namespace kalvorin::setup;

class FakeRun;
using Body = std::function<void(CSetupSync&, SetupContext&, FakeRun&)>;

// What the fake installation saw, shared between the test and the worker.
struct RunRecord {
    std::atomic<bool> bodyStarted{false};
    std::atomic<bool> cleanedUp{false};
    std::atomic<long> useCountAtCleanUp{-1};
    std::atomic<bool> doneRaisedBeforeCleanUp{false};
    std::function<void()> onCleanUp;  // runs on the worker, inside CleanUp
};

class FakeRun : public SetupRun {
public:
    FakeRun(CSetupSync& sync, SetupContext& context, const Body& body, RunRecord& record)
        : sync_(sync), context_(context), body_(body), record_(record) {}
    // Completed when the body called CompleteRun; Cancelled when it ended
    // silently.
    RunResult RunBody() override {
        record_.bodyStarted = true;
        try {
            if (body_) body_(sync_, context_, *this);
        } catch (const CSilentAbort&) {
            return RunResult::Cancelled;
        }
        return succeeded ? RunResult::Completed : RunResult::Cancelled;
    }
    void CleanUp() override {
        record_.useCountAtCleanUp = SetupContextUseCount();
        record_.doneRaisedBeforeCleanUp = ::WaitForSingleObject(sync_.doneEvent.Get(), 0) == WAIT_OBJECT_0;
        if (record_.onCleanUp) record_.onCleanUp();
        record_.cleanedUp = true;
    }
    bool succeeded = false;

private:
    CSetupSync& sync_;
    SetupContext& context_;
    const Body& body_;
    RunRecord& record_;
};

class FakeThread : public CSetupThread {
public:
    FakeThread(Body body, RunRecord& record) : body_(std::move(body)), record_(record) {}

protected:
    std::unique_ptr<SetupRun> CreateRun(CSetupSync& sync, SetupContext& context) override {
        return std::make_unique<FakeRun>(sync, context, body_, record_);
    }

private:
    Body body_;
    RunRecord& record_;
};

// The completion step: the body returns after it.
inline void CompleteRun(CSetupSync& sync, FakeRun& run);

// One WM_SETUP_STATUS as the dialog handled it.
struct HandledStatus {
    int code;
    std::string fileName;  // CopyingFile: the file WM_SETUP_PROGRESS named
    LRESULT result;
    std::string statusLine;  // the destination page's status line afterwards
    int installState;        // afterwards
};

class ScriptedSetupDlg;

// The session of a scripted dialog: its worker runs the test's body, and its
// completion actions are recorded instead of done.
class ScriptedSession : public InstallSession {
public:
    explicit ScriptedSession(ScriptedSetupDlg& dialog) : dialog_(dialog) {}
    void RunCompletionActions() override;

protected:
    std::unique_ptr<CSetupThread> NewThread() override;

private:
    ScriptedSetupDlg& dialog_;
};

class ScriptedSetupDlg : public CSetupDlg {
public:
    using Step = std::function<bool(ScriptedSetupDlg&)>;  // true: go on to the next step

    // The session is a member: the base class only keeps the reference.
    ScriptedSetupDlg() : CSetupDlg(session_), session_(*this) {}
    // The worker ends before the members it reports to go.
    ~ScriptedSetupDlg() override { session_.WaitForEnd(); }

    Body body;
    RunRecord record;
    bool failThreadCreation = false;
    std::vector<Step> steps;
    DWORD stepTimeoutMs = 15000;

    std::vector<HandledStatus> handled;
    int completionActionsRun = 0;
    int rebootChosenAtClose = -1;
    int showPropertiesChosenAtClose = -1;
    bool cleanedUpBeforeCompletionActions = false;
    std::atomic<int> cancelsHandled{0};
    bool scriptTimedOut = false;
    size_t stepIndex = 0;

    HWND PageItem(int page, int id) const {
        auto* dialog = dynamic_cast<CDialog*>(PageList()->GetPage(page));
        return dialog != nullptr ? ::GetDlgItem(dialog->Hwnd(), id) : nullptr;
    }
    HWND PageWindow(int page) const {
        auto* dialog = dynamic_cast<CDialog*>(PageList()->GetPage(page));
        return dialog != nullptr ? dialog->Hwnd() : nullptr;
    }
    void Click(int id) {
        ::PostMessageA(Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
    }
    std::string StatusLine() const { return PageList() ? WindowText(PageItem(0, 1001)) : std::string(); }

protected:
    void OnCancel() override {
        CSetupDlg::OnCancel();
        ++cancelsHandled;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        // A file the status line comes to name is recorded as CopyingFile,
        // whichever message showed it (the progress message, the pace timer,
        // the status code that ends the run).
        const std::string before = StatusLine();
        const bool handledByBase = CSetupDlg::OnMessage(message, wParam, lParam, result);
        const std::string after = StatusLine();
        const size_t name = after.find("Installiere: ");
        if (after != before && name != std::string::npos) {
            SetupContextHold context;
            handled.push_back(HandledStatus{CopyingFile, after.substr(name + 13), 0, after, context->installState});
        }
        if (message != WM_SETUP_STATUS) return handledByBase;
        HandledStatus status{static_cast<int>(wParam), "", result, after, 0};
        if (status.code == CopyingFile && lParam != 0) status.fileName = reinterpret_cast<const char*>(lParam);
        SetupContextHold context;
        status.installState = context->installState;
        handled.push_back(status);
        return handledByBase;
    }
    void OnModalLoopPass() override {
        CSetupDlg::OnModalLoopPass();
        if (stepIndex >= steps.size() || Hwnd() == nullptr || !ContinueModal()) return;
        const DWORD now = ::GetTickCount();
        if (stepStartedAt_ == 0) stepStartedAt_ = now;
        if (steps[stepIndex](*this)) {
            ++stepIndex;
            stepStartedAt_ = 0;
        } else if (now - stepStartedAt_ > stepTimeoutMs) {
            scriptTimedOut = true;
            ADD_FAILURE() << "script step " << stepIndex << " timed out";
            stepIndex = steps.size();
            EndDialog(IDABORT);
            return;
        }
        // Keep the loop turning while steps are left.
        if (stepIndex < steps.size()) {
            ::Sleep(1);
            ::PostMessageA(Hwnd(), WM_NULL, 0, 0);
        }
    }

private:
    DWORD stepStartedAt_ = 0;
    ScriptedSession session_;
};

inline std::unique_ptr<CSetupThread> ScriptedSession::NewThread() {
    if (dialog_.failThreadCreation) return nullptr;
    return std::make_unique<FakeThread>(dialog_.body, dialog_.record);
}

inline void ScriptedSession::RunCompletionActions() {
    SetupContextHold context;
    ++dialog_.completionActionsRun;
    dialog_.rebootChosenAtClose = context->rebootChosen;
    dialog_.showPropertiesChosenAtClose = context->showDisplayPropertiesChosen;
    dialog_.cleanedUpBeforeCompletionActions = dialog_.record.cleanedUp;
}

}  // namespace uitest

#include "run/MyException.h"
#include "run/WorkerOps.h"

namespace uitest {

inline void CompleteRun(CSetupSync& sync, FakeRun& run) {
    SetProgressStep(sync, 100000);
    StepProgress(sync);
    NotifyDialog(sync, true, Completed, 0);
    run.succeeded = true;
}

// Fresh SetupContext values for each test, held for the test's duration.
class ContextFixture : public testing::Test {
protected:
    ContextFixture() {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        SetupContext& c = *context;
        c.defaultDestination = "C:\\Programme\\Brisvane\\Kalvorin";
        c.programFilesFolder = "C:\\Programme";
        c.displayName = "Kalvorin";
        c.installState = kInstallNotStarted;
        c.destination.clear();
        c.rebootRequired = 0;
        c.rebootChosen = 0;
        c.showDisplayPropertiesChosen = 0;
    }
    SetupContextHold context;
};

}  // namespace uitest
