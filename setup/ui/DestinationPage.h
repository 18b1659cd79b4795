// The first page of the main dialog: the destination folder with its browse
// button, and the status line while the installation runs.
#pragma once

#include <string>

#include "framework/Dialog.h"
#include "ui/WizardPage.h"

namespace kalvorin::setup {

class CDestinationPage : public CDialog, public CWizardPage {
public:
    explicit CDestinationPage(CDialog* parent);

    // Field and browse button usable only before the installation starts.
    void Refresh() override;
    BOOL Activate() override;
    BOOL Deactivate() override;

    // SetupContext.destination = the folder field.
    void StoreDestination();
    // Replaces the text of the status line.
    void SetStatusText(const std::string& text);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void DoDataExchange(CDataExchange& dx) override;

private:
    void Browse();

    std::string statusText_;
    std::string folder_;
    std::string label_;
    std::string header_;
};

}  // namespace kalvorin::setup
