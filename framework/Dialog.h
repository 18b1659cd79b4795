// Dialogs from resource templates: modal dialogs with their own message loop,
// modeless child dialogs (pages), one-pass data exchange each way.
#pragma once

#include <windows.h>

#include <string>

namespace kalvorin {

class CDialog;

// One pass of data exchange between a dialog's fields and its controls.
// saveAndValidate: true reads the controls into the fields, false writes the
// fields to the controls. A control that does not exist is skipped.
class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate);
    CDialog& Dialog() const { return dialog_; }
    const bool saveAndValidate;

    // Window text of control `id` <-> value.
    void Text(int id, std::string& value);
    // Check state of button `id` <-> value (BST_UNCHECKED 0, BST_CHECKED 1,
    // BST_INDETERMINATE 2).
    void Check(int id, int& value);

private:
    CDialog& dialog_;
};

class CDialog {
public:
    // `parent`: the window the dialog belongs to (owner of a modal dialog,
    // parent of a child dialog); may be nullptr.
    explicit CDialog(UINT templateId, CDialog* parent = nullptr);
    // Destroys the window when it still exists (call on the owning thread).
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally in its own loop on the calling thread:
    // creates it, disables its owner (the parent, or without a parent the
    // application's main dialog), shows it, then
    //   while (ContinueModal()) { OnModalLoopPass(); GetMessage;
    //                             if (!IsDialogMessage) dispatch; }
    // re-enables the owner, destroys the window and returns the value given
    // to EndDialog. -1 when the window cannot be created.
    INT_PTR DoModal();
    // Ends a modal dialog with `result` (the loop stops after the current
    // message); a modeless dialog is destroyed.
    void EndDialog(int result);
    // Creates the dialog modeless as a child of `parent` (pages). The window
    // stays hidden unless the template says WS_VISIBLE.
    BOOL Create(CDialog* parent);
    // Destroys the window (no-op without one).
    void DestroyWindow();

    HWND Hwnd() const { return hwnd_; }
    HWND Item(int id) const;
    UINT TemplateId() const { return templateId_; }
    CDialog* Parent() const { return parent_; }
    bool IsModal() const { return modal_; }

    // One pass of DoDataExchange: true = controls to fields, false = fields
    // to controls. Returns true.
    bool UpdateData(bool saveAndValidate = true);

    // Control helpers (silently ignore missing controls).
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    void ShowItem(int id, bool show);
    void EnableItem(int id, bool enable);
    bool IsItemVisible(int id) const;
    bool IsItemEnabled(int id) const;

protected:
    // WM_INITDIALOG. Default: UpdateData(false), return TRUE (default focus).
    virtual BOOL OnInitDialog();
    // IDOK command (Enter, default button). Default: UpdateData(true), EndDialog(IDOK).
    virtual void OnOK();
    // IDCANCEL command (Escape, close box, Cancel button). Default: EndDialog(IDCANCEL).
    virtual void OnCancel();
    // WM_COMMAND; return true when handled. Unhandled IDOK / IDCANCEL clicks
    // go on to OnOK / OnCancel. Default: false.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    // Any other message (WM_USER+1, WM_SHOWWINDOW, WM_DESTROY, ...). Return
    // true when handled; `result` is the message's result. Default: false.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Field <-> control mapping. Default: nothing.
    virtual void DoDataExchange(CDataExchange& dx);
    // Whether the modal loop goes on: false after EndDialog.
    virtual bool ContinueModal();
    // Called at the start of every pass of the modal loop. Default: nothing.
    virtual void OnModalLoopPass();
    // An exception reached the dialog procedure or the modal loop and was
    // stopped there (none may go on into user32). Default: the program's
    // report of an unexpected error (ReportUnexpectedError), then the modal
    // dialog this one belongs to (itself, or the modal dialog above a child
    // page) ends with IDABORT.
    virtual void OnUnexpectedException();

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // OnUnexpectedException, itself kept from throwing.
    void StopException() noexcept;
    HWND OwnerWindow() const;

    UINT templateId_;
    CDialog* parent_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    bool continueModal_ = false;
    int result_ = -1;
};

// Window text of any window as std::string (any length).
std::string WindowText(HWND window);
// Sets the window text of any window.
void SetWindowTextString(HWND window, const std::string& text);

}  // namespace kalvorin
