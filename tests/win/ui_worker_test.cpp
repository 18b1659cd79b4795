// The worker thread and its coordination with the main dialog, with real
// threads and windows: the end-of-run path, the status handler, the cancel
// question and the wait loop that keeps delivering sent messages.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/FileException.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "framework/WaitLoop.h"
#include "res/resource.h"
#include "run/AskUser.h"
#include "run/SetupException.h"
#include "run/SetupStatus.h"
#include "run/WorkerOps.h"
#include "support/MessageBoxScript.h"
#include "uitest/ScriptedSetup.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace uitest;

namespace {

const std::string kPreparingText = "Kalvorin bereitet die Installation vor...";

// ---------------------------------------------------------------------------
// The worker thread on its own, with a plain window as the dialog.

class WorkerThreadTest : public ContextFixture {
protected:
    WorkerThreadTest() {
        dialog_ = ::CreateWindowExA(0, "STATIC", "dialog", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        sync_.dialogWindow = dialog_;
    }
    ~WorkerThreadTest() override { ::DestroyWindow(dialog_); }

    // Runs the thread to its end; returns its exit code. `codesAtDone`: the
    // codes already posted when the done event was seen.
    DWORD RunToEnd(Body body) {
        FakeThread thread(std::move(body), record_);
        EXPECT_TRUE(thread.CreateThread());
        thread.sync = &sync_;
        ::SetEvent(sync_.startEvent.Get());
        thread.Resume();
        WaitDeliveringSentMessages(sync_.doneEvent.Get());
        codesAtDone_ = TakePostedCodes();
        boxesAtDone_ = boxes_.Count();
        EXPECT_EQ(::WaitForSingleObject(thread.Handle(), 10000), WAIT_OBJECT_0);
        const DWORD code = thread.ExitCode();
        std::vector<int> late = TakePostedCodes();
        EXPECT_TRUE(late.empty()) << "posted after the done event";
        return code;
    }

    std::vector<int> TakePostedCodes() {
        std::vector<int> codes;
        MSG msg;
        while (::PeekMessageA(&msg, dialog_, WM_SETUP_STATUS, WM_SETUP_STATUS, PM_REMOVE)) {
            codes.push_back(static_cast<int>(msg.wParam));
            EXPECT_EQ(msg.lParam, 0);
        }
        return codes;
    }

    MessageBoxScript boxes_;
    CSetupSync sync_;
    RunRecord record_;
    HWND dialog_ = nullptr;
    std::vector<int> codesAtDone_;
    size_t boxesAtDone_ = 0;
};

TEST_F(WorkerThreadTest, ErrorIsCleanedUpShownOnceAndEndsWithAborted) {
    const DWORD exitCode = RunToEnd([](CSetupSync&, SetupContext&, FakeRun&) {
        throw CSetupException(SetupPhase::Preparation, SetupCause::DamagedSetupFile);
    });
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(codesAtDone_, (std::vector<int>{Preparing, Aborted}));
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(boxesAtDone_, 1u);
    const auto box = boxes_.Shown()[0];
    EXPECT_EQ(box.text,
              "Bei der Vorbereitung der Installation ist ein Fehler aufgetreten.\n"
              "Eine Setup-Datei ist besch\xE4"
              "digt.");
    EXPECT_EQ(box.flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    EXPECT_TRUE(record_.cleanedUp);
    EXPECT_FALSE(record_.doneRaisedBeforeCleanUp);
    // The worker had released its hold before the clean-up; the test's own remains.
    EXPECT_EQ(record_.useCountAtCleanUp, 1);
    EXPECT_EQ(SetupContextUseCount(), 1);
}

TEST_F(WorkerThreadTest, StartSetsTheProgressRangeAndPosition) {
    SetProgressRange(sync_, 0, 10);
    SetProgressPos(sync_, 7);
    std::atomic<int> low{-1}, high{-1}, pos{-1};
    RunToEnd([&](CSetupSync& sync, SetupContext&, FakeRun&) {
        const CSetupSync::Progress progress = sync.ReadProgress();
        low = progress.low;
        high = progress.high;
        pos = progress.pos;
        throw CSilentAbort();
    });
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 1200000);
    EXPECT_EQ(pos, 0);
}

TEST_F(WorkerThreadTest, SuccessPostsCompletedTwiceWithoutAnyMessage) {
    const DWORD exitCode = RunToEnd([](CSetupSync& sync, SetupContext&, FakeRun& run) { CompleteRun(sync, run); });
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(codesAtDone_, (std::vector<int>{Preparing, Completed, Completed}));
    EXPECT_EQ(boxes_.Count(), 0u);
    EXPECT_TRUE(record_.cleanedUp);
    EXPECT_EQ(sync_.ReadProgress().pos, 100000);
}

TEST_F(WorkerThreadTest, CancelEndsSilentlyWithAborted) {
    sync_.RequestCancel();
    std::atomic<bool> passedCheck{false};
    const DWORD exitCode = RunToEnd([&](CSetupSync& sync, SetupContext&, FakeRun&) {
        CheckCancel(sync);
        passedCheck = true;
    });
    EXPECT_FALSE(passedCheck);
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(codesAtDone_, (std::vector<int>{Preparing, Aborted}));
    EXPECT_EQ(boxes_.Count(), 0u);
    EXPECT_TRUE(record_.cleanedUp);
    // Nobody clears the cancel request.
    EXPECT_EQ(::WaitForSingleObject(sync_.cancelEvent.Get(), 0), WAIT_OBJECT_0);
}

TEST_F(WorkerThreadTest, OutOfMemoryIsReportedAsAnInstallationError) {
    const DWORD exitCode = RunToEnd([](CSetupSync&, SetupContext&, FakeRun&) { throw std::bad_alloc(); });
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(codesAtDone_, (std::vector<int>{Preparing, Aborted}));
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].text, "Ein interner Fehler ist aufgetreten.\nEs ist zu wenig Speicher vorhanden.");
    EXPECT_EQ(boxes_.Shown()[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
}

TEST_F(WorkerThreadTest, FileErrorShowsTheFileErrorText) {
    const DWORD exitCode = RunToEnd([](CSetupSync&, SetupContext&, FakeRun&) {
        throw CFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, "C:\\Temp\\abcdefgh\\user.spd");
    });
    EXPECT_EQ(exitCode, 1u);
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].text, "C:\\Temp\\abcdefgh\\user.spd wurde nicht gefunden.");
    EXPECT_EQ(boxes_.Shown()[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    EXPECT_EQ(codesAtDone_, (std::vector<int>{Preparing, Aborted}));
}

TEST_F(WorkerThreadTest, AnyOtherExceptionShowsTheUnexpectedError) {
    const DWORD exitCode =
        RunToEnd([](CSetupSync&, SetupContext&, FakeRun&) { throw std::runtime_error("something else"); });
    EXPECT_EQ(exitCode, 1u);
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].text, "Ein unerwarteter Fehler ist aufgetreten.");
    EXPECT_EQ(boxes_.Shown()[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    EXPECT_EQ(codesAtDone_, (std::vector<int>{Preparing, Aborted}));
}

TEST_F(WorkerThreadTest, ARunThatReturnsCancelledIsNoSuccessAndSilent) {
    const DWORD exitCode = RunToEnd([](CSetupSync&, SetupContext&, FakeRun&) {});
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(codesAtDone_, (std::vector<int>{Preparing, Aborted}));
    EXPECT_EQ(boxes_.Count(), 0u);
}

TEST_F(WorkerThreadTest, FailingCleanUpAfterACancelIsReported) {
    record_.onCleanUp = [] { throw CSetupException(SetupPhase::Completion, SetupCause::FileError); };
    const DWORD exitCode = RunToEnd([](CSetupSync&, SetupContext&, FakeRun&) { throw CSilentAbort(); });
    EXPECT_EQ(exitCode, 1u);
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].text,
              "Beim Beenden der Installation ist folgender Fehler aufgetreten.\nEin Dateifehler ist aufgetreten.");
    EXPECT_EQ(codesAtDone_, (std::vector<int>{Preparing, Aborted}));
}

TEST_F(WorkerThreadTest, FailingCleanUpNeverHidesTheBodysError) {
    record_.onCleanUp = [] { throw std::runtime_error("clean-up"); };
    RunToEnd([](CSetupSync&, SetupContext&, FakeRun&) {
        throw CSetupException(SetupPhase::FolderCreation, SetupCause::CannotCreateFolder);
    });
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].text,
              "Beim Anlegen der Ordner auf Ihrem Computer ist der folgende Fehler aufgetreten.\n"
              "Konnte einen Ordner nicht anlegen. Entfernen Sie ggf. den Schreibschutz.");
}

TEST_F(WorkerThreadTest, NothingHappensBeforeTheStartEvent) {
    FakeThread thread([](CSetupSync&, SetupContext&, FakeRun&) { throw CSilentAbort(); }, record_);
    ASSERT_TRUE(thread.CreateThread());
    thread.sync = &sync_;
    thread.Resume();
    ::Sleep(300);
    EXPECT_EQ(thread.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_FALSE(record_.bodyStarted);
    EXPECT_TRUE(TakePostedCodes().empty());
    EXPECT_EQ(SetupContextUseCount(), 2);  // the worker holds the context from its start

    ::SetEvent(sync_.startEvent.Get());
    WaitDeliveringSentMessages(sync_.doneEvent.Get());
    EXPECT_EQ(::WaitForSingleObject(thread.Handle(), 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(record_.bodyStarted);
    EXPECT_EQ(TakePostedCodes(), (std::vector<int>{Preparing, Aborted}));
    EXPECT_EQ(SetupContextUseCount(), 1);
    // The start event resets itself.
    EXPECT_EQ(::WaitForSingleObject(sync_.startEvent.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// ---------------------------------------------------------------------------
// The worker operations.

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETUP_STATUS) {
        auto* seen = reinterpret_cast<std::vector<std::string>*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        seen->push_back(std::to_string(wParam) + ":" + (lParam != 0 ? reinterpret_cast<const char*>(lParam) : ""));
        return 1;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

struct SendArgs {
    CSetupSync* sync;
    std::atomic<size_t>* sendReturned;
};

DWORD WINAPI SendFromOtherThread(LPVOID p) {
    auto* args = static_cast<SendArgs*>(p);
    NotifyDialog(*args->sync, true, CreatingFolders, 0);
    char name[] = "kalvorin.scr";
    NotifyDialog(*args->sync, false, CopyingFile, reinterpret_cast<LPARAM>(name));
    args->sendReturned->store(1);
    return 0;
}

TEST(WorkerOps, SentStatusIsHandledBeforeNotifyReturnsPostedStatusWaits) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &RecordingProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "KalvRecordingWindow";
    ::RegisterClassA(&wc);
    HWND window =
        ::CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    std::vector<std::string> seen;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&seen));

    CSetupSync sync;
    ASSERT_TRUE(sync.IsValid());
    sync.dialogWindow = window;
    std::atomic<size_t> seenWhenSendReturned{0};
    SendArgs args{&sync, &seenWhenSendReturned};
    HANDLE thread = ::CreateThread(nullptr, 0, &SendFromOtherThread, &args, 0, nullptr);
    WaitDeliveringSentMessages(thread);
    ::CloseHandle(thread);
    EXPECT_EQ(seenWhenSendReturned, 1u);
    // The sent code was handled inside the wait; the posted one is still queued.
    EXPECT_EQ(seen, (std::vector<std::string>{"2:kalvorin.scr"}));
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, window, WM_SETUP_STATUS, WM_SETUP_STATUS, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(CreatingFolders));
    ::DestroyWindow(window);
}

TEST(WorkerOps, CheckCancelThrowsOnlyOnceRaisedAndEveryTimeAfterwards) {
    CSetupSync sync;
    EXPECT_NO_THROW(CheckCancel(sync));
    sync.RequestCancel();
    EXPECT_THROW(CheckCancel(sync), CMyException);
    EXPECT_THROW(CheckCancel(sync), CMyException);
}

// The progress costs the worker no round trip: it is kept in the record and
// announced by one posted message until the dialog takes it.
TEST(WorkerOps, ProgressIsKeptInTheRecordAndPostedOnceUntilTaken) {
    HWND window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    CSetupSync sync;
    sync.dialogWindow = window;
    const auto posted = [window] {
        int count = 0;
        MSG msg;
        while (::PeekMessageA(&msg, window, WM_SETUP_PROGRESS, WM_SETUP_PROGRESS, PM_REMOVE)) ++count;
        return count;
    };
    SetProgressRange(sync, 0, 1200000);
    SetProgressPos(sync, 250);
    SetProgressStep(sync, 100000);
    ReportFile(sync, "a.scr");
    StepProgress(sync);
    ReportFile(sync, "b.scr");
    EXPECT_EQ(posted(), 1);
    const CSetupSync::Progress taken = sync.TakeProgress();
    EXPECT_EQ(taken.pos, 100250);
    EXPECT_EQ(taken.high, 1200000);
    EXPECT_EQ(taken.fileName, "b.scr");
    for (int i = 0; i < 20; ++i) StepProgress(sync);
    EXPECT_EQ(sync.ReadProgress().pos, 1200000);  // stops at the end of its range
    EXPECT_EQ(posted(), 1);
    sync.TakeProgress();
    EXPECT_TRUE(sync.HoldProgressPosts());  // the dialog's pace: none until it takes again
    ReportFile(sync, "c.scr");
    EXPECT_EQ(posted(), 0);
    EXPECT_FALSE(sync.HoldProgressPosts());
    ::DestroyWindow(window);
}

TEST(WaitLoop, ReturnsAtOnceForASignalledObjectAndLeavesPostedMessagesQueued) {
    HANDLE event = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ASSERT_TRUE(::PostThreadMessageA(::GetCurrentThreadId(), WM_APP + 5, 1, 2));
    WaitDeliveringSentMessages(event);
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_APP + 5, WM_APP + 5, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    ::CloseHandle(event);
}

// ---------------------------------------------------------------------------
// The main dialog with a fake worker.

class DialogWorkerTest : public ContextFixture {
protected:
    INT_PTR Run() {
        const INT_PTR result = dialog.DoModal();
        dialog.Session().WaitForEnd();
        return result;
    }
    // Install on the first pass, then wait until the worker runs.
    void StartWithInstall() {
        dialog.steps.push_back([](ScriptedSetupDlg& d) {
            d.Click(1014);
            return true;
        });
        dialog.steps.push_back([](ScriptedSetupDlg& d) { return d.Session().Sync() != nullptr; });
    }
    MessageBoxScript boxes;
    ScriptedSetupDlg dialog;
};

TEST_F(DialogWorkerTest, StatusLineFollowsTheCodesUntilTheFinishPage) {
    std::atomic<int> positionAtEnd{-1};
    dialog.body = [](CSetupSync& sync, SetupContext&, FakeRun& run) {
        NotifyDialog(sync, true, CreatingFolders, 0);
        ReportFile(sync, "kalvorin.scr");
        ReportFile(sync, "Kalvorin Hilfe.txt");
        NotifyDialog(sync, true, Finishing, 0);
        CompleteRun(sync, run);
    };
    StartWithInstall();
    dialog.steps.push_back([&](ScriptedSetupDlg& d) {
        if (std::count_if(d.handled.begin(), d.handled.end(), [](auto& s) { return s.code == Completed; }) < 2) {
            return false;
        }
        positionAtEnd = static_cast<int>(::SendMessageA(d.Item(1000), PBM_GETPOS, 0, 0));
        return true;
    });
    dialog.steps.push_back([](ScriptedSetupDlg& d) {
        EXPECT_EQ(WindowText(d.Item(IDCANCEL)), "&Beenden");
        EXPECT_FALSE(d.IsItemVisible(1000));
        EXPECT_FALSE(d.IsItemVisible(1014));
        EXPECT_FALSE(::IsWindowVisible(d.PageWindow(0)));
        EXPECT_TRUE(::IsWindowVisible(d.PageWindow(1)));
        EXPECT_EQ(d.PageList()->CurrentIndex(), 1);
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);

    // The status line never goes back: it shows the newest state whichever
    // message comes first (a file may be passed over when the next came
    // before the dialog looked), the last file before the finishing. The
    // codes keep their order.
    const std::vector<HandledStatus>& h = dialog.handled;
    ASSERT_GE(h.size(), 5u);
    const auto rank = [](const std::string& line) {
        if (line == kPreparingText) return 0;
        if (line == "Kalvorin erstellt Ordner...") return 1;
        if (line.rfind("Kalvorin kopiert die Dateien...\n\nInstalliere: ", 0) == 0) return 2;
        if (line == "Kalvorin beendet die Installation...") return 3;
        return -1;
    };
    std::vector<int> posted;
    std::vector<std::string> files;
    int shown = 0;
    for (const HandledStatus& status : h) {
        EXPECT_EQ(status.result, status.code == CopyingFile ? 0 : 1);
        EXPECT_GE(rank(status.statusLine), shown) << status.statusLine;
        shown = rank(status.statusLine);
        if (status.code == CopyingFile)
            files.push_back(status.fileName);
        else
            posted.push_back(status.code);
    }
    EXPECT_EQ(posted, (std::vector<int>{Preparing, CreatingFolders, Finishing, Completed, Completed}));
    EXPECT_EQ(shown, 3);
    if (!files.empty()) EXPECT_EQ(files.back(), "Kalvorin Hilfe.txt");
    EXPECT_EQ(positionAtEnd, 100000) << "the bar full at the end";
    EXPECT_EQ(boxes.Count(), 0u);
    // Closing after completion: no question, the completion actions with the
    // finish page's choices (no restart needed: display properties only).
    EXPECT_EQ(dialog.completionActionsRun, 1);
    EXPECT_EQ(dialog.rebootChosenAtClose, 0);
    EXPECT_EQ(dialog.showPropertiesChosenAtClose, 1);
    EXPECT_EQ(dialog.Session().Thread()->ExitCode(), 0u);
}

TEST_F(DialogWorkerTest, SecondCompletedLeavesTheFinishPageAsItIs) {
    dialog.body = [](CSetupSync& sync, SetupContext& context, FakeRun& run) {
        context.rebootRequired = 1;
        CompleteRun(sync, run);
    };
    StartWithInstall();
    // After the first Completed the user unchecks the restart.
    dialog.steps.push_back([](ScriptedSetupDlg& d) {
        if (d.handled.size() < 2) return false;
        EXPECT_EQ(d.handled[1].code, Completed);
        HWND restart = d.PageItem(1, 1017);
        EXPECT_TRUE(::IsWindowVisible(restart));
        EXPECT_EQ(::SendMessageA(restart, BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(WindowText(d.PageItem(1, 1001)),
                  "Der Bildschirmschoner wurde erfolgreich installiert.\n"
                  "Starten Sie den Computer neu, bevor Sie den Bildschirmschoner benutzen!");
        ::SendMessageA(restart, BM_SETCHECK, BST_UNCHECKED, 0);
        return true;
    });
    dialog.steps.push_back([](ScriptedSetupDlg& d) { return d.handled.size() >= 3; });
    dialog.steps.push_back([](ScriptedSetupDlg& d) {
        // The second Completed did not activate the page again.
        EXPECT_EQ(::SendMessageA(d.PageItem(1, 1017), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_EQ(d.PageList()->CurrentIndex(), 1);
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(dialog.completionActionsRun, 1);
    EXPECT_EQ(dialog.rebootChosenAtClose, 0);
    EXPECT_EQ(dialog.showPropertiesChosenAtClose, 1);
}

TEST_F(DialogWorkerTest, ClosingRightAfterCompletedWaitsForTheWorkersCleanUp) {
    dialog.record.onCleanUp = [] { ::Sleep(400); };
    dialog.body = [](CSetupSync& sync, SetupContext&, FakeRun& run) { CompleteRun(sync, run); };
    StartWithInstall();
    dialog.steps.push_back([](ScriptedSetupDlg& d) {
        if (d.handled.size() < 2) return false;
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(dialog.completionActionsRun, 1);
    EXPECT_TRUE(dialog.cleanedUpBeforeCompletionActions);
    EXPECT_EQ(::WaitForSingleObject(dialog.Session().Sync()->doneEvent.Get(), 0), WAIT_OBJECT_0);
}

TEST_F(DialogWorkerTest, CancelAnsweredNoResumesWithNothingLost) {
    constexpr int kFiles = 40;
    boxes.Answer(IDNO);
    dialog.body = [&](CSetupSync& sync, SetupContext&, FakeRun& run) {
        std::vector<std::string> names;
        for (int i = 0; i < kFiles; ++i) names.push_back("datei" + std::to_string(i) + ".dll");
        SetProgressStep(sync, 1000);
        for (int i = 0; i < kFiles; ++i) {
            CheckCancel(sync);
            ReportFile(sync, names[static_cast<size_t>(i)]);
            StepProgress(sync);
            if (i == 10) {
                ::PostMessageA(sync.dialogWindow, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                // Until the question has been answered.
                for (int wait = 0; wait < 4000 && dialog.cancelsHandled == 0; ++wait) ::Sleep(5);
            }
        }
        CompleteRun(sync, run);
    };
    std::atomic<int> positionAtEnd{-1};
    StartWithInstall();
    dialog.steps.push_back([&](ScriptedSetupDlg& d) {
        if (d.handled.empty() || d.handled.back().code != Completed) return false;
        positionAtEnd = static_cast<int>(::SendMessageA(d.Item(1000), PBM_GETPOS, 0, 0));
        return true;
    });
    dialog.steps.push_back([](ScriptedSetupDlg& d) {
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);

    ASSERT_GE(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text,
              "Der Bildschirmschoner wurde noch nicht vollst\xE4ndig installiert.\n"
              "Wollen Sie das Setup Programm dennoch beenden?");
    EXPECT_EQ(boxes.Shown()[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(boxes.Count(), 1u);
    // The files the dialog showed come in their order, the last one among
    // them; the bar ends full of every step.
    std::vector<int> files;
    for (const HandledStatus& h : dialog.handled) {
        if (h.code == CopyingFile) files.push_back(std::stoi(h.fileName.substr(5)));
    }
    ASSERT_FALSE(files.empty());
    EXPECT_TRUE(std::is_sorted(files.begin(), files.end()));
    EXPECT_EQ(files.back(), kFiles - 1);
    EXPECT_EQ(positionAtEnd, kFiles * 1000 + 100000);
    EXPECT_EQ(dialog.Session().Thread()->ExitCode(), 0u);
    EXPECT_EQ(dialog.completionActionsRun, 1);
}

// While the question is open the worker stands still: it neither advances
// nor asks a question of its own; after No it carries on.
TEST_F(DialogWorkerTest, CancelQuestionHoldsTheWorkerUntilAnswered) {
    std::atomic<int> steps{0};
    std::atomic<bool> questionOpen{false};
    int stepsWhenAsked = -1;
    int stepsWhenAnswered = -2;
    bool workerAskedDuringQuestion = true;
    SetMessageBoxHook([&](const std::string& text, UINT, const std::string&) {
        if (text == "Frage des Setups") {
            workerAskedDuringQuestion = questionOpen;
            return IDOK;
        }
        questionOpen = true;
        stepsWhenAsked = steps;
        ::Sleep(300);
        stepsWhenAnswered = steps;
        questionOpen = false;
        return IDNO;
    });
    dialog.body = [&](CSetupSync& sync, SetupContext&, FakeRun& run) {
        ::PostMessageA(sync.dialogWindow, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        for (int wait = 0; wait < 4000 && !questionOpen; ++wait) ::Sleep(5);
        for (int i = 0; i < 20; ++i) {
            CheckCancel(sync);
            ++steps;
            ::Sleep(2);
        }
        AskUser("Frage des Setups", MB_OK);
        CompleteRun(sync, run);
    };
    StartWithInstall();
    dialog.steps.push_back(
        [](ScriptedSetupDlg& d) { return !d.handled.empty() && d.handled.back().code == Completed; });
    dialog.steps.push_back([](ScriptedSetupDlg& d) {
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(stepsWhenAsked, 0);
    EXPECT_EQ(stepsWhenAnswered, 0);
    EXPECT_EQ(steps, 20);
    EXPECT_FALSE(workerAskedDuringQuestion);
    EXPECT_EQ(dialog.Session().Thread()->ExitCode(), 0u);
}

TEST_F(DialogWorkerTest, CancelAnsweredYesStopsTheWorkerAndClosesWithoutMessage) {
    boxes.Answer(IDYES);
    std::atomic<bool> cancelSeen{false};
    dialog.body = [&](CSetupSync& sync, SetupContext&, FakeRun& run) {
        NotifyDialog(sync, true, CreatingFolders, 0);
        ::PostMessageA(sync.dialogWindow, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        for (int i = 0; i < 2000; ++i) {
            try {
                CheckCancel(sync);
            } catch (const CMyException&) {
                cancelSeen = true;
                throw;
            }
            ReportFile(sync, "kalvorin.scr");
            ::Sleep(5);
        }
        CompleteRun(sync, run);
    };
    StartWithInstall();
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_TRUE(cancelSeen);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(dialog.record.cleanedUp);
    EXPECT_EQ(dialog.Session().Thread()->ExitCode(), 1u);
    EXPECT_EQ(dialog.completionActionsRun, 0);
    for (const HandledStatus& h : dialog.handled) EXPECT_NE(h.code, Completed);
    EXPECT_EQ(::WaitForSingleObject(dialog.Session().Sync()->cancelEvent.Get(), 0), WAIT_OBJECT_0);
}

TEST_F(DialogWorkerTest, ErrorMessageComesFirstThenTheDialogClosesByItself) {
    dialog.body = [](CSetupSync& sync, SetupContext&, FakeRun&) {
        NotifyDialog(sync, true, CreatingFolders, 0);
        throw CSetupException(SetupPhase::FileInstallation, SetupCause::DecompressError);
    };
    StartWithInstall();
    EXPECT_EQ(Run(), IDCANCEL);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text,
              "Beim Installieren der Dateien ist der folgende Fehler aufgetreten.\n"
              "Beim Dekomprimieren ist ein Fehler aufgetreten.");
    EXPECT_EQ(boxes.Shown()[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    ASSERT_FALSE(dialog.handled.empty());
    EXPECT_EQ(dialog.handled.back().code, Aborted);
    EXPECT_EQ(dialog.handled.back().installState, Aborted);
    EXPECT_EQ(dialog.completionActionsRun, 0);
    EXPECT_EQ(dialog.Session().Thread()->ExitCode(), 1u);
}

TEST_F(DialogWorkerTest, SentMessagesAreDeliveredWhileTheDialogWaitsForTheWorker) {
    std::atomic<bool> cancelRaised{false};
    std::atomic<bool> sendDelivered{false};
    std::atomic<LRESULT> sendResult{0};
    std::atomic<LRESULT> progressRead{-1};
    dialog.body = [&](CSetupSync& sync, SetupContext&, FakeRun&) {
        // An early Aborted while the worker still runs: the dialog raises the
        // cancel request and waits for the done event.
        NotifyDialog(sync, true, Aborted, 0);
        cancelRaised = ::WaitForSingleObject(sync.cancelEvent.Get(), 10000) == WAIT_OBJECT_0;
        char name[] = "spaet.dll";
        DWORD_PTR result = 0;
        sendDelivered = ::SendMessageTimeoutA(sync.dialogWindow, WM_SETUP_STATUS, CopyingFile,
                                              reinterpret_cast<LPARAM>(name), SMTO_NORMAL, 5000, &result) != 0;
        sendResult = static_cast<LRESULT>(result);
        HWND bar = ::GetDlgItem(sync.dialogWindow, 1000);
        ::SendMessageTimeoutA(bar, PBM_SETPOS, 777, 0, SMTO_NORMAL, 5000, nullptr);
        DWORD_PTR pos = 0;
        if (::SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &pos)) {
            progressRead = static_cast<LRESULT>(pos);
        }
        CheckCancel(sync);
    };
    StartWithInstall();
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_TRUE(cancelRaised);
    EXPECT_TRUE(sendDelivered);
    EXPECT_EQ(sendResult, 1);
    EXPECT_EQ(progressRead, 777);
    EXPECT_EQ(boxes.Count(), 0u);
    // Handled inside the wait: answered 1 at once, nothing changed.
    bool sawLateFile = false;
    for (const HandledStatus& h : dialog.handled) {
        if (h.code != CopyingFile) continue;
        sawLateFile = true;
        EXPECT_EQ(h.result, 1);
        EXPECT_EQ(h.installState, Preparing);
        EXPECT_EQ(h.statusLine, kPreparingText);
    }
    EXPECT_TRUE(sawLateFile);
    EXPECT_EQ(dialog.Session().Thread()->ExitCode(), 1u);
}

TEST_F(DialogWorkerTest, ThreadThatCannotBeCreatedEndsTheDialogWithTheInternalError) {
    dialog.failThreadCreation = true;
    dialog.steps.push_back([](ScriptedSetupDlg& d) {
        d.Click(1014);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Ein interner Fehler ist aufgetreten.");
    EXPECT_EQ(boxes.Shown()[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    EXPECT_EQ(dialog.Session().Thread(), nullptr);
    EXPECT_FALSE(dialog.record.bodyStarted);
    EXPECT_EQ((*context).installState, kInstallNotStarted);
}

}  // namespace
