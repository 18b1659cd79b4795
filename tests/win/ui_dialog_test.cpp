// The dialog templates (controls, classes, styles, places, fonts) and the
// framework's dialogs: own modal loop, owner handling, Enter/Escape, data
// exchange, messages, and message boxes owned by the main dialog.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "res/resource.h"

using namespace kalvorin;

namespace {

// ---------------------------------------------------------------- templates

INT_PTR CALLBACK PlainProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

struct Expect {
    int id;
    const char* className;
    int x, y, w, h;
    bool visible;
    DWORD typeBits;  // low style bits that must match exactly under typeMask
    DWORD typeMask;
    const char* text;       // nullptr: not checked
    bool sizeFixed = true;  // images size themselves to the picture
};

std::string ClassOf(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

// Children with id -1 (the icons) cannot be found by id: take them in order.
std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

void CheckControls(HWND dialog, const std::vector<Expect>& expected) {
    const std::vector<HWND> children = Children(dialog);
    ASSERT_EQ(children.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Expect& e = expected[i];
        HWND control = children[i];
        SCOPED_TRACE("control " + std::to_string(e.id));
        EXPECT_EQ(static_cast<int>(static_cast<short>(::GetDlgCtrlID(control))), e.id);
        EXPECT_STRCASEEQ(ClassOf(control).c_str(), e.className);
        const DWORD style = static_cast<DWORD>(::GetWindowLongA(control, GWL_STYLE));
        EXPECT_EQ((style & WS_VISIBLE) != 0, e.visible);
        EXPECT_TRUE(style & WS_CHILD);
        EXPECT_EQ(style & e.typeMask, e.typeBits);
        // Place and size convert separately from dialog units, as the
        // dialog manager does.
        RECT want{e.x, e.y, e.w, e.h};
        ASSERT_TRUE(::MapDialogRect(dialog, &want));
        RECT got;
        ::GetWindowRect(control, &got);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_EQ(got.left, want.left);
        EXPECT_EQ(got.top, want.top);
        if (e.sizeFixed) {
            EXPECT_EQ(got.right - got.left, want.right);
            EXPECT_EQ(got.bottom - got.top, want.bottom);
        }
        if (e.text != nullptr) EXPECT_EQ(WindowText(control), e.text);
    }
}

void CheckDialog(HWND dialog, int width, int height, DWORD styleOn, DWORD styleOff) {
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(dialog, GWL_STYLE));
    EXPECT_EQ(style & styleOn, styleOn);
    EXPECT_EQ(style & styleOff, 0u);
    RECT want{0, 0, width, height};
    ::MapDialogRect(dialog, &want);
    RECT client;
    ::GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, want.right);
    EXPECT_EQ(client.bottom, want.bottom);
    // The font: "MS Sans Serif" at 8 points.
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTA logFont{};
    ASSERT_GT(::GetObjectA(font, sizeof logFont, &logFont), 0);
    EXPECT_STREQ(logFont.lfFaceName, "MS Sans Serif");
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(logFont.lfHeight, -::MulDiv(8, dpi, 72));
}

constexpr DWORD kButtonType = 0x0F;  // BS_TYPEMASK
constexpr DWORD kStaticType = 0x1F;  // SS_TYPEMASK

TEST(Templates, MainDialog102) {
    HWND dialog = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETUP), nullptr, PlainProc, 0);
    ASSERT_NE(dialog, nullptr);
    CheckDialog(dialog, 294, 165, WS_POPUP | WS_CAPTION | DS_MODALFRAME, WS_SYSMENU | WS_CHILD);
    EXPECT_TRUE(::GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(WindowText(dialog), "Kalvorin");
    CheckControls(dialog,
                  {
                      {IDC_PROGRESS, "msctls_progress32", 14, 110, 265, 14, false, 0, 0, nullptr},
                      {IDC_INSTALL, "Button", 225, 128, 54, 14, true, BS_PUSHBUTTON, kButtonType, "&Installieren"},
                      {IDCANCEL, "Button", 225, 145, 54, 14, true, BS_PUSHBUTTON, kButtonType, "Ab&brechen"},
                      {IDC_CREDIT_BITMAP, "Static", 4, 138, 46, 21, true, SS_BITMAP, kStaticType, nullptr, false},
                      {IDC_CREDIT_TEXT, "Static", 58, 141, 160, 18, true, SS_LEFT, kStaticType, nullptr},
                      {IDC_PLACEHOLDER, "Static", 4, 11, 275, 90, false, SS_BLACKRECT, kStaticType, nullptr},
                  });
    // The bitmap control shows bitmap 137.
    EXPECT_NE(::SendDlgItemMessageA(dialog, IDC_CREDIT_BITMAP, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    ::DestroyWindow(dialog);
}

TEST(Templates, DiskPrompt129) {
    HWND dialog =
        ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DISKPROMPT), nullptr, PlainProc, 0);
    ASSERT_NE(dialog, nullptr);
    CheckDialog(dialog, 274, 60, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_CHILD);
    EXPECT_EQ(WindowText(dialog), "Kalvorin");
    CheckControls(dialog,
                  {
                      {-1, "Static", 7, 7, 20, 20, true, SS_ICON, kStaticType, nullptr, false},
                      {IDC_PROMPT, "Static", 37, 7, 151, 20, true, SS_LEFT, kStaticType, nullptr},
                      {IDC_PROMPT_FOLDER, "Edit", 7, 33, 184, 14, true, ES_AUTOHSCROLL, ES_AUTOHSCROLL, nullptr},
                      {IDOK, "Button", 206, 7, 61, 14, true, BS_DEFPUSHBUTTON, kButtonType, "&OK"},
                      {IDC_BROWSE, "Button", 206, 24, 61, 14, true, BS_PUSHBUTTON, kButtonType, nullptr},
                      {IDCANCEL, "Button", 206, 41, 61, 14, true, BS_PUSHBUTTON, kButtonType, nullptr},
                  });
    EXPECT_NE(::SendMessageA(Children(dialog)[0], STM_GETICON, 0, 0), 0);
    ::DestroyWindow(dialog);
}

TEST(Templates, DestinationPage135AndFinishPage136) {
    HWND main = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETUP), nullptr, PlainProc, 0);
    ASSERT_NE(main, nullptr);

    HWND page =
        ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DESTINATION), main, PlainProc, 0);
    ASSERT_NE(page, nullptr);
    CheckDialog(page, 275, 90, WS_CHILD, WS_POPUP | WS_CAPTION | WS_BORDER | WS_VISIBLE | WS_SYSMENU);
    CheckControls(page, {
                            {-1, "Static", 0, 0, 20, 20, true, SS_ICON, kStaticType, nullptr, false},
                            {IDC_DEST_HEADER, "Static", 32, 0, 243, 20, true, SS_LEFT, kStaticType, nullptr},
                            {IDC_DEST_LABEL, "Static", 10, 28, 58, 8, true, SS_LEFT, kStaticType, nullptr},
                            {IDC_DEST_FOLDER, "Edit", 10, 40, 190, 14, true, ES_AUTOHSCROLL, ES_AUTOHSCROLL, nullptr},
                            {IDC_BROWSE, "Button", 207, 40, 68, 14, true, BS_PUSHBUTTON, kButtonType, nullptr},
                            {IDC_STATUS, "Static", 10, 60, 265, 25, true, SS_LEFT, kStaticType, ""},
                        });

    HWND finish = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FINISH), main, PlainProc, 0);
    ASSERT_NE(finish, nullptr);
    CheckDialog(finish, 275, 90, WS_CHILD, WS_POPUP | WS_CAPTION | WS_BORDER | WS_VISIBLE | WS_SYSMENU);
    CheckControls(finish, {
                              {-1, "Static", 0, 0, 21, 20, true, SS_ICON, kStaticType, nullptr, false},
                              {IDC_RESULT, "Static", 32, 0, 243, 20, true, SS_LEFT, kStaticType, nullptr},
                              {IDC_REBOOT, "Button", 10, 42, 213, 10, true, BS_AUTOCHECKBOX, kButtonType, nullptr},
                              {IDC_SHOWPROPS, "Button", 10, 57, 213, 10, true, BS_AUTOCHECKBOX, kButtonType, nullptr},
                          });
    ::DestroyWindow(main);  // destroys the pages too
}

// ---------------------------------------------------------------- CDialog

// A dialog whose every pass of the modal loop runs a script step. A timer
// keeps the loop turning; after five seconds the dialog gives up with -2.
class ScriptedDialog : public CDialog {
public:
    using CDialog::CDialog;
    std::function<void(ScriptedDialog&, int pass)> onPass;
    std::function<void(ScriptedDialog&)> onInit;
    int passes = 0;
    int okCalls = 0;
    int cancelCalls = 0;
    std::vector<WORD> commands;
    std::vector<std::pair<UINT, WPARAM>> messages;
    std::string folder = "C:\\Start";
    std::string prompt = "Bitte";
    bool ignoreOk = false;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ::SetTimer(Hwnd(), 1, 20, nullptr);
        if (onInit) onInit(*this);
        return TRUE;
    }
    void OnModalLoopPass() override {
        ++passes;
        if (::GetTickCount() - started_ > 5000) EndDialog(-2);
        if (onPass) onPass(*this, passes);
    }
    void OnOK() override {
        ++okCalls;
        if (!ignoreOk) CDialog::OnOK();
    }
    void OnCancel() override {
        ++cancelCalls;
        CDialog::OnCancel();
    }
    bool OnCommand(WORD id, WORD code, HWND control) override {
        commands.push_back(id);
        return CDialog::OnCommand(id, code, control);
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message == WM_USER + 1) {
            messages.emplace_back(message, wParam);
            result = 1;
            return true;
        }
        return CDialog::OnMessage(message, wParam, lParam, result);
    }
    void DoDataExchange(CDataExchange& dx) override {
        dx.Text(IDC_PROMPT, prompt);
        dx.Text(IDC_PROMPT_FOLDER, folder);
    }

private:
    DWORD started_ = ::GetTickCount();
};

TEST(Dialog, RunsItsOwnLoopUntilEndDialog) {
    ScriptedDialog dialog(IDD_DISKPROMPT);
    HWND seen = nullptr;
    dialog.onPass = [&](ScriptedDialog& d, int pass) {
        seen = d.Hwnd();
        if (pass == 3) d.EndDialog(42);
    };
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_EQ(dialog.passes, 3);
    EXPECT_NE(seen, nullptr);
    EXPECT_FALSE(::IsWindow(seen));  // destroyed when the loop ended
    EXPECT_EQ(dialog.Hwnd(), nullptr);
}

TEST(Dialog, ExchangesDataOnceEachWayAndEnterMeansOk) {
    ScriptedDialog dialog(IDD_DISKPROMPT);
    std::string shownFolder;
    std::string shownPrompt;
    dialog.onPass = [&](ScriptedDialog& d, int pass) {
        if (pass == 1) {
            shownFolder = d.ItemText(IDC_PROMPT_FOLDER);
            shownPrompt = d.ItemText(IDC_PROMPT);
            d.SetItemText(IDC_PROMPT_FOLDER, "D:\\Neu");
            ::SetFocus(d.Item(IDC_PROMPT_FOLDER));
            ::PostMessageA(d.Item(IDC_PROMPT_FOLDER), WM_KEYDOWN, VK_RETURN, 0);
        }
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(shownFolder, "C:\\Start");  // fields written at initialisation
    EXPECT_EQ(shownPrompt, "Bitte");
    EXPECT_EQ(dialog.folder, "D:\\Neu");  // read back by OnOK
    EXPECT_EQ(dialog.okCalls, 1);
    EXPECT_EQ(dialog.cancelCalls, 0);
}

TEST(Dialog, EscapeAndTheCloseBoxMeanCancel) {
    {
        ScriptedDialog dialog(IDD_DISKPROMPT);
        dialog.onPass = [](ScriptedDialog& d, int pass) {
            if (pass == 1) {
                ::SetFocus(d.Item(IDC_PROMPT_FOLDER));
                ::PostMessageA(d.Item(IDC_PROMPT_FOLDER), WM_KEYDOWN, VK_ESCAPE, 0);
            }
        };
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.cancelCalls, 1);
        EXPECT_EQ(dialog.folder, "C:\\Start");  // Cancel reads nothing back
    }
    {
        ScriptedDialog dialog(IDD_DISKPROMPT);
        dialog.onPass = [](ScriptedDialog& d, int pass) {
            if (pass == 1) ::PostMessageA(d.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
        };
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.cancelCalls, 1);
    }
}

TEST(Dialog, EnterWithoutDefaultButtonIsOkAndAnOverrideCanIgnoreIt) {
    ScriptedDialog dialog(IDD_SETUP);
    dialog.ignoreOk = true;
    dialog.onPass = [](ScriptedDialog& d, int pass) {
        if (pass == 1) {
            ::SetFocus(d.Hwnd());
            ::PostMessageA(d.Hwnd(), WM_KEYDOWN, VK_RETURN, 0);
        }
        if (pass > 1 && d.okCalls == 1) d.EndDialog(7);
    };
    EXPECT_EQ(dialog.DoModal(), 7);
    EXPECT_EQ(dialog.okCalls, 1);
}

TEST(Dialog, CommandsAndOtherMessagesReachTheirHandlers) {
    ScriptedDialog dialog(IDD_SETUP);
    LRESULT answer = 0;
    dialog.onPass = [&](ScriptedDialog& d, int pass) {
        if (pass == 1) {
            ::PostMessageA(d.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_INSTALL, BN_CLICKED),
                           reinterpret_cast<LPARAM>(d.Item(IDC_INSTALL)));
            answer = ::SendMessageA(d.Hwnd(), WM_USER + 1, 3, 0);
        }
        if (!d.commands.empty()) d.EndDialog(IDCANCEL);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(answer, 1);
    ASSERT_EQ(dialog.messages.size(), 1u);
    EXPECT_EQ(dialog.messages[0].second, 3u);
    ASSERT_FALSE(dialog.commands.empty());
    EXPECT_EQ(dialog.commands[0], IDC_INSTALL);
    EXPECT_EQ(dialog.okCalls + dialog.cancelCalls, 0);  // EndDialog directly
}

TEST(Dialog, AModalDialogDisablesItsOwnerWhileItRuns) {
    ScriptedDialog outer(IDD_SETUP);
    CApp app;
    app.SetMainDialog(&outer);
    HWND outerWindow = nullptr;
    HWND innerWindow = nullptr;
    HWND ownerInside = nullptr;
    HWND boxOwnerInside = nullptr;
    bool ownerEnabledInside = true;
    bool ownerEnabledAfter = false;
    HWND boxOwnerAfter = nullptr;
    outer.onPass = [&](ScriptedDialog& d, int pass) {
        if (pass != 1) return;
        outerWindow = d.Hwnd();
        ScriptedDialog inner(IDD_DISKPROMPT);  // no parent: owned by the main dialog
        inner.onPass = [&](ScriptedDialog& i, int innerPass) {
            innerWindow = i.Hwnd();
            ownerEnabledInside = ::IsWindowEnabled(d.Hwnd()) != FALSE;
            ownerInside = ::GetWindow(i.Hwnd(), GW_OWNER);
            boxOwnerInside = MessageBoxOwner();
            if (innerPass == 2) i.EndDialog(IDOK);
        };
        EXPECT_EQ(inner.DoModal(), IDOK);
        ownerEnabledAfter = ::IsWindowEnabled(d.Hwnd()) != FALSE;
        boxOwnerAfter = MessageBoxOwner();
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(outer.DoModal(), IDOK);
    app.SetMainDialog(nullptr);
    ASSERT_NE(outerWindow, nullptr);
    EXPECT_EQ(ownerInside, outerWindow);
    EXPECT_FALSE(ownerEnabledInside);
    EXPECT_TRUE(ownerEnabledAfter);
    // While the inner dialog keeps the main dialog disabled, message boxes
    // belong to the inner dialog; afterwards to the main dialog again.
    EXPECT_EQ(boxOwnerInside, innerWindow);
    EXPECT_EQ(boxOwnerAfter, outerWindow);
}

TEST(Dialog, ChildDialogsAreCreatedHiddenAndExchangeCheckBoxes) {
    class Page : public CDialog {
    public:
        Page() : CDialog(IDD_FINISH) {}
        int reboot = 1;
        int showProps = 0;
        std::string result = "Ergebnis";

    protected:
        void DoDataExchange(CDataExchange& dx) override {
            dx.Check(IDC_SHOWPROPS, showProps);
            dx.Check(IDC_REBOOT, reboot);
            dx.Text(IDC_RESULT, result);
        }
    };
    ScriptedDialog main(IDD_SETUP);
    Page page;
    int checkedReboot = -1;
    int checkedProps = -1;
    bool visible = true;
    main.onPass = [&](ScriptedDialog& d, int pass) {
        if (pass != 1) return;
        ASSERT_TRUE(page.Create(&d));
        EXPECT_EQ(::GetParent(page.Hwnd()), d.Hwnd());
        visible = ::IsWindowVisible(page.Hwnd()) != FALSE;
        checkedReboot = static_cast<int>(::SendMessageA(page.Item(IDC_REBOOT), BM_GETCHECK, 0, 0));
        checkedProps = static_cast<int>(::SendMessageA(page.Item(IDC_SHOWPROPS), BM_GETCHECK, 0, 0));
        ::SendMessageA(page.Item(IDC_REBOOT), BM_SETCHECK, BST_UNCHECKED, 0);
        ::SendMessageA(page.Item(IDC_SHOWPROPS), BM_SETCHECK, BST_CHECKED, 0);
        page.SetItemText(IDC_RESULT, "Neu");
        page.UpdateData(true);
        page.ShowItem(IDC_REBOOT, false);
        EXPECT_FALSE(page.IsItemVisible(IDC_REBOOT));
        page.EnableItem(IDC_SHOWPROPS, false);
        EXPECT_FALSE(page.IsItemEnabled(IDC_SHOWPROPS));
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(main.DoModal(), IDOK);
    EXPECT_FALSE(visible);
    EXPECT_EQ(checkedReboot, BST_CHECKED);  // written by the initial UpdateData(false)
    EXPECT_EQ(checkedProps, BST_UNCHECKED);
    EXPECT_EQ(page.reboot, 0);
    EXPECT_EQ(page.showProps, 1);
    EXPECT_EQ(page.result, "Neu");
    EXPECT_EQ(page.Hwnd(), nullptr);  // went with its parent
}

TEST(Dialog, MissingTemplateFailsWithMinusOne) {
    ScriptedDialog dialog(4711);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_FALSE(dialog.Create(nullptr));
}

// ---------------------------------------------------------------- message boxes

struct BoxFinder {
    DWORD threadId;
    HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    auto* finder = reinterpret_cast<BoxFinder*>(param);
    if (ClassOf(window) == "#32770" && ::IsWindowVisible(window)) {
        finder->box = window;
        return FALSE;
    }
    return TRUE;
}

TEST(MessageBoxOwner, AWorkerThreadsBoxIsOwnedByTheDisabledMainDialog) {
    CApp app;
    ScriptedDialog main(IDD_SETUP);
    app.SetMainDialog(&main);
    std::atomic<int> answer{0};
    std::atomic<DWORD> workerId{0};
    std::thread worker;
    HWND boxOwner = nullptr;
    bool mainEnabledWhileOpen = true;
    std::string boxText;
    std::string boxCaption;
    bool mainEnabledAfter = false;
    HWND mainWindow = nullptr;
    main.onPass = [&](ScriptedDialog& d, int pass) {
        if (pass == 1) {
            mainWindow = d.Hwnd();
            worker = std::thread([&] {
                workerId = ::GetCurrentThreadId();
                answer = AppMessageBox("Vom Arbeiter", MB_YESNO);
            });
            return;
        }
        if (boxOwner == nullptr && workerId != 0) {
            BoxFinder finder{workerId};
            ::EnumThreadWindows(workerId, FindBox, reinterpret_cast<LPARAM>(&finder));
            if (finder.box != nullptr) {
                boxOwner = ::GetWindow(finder.box, GW_OWNER);
                mainEnabledWhileOpen = ::IsWindowEnabled(d.Hwnd()) != FALSE;
                boxText = WindowText(::GetDlgItem(finder.box, 0xFFFF));
                boxCaption = WindowText(finder.box);
                ::PostMessageA(finder.box, WM_COMMAND, IDNO, 0);
            }
        }
        if (answer != 0) {
            mainEnabledAfter = ::IsWindowEnabled(d.Hwnd()) != FALSE;
            d.EndDialog(IDOK);
        }
    };
    EXPECT_EQ(main.DoModal(), IDOK);
    if (worker.joinable()) worker.join();
    app.SetMainDialog(nullptr);
    EXPECT_EQ(answer, IDNO);
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(boxOwner, mainWindow);
    EXPECT_FALSE(mainEnabledWhileOpen);
    EXPECT_TRUE(mainEnabledAfter);
    EXPECT_EQ(boxText, "Vom Arbeiter");
    EXPECT_EQ(boxCaption, "ui_dialog_test");
}

}  // namespace
