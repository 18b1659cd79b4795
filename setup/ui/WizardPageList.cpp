#include "ui/WizardPageList.h"

#include <new>

namespace kalvorin::setup {

BOOL CWizardPageList::Add(std::unique_ptr<CWizardPage>&& page) {
    if (page == nullptr) return FALSE;
    try {
        pages_.reserve(pages_.size() + 1);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    pages_.push_back(std::move(page));  // room made above: cannot fail
    return TRUE;
}

CWizardPage* CWizardPageList::GetPage(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return pages_[static_cast<size_t>(index)].get();
}

BOOL CWizardPageList::ShowPage(int index) {
    if (pages_.empty() || index < 0 || index >= Count()) return FALSE;
    if (current_ != nullptr && !current_->Deactivate()) return FALSE;
    index_ = index;
    current_ = pages_[static_cast<size_t>(index)].get();
    return current_->Activate();
}

BOOL CWizardPageList::Next() {
    if (pages_.empty()) return FALSE;
    if (current_ == nullptr) {
        index_ = 0;
        current_ = pages_.front().get();
        return current_->Activate();
    }
    if (index_ >= Count() - 1) {
        // Every page is asked, in order.
        bool complete = true;
        for (const auto& page : pages_) {
            if (!page->IsComplete()) complete = false;
        }
        return complete ? current_->Finish() : FALSE;
    }
    if (!current_->Deactivate()) return FALSE;
    ++index_;
    current_ = pages_[static_cast<size_t>(index_)].get();
    return current_->Activate();
}

void CWizardPageList::RefreshCurrent() {
    if (current_ != nullptr) current_->Refresh();
}

void CWizardPageList::RemoveAll() {
    // Taken out first: the list is empty while the pages end.
    std::vector<std::unique_ptr<CWizardPage>> pages;
    pages.swap(pages_);
    current_ = nullptr;
    index_ = -1;
    for (const auto& page : pages) page->Destroy();
}

}  // namespace kalvorin::setup
