// The framework's formatter, message box conventions, application name,
// worker thread and handle owners.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/Format.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "framework/WorkerThread.h"
#include "support/MessageBoxScript.h"

using namespace kalvorin;

namespace {

// ---------------------------------------------------------------- formatter

TEST(FormatString, ReplacesEachPlaceholderByItsArgument) {
    EXPECT_EQ(FormatString("Nr. %1 ein", {"3"}), "Nr. 3 ein");
    EXPECT_EQ(FormatString("%1-%2-%3", {"a", "b", "c"}), "a-b-c");
    EXPECT_EQ(FormatString("%3%2%1", {"a", "b", "c"}), "cba");
    EXPECT_EQ(FormatString("%1 und %1", {"x"}), "x und x");
    EXPECT_EQ(FormatString("%9", {"1", "2", "3", "4", "5", "6", "7", "8", "neun"}), "neun");
    EXPECT_EQ(FormatString("'%1'", {""}), "''");
}

TEST(FormatString, KeepsPlaceholdersWithoutArgumentAndOtherPercentSequences) {
    EXPECT_EQ(FormatString("%1 %2", {"a"}), "a %2");
    EXPECT_EQ(FormatString("%1", {}), "%1");
    EXPECT_EQ(FormatString("%0 %% %s %d 100%", {"a"}), "%0 %% %s %d 100%");
    EXPECT_EQ(FormatString("%", {"a"}), "%");
    EXPECT_EQ(FormatString("%10", {"a"}), "a0");  // one digit only
}

TEST(FormatString, DoesNotRescanInsertedText) {
    EXPECT_EQ(FormatString("%1 %2", {"%2", "b"}), "%2 b");
    EXPECT_EQ(FormatString("%1", {"100%1"}), "100%1");
}

TEST(FormatString, KeepsCodePage1252Bytes) {
    EXPECT_EQ(FormatString("\xDC"
                           "ber %1",
                           {"Gr\xF6\xDF"
                            "e"}),
              "\xDC"
              "ber Gr\xF6\xDF"
              "e");
}

TEST(FormatStringId, FormatsATableString) {
    EXPECT_EQ(FormatStringId(36, {"2"}),
              "Bitte legen Sie Diskette Nr. 2 ein bzw. w\xE4hlen Sie den entsprechenden Ordner aus.");
    EXPECT_EQ(FormatStringId(61858, {"C:\\a.txt"}), "C:\\a.txt wurde nicht gefunden.");
    EXPECT_EQ(FormatStringId(1, {"x"}), "");  // no such string
}

// ---------------------------------------------------------------- app name

TEST(AppName, IsTheFileNameWithoutFolderAndExtension) {
    EXPECT_EQ(AppNameFromModulePath("C:\\Programme\\Kalvorin\\setup.exe"), "setup");
    EXPECT_EQ(AppNameFromModulePath("C:\\a.b\\Setup.Neu.EXE"), "Setup.Neu");
    EXPECT_EQ(AppNameFromModulePath("setup"), "setup");
    EXPECT_EQ(AppNameFromModulePath("D:setup.exe"), "setup");
    EXPECT_EQ(CurrentAppName(), "framework_test");
    EXPECT_EQ(AppInstance(), ::GetModuleHandleA(nullptr));
}

class ExitCodeApp : public CApp {
public:
    BOOL InitInstance() override {
        calls.push_back("init:" + AppName());
        return FALSE;
    }
    int ExitInstance() override {
        calls.push_back("exit");
        return 7;
    }
    std::vector<std::string> calls;
};

TEST(App, RunsInitThenExitAndReturnsExitInstanceResult) {
    {
        ExitCodeApp app;
        EXPECT_EQ(CApp::Current(), &app);
        EXPECT_EQ(app.RunApplication(nullptr), 7);
        EXPECT_EQ(app.calls, (std::vector<std::string>{"init:framework_test", "exit"}));
        EXPECT_EQ(app.Instance(), ::GetModuleHandleA(nullptr));
        EXPECT_EQ(CurrentAppName(), "framework_test");
    }
    EXPECT_EQ(CApp::Current(), nullptr);
}

// ---------------------------------------------------------------- message boxes

TEST(MessageBoxFlags, AddsTheExclamationIconOnlyWhereNoIconIsNamed) {
    EXPECT_EQ(MessageBoxFlags(MB_OK), static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));  // 0 -> 0x30
    EXPECT_EQ(MessageBoxFlags(MB_OKCANCEL), static_cast<UINT>(0x31));
    EXPECT_EQ(MessageBoxFlags(MB_YESNO), static_cast<UINT>(0x34));
    EXPECT_EQ(MessageBoxFlags(MB_YESNOCANCEL), static_cast<UINT>(0x33));
    EXPECT_EQ(MessageBoxFlags(MB_YESNO | MB_DEFBUTTON2), static_cast<UINT>(0x134));
    // Retry/Cancel and Abort/Retry/Ignore get no icon of their own.
    EXPECT_EQ(MessageBoxFlags(MB_RETRYCANCEL), static_cast<UINT>(MB_RETRYCANCEL));
    EXPECT_EQ(MessageBoxFlags(MB_ABORTRETRYIGNORE), static_cast<UINT>(MB_ABORTRETRYIGNORE));
    // Flags that name an icon stay as they are.
    for (UINT flags : {0x10u, 0x30u, 0x24u, 0x34u, 0x134u, 0x33u, 0x35u, 0x40u})
        EXPECT_EQ(MessageBoxFlags(flags), flags);
}

TEST(AppMessageBox, UsesTheAppNameAsCaptionAndTheFinalFlags) {
    MessageBoxScript boxes({IDNO, IDRETRY});
    EXPECT_EQ(AppMessageBox("Frage?", MB_YESNO), IDNO);
    EXPECT_EQ(AppMessageBox("Nochmal", 0x35), IDRETRY);
    EXPECT_EQ(AppMessageBox("Hinweis", 0), IDOK);  // script used up: fallback
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "Frage?");
    EXPECT_EQ(shown[0].flags, 0x34u);
    EXPECT_EQ(shown[0].caption, "framework_test");
    EXPECT_EQ(shown[1].flags, 0x35u);
    EXPECT_EQ(shown[2].flags, 0x30u);
}

TEST(AppMessageBox, ByStringIdShowsTheTextOrNothing) {
    MessageBoxScript boxes({IDOK});
    EXPECT_EQ(AppMessageBoxId(148, MB_ICONSTOP | MB_OK), IDOK);
    EXPECT_EQ(AppMessageBoxId(4711, MB_OK), -1);
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Konnte Kalvorin nicht initialisieren.");
    EXPECT_EQ(shown[0].flags, 0x10u);
}

TEST(AppMessageBox, WithoutMainDialogHasNoOwner) {
    EXPECT_EQ(MessageBoxOwner(), nullptr);
}

// ---------------------------------------------------------------- worker thread

class RecordingThread : public CWorkerThread {
public:
    explicit RecordingThread(BOOL initResult = TRUE, int runResult = 5)
        : initResult_(initResult), runResult_(runResult) {}
    std::vector<std::string> calls;
    DWORD runThreadId = 0;

protected:
    BOOL InitInstance() override {
        calls.push_back("init");
        return initResult_;
    }
    int Run() override {
        calls.push_back("run");
        runThreadId = ::GetCurrentThreadId();
        return runResult_;
    }
    int ExitInstance() override {
        calls.push_back("exit");
        return 9;
    }

private:
    BOOL initResult_;
    int runResult_;
};

TEST(WorkerThread, IsCreatedSuspendedAndRunsInitRunExit) {
    RecordingThread thread(TRUE, 5);
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_NE(thread.Handle(), nullptr);
    EXPECT_EQ(thread.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
    ::Sleep(50);
    EXPECT_TRUE(thread.calls.empty());  // suspended: nothing ran
    EXPECT_EQ(thread.Resume(), 1u);     // previous suspend count
    ASSERT_EQ(::WaitForSingleObject(thread.Handle(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(thread.calls, (std::vector<std::string>{"init", "run", "exit"}));
    EXPECT_EQ(thread.ExitCode(), 5u);  // Run's result
    EXPECT_EQ(thread.runThreadId, thread.ThreadId());
    EXPECT_NE(thread.runThreadId, ::GetCurrentThreadId());
    EXPECT_FALSE(thread.CreateThread());  // one thread per object
}

TEST(WorkerThread, FailedInitSkipsRunAndExitsWithExitInstanceResult) {
    RecordingThread thread(FALSE, 5);
    ASSERT_TRUE(thread.CreateThread(THREAD_PRIORITY_BELOW_NORMAL));
    EXPECT_EQ(::GetThreadPriority(thread.Handle()), THREAD_PRIORITY_BELOW_NORMAL);
    thread.Resume();
    ASSERT_EQ(::WaitForSingleObject(thread.Handle(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(thread.calls, (std::vector<std::string>{"init", "exit"}));
    EXPECT_EQ(thread.ExitCode(), 9u);
}

class WaitingThread : public CWorkerThread {
public:
    std::atomic<int> steps{0};
    std::atomic<bool> stop{false};

protected:
    int Run() override {
        while (!stop) {
            ++steps;
            ::Sleep(1);
        }
        return 1;
    }
};

TEST(WorkerThread, SuspendStopsTheThreadAndResumeContinuesIt) {
    WaitingThread thread;
    ASSERT_TRUE(thread.CreateThread());
    thread.Resume();
    while (thread.steps < 3) ::Sleep(1);
    EXPECT_EQ(thread.Suspend(), 0u);
    // Suspension takes effect asynchronously; reading the thread's context
    // waits until it has.
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    ::GetThreadContext(thread.Handle(), &context);
    const int frozen = thread.steps;
    ::Sleep(60);
    EXPECT_EQ(thread.steps, frozen);
    EXPECT_EQ(thread.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(thread.Resume(), 1u);
    while (thread.steps < frozen + 3) ::Sleep(1);
    thread.stop = true;
    ASSERT_EQ(::WaitForSingleObject(thread.Handle(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(thread.ExitCode(), 1u);
}

TEST(WorkerThread, WithoutThreadReportsFailure) {
    RecordingThread thread;
    EXPECT_EQ(thread.Handle(), nullptr);
    EXPECT_EQ(thread.Suspend(), static_cast<DWORD>(-1));
    EXPECT_EQ(thread.Resume(), static_cast<DWORD>(-1));
    EXPECT_EQ(thread.ExitCode(), static_cast<DWORD>(-1));
}

// ---------------------------------------------------------------- handles

bool HandleIsOpen(HANDLE handle) {
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueHandle, ClosesOnceAndMovesOwnership) {
    HANDLE raw = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(raw, nullptr);
    {
        UniqueHandle first(raw);
        UniqueHandle second(std::move(first));
        EXPECT_FALSE(first.Valid());
        EXPECT_EQ(second.Get(), raw);
        EXPECT_TRUE(HandleIsOpen(raw));
    }
    EXPECT_FALSE(HandleIsOpen(raw));

    UniqueHandle invalid(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(invalid.Valid());
    HANDLE kept = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        UniqueHandle owner(kept);
        EXPECT_EQ(owner.Release(), kept);
    }
    EXPECT_TRUE(HandleIsOpen(kept));
    ::CloseHandle(kept);
}

TEST(RegKey, OpensReadsAndCloses) {
    RegKey key;
    EXPECT_EQ(key.Open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", KEY_READ), ERROR_SUCCESS);
    EXPECT_TRUE(key.Valid());
    RegKey moved(std::move(key));
    EXPECT_FALSE(key.Valid());
    EXPECT_TRUE(moved.Valid());
    EXPECT_NE(moved.Open(HKEY_LOCAL_MACHINE, "Software\\Kalvorin\\Does\\Not\\Exist", KEY_READ), ERROR_SUCCESS);
    EXPECT_FALSE(moved.Valid());
}

}  // namespace
