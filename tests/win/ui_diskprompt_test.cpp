// The disk prompt (template 129) driven for real: the dialog runs modally
// and a second thread of this program works it as a user would, with plain
// Win32 (finding the window, reading its controls, typing into the folder
// field, clicking). Message boxes are answered through the hook, which
// records their exact texts and flags, except where a real box is shown and
// confirmed. The last tests run the volume search with the real prompt: on
// the worker thread, modal to the main dialog, and the floppy flow at A:\.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "framework/App.h"
#include "framework/Dialog.h"
#include "res/resource.h"
#include "setupdata/Preparation.h"
#include "setupdata/Volumes.h"
#include "stagetest/StageFixture.h"
#include "ui/DiskPromptDlg.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

const char* const kPrompt2 = "Bitte legen Sie Diskette Nr. 2 ein bzw. w\xE4hlen Sie den entsprechenden Ordner aus.";
const char* const kText84 =
    "Sie haben einen ung\xFCltigen Pfadnamen angegeben.\nStellen Sie sicher, dass der Pfadname nicht mehr als 256 "
    "Zeichen lang\nist und keines der folgenden Zeichen enth\xE4lt:\n/ * ? < > \" |\n\nHinweis: Bitte verwenden Sie "
    "keine Netzwerk-Pfadnamen.";
const char* const kBrowseTitle = "W\xE4hlen Sie einen Ordner und klicken Sie auf 'OK'.";
const char* const kText227 = "In dem angegebenen Verzeichnis konnte keine geeignete\nDatei gefunden werden.";

// ---------------------------------------------------------------------------
// Plain Win32 driving from another thread

std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return "<hung>";
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          5000, &copied);
    text.resize(copied);
    return text;
}

std::string ItemTextOf(HWND dialog, int id) {
    HWND item = ::GetDlgItem(dialog, id);
    return item != nullptr ? TextOf(item) : "<no control " + std::to_string(id) + ">";
}

void TypeInto(HWND dialog, int id, const std::string& text) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                          SMTO_ABORTIFHUNG, 5000, &ignored);
}

void Click(HWND dialog, int id) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (condition()) return true;
        ::Sleep(20);
    }
    return condition();
}

struct FindState {
    std::string caption;
    HWND exclude;
    HWND owner;  // when set, the window must be owned by it
    HWND found;
};

BOOL CALLBACK FindProc(HWND window, LPARAM param) {
    auto* state = reinterpret_cast<FindState*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != ::GetCurrentProcessId() || window == state->exclude || !::IsWindowVisible(window)) return TRUE;
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770") return TRUE;
    if (state->owner != nullptr && ::GetWindow(window, GW_OWNER) != state->owner) return TRUE;
    if (!state->caption.empty() && TextOf(window) != state->caption) return TRUE;
    state->found = window;
    return FALSE;
}

// A visible dialog window of this process with `caption` (any caption when
// empty), other than `exclude`.
HWND WaitForDialog(const std::string& caption, HWND exclude = nullptr, HWND owner = nullptr, int timeoutMs = 5000) {
    FindState state{caption, exclude, owner, nullptr};
    WaitFor(
        [&] {
            state.found = nullptr;
            ::EnumWindows(&FindProc, reinterpret_cast<LPARAM>(&state));
            return state.found != nullptr;
        },
        timeoutMs);
    return state.found;
}

HWND WaitForPrompt(HWND exclude = nullptr) {
    HWND prompt = WaitForDialog("Kalvorin", exclude);
    return prompt != nullptr && ::GetDlgItem(prompt, IDC_PROMPT_FOLDER) != nullptr ? prompt : nullptr;
}

HWND FocusOf(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

// Runs `drive` on a second thread while the prompt runs modally here; the
// driver's observations are checked here afterwards.
struct Observations {
    std::vector<std::string> lines;
    void Add(const std::string& line) { lines.push_back(line); }
};

class DiskPromptTest : public StageTest {
protected:
    INT_PTR RunPrompt(CDiskPromptDlg& dialog, const std::function<void(Observations&, DWORD dialogThread)>& drive) {
        const DWORD self = ::GetCurrentThreadId();
        std::thread driver([&] { drive(seen, self); });
        const INT_PTR result = dialog.DoModal();
        driver.join();
        return result;
    }

    std::vector<std::string>& Seen() { return seen.lines; }

    Observations seen;
};

// ---------------------------------------------------------------------------
// The dialog

TEST_F(DiskPromptTest, ShowsItsCaptionsPromptAndStartFolderAndCancels) {
    MakeFolders(root + "\\disk");
    CDiskPromptDlg dialog("user.001", root + "\\disk\\", 2);
    const INT_PTR result = RunPrompt(dialog, [&](Observations& o, DWORD) {
        HWND prompt = WaitForPrompt();
        if (prompt == nullptr) return o.Add("no prompt");
        o.Add(TextOf(prompt));
        for (int id : {IDC_PROMPT, IDC_PROMPT_FOLDER, IDOK, IDC_BROWSE, IDCANCEL}) o.Add(ItemTextOf(prompt, id));
        Click(prompt, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    // The template's own captions of the browse and cancel buttons differ:
    // these come from the string table.
    EXPECT_EQ(Seen(), (std::vector<std::string>{"Kalvorin", kPrompt2, root + "\\disk", "&OK", "D&urchsuchen...",
                                                "A&bbrechen"}));
    EXPECT_EQ(dialog.file, "user.001");  // unchanged without OK
}

TEST_F(DiskPromptTest, DiskNumberZeroLeavesThePromptEmptyAndAMissingStartFolderTheFieldEmpty) {
    CDiskPromptDlg dialog("user.001", root + "\\missing", 0);
    const INT_PTR result = RunPrompt(dialog, [&](Observations& o, DWORD) {
        HWND prompt = WaitForPrompt();
        if (prompt == nullptr) return o.Add("no prompt");
        o.Add("[" + ItemTextOf(prompt, IDC_PROMPT) + "]");
        o.Add("[" + ItemTextOf(prompt, IDC_PROMPT_FOLDER) + "]");
        ::PostMessageA(prompt, WM_CLOSE, 0, 0);  // the close box cancels as well
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Seen(), (std::vector<std::string>{"[]", "[]"}));
}

TEST_F(DiskPromptTest, OkRefusesShortMissingAndFilelessFoldersAndAcceptsTheFile) {
    MakeFolders(root + "\\nofile");
    MakeFolders(root + "\\vol");
    WriteBytes(root + "\\vol\\user.001", Bytes(100, 1));
    MessageBoxScript boxes;
    CDiskPromptDlg dialog("user.001", root, 3);
    const INT_PTR result = RunPrompt(dialog, [&](Observations& o, DWORD dialogThread) {
        HWND prompt = WaitForPrompt();
        if (prompt == nullptr) return o.Add("no prompt");
        HWND field = ::GetDlgItem(prompt, IDC_PROMPT_FOLDER);
        size_t expected = 0;
        auto tryFolder = [&](const std::string& folder) {
            TypeInto(prompt, IDC_PROMPT_FOLDER, folder);
            Click(prompt, IDOK);
            ++expected;
            if (!WaitFor([&] { return boxes.Count() == expected; })) return o.Add("no box for " + folder);
            // The dialog stays, with the focus on the folder field.
            WaitFor([&] { return FocusOf(dialogThread) == field; }, 1000);
            o.Add(folder + (::IsWindow(prompt) ? " stays" : " closed") +
                  (FocusOf(dialogThread) == field ? ", focus on the folder" : ", focus elsewhere"));
        };
        tryFolder("");
        tryFolder("A");
        tryFolder(root + "\\missing");
        tryFolder(root + "\\missing\\");
        tryFolder(root + "\\nofile");
        // The folder as typed, with its trailing backslash, is accepted.
        TypeInto(prompt, IDC_PROMPT_FOLDER, root + "\\vol\\");
        Click(prompt, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    const std::vector<std::string> expectedSeen = {
        " stays, focus on the folder", "A stays, focus on the folder", root + "\\missing stays, focus on the folder",
        root + "\\missing\\ stays, focus on the folder", root + "\\nofile stays, focus on the folder"};
    EXPECT_EQ(Seen(), expectedSeen);
    const std::vector<MessageBoxScript::Box> shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 5u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(shown[i].text, kText84) << i;
        EXPECT_EQ(shown[i].flags, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK)) << i;
    }
    EXPECT_EQ(shown[4].text, kText227);
    EXPECT_EQ(shown[4].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
    EXPECT_EQ(dialog.folder, root + "\\vol\\");
    EXPECT_EQ(dialog.file, root + "\\vol\\user.001");
}

TEST_F(DiskPromptTest, ADriveRootIsTestedWithoutItsBackslash) {
    const std::string onFloppy = "A:\\user.001";
    WriteBytes(onFloppy, Bytes(100, 1));
    MessageBoxScript boxes;
    CDiskPromptDlg dialog("user.001", root, 2);
    const INT_PTR result = RunPrompt(dialog, [&](Observations& o, DWORD) {
        HWND prompt = WaitForPrompt();
        if (prompt == nullptr) return o.Add("no prompt");
        TypeInto(prompt, IDC_PROMPT_FOLDER, "A:\\");
        Click(prompt, IDOK);
    });
    ::DeleteFileA(onFloppy.c_str());
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(dialog.folder, "A:\\");
    EXPECT_EQ(dialog.file, "A:\\user.001");
}

// A stand-in for the application with a main dialog.
class TestApp : public CApp {};

TEST_F(DiskPromptTest, TheRealMessageBoxBelongsToThePromptAndIsConfirmed) {
    TestApp app;
    CDialog mainDialog(IDD_DISKPROMPT);
    ASSERT_TRUE(mainDialog.Create(nullptr));
    ::ShowWindow(mainDialog.Hwnd(), SW_SHOW);
    app.SetMainDialog(&mainDialog);
    HWND mainWindow = mainDialog.Hwnd();
    MakeFolders(root + "\\nofile");
    CDiskPromptDlg dialog("user.001", root + "\\nofile", 2);
    const INT_PTR result = RunPrompt(dialog, [&](Observations& o, DWORD) {
        HWND prompt = WaitForPrompt(mainWindow);
        if (prompt == nullptr) return o.Add("no prompt");
        o.Add(::GetWindow(prompt, GW_OWNER) == mainWindow ? "prompt owned by the main dialog" : "prompt: other owner");
        o.Add(::IsWindowEnabled(mainWindow) ? "main enabled" : "main disabled");
        Click(prompt, IDOK);
        HWND box = WaitForDialog(CurrentAppName(), prompt);
        if (box == nullptr) return o.Add("no box");
        o.Add(ItemTextOf(box, 0xFFFF));
        o.Add(::GetWindow(box, GW_OWNER) == prompt ? "box owned by the prompt" : "box: other owner");
        o.Add(::IsWindowEnabled(prompt) ? "prompt enabled" : "prompt disabled");
        Click(box, IDOK);
        WaitFor([&] { return !::IsWindow(box); });
        WaitFor([&] { return ::IsWindowEnabled(prompt) != FALSE; }, 1000);
        o.Add(::IsWindow(prompt) && ::IsWindowEnabled(prompt) ? "prompt stays" : "prompt closed or disabled");
        Click(prompt, IDCANCEL);
        WaitFor([&] { return !::IsWindow(prompt); });
    });
    const bool mainEnabledAfter = ::IsWindowEnabled(mainWindow) != FALSE;
    app.SetMainDialog(nullptr);
    mainDialog.DestroyWindow();
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Seen(), (std::vector<std::string>{"prompt owned by the main dialog", "main disabled", kText227,
                                                "box owned by the prompt", "prompt disabled", "prompt stays"}));
    EXPECT_TRUE(mainEnabledAfter);
}

// Finds the folder browser's window: a dialog owned by the prompt.
HWND WaitForBrowser(HWND prompt) {
    return WaitForDialog("", prompt, prompt);
}

BOOL CALLBACK FindTextProc(HWND child, LPARAM param) {
    auto* wanted = reinterpret_cast<std::pair<std::string, bool>*>(param);
    if (TextOf(child) == wanted->first) {
        wanted->second = true;
        return FALSE;
    }
    return TRUE;
}

TEST_F(DiskPromptTest, TheBrowserShowsItsTitleOpensOnTheFieldAndCancelKeepsTheField) {
    MakeFolders(root + "\\vol");
    CDiskPromptDlg dialog("user.001", root + "\\vol", 2);
    const INT_PTR result = RunPrompt(dialog, [&](Observations& o, DWORD) {
        HWND prompt = WaitForPrompt();
        if (prompt == nullptr) return o.Add("no prompt");
        // Cancel in the browser: the field keeps its text.
        TypeInto(prompt, IDC_PROMPT_FOLDER, root + "\\vol");
        Click(prompt, IDC_BROWSE);
        HWND browser = WaitForBrowser(prompt);
        if (browser == nullptr) {
            Click(prompt, IDCANCEL);
            return o.Add("no browser");
        }
        std::pair<std::string, bool> title{kBrowseTitle, false};
        ::EnumChildWindows(browser, &FindTextProc, reinterpret_cast<LPARAM>(&title));
        o.Add(title.second ? "title shown" : "title missing");
        Click(browser, IDCANCEL);
        WaitFor([&] { return !::IsWindow(browser); });
        o.Add(ItemTextOf(prompt, IDC_PROMPT_FOLDER));

        // OK in the browser: it opened on the folder of the field, which is
        // what it returns.
        Click(prompt, IDC_BROWSE);
        browser = WaitForBrowser(prompt);
        if (browser == nullptr) {
            Click(prompt, IDCANCEL);
            return o.Add("no browser");
        }
        // OK is enabled once the browser has selected the field's folder.
        WaitFor([&] { return ::IsWindowEnabled(::GetDlgItem(browser, IDOK)) != FALSE; });
        Click(browser, IDOK);
        WaitFor([&] { return !::IsWindow(browser); });
        o.Add(ItemTextOf(prompt, IDC_PROMPT_FOLDER));
        Click(prompt, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(Seen().size(), 3u);
    EXPECT_EQ(Seen()[0], "title shown");
    EXPECT_EQ(Seen()[1], root + "\\vol");
    EXPECT_EQ(_stricmp(Seen()[2].c_str(), (root + "\\vol").c_str()), 0) << Seen()[2];
}

// ---------------------------------------------------------------------------
// The volume search with the real prompt

class PromptedVolumesTest : public DiskPromptTest {
protected:
    void SetUp() override {
        DiskPromptTest::SetUp();
        // The worker asks through the dialog, as in the program.
        static DiskPromptDialog dialogPrompt;
        SetDiskPrompt(&dialogPrompt);
        spd::SetupDataSpec spec = BasicSpec();
        spec.files.push_back(MakeFile("more.dat", 5, "", Pattern(4000, 9)));
        spec.volumeSize = VolumeSizeFor(spec, 3);
        image = Build(spec);
        ASSERT_EQ(image.volumes.size(), 3u);
        MakeFolders(source);
        WriteBytes(source + "\\_setup.spd", PackedProgram());
        WriteBytes(source + "\\user.spd", image.volumes[0]);
    }

    void TearDown() override {
        for (const char* file : {"A:\\user.001", "A:\\user.002"}) ::DeleteFileA(file);
        DiskPromptTest::TearDown();
    }

    spd::SetupDataImage image;
};

TEST_F(PromptedVolumesTest, FloppyFlowConfirmedAtTheDriveRoot) {
    // Volume 1 is not on the disk in the drive: the user changes the disk
    // (both volumes are on the new one) and confirms A:\ in the prompt.
    WriteBytes("A:\\user.001", image.volumes[1]);
    WriteBytes("A:\\user.002", image.volumes[2]);
    SetupWork work(sync, context);
    std::string outcome;
    const DWORD self = ::GetCurrentThreadId();
    std::thread driver([&] {
        HWND prompt = WaitForPrompt();
        if (prompt == nullptr) return seen.Add("no prompt");
        seen.Add(ItemTextOf(prompt, IDC_PROMPT));
        seen.Add(ItemTextOf(prompt, IDC_PROMPT_FOLDER));
        TypeInto(prompt, IDC_PROMPT_FOLDER, "A:\\");
        Click(prompt, IDOK);
        WaitFor([&] { return !::IsWindow(prompt); });
        // No second prompt: user.002 is looked for on A:\ first.
        if (WaitForDialog("Kalvorin", prompt, nullptr, 1500) != nullptr) seen.Add("asked again");
        (void)self;
    });
    outcome = Outcome([&] {
        RunPreparation(work);
        CollectVolumes(work);
    });
    driver.join();
    EXPECT_EQ(outcome, "none");
    EXPECT_EQ(Seen(), (std::vector<std::string>{kPrompt2, source}));
    ASSERT_EQ(work.volumeCopies.size(), 3u);
    EXPECT_EQ(ReadBytes(work.volumeCopies[2]), image.volumes[2]);
    work.Release();
    DeleteListedFiles(work.record.tempFiles());
    RemoveListedFolders(work.record.tempFolders());
}

TEST_F(PromptedVolumesTest, ThePromptRunsOnTheWorkerModalToTheMainDialog) {
    TestApp app;
    CDialog mainDialog(IDD_DISKPROMPT);
    ASSERT_TRUE(mainDialog.Create(nullptr));
    ::ShowWindow(mainDialog.Hwnd(), SW_SHOW);
    app.SetMainDialog(&mainDialog);
    MakeFolders(root + "\\other");
    WriteBytes(root + "\\other\\user.001", image.volumes[2]);  // volume 2, not 1
    MakeFolders(root + "\\right");
    WriteBytes(root + "\\right\\user.001", image.volumes[1]);
    WriteBytes(root + "\\right\\user.002", image.volumes[2]);

    std::atomic<bool> workerDone{false};
    std::string outcome;
    SetupWork work(sync, context);
    MessageBoxScript boxes;
    std::thread worker([&] {
        outcome = Outcome([&] {
            RunPreparation(work);
            CollectVolumes(work);
        });
        workerDone = true;
    });
    HWND mainWindow = mainDialog.Hwnd();
    std::thread driver([&] {
        HWND prompt = WaitForPrompt(mainWindow);
        if (prompt == nullptr) return seen.Add("no prompt");
        seen.Add(::GetWindow(prompt, GW_OWNER) == mainWindow ? "owned by the main dialog" : "other owner");
        seen.Add(::IsWindowEnabled(mainWindow) ? "main enabled" : "main disabled");
        TypeInto(prompt, IDC_PROMPT_FOLDER, root + "\\other");
        Click(prompt, IDOK);
        // Wrong disk: 157, then the prompt for the same disk again.
        WaitFor([&] { return boxes.Count() == 1; });
        WaitFor([&] { return !::IsWindow(prompt); });
        HWND again = WaitForPrompt(mainWindow);
        if (again == nullptr) return seen.Add("not asked again");
        seen.Add(ItemTextOf(again, IDC_PROMPT));
        TypeInto(again, IDC_PROMPT_FOLDER, root + "\\right");
        Click(again, IDOK);
        WaitFor([&] { return workerDone.load(); }, 10000);
        seen.Add(::IsWindowEnabled(mainWindow) ? "main enabled" : "main disabled");
    });
    // The main dialog's thread keeps handling messages, as the dialog's own
    // loop does while the worker runs.
    while (!workerDone) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    worker.join();
    driver.join();
    Pump();
    EXPECT_EQ(outcome, "none");
    EXPECT_EQ(Seen(),
              (std::vector<std::string>{"owned by the main dialog", "main disabled", kPrompt2, "main enabled"}));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Das scheint die falsche Diskette zu sein.");
    app.SetMainDialog(nullptr);
    mainDialog.DestroyWindow();
    work.Release();
    DeleteListedFiles(work.record.tempFiles());
    RemoveListedFolders(work.record.tempFolders());
}

}  // namespace
