#include "framework/Dialog.h"

#include "framework/App.h"

namespace kalvorin {

std::string WindowText(HWND window) {
    if (window == nullptr) return std::string();
    const int length = ::GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

void SetWindowTextString(HWND window, const std::string& text) {
    if (window != nullptr) ::SetWindowTextA(window, text.c_str());
}

// ---------------------------------------------------------------------------

CDataExchange::CDataExchange(CDialog& dialog, bool saveAndValidate)
    : saveAndValidate(saveAndValidate), dialog_(dialog) {}

void CDataExchange::Text(int id, std::string& value) {
    HWND control = dialog_.Item(id);
    if (control == nullptr) return;
    if (saveAndValidate)
        value = WindowText(control);
    else
        SetWindowTextString(control, value);
}

void CDataExchange::Check(int id, int& value) {
    HWND control = dialog_.Item(id);
    if (control == nullptr) return;
    if (saveAndValidate)
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

// ---------------------------------------------------------------------------

CDialog::CDialog(UINT templateId, CDialog* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
    DestroyWindow();
}

HWND CDialog::OwnerWindow() const {
    if (parent_ != nullptr) return parent_->Hwnd();
    CApp* app = CApp::Current();
    CDialog* main = app != nullptr ? app->MainDialog() : nullptr;
    if (main != nullptr && main != this && main->Hwnd() != nullptr && ::IsWindow(main->Hwnd())) return main->Hwnd();
    return nullptr;
}

INT_PTR CDialog::DoModal() {
    if (hwnd_ != nullptr) return -1;
    HWND owner = OwnerWindow();
    modal_ = true;
    continueModal_ = true;
    result_ = -1;
    HWND hwnd = ::CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(templateId_), owner, &CDialog::DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr) {
        modal_ = false;
        continueModal_ = false;
        return -1;
    }

    const bool reenableOwner = owner != nullptr && ::IsWindowEnabled(owner);
    if (reenableOwner) ::EnableWindow(owner, FALSE);

    // The dialog may have ended already in OnInitDialog.
    if (continueModal_ && hwnd_ != nullptr && !::IsWindowVisible(hwnd_)) {
        ::ShowWindow(hwnd_, SW_SHOWNORMAL);
        ::UpdateWindow(hwnd_);
    }

    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        try {
            if (hwnd_ == nullptr || !ContinueModal()) break;
            OnModalLoopPass();
        } catch (...) {
            StopException();
            if (hwnd_ == nullptr || !continueModal_) break;
        }
        MSG msg;
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (got == -1) break;
        if (hwnd_ == nullptr || !::IsDialogMessageA(hwnd_, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

    // Enable the owner before the dialog goes, so that activation returns to it.
    if (reenableOwner) ::EnableWindow(owner, TRUE);
    if (hwnd_ != nullptr && owner != nullptr && ::GetActiveWindow() == hwnd_) ::SetActiveWindow(owner);
    DestroyWindow();
    modal_ = false;
    continueModal_ = false;
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
    return result_;
}

void CDialog::EndDialog(int result) {
    result_ = result;
    if (modal_) {
        continueModal_ = false;
        if (hwnd_ != nullptr) ::PostMessageA(hwnd_, WM_NULL, 0, 0);  // wake the loop
    } else {
        DestroyWindow();
    }
}

BOOL CDialog::Create(CDialog* parent) {
    if (hwnd_ != nullptr) return FALSE;
    parent_ = parent;
    modal_ = false;
    HWND hwnd =
        ::CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(templateId_), parent != nullptr ? parent->Hwnd() : nullptr,
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr ? TRUE : FALSE;
}

void CDialog::DestroyWindow() {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
    hwnd_ = nullptr;
}

HWND CDialog::Item(int id) const {
    return hwnd_ != nullptr ? ::GetDlgItem(hwnd_, id) : nullptr;
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return true;
}

std::string CDialog::ItemText(int id) const {
    return WindowText(Item(id));
}

void CDialog::SetItemText(int id, const std::string& text) {
    SetWindowTextString(Item(id), text);
}

void CDialog::ShowItem(int id, bool show) {
    if (HWND control = Item(id)) ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

void CDialog::EnableItem(int id, bool enable) {
    if (HWND control = Item(id)) ::EnableWindow(control, enable ? TRUE : FALSE);
}

bool CDialog::IsItemVisible(int id) const {
    HWND control = Item(id);
    return control != nullptr && (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool CDialog::IsItemEnabled(int id) const {
    HWND control = Item(id);
    return control != nullptr && ::IsWindowEnabled(control);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(WORD, WORD, HWND) {
    return false;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

void CDialog::DoDataExchange(CDataExchange&) {}

bool CDialog::ContinueModal() {
    return continueModal_;
}

void CDialog::OnModalLoopPass() {}

void CDialog::OnUnexpectedException() {
    ReportUnexpectedError();
    CDialog* modal = this;
    while (modal != nullptr && !modal->IsModal()) modal = modal->Parent();
    if (modal != nullptr)
        modal->EndDialog(IDABORT);
    else
        DestroyWindow();
}

void CDialog::StopException() noexcept {
    try {
        OnUnexpectedException();
    } catch (...) {
        // The handler of the exception failed as well: at least end this
        // dialog's loop.
        continueModal_ = false;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
        dialog->hwnd_ = hwnd;
    } else {
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (dialog == nullptr) return FALSE;
    // No exception goes on from here into user32.
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        try {
            LRESULT ignored = 0;
            dialog->OnMessage(message, wParam, lParam, ignored);
        } catch (...) {
            ReportUnexpectedError();
        }
        dialog->hwnd_ = nullptr;
        return FALSE;
    }
    try {
        return dialog->HandleMessage(message, wParam, lParam);
    } catch (...) {
        dialog->StopException();
        return FALSE;
    }
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        const WORD id = LOWORD(wParam);
        const WORD code = HIWORD(wParam);
        HWND control = reinterpret_cast<HWND>(lParam);
        if (OnCommand(id, code, control)) return TRUE;
        if (code == BN_CLICKED && id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (code == BN_CLICKED && id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    default:
        break;
    }

    LRESULT result = 0;
    if (!OnMessage(message, wParam, lParam, result)) return FALSE;
    switch (message) {
    // Messages whose result is the dialog procedure's return value itself.
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORMSGBOX:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
        return static_cast<INT_PTR>(result);
    default:
        if (hwnd_ != nullptr) ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
        return TRUE;
    }
}

}  // namespace kalvorin
