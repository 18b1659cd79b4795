// The main dialog and its two pages on their own (real windows): texts and
// states at start, Enter and Escape, the destination check at Install, the
// finish page and the completion actions.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "register/CompletionActions.h"
#include "run/SetupStatus.h"
#include "support/MessageBoxScript.h"
#include "uitest/ScriptedSetup.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace uitest;

namespace {

const std::string kInvalidPathText =
    "Sie haben einen ung\xFCltigen Pfadnamen angegeben.\nStellen Sie sicher, dass der Pfadname nicht mehr als 256 "
    "Zeichen lang\nist und keines der folgenden Zeichen enth\xE4lt:\n/ * ? < > \" |\n\nHinweis: Bitte verwenden Sie "
    "keine Netzwerk-Pfadnamen.";

RECT ClientRectOf(HWND window, HWND dialog) {
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class SetupDialogTest : public ContextFixture {
protected:
    INT_PTR Run() {
        const INT_PTR result = dialog.DoModal();
        dialog.Session().WaitForEnd();
        return result;
    }
    void Step(ScriptedSetupDlg::Step step) { dialog.steps.push_back(std::move(step)); }
    // Sets the folder field and presses Install.
    void InstallWith(const std::string& folder) {
        Step([folder](ScriptedSetupDlg& d) {
            ::SetWindowTextA(d.PageItem(0, 1012), folder.c_str());
            d.Click(1014);
            return true;
        });
    }
    MessageBoxScript boxes;
    ScriptedSetupDlg dialog;
};

TEST_F(SetupDialogTest, InitialTextsAndStates) {
    Step([](ScriptedSetupDlg& d) {
        EXPECT_EQ(WindowText(d.Hwnd()), "Kalvorin");
        EXPECT_EQ(WindowText(d.Item(IDCANCEL)), "Ab&brechen");
        EXPECT_EQ(WindowText(d.Item(1014)), "&Installieren");
        EXPECT_TRUE(d.IsItemVisible(1014));
        EXPECT_FALSE(d.IsItemVisible(1000));
        EXPECT_FALSE(d.IsItemVisible(1019));
        EXPECT_FALSE(d.IsItemVisible(1020));
        EXPECT_FALSE(d.IsItemVisible(1016));

        EXPECT_NE(d.PageList(), nullptr);
        if (d.PageList() == nullptr) return true;
        EXPECT_EQ(d.PageList()->Count(), 2);
        EXPECT_EQ(d.PageList()->CurrentIndex(), 0);
        EXPECT_NE(dynamic_cast<CDestinationPage*>(d.PageList()->GetPage(0)), nullptr);
        EXPECT_NE(dynamic_cast<CFinishPage*>(d.PageList()->GetPage(1)), nullptr);
        EXPECT_TRUE(::IsWindowVisible(d.PageWindow(0)));
        EXPECT_FALSE(::IsWindowVisible(d.PageWindow(1)));
        EXPECT_EQ(::GetParent(d.PageWindow(0)), d.Hwnd());
        // Both pages lie exactly on the placeholder.
        const RECT area = ClientRectOf(d.Item(1016), d.Hwnd());
        EXPECT_TRUE(SameRect(ClientRectOf(d.PageWindow(0), d.Hwnd()), area));
        EXPECT_TRUE(SameRect(ClientRectOf(d.PageWindow(1), d.Hwnd()), area));

        EXPECT_EQ(WindowText(d.PageItem(0, 1010)),
                  "Geben Sie ein Verzeichnis an, in das der Bildschirmschoner installiert werden soll.");
        EXPECT_EQ(WindowText(d.PageItem(0, 1013)), "&Zielverzeichnis:");
        EXPECT_EQ(WindowText(d.PageItem(0, 1004)), "D&urchsuchen...");
        EXPECT_EQ(WindowText(d.PageItem(0, 1012)), "C:\\Programme\\Brisvane\\Kalvorin");
        EXPECT_EQ(WindowText(d.PageItem(0, 1001)), "");
        EXPECT_TRUE(::IsWindowEnabled(d.PageItem(0, 1012)));
        EXPECT_TRUE(::IsWindowEnabled(d.PageItem(0, 1004)));
        // The focus is on the destination page.
        EXPECT_TRUE(::IsChild(d.PageWindow(0), ::GetFocus()) || ::GetFocus() == d.PageWindow(0));
        return true;
    });
    Step([](ScriptedSetupDlg& d) {
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_FALSE(dialog.scriptTimedOut);
}

TEST_F(SetupDialogTest, ProposesProgramFilesAndDisplayNameWithoutDefault) {
    (*context).defaultDestination.clear();
    (*context).programFilesFolder = "C:\\Program Files";
    (*context).displayName = "Sch\xF6ne Tr\xE4ume";
    Step([](ScriptedSetupDlg& d) {
        EXPECT_EQ(WindowText(d.PageItem(0, 1012)), "C:\\Program Files\\Sch\xF6ne Tr\xE4ume");
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
}

TEST_F(SetupDialogTest, CancelBeforeInstallClosesWithoutQuestionOrAction) {
    Step([](ScriptedSetupDlg& d) {
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(dialog.completionActionsRun, 1);  // called, with nothing chosen
    EXPECT_EQ(dialog.rebootChosenAtClose, 0);
    EXPECT_EQ(dialog.showPropertiesChosenAtClose, 0);
    EXPECT_EQ(dialog.Session().Sync(), nullptr);
    EXPECT_EQ((*context).installState, kInstallNotStarted);
}

TEST_F(SetupDialogTest, EnterDoesNothingAndEscapeActsAsCancel) {
    int passes = 0;
    Step([](ScriptedSetupDlg& d) {
        HWND field = d.PageItem(0, 1012);
        ::SetFocus(field);
        ::PostMessageA(field, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        ::PostMessageA(field, WM_KEYUP, VK_RETURN, 0xC01C0001);
        ::PostMessageA(d.Hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    });
    Step([&passes](ScriptedSetupDlg& d) {
        // Some passes later the dialog is still there, unchanged.
        if (++passes < 20) return false;
        EXPECT_EQ(d.Session().Sync(), nullptr);
        EXPECT_EQ(d.cancelsHandled, 0);
        EXPECT_TRUE(d.IsItemVisible(1014));
        HWND field = d.PageItem(0, 1012);
        ::SetFocus(field);
        ::PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        ::PostMessageA(field, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(dialog.cancelsHandled, 1);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_FALSE(dialog.scriptTimedOut);
}

TEST_F(SetupDialogTest, InvalidDestinationsShowTheInvalidPathMessageAndStartNothing) {
    const std::vector<std::string> invalid = {"",
                                              std::string("C:\\") + std::string(257, 'x'),
                                              "C:Programme",
                                              "C:\\a/b",
                                              "C:\\a*b",
                                              "C:\\a?b",
                                              "C:\\a<b",
                                              "C:\\a>b",
                                              "C:\\a\"b",
                                              "C:\\a|b",
                                              "\\\\server\\share\\Ordner",
                                              "A:\\Ordner",
                                              "D:\\Ordner"};
    for (size_t i = 0; i < invalid.size(); ++i) {
        const std::string folder = invalid[i];
        InstallWith(folder);
        Step([folder, i, this](ScriptedSetupDlg& d) {
            if (boxes.Count() < i + 1) return false;  // until the click has been handled
            EXPECT_EQ(d.Session().Sync(), nullptr) << folder;
            EXPECT_TRUE(d.IsItemVisible(1014)) << folder;
            EXPECT_FALSE(d.IsItemVisible(1000)) << folder;
            EXPECT_TRUE(::IsWindowEnabled(d.PageItem(0, 1012))) << folder;
            EXPECT_EQ((*context).installState, kInstallNotStarted) << folder;
            // The rejected text is stored nevertheless.
            EXPECT_EQ((*context).destination, folder);
            return true;
        });
    }
    Step([](ScriptedSetupDlg& d) {
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
    ASSERT_EQ(boxes.Count(), invalid.size());
    for (const auto& box : boxes.Shown()) {
        EXPECT_EQ(box.text, kInvalidPathText);
        EXPECT_EQ(box.flags, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
    }
    EXPECT_FALSE(dialog.record.bodyStarted);
}

TEST_F(SetupDialogTest, AcceptedDestinationStartsTheWorkerAndLocksTheFolderField) {
    std::atomic<bool> release{false};
    dialog.body = [&](CSetupSync& sync, SetupContext&, FakeRun& run) {
        while (!release) ::Sleep(5);
        CompleteRun(sync, run);
    };
    InstallWith("C:\\Gibt es noch nicht\\");
    Step([](ScriptedSetupDlg& d) {
        if (d.Session().Sync() == nullptr) return false;
        // The first pass after Install.
        EXPECT_FALSE(::IsWindowEnabled(d.PageItem(0, 1012)));
        EXPECT_FALSE(::IsWindowEnabled(d.PageItem(0, 1004)));
        EXPECT_TRUE(d.IsItemVisible(1000));
        EXPECT_FALSE(d.IsItemVisible(1014));
        return true;
    });
    Step([&](ScriptedSetupDlg& d) {
        if (d.handled.empty()) return false;
        EXPECT_EQ(d.handled[0].code, Preparing);
        EXPECT_FALSE(::IsWindowEnabled(d.PageItem(0, 1012)));
        EXPECT_FALSE(::IsWindowEnabled(d.PageItem(0, 1004)));
        EXPECT_EQ((*context).destination, "C:\\Gibt es noch nicht\\");
        release = true;
        return true;
    });
    Step([](ScriptedSetupDlg& d) {
        if (d.handled.size() < 3) return false;
        // Still locked on the hidden destination page after completion.
        EXPECT_FALSE(::IsWindowEnabled(d.PageItem(0, 1012)));
        EXPECT_FALSE(::IsWindowEnabled(d.PageItem(0, 1004)));
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_FALSE(dialog.scriptTimedOut);
}

TEST_F(SetupDialogTest, AcceptedDestinations) {
    for (const std::string& folder : {std::string("C:"), std::string("C:\\") + std::string(256, 'y'),
                                      std::string("N:\\Ordner"), std::string("C:\\Programme\\")}) {
        ScriptedSetupDlg d;
        d.body = [](CSetupSync& sync, SetupContext&, FakeRun& run) { CompleteRun(sync, run); };
        d.steps.push_back([folder](ScriptedSetupDlg& dlg) {
            ::SetWindowTextA(dlg.PageItem(0, 1012), folder.c_str());
            dlg.Click(1014);
            return true;
        });
        d.steps.push_back([](ScriptedSetupDlg& dlg) {
            if (dlg.handled.size() < 2) return false;
            dlg.Click(IDCANCEL);
            return true;
        });
        (*context).installState = kInstallNotStarted;
        EXPECT_EQ(d.DoModal(), IDCANCEL) << folder;
        d.Session().WaitForEnd();
        EXPECT_TRUE(d.record.bodyStarted) << folder;
        EXPECT_EQ((*context).destination, folder);
    }
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(SetupDialogTest, FinishPageWithoutRestart) {
    dialog.body = [](CSetupSync& sync, SetupContext&, FakeRun& run) { CompleteRun(sync, run); };
    InstallWith("C:\\Kalvorin");
    Step([](ScriptedSetupDlg& d) {
        if (d.handled.size() < 3) return false;
        EXPECT_EQ(WindowText(d.PageItem(1, 1001)),
                  "Der Bildschirmschoner wurde erfolgreich auf Ihrem System installiert.\nViel Spa\xDF!");
        EXPECT_FALSE(::IsWindowVisible(d.PageItem(1, 1017)));
        EXPECT_EQ(::SendMessageA(d.PageItem(1, 1017), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_TRUE(::IsWindowVisible(d.PageItem(1, 1018)));
        EXPECT_EQ(::SendMessageA(d.PageItem(1, 1018), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(WindowText(d.PageItem(1, 1017)),
                  "Ich m\xF6"
                  "chte meinen Computer jetzt neu starten.");
        EXPECT_EQ(WindowText(d.PageItem(1, 1018)),
                  "Zeige anschlie\xDF"
                  "end die Anzeige Eigenschaften an.");
        // The user unchecks the display properties.
        ::SendMessageA(d.PageItem(1, 1018), BM_SETCHECK, BST_UNCHECKED, 0);
        return true;
    });
    Step([&](ScriptedSetupDlg& d) {
        // Copied on the next pass of the loop.
        EXPECT_EQ((*context).showDisplayPropertiesChosen, 0);
        d.Click(IDCANCEL);
        return true;
    });
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(dialog.completionActionsRun, 1);
    EXPECT_EQ(dialog.rebootChosenAtClose, 0);
    EXPECT_EQ(dialog.showPropertiesChosenAtClose, 0);
}

// ---------------------------------------------------------------------------
// Completion actions.

class RecordingEffects : public CompletionEffects {
public:
    void ScheduleDisplayPropertiesAtLogon() override { calls.push_back("runonce"); }
    void StartDisplayProperties() override { calls.push_back("show"); }
    bool Restart() override {
        calls.push_back("restart");
        return restarts;
    }
    std::vector<std::string> calls;
    bool restarts = true;
};

// The effects in order, and the text and flags of every box shown.
std::vector<std::string> ActionsFor(int reboot, int show, bool restarts = true) {
    SetupContext context;
    context.rebootChosen = reboot;
    context.showDisplayPropertiesChosen = show;
    RecordingEffects effects;
    effects.restarts = restarts;
    MessageBoxScript boxes;
    RunCompletionActions(context, effects);
    for (const MessageBoxScript::Box& box : boxes.Shown()) {
        effects.calls.push_back(box.text + " " + std::to_string(box.flags));
    }
    return effects.calls;
}

TEST(CompletionActions, WhatEachPairOfChoicesDoes) {
    EXPECT_EQ(ActionsFor(0, 0), (std::vector<std::string>{}));
    EXPECT_EQ(ActionsFor(0, 1), (std::vector<std::string>{"show"}));
    EXPECT_EQ(ActionsFor(1, 0), (std::vector<std::string>{"restart"}));
    EXPECT_EQ(ActionsFor(1, 1), (std::vector<std::string>{"runonce", "restart"}));
    // A refused restart: the files wait, and the user is told to restart.
    EXPECT_EQ(ActionsFor(1, 1, false),
              (std::vector<std::string>{"runonce", "restart",
                                        "Der Computer konnte nicht neu gestartet werden.\nEinige Dateien werden erst "
                                        "beim n\xE4"
                                        "chsten Neustart ersetzt. Bitte starten Sie den Computer selbst neu, "
                                        "bevor Sie den Bildschirmschoner benutzen. 48"}));
}

// ExitWindowsEx restarts an NT-family Windows only for a process that has
// enabled the shutdown privilege (Wine restarts without it). The request
// goes to the test's file instead of ending Wine.
TEST(CompletionActions, RestartEnablesTheShutdownPrivilegeFirst) {
    const auto enabled = [] {
        HANDLE opened = nullptr;
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened);
        const UniqueHandle token(opened);
        LUID shutdown{};
        ::LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &shutdown);
        DWORD size = 0;
        ::GetTokenInformation(token.Get(), TokenPrivileges, nullptr, 0, &size);
        std::vector<char> buffer(size);
        ::GetTokenInformation(token.Get(), TokenPrivileges, buffer.data(), size, &size);
        const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
            const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
            if (p.Luid.LowPart == shutdown.LowPart && p.Luid.HighPart == shutdown.HighPart) {
                return (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
            }
        }
        return false;
    };
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string log = std::string(temp) + "kalv-restart-test.log";
    ::DeleteFileA(log.c_str());
    ::SetEnvironmentVariableA("KALVORIN_RESTART_LOG", log.c_str());
    ASSERT_FALSE(enabled()) << "a new process has it disabled";
    CompletionEffects effects;
    EXPECT_TRUE(effects.Restart());
    EXPECT_TRUE(enabled());
    ::SetEnvironmentVariableA("KALVORIN_RESTART_LOG", temp);  // a folder: the request cannot be written
    EXPECT_FALSE(effects.Restart());
    ::SetEnvironmentVariableA("KALVORIN_RESTART_LOG", nullptr);
    ::DeleteFileA(log.c_str());
}

TEST(CompletionActions, RunOnceValueHoldsTheCommand) {
    RegKey key;
    DWORD disposition = 0;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                                &disposition),
              ERROR_SUCCESS);
    ::RegDeleteValueA(key.Get(), kRunOnceValueName);

    CompletionEffects effects;
    effects.ScheduleDisplayPropertiesAtLogon();
    effects.ScheduleDisplayPropertiesAtLogon();  // a second run overwrites the same value

    DWORD type = 0;
    char data[256] = {};
    DWORD size = sizeof(data);
    ASSERT_EQ(::RegQueryValueExA(key.Get(), "Show Screensaver Properties", nullptr, &type,
                                 reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(data), "rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,1");
    ::RegDeleteValueA(key.Get(), kRunOnceValueName);
}

}  // namespace
