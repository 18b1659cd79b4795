// The main dialog of setup.exe, driven from outside: its texts and states,
// the destination check at Install, starting the worker, the status line,
// Enter and Escape, Cancel before and during a run, the end of a run with an
// error, and runs from a read-only CD-ROM that leave no temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "SetupRun.h"
#include "codec/SetupData.h"
#include "e2e.h"

namespace {

using namespace e2e;

const std::string kDisplayName = "Kalvorin Testschoner";
const std::string kSubfolder = "Brisvane\\Kalvorin Testschoner";

const std::string kPreparing = "Kalvorin bereitet die Installation vor...";
const std::string kCreatingFolders = "Kalvorin erstellt Ordner...";
const std::string kCopyingPrefix = "Kalvorin kopiert die Dateien...\n\nInstalliere: ";
const std::string kFinishing = "Kalvorin beendet die Installation...";

// ---------------------------------------------------------------------------
// Setup data.

struct Payload {
    int files = 2;
    size_t fileSize = 1000;
    std::uint64_t volumeSize = 0;  // 0: everything in user.spd
    std::string subfolder = kSubfolder;
    bool packedProgram = true;
};

std::string FileName(int i) {
    char name[32];
    std::snprintf(name, sizeof(name), "datei%04d.dat", i);
    return name;
}

// Writes user.spd, its further volumes and _setup.spd into `folder` (with
// setup.exe).
void WriteSetupData(const TestFolder& folder, const Payload& payload) {
    SetupMedia media;
    media.displayName = kDisplayName;
    media.defaultSubfolder = payload.subfolder;
    media.folders = {MediaFolder(spd::FolderKind::Destination, "Hilfe")};
    for (int i = 0; i < payload.files; ++i) {
        media.files.push_back(MediaFile(FileName(i), spd::FolderKind::Destination, "",
                                        PseudoRandom(payload.fileSize, static_cast<std::uint64_t>(i) + 1)));
    }
    media.volumeSize = payload.volumeSize;
    media.writePackedProgram = payload.packedProgram;
    WriteSetupMedia(folder, media);
}

// A run long enough to be cancelled in the middle: many files, several volumes.
Payload LongRun() {
    Payload payload;
    payload.files = 1500;
    payload.fileSize = 16 * 1024;
    payload.volumeSize = 8 * 1024 * 1024;
    return payload;
}

// ---------------------------------------------------------------------------
// The program.

struct RunningSetup {
    TestFolder folder;
    Process process;
    Window dialog;
};

RunningSetup StartSetup(const std::string& name, const Payload& payload) {
    TestFolder folder(name);
    WriteSetupData(folder, payload);
    Process process = Process::Start(folder.FilePath("setup.exe"));
    Window dialog = WaitForWindow(process, "Kalvorin");
    return RunningSetup{std::move(folder), std::move(process), dialog};
}

bool WorkerStarted(const Window& dialog) {
    return dialog.Child(kProgress).Visible() && !dialog.Child(kInstall).Visible();
}

// Install with `destination` in the folder field.
void InstallWith(const Window& dialog, const std::string& destination) {
    dialog.SetChildText(kFolder, destination);
    dialog.Click(kInstall);
}

// Waits until the worker runs (progress bar shown, Install hidden).
void WaitForWorkerStart(const RunningSetup& setup) {
    WaitUntil(kDefaultTimeoutMs, "the worker to start", [&] {
        if (FindMessageBox(setup.process.Id())) {
            const auto box = FindMessageBox(setup.process.Id());
            throw Error("message box instead of the start: " + (box ? box->text : std::string()));
        }
        return WorkerStarted(setup.dialog);
    });
}

// Clicks Cancel as a user can: only while the dialog takes input.
void ClickCancelWhenEnabled(const Window& dialog) {
    WaitUntil(kDefaultTimeoutMs, "the dialog to take input", [&] { return dialog.Enabled(); });
    dialog.Click(IDCANCEL);
}

void ExpectNoMessageBoxFor(const Process& process, DWORD ms) {
    const auto box = Poll(ms, [&] { return FindMessageBox(process.Id()); });
    EXPECT_FALSE(box) << "unexpected message box: " << (box ? box->text : std::string());
}

// Ends whatever the run does next without judging it (used after the part
// of a test that matters): a cancel question is answered Yes, any other box
// OK, until the program has ended with exit code 0.
void FinishAnyway(RunningSetup& setup) {
    for (int i = 0; i < 10 && setup.process.Running(); ++i) {
        const auto box = Poll(2000, [&] { return FindMessageBox(setup.process.Id()); });
        if (box) {
            const auto has = [&](int id) {
                return std::find(box->buttons.begin(), box->buttons.end(), id) != box->buttons.end();
            };
            int answer = box->buttons.empty() ? IDOK : box->buttons.back();
            if (box->text == kCancelQuestion)
                answer = IDYES;
            else if (has(IDOK))
                answer = IDOK;
            else if (has(IDNO))
                answer = IDNO;
            AnswerMessageBox(*box, answer);
            continue;
        }
        if (!setup.process.Running()) break;
        if (setup.dialog.Exists() && setup.dialog.Enabled()) {
            try {
                setup.dialog.Click(IDCANCEL);
            } catch (const Error&) {
                if (setup.dialog.Exists()) throw;  // else it closed by itself meanwhile
            }
        }
    }
    EXPECT_EQ(setup.process.WaitForExit(), 0u);
}

// ---------------------------------------------------------------------------

TEST(DialogTest, TextsAndStatesAtStart) {
    RunningSetup setup = StartSetup("dialog-start", Payload{});
    const Window& dialog = setup.dialog;
    EXPECT_EQ(dialog.Text(), "Kalvorin");
    EXPECT_EQ(dialog.ChildText(kHeader),
              "Geben Sie ein Verzeichnis an, in das der Bildschirmschoner installiert werden soll.");
    EXPECT_EQ(dialog.ChildText(kLabel), "&Zielverzeichnis:");
    EXPECT_EQ(dialog.ChildText(kFolder), ProgramFilesFolder() + "\\" + kSubfolder);
    EXPECT_EQ(dialog.ChildText(kBrowse), "D&urchsuchen...");
    EXPECT_EQ(dialog.ChildText(kInstall), "&Installieren");
    EXPECT_EQ(dialog.ChildText(IDCANCEL), "Ab&brechen");
    EXPECT_EQ(dialog.ChildText(kStatus), "");
    EXPECT_TRUE(dialog.Child(kFolder).Visible());
    EXPECT_TRUE(dialog.Child(kFolder).Enabled());
    EXPECT_TRUE(dialog.Child(kBrowse).Enabled());
    EXPECT_TRUE(dialog.Child(kInstall).Visible());
    EXPECT_FALSE(dialog.Child(kProgress).Visible());
    EXPECT_FALSE(dialog.Child(kCreditBitmap).Visible());
    EXPECT_FALSE(dialog.Child(kCreditText).Visible());
    // The finish page exists but is not shown.
    EXPECT_FALSE(dialog.Child(1017).Visible());
    EXPECT_FALSE(dialog.Child(1018).Visible());
    EXPECT_FALSE(FindMessageBox(setup.process.Id()));

    // Cancel before Install: no question, exit code 0.
    dialog.Click(IDCANCEL);
    EXPECT_EQ(setup.process.WaitForExit(), 0u);
}

TEST(DialogTest, ProposesProgramFilesAndDisplayNameWithoutDefaultSubfolder) {
    Payload payload;
    payload.subfolder.clear();
    RunningSetup setup = StartSetup("dialog-nosubfolder", payload);
    EXPECT_EQ(setup.dialog.ChildText(kFolder), ProgramFilesFolder() + "\\" + kDisplayName);
    setup.dialog.PressEscape();
    EXPECT_EQ(setup.process.WaitForExit(), 0u);
}

TEST(DialogTest, EnterDoesNothingAndEscapeClosesBeforeInstall) {
    RunningSetup setup = StartSetup("dialog-keys", Payload{});
    const std::string proposed = setup.dialog.ChildText(kFolder);
    setup.dialog.PressEnter();
    EXPECT_FALSE(setup.process.TryWaitForExit(700));
    ExpectNoMessageBoxFor(setup.process, 300);
    EXPECT_TRUE(setup.dialog.Child(kInstall).Visible());
    EXPECT_FALSE(setup.dialog.Child(kProgress).Visible());
    EXPECT_EQ(setup.dialog.ChildText(kFolder), proposed);

    setup.dialog.PressEscape();
    EXPECT_EQ(setup.process.WaitForExit(), 0u);
}

TEST(DialogTest, InvalidDestinationsShowTheInvalidPathMessageAndStartNothing) {
    // A: and D: below only prove the drive rule when the prefix has them.
    ASSERT_EQ(::GetDriveTypeA("A:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    ASSERT_EQ(::GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
    RunningSetup setup = StartSetup("dialog-invalid", Payload{});
    const Window& dialog = setup.dialog;
    const std::vector<std::string> invalid = {
        "",
        "C:\\" + std::string(257, 'a'),  // 260 characters
        "C:Programme",
        "C:\\Pro/gramme",
        "C:\\Pro*gramme",
        "C:\\Pro?gramme",
        "C:\\Pro<gramme",
        "C:\\Pro>gramme",
        "C:\\Pro\"gramme",
        "C:\\Pro|gramme",
        "\\\\server\\share\\Ordner",
        "A:\\Ordner",  // floppy
        "D:\\Ordner",  // CD-ROM
    };
    for (const std::string& folder : invalid) {
        SCOPED_TRACE("destination \"" + folder + "\"");
        InstallWith(dialog, folder);
        const MessageBoxInfo box = WaitForMessageBox(setup.process);
        EXPECT_EQ(box.text, kInvalidPath);
        EXPECT_EQ(box.caption, "setup");
        EXPECT_EQ(ToString(box.icon), std::string("exclamation"));
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_EQ(box.owner.Handle(), dialog.Handle());
        EXPECT_FALSE(dialog.Enabled());
        AnswerMessageBox(box, IDOK);
        // Nothing started; the dialog is as it was.
        EXPECT_FALSE(dialog.Child(kProgress).Visible());
        EXPECT_TRUE(dialog.Child(kInstall).Visible());
        EXPECT_TRUE(dialog.Child(kFolder).Enabled());
        EXPECT_TRUE(dialog.Child(kBrowse).Enabled());
        EXPECT_EQ(dialog.ChildText(kStatus), "");
        EXPECT_EQ(dialog.ChildText(kFolder), folder);
        WaitUntil(kDefaultTimeoutMs, "the dialog to take input again", [&] { return dialog.Enabled(); });
        // and it is the active window again, so the keyboard reaches it
        WaitUntil(kDefaultTimeoutMs, "the dialog to be active again",
                  [&] { return ::GetForegroundWindow() == dialog.Handle(); });
    }
    ExpectNoMessageBoxFor(setup.process, 300);
    dialog.Click(IDCANCEL);
    EXPECT_EQ(setup.process.WaitForExit(), 0u);
}

// Each accepted destination starts the worker.
TEST(DialogTest, AcceptedDestinationsStartTheWorker) {
    std::string long259 = "C:\\kalv-e2e\\";
    while (long259.size() < 259) long259 += "Ordner\\";
    long259.resize(259);
    if (long259.back() == '\\') long259.back() = 'x';
    ASSERT_EQ(long259.size(), 259u);
    const std::vector<std::string> accepted = {
        "C:",
        long259,
        "N:\\Ordner",                             // network drive
        "C:\\kalv-e2e\\dialog-accepted\\Ziel\\",  // trailing backslash
        "C:\\kalv-e2e\\dialog-accepted\\Gibt\\Es\\Nicht",
    };
    for (const std::string& destination : accepted) {
        SCOPED_TRACE("destination \"" + destination + "\"");
        RunningSetup setup = StartSetup("dialog-accepted", Payload{});
        InstallWith(setup.dialog, destination);
        WaitForWorkerStart(setup);
        EXPECT_TRUE(WorkerStarted(setup.dialog));
        FinishAnyway(setup);
    }
}

TEST(DialogTest, FolderFieldAndBrowseStayDisabledAndTheStatusLineFollowsTheWorker) {
    RunningSetup setup = StartSetup("dialog-long", LongRun());
    const Window& dialog = setup.dialog;
    InstallWith(dialog, setup.folder.FilePath("Ziel"));
    WaitForWorkerStart(setup);
    WaitUntil(2000, "folder field and browse button disabled",
              [&] { return !dialog.Child(kFolder).Enabled() && !dialog.Child(kBrowse).Enabled(); });

    // Watch the run to its end (or its first message box).
    std::set<std::string> seen;
    bool stayedDisabled = true;
    bool creditShown = false;
    std::string unexpected;
    for (;;) {
        if (!setup.process.Running() || FindMessageBox(setup.process.Id())) break;
        std::string status;
        try {
            // The finish page's result text has the status line's id.
            if (dialog.ChildText(IDCANCEL) == "&Beenden") break;
            status = dialog.ChildText(kStatus);
            if (dialog.Child(kFolder).Enabled() || dialog.Child(kBrowse).Enabled()) stayedDisabled = false;
            if (dialog.Child(kCreditBitmap).Visible() || dialog.Child(kCreditText).Visible()) creditShown = true;
        } catch (const Error&) {
            break;  // the dialog has gone
        }
        if (status == kDone) break;  // the finish page came between the two reads
        if (!status.empty() && seen.insert(status).second) {
            const bool known = status == kPreparing || status == kCreatingFolders || status == kFinishing ||
                               status.rfind(kCopyingPrefix, 0) == 0;
            if (!known) unexpected = status;
        }
        if (dialog.Exists() && dialog.ChildText(IDCANCEL) == "&Beenden") break;
        Sleep(5);
    }
    EXPECT_TRUE(stayedDisabled);
    EXPECT_FALSE(creditShown);
    EXPECT_EQ(unexpected, "");
    // "Preparing" may be over before the first look under load; the disk
    // prompt test below holds the run inside the preparation to see it.
    bool sawFile = false;
    for (const std::string& status : seen) {
        if (status.rfind(kCopyingPrefix, 0) != 0) continue;
        sawFile = true;
        const std::string name = status.substr(kCopyingPrefix.size());
        EXPECT_TRUE(name.size() == 13 && name.rfind("datei", 0) == 0 && name.substr(9) == ".dat") << name;
    }
    EXPECT_TRUE(sawFile) << "the status line never named a file";
    std::printf("[ status     ] %zu different status texts seen\n", seen.size());
    FinishAnyway(setup);
}

TEST(DialogTest, CancelDuringTheRunAnsweredYesEndsWithoutMessage) {
    RunningSetup setup = StartSetup("dialog-long", LongRun());
    const Window& dialog = setup.dialog;
    InstallWith(dialog, setup.folder.FilePath("Ziel"));
    WaitForWorkerStart(setup);
    ClickCancelWhenEnabled(dialog);

    const MessageBoxInfo question = WaitForMessageBox(setup.process);
    ASSERT_EQ(question.text, kCancelQuestion);
    EXPECT_EQ(question.caption, "setup");
    EXPECT_EQ(ToString(question.icon), std::string("question"));
    EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(question.owner.Handle(), dialog.Handle());
    AnswerMessageBox(question, IDYES);

    // No message follows; the dialog closes by itself.
    std::optional<MessageBoxInfo> box;
    WaitUntil(kDefaultTimeoutMs, "the end of the program or a message", [&] {
        box = FindMessageBox(setup.process.Id());
        return box.has_value() || !setup.process.Running();
    });
    EXPECT_FALSE(box) << "message after the cancel: " << (box ? box->text : std::string());
    EXPECT_EQ(setup.process.WaitForExit(), 0u);
    // The run's own folders are gone again.
    EXPECT_FALSE(setup.folder.Exists("Ziel"));
}

TEST(DialogTest, CancelDuringTheRunAnsweredNoGoesOnWhereItStopped) {
    RunningSetup setup = StartSetup("dialog-long", LongRun());
    const Window& dialog = setup.dialog;
    InstallWith(dialog, setup.folder.FilePath("Ziel"));
    WaitForWorkerStart(setup);
    // Into the file catalog, so that progress and status visibly move.
    WaitUntil(30000, "the first file", [&] {
        if (FindMessageBox(setup.process.Id())) throw Error("message box before the first file");
        return dialog.ChildText(kStatus).rfind(kCopyingPrefix, 0) == 0;
    });
    ClickCancelWhenEnabled(dialog);
    const MessageBoxInfo question = WaitForMessageBox(setup.process);
    ASSERT_EQ(question.text, kCancelQuestion);
    EXPECT_EQ(ToString(question.icon), std::string("question"));

    // The worker stands still while the question is open.
    const ProgressState atQuestion = dialog.Progress(kProgress);
    const std::string statusAtQuestion = dialog.ChildText(kStatus);
    Sleep(500);
    EXPECT_EQ(dialog.Progress(kProgress).position, atQuestion.position);
    EXPECT_EQ(dialog.ChildText(kStatus), statusAtQuestion);
    EXPECT_EQ(atQuestion.low, 0);
    EXPECT_EQ(atQuestion.high, 1200000);

    AnswerMessageBox(question, IDNO);
    // Nothing lost: the bar goes on from where it stood, the status line
    // moves on to later files.
    const ProgressState afterNo = dialog.Progress(kProgress);
    EXPECT_GE(afterNo.position, atQuestion.position);
    WaitUntil(20000, "the run to go on", [&] {
        if (!setup.process.Running()) return true;
        if (FindMessageBox(setup.process.Id())) return true;
        return dialog.ChildText(kStatus) != statusAtQuestion;
    });
    EXPECT_TRUE(setup.process.Running());
    EXPECT_GE(dialog.Progress(kProgress).position, atQuestion.position);
    const auto box = FindMessageBox(setup.process.Id());
    EXPECT_TRUE(!box || box->text != kCancelQuestion);
    FinishAnyway(setup);
}

TEST(DialogTest, EscapeDuringTheRunAsksTheCancelQuestion) {
    RunningSetup setup = StartSetup("dialog-long", LongRun());
    const Window& dialog = setup.dialog;
    InstallWith(dialog, setup.folder.FilePath("Ziel"));
    WaitForWorkerStart(setup);
    WaitUntil(kDefaultTimeoutMs, "the dialog to take input", [&] { return dialog.Enabled(); });
    dialog.PressEnter();
    dialog.PressEscape();
    const MessageBoxInfo question = WaitForMessageBox(setup.process);
    EXPECT_EQ(question.text, kCancelQuestion);
    AnswerMessageBox(question, IDYES);
    ExpectNoMessageBoxFor(setup.process, 1000);
    EXPECT_EQ(setup.process.WaitForExit(), 0u);
}

TEST(DialogTest, AfterAnErrorMessageTheDialogClosesByItself) {
    Payload payload;
    payload.packedProgram = false;  // _setup.spd is missing
    RunningSetup setup = StartSetup("dialog-error", payload);
    InstallWith(setup.dialog, setup.folder.FilePath("Ziel"));
    const MessageBoxInfo box = WaitForMessageBox(setup.process);
    EXPECT_EQ(box.text,
              "Bei der Vorbereitung der Installation ist ein Fehler aufgetreten.\n"
              "Konnte eine Datei nicht finden.");
    EXPECT_EQ(box.caption, "setup");
    EXPECT_EQ(ToString(box.icon), std::string("stop"));
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(box.owner.Handle(), setup.dialog.Handle());
    EXPECT_FALSE(setup.dialog.Enabled());
    // The dialog waits for the answer.
    EXPECT_FALSE(setup.process.TryWaitForExit(500));
    EXPECT_TRUE(setup.dialog.Exists());
    AnswerMessageBox(box, IDOK);
    setup.dialog.WaitUntilGone();
    ExpectNoMessageBoxFor(setup.process, 300);
    EXPECT_EQ(setup.process.WaitForExit(), 0u);
}

}  // namespace

namespace {

// A second top-level dialog beside the main one: the folder browser of the
// destination page, or the disk prompt.
std::optional<Window> FindSecondDialog(const RunningSetup& setup) {
    for (const Window& window : FindTopLevelWindows(setup.process.Id(), "#32770")) {
        if (window.Handle() != setup.dialog.Handle()) return window;
    }
    return std::nullopt;
}

Window OpenBrowser(const RunningSetup& setup) {
    setup.dialog.Click(kBrowse);
    const auto browser = Poll(kDefaultTimeoutMs, [&] { return FindSecondDialog(setup); });
    if (!browser) throw Error("the folder browser did not open");
    return *browser;
}

bool ShowsText(const Window& window, const std::string& text) {
    for (const Window& child : window.Children()) {
        if (child.Text() == text) return true;
    }
    return false;
}

TEST(DialogTest, BrowseOpensOnTheTypedFolderAndPutsThePickedFolderIntoTheField) {
    RunningSetup setup = StartSetup("dialog-browse", Payload{});
    const std::string typed = setup.folder.FilePath("Mein Ziel");
    ASSERT_TRUE(::CreateDirectoryA(typed.c_str(), nullptr));
    setup.dialog.SetChildText(kFolder, typed);

    // Cancelled: the field keeps its text.
    Window browser = OpenBrowser(setup);
    EXPECT_TRUE(ShowsText(browser, "Bitte w\xE4hlen Sie einen Zielordner f\xFCr den Bildschirmschoner aus."));
    EXPECT_FALSE(setup.dialog.Enabled());
    browser.Click(IDCANCEL);
    browser.WaitUntilGone();
    EXPECT_EQ(setup.dialog.ChildText(kFolder), typed);

    // Confirmed at once: the browser had opened on the typed folder.
    setup.dialog.SetChildText(kFolder, typed + "\\");
    browser = OpenBrowser(setup);
    WaitUntil(kDefaultTimeoutMs, "the OK button of the browser", [&] { return browser.Child(IDOK).Enabled(); });
    browser.Click(IDOK);
    browser.WaitUntilGone();
    EXPECT_EQ(setup.dialog.ChildText(kFolder), typed);
    EXPECT_TRUE(setup.dialog.Enabled());
    EXPECT_FALSE(FindMessageBox(setup.process.Id()));

    setup.dialog.Click(IDCANCEL);
    EXPECT_EQ(setup.process.WaitForExit(), 0u);
}

// A missing further volume holds the run inside its preparation, in front of
// the disk prompt: the status line says so, the folder field is locked.
TEST(DialogTest, TheDiskPromptComesWhileTheStatusLineSaysPreparing) {
    RunningSetup setup = StartSetup("dialog-prompt", LongRun());
    ASSERT_TRUE(setup.folder.Exists("user.001"));
    ASSERT_TRUE(::DeleteFileA(setup.folder.FilePath("user.001").c_str()));
    InstallWith(setup.dialog, setup.folder.FilePath("Ziel"));
    const auto prompt = Poll(kDefaultTimeoutMs, [&] { return FindSecondDialog(setup); });
    ASSERT_TRUE(prompt) << "no disk prompt";
    EXPECT_EQ(prompt->ChildText(kPromptText),
              "Bitte legen Sie Diskette Nr. 2 ein bzw. w\xE4hlen Sie den entsprechenden Ordner aus.");
    EXPECT_EQ(setup.dialog.ChildText(kStatus), kPreparing);
    EXPECT_FALSE(setup.dialog.Child(kFolder).Enabled());
    EXPECT_TRUE(setup.dialog.Child(kProgress).Visible());
    prompt->Click(IDCANCEL);
    FinishAnyway(setup);
    EXPECT_FALSE(setup.folder.Exists("Ziel"));
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------
// A run from the CD-ROM drive D:, whose files are read-only as on a real CD.
// Copies made from them in the private temporary folder must still be
// deleted at the end, and the folder with them.

// The disk in D:\<name>, every file read-only; the program gets a temporary
// path of its own (TMP and TEMP), where its private folder is made.
RunningSetup StartSetupFromCd(const std::string& name, const Payload& payload, const std::string& tempPath) {
    TestFolder folder(name, "D:");
    WriteSetupData(folder, payload);
    folder.MakeFilesReadOnly();
    StartOptions options;
    options.env["TMP"] = tempPath;
    options.env["TEMP"] = tempPath;
    Process process = Process::Start(folder.FilePath("setup.exe"), options);
    Window dialog = WaitForWindow(process, "Kalvorin");
    return RunningSetup{std::move(folder), std::move(process), dialog};
}

bool IsPrivateTempFolderName(const std::string& name) {
    return name.size() == 8 && std::all_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// Lets the run end by itself, as a user who wants nothing more: a message is
// confirmed (a question about an earlier installation answered No); on the
// finish page both choices are cleared and "&Beenden" closes the program.
void RunToItsEnd(RunningSetup& setup) {
    const Window& dialog = setup.dialog;
    WaitUntil(120000, "the end of the run", [&] {
        if (!setup.process.Running()) return true;
        if (const auto box = FindMessageBox(setup.process.Id())) {
            const auto has = [&](int id) {
                return std::find(box->buttons.begin(), box->buttons.end(), id) != box->buttons.end();
            };
            if (box->text == kCancelQuestion) throw Error("cancel question in a run nobody cancelled");
            AnswerMessageBox(*box, has(IDOK) ? IDOK : has(IDNO) ? IDNO : box->defaultButton);
            return false;
        }
        try {
            if (!dialog.Enabled() || dialog.ChildText(IDCANCEL) != "&Beenden") return false;
            for (int choice : {kReboot, kProperties}) {
                if (dialog.CheckState(choice) != BST_CHECKED) continue;
                dialog.Click(choice);
                WaitUntil(kDefaultTimeoutMs, "a choice on the finish page to be cleared",
                          [&] { return dialog.CheckState(choice) == BST_UNCHECKED; });
            }
            dialog.Click(IDCANCEL);
            return true;
        } catch (const Error&) {
            // The dialog closes by itself after an error: a control that no
            // longer answers is looked at again (until the time-out).
            return false;
        }
    });
    EXPECT_EQ(setup.process.WaitForExit(30000), 0u);
}

TEST(DialogTest, ARunFromTheReadOnlyCdLeavesNoTemporaryFolder) {
    ASSERT_EQ(::GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
    struct Row {
        const char* ending;
        bool cancel;
        Payload payload;
    };
    const Row rows[] = {
        {"run to its end", false, Payload{}},
        {"cancelled with the cancel question", true, LongRun()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ending);
        // Each row meets the prefix as the test found it (a completed run
        // leaves an installation the next would be asked about).
        const Snapshot prefix = Snapshot::Take(Snapshot::SetupScope());
        TestFolder temp("cd-temp");
        TestFolder destination("cd-destination");
        RunningSetup setup = StartSetupFromCd("kalv-cd", row.payload, temp.Path());
        // The medium is a CD's: its files say they are read-only, and they
        // cannot be deleted (nor could copies that kept the attribute).
        const std::string medium = setup.folder.FilePath("_setup.spd");
        ASSERT_NE(::GetFileAttributesA(medium.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
        ASSERT_FALSE(::DeleteFileA(medium.c_str()));

        InstallWith(setup.dialog, destination.FilePath("Ziel"));
        if (row.cancel) {
            WaitUntil(30000, "the first file", [&] {
                if (FindMessageBox(setup.process.Id())) throw Error("message box before the first file");
                return setup.dialog.ChildText(kStatus).rfind(kCopyingPrefix, 0) == 0;
            });
            ClickCancelWhenEnabled(setup.dialog);
            const MessageBoxInfo question = WaitForMessageBox(setup.process);
            ASSERT_EQ(question.text, kCancelQuestion);
            // The private folder holds the copy of the program's data and the
            // data joined from the volumes now; their copies went once joined.
            const std::vector<std::string> entries = FolderEntries(temp.Path());
            ASSERT_EQ(entries.size(), 1u);
            EXPECT_TRUE(IsPrivateTempFolderName(entries[0])) << entries[0];
            const std::vector<std::string> copies = FolderEntries(temp.FilePath(entries[0]));
            EXPECT_EQ(copies.size(), 2u) << testing::PrintToString(copies);
            EXPECT_NE(std::find(copies.begin(), copies.end(), "_setup.spd"), copies.end());
            for (const char* name : {"user.spd", "user.001"}) {
                EXPECT_EQ(std::find(copies.begin(), copies.end(), name), copies.end()) << name;
            }
            AnswerMessageBox(question, IDYES);
            EXPECT_EQ(setup.process.WaitForExit(30000), 0u);
        } else {
            RunToItsEnd(setup);
        }
        // Nothing of the run is left in the temporary path: no private
        // folder, no file.
        EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{});
        Snapshot::Restore(prefix, {"C:\\kalv-e2e"});
    }
}

}  // namespace
