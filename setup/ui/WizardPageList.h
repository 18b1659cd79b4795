// The ordered pages of the main dialog, which the list owns, and which of
// them is current.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "ui/WizardPage.h"

namespace kalvorin::setup {

class CWizardPageList {
public:
    CWizardPageList() = default;
    CWizardPageList(const CWizardPageList&) = delete;
    CWizardPageList& operator=(const CWizardPageList&) = delete;

    // Appends `page` and takes it over; FALSE when memory runs out or there
    // is no page: the list is unchanged and `page` stays with the caller.
    BOOL Add(std::unique_ptr<CWizardPage>&& page);
    // The page at `index`; nullptr when there is none.
    CWizardPage* GetPage(int index) const;
    // Makes page `index` current: FALSE for an empty list, an index beyond
    // the last, or when the current page refuses Deactivate; otherwise the
    // new page's Activate.
    BOOL ShowPage(int index);
    // Goes on by one page; on the last page, the current page's Finish once
    // every page IsComplete.
    BOOL Next();
    // Refresh of the current page, if any.
    void RefreshCurrent();
    // Destroy of every page in order, then the pages are deleted; the list
    // is empty afterwards.
    void RemoveAll();

    CWizardPage* Current() const { return current_; }
    int CurrentIndex() const { return index_; }
    int Count() const { return static_cast<int>(pages_.size()); }

private:
    CWizardPage* current_ = nullptr;
    std::vector<std::unique_ptr<CWizardPage>> pages_;
    int index_ = -1;
};

}  // namespace kalvorin::setup
