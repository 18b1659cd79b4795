// Exceptions stopped at the edges: one thrown inside a dialog procedure, the
// modal loop, a child page, the main dialog with a running worker, or a
// worker thread's entry never goes on into user32 or the thread's start
// (the 32-bit build could not unwind through them and would end). Each is
// reported with string 72 and ends its dialog or run as an unexpected error.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/SetupApp.h"
#include "framework/Dialog.h"
#include "res/resource.h"
#include "run/SetupException.h"
#include "support/MessageBoxScript.h"
#include "uitest/ScriptedSetup.h"

using namespace kalvorin;
using namespace kalvorin::setup;

namespace {

using namespace uitest;

const std::string kUnexpected = "Ein unerwarteter Fehler ist aufgetreten.";

// The application whose report the edges call (string 72).
class EdgeTest : public ContextFixture {
protected:
    // Exactly one box: string 72 with the stop icon and OK.
    void ExpectOneUnexpectedErrorBox() {
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kUnexpected);
        EXPECT_EQ(boxes.Shown()[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    }
    CSetupApp app;
    MessageBoxScript boxes;
};

// Where a dialog throws.
enum class Place { InitDialog, Command, Message, LoopPass, ChildPage };

class ThrowingDialog : public CDialog {
public:
    ThrowingDialog(Place place, std::function<void()> thrower)
        : CDialog(IDD_SETUP), place_(place), throw_(std::move(thrower)) {}
    bool destroyedCleanly = false;

protected:
    BOOL OnInitDialog() override {
        if (place_ == Place::InitDialog) throw_();
        if (place_ == Place::ChildPage) {
            page_ = std::make_unique<Page>(throw_);
            page_->Create(this);
            ::PostMessageA(page_->Hwnd(), WM_USER + 7, 0, 0);
        }
        ::PostMessageA(Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_INSTALL, BN_CLICKED), 0);
        ::PostMessageA(Hwnd(), WM_USER + 7, 0, 0);
        return TRUE;
    }
    bool OnCommand(WORD id, WORD, HWND) override {
        if (id == IDC_INSTALL && place_ == Place::Command) throw_();
        return false;
    }
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (message == WM_USER + 7 && place_ == Place::Message) throw_();
        if (message == WM_DESTROY) destroyedCleanly = true;
        result = 0;
        return false;
    }
    void OnModalLoopPass() override {
        if (place_ == Place::LoopPass && ++passes_ == 3) throw_();
        if (::GetTickCount() - started_ > 5000) EndDialog(-2);  // nothing was thrown
    }

private:
    class Page : public CDialog {
    public:
        explicit Page(std::function<void()> thrower) : CDialog(IDD_FINISH), throw_(std::move(thrower)) {}

    protected:
        bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
            if (message == WM_USER + 7) throw_();
            return false;
        }

    private:
        std::function<void()> throw_;
    };

    Place place_;
    std::function<void()> throw_;
    std::unique_ptr<Page> page_;
    int passes_ = 0;
    DWORD started_ = ::GetTickCount();
};

TEST_F(EdgeTest, AnExceptionInADialogEndsItWithString72) {
    struct Row {
        const char* where;
        Place place;
        std::function<void()> thrower;
    };
    const Row rows[] = {
        {"initialisation, a standard exception", Place::InitDialog, [] { throw std::runtime_error("x"); }},
        {"a command handler, an installation error", Place::Command,
         [] { throw CSetupException(SetupPhase::Preparation, SetupCause::FileError); }},
        {"another message, an int", Place::Message, [] { throw 7; }},
        {"the modal loop, lack of memory", Place::LoopPass, [] { throw std::bad_alloc(); }},
        {"a child page of the modal dialog", Place::ChildPage, [] { throw std::logic_error("y"); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.where);
        boxes.Clear();
        ThrowingDialog dialog(row.place, row.thrower);
        EXPECT_EQ(dialog.DoModal(), IDABORT);
        EXPECT_TRUE(dialog.destroyedCleanly);
        ExpectOneUnexpectedErrorBox();
    }
}

// A worker whose thread entry throws (outside the run), or whose clean-up
// at the end throws.
class ThrowingThread : public FakeThread {
public:
    using FakeThread::FakeThread;
    bool throwAtStart = false;

protected:
    BOOL InitInstance() override {
        if (throwAtStart) throw std::runtime_error("start");
        return FakeThread::InitInstance();
    }
};

TEST_F(EdgeTest, AnExceptionAtTheWorkersEntryEndsTheRunAsAnUnexpectedError) {
    RunRecord record;
    ThrowingThread thread(nullptr, record);
    thread.throwAtStart = true;
    CSetupSync sync;
    HWND status = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    sync.dialogWindow = status;
    thread.sync = &sync;
    ASSERT_TRUE(thread.CreateThread());
    ::SetEvent(sync.startEvent.Get());
    thread.Resume();
    ASSERT_EQ(::WaitForSingleObject(sync.doneEvent.Get(), 10000), WAIT_OBJECT_0);
    ASSERT_EQ(::WaitForSingleObject(thread.Handle(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(thread.ExitCode(), 1u);
    EXPECT_FALSE(record.bodyStarted);
    ExpectOneUnexpectedErrorBox();
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, status, WM_SETUP_STATUS, WM_SETUP_STATUS, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(Aborted));
    ::DestroyWindow(status);
}

// The main dialog throws while the worker runs: string 72, the worker is
// cancelled and has undone its work before the dialog ends.
class MainDialogEdgeTest : public EdgeTest {
protected:
    ScriptedSetupDlg dialog;
};

TEST_F(MainDialogEdgeTest, AnExceptionInTheMainDialogCancelsTheRunningWorkerAndEndsTheDialog) {
    dialog.body = [](CSetupSync& sync, SetupContext&, FakeRun&) {
        for (;;) {
            CheckCancel(sync);
            ::Sleep(5);
        }
    };
    dialog.steps.push_back([](ScriptedSetupDlg& d) {
        d.Click(1014);
        return true;
    });
    dialog.steps.push_back([](ScriptedSetupDlg& d) { return d.record.bodyStarted.load(); });
    dialog.steps.push_back([](ScriptedSetupDlg&) -> bool { throw std::runtime_error("dialog"); });
    EXPECT_EQ(dialog.DoModal(), IDABORT);
    EXPECT_TRUE(dialog.record.cleanedUp);
    EXPECT_EQ(::WaitForSingleObject(dialog.Session().Sync()->doneEvent.Get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(dialog.Session().Sync()->cancelEvent.Get(), 0), WAIT_OBJECT_0);
    dialog.Session().WaitForEnd();
    ExpectOneUnexpectedErrorBox();
}

}  // namespace
