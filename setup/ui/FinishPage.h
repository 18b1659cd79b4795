// The second page of the main dialog, shown once the installation has
// completed: the result and the two choices acted upon when the dialog closes.
#pragma once

#include <string>

#include "framework/Dialog.h"
#include "ui/WizardPage.h"

namespace kalvorin::setup {

class CFinishPage : public CDialog, public CWizardPage {
public:
    explicit CFinishPage(CDialog* parent);

    // Copies the two check boxes into SetupContext.
    void Refresh() override;
    // Sets up the result text and the check boxes and shows the page.
    BOOL Activate() override;
    BOOL Deactivate() override;

protected:
    void OnOK() override {}
    void OnCancel() override {}
    void DoDataExchange(CDataExchange& dx) override;

private:
    int showDisplayProperties_ = 0;
    int restart_ = 0;
    std::string resultText_;
};

}  // namespace kalvorin::setup
