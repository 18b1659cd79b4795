// What the main dialog asks of each of its pages. Every page is also a child
// dialog; these are the page's operations in addition to that.
#pragma once

#include <windows.h>

namespace kalvorin::setup {

class CWizardPage {
public:
    virtual ~CWizardPage() = default;

    // Whether the page lets the wizard finish. Default: TRUE.
    virtual BOOL IsComplete() { return TRUE; }
    // The wizard's last step, asked of the last page. Default: FALSE.
    virtual BOOL Finish() { return FALSE; }
    // Brings the page up to date (every pass of the dialog's loop). Default: nothing.
    virtual void Refresh() {}
    // Shows the page; TRUE when it became the current page. Default: FALSE.
    virtual BOOL Activate() { return FALSE; }
    // Hides the page; TRUE when it may be left. Default: FALSE.
    virtual BOOL Deactivate() { return FALSE; }
    // Ends the page before the page list deletes it. Default: nothing.
    virtual void Destroy() {}
};

}  // namespace kalvorin::setup
