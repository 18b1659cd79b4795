// The page list of the main dialog, with scripted pages that record every
// call made to them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "ui/WizardPageList.h"

using namespace kalvorin;
using namespace kalvorin::setup;

// Out of memory on demand: the next allocation fails once.
namespace {
bool g_failNextAllocation = false;
}

void* operator new(std::size_t size) {
    if (g_failNextAllocation) {
        g_failNextAllocation = false;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using Log = std::vector<std::string>;

class FakePage : public CWizardPage {
public:
    FakePage(std::string name, Log& log) : name_(std::move(name)), log_(log) {}

    BOOL IsComplete() override { return Record("IsComplete", complete); }
    BOOL Finish() override { return Record("Finish", finish); }
    void Refresh() override { log_.push_back(name_ + ".Refresh"); }
    BOOL Activate() override { return Record("Activate", activate); }
    BOOL Deactivate() override { return Record("Deactivate", deactivate); }
    void Destroy() override { log_.push_back(name_ + ".Destroy"); }

    BOOL complete = TRUE;
    BOOL finish = TRUE;
    BOOL activate = TRUE;
    BOOL deactivate = TRUE;

private:
    BOOL Record(const char* what, BOOL result) {
        log_.push_back(name_ + "." + what);
        return result;
    }
    std::string name_;
    Log& log_;
};

class PageListTest : public testing::Test {
protected:
    PageListTest()
        : pa(std::make_unique<FakePage>("a", log)),
          pb(std::make_unique<FakePage>("b", log)),
          pc(std::make_unique<FakePage>("c", log)),
          a(Fake(pa)),
          b(Fake(pb)),
          c(Fake(pc)) {}
    static FakePage& Fake(const std::unique_ptr<CWizardPage>& page) { return static_cast<FakePage&>(*page); }
    void AddAll() {
        ASSERT_TRUE(list.Add(std::move(pa)));
        ASSERT_TRUE(list.Add(std::move(pb)));
        ASSERT_TRUE(list.Add(std::move(pc)));
    }
    Log log;
    CWizardPageList list;
    // The pages until the list takes them over.
    std::unique_ptr<CWizardPage> pa, pb, pc;
    FakePage &a, &b, &c;
};

TEST_F(PageListTest, NewListIsEmptyWithoutCurrentPage) {
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Current(), nullptr);
    EXPECT_EQ(list.CurrentIndex(), -1);
    EXPECT_EQ(list.GetPage(0), nullptr);
}

TEST_F(PageListTest, AddAppendsInOrderAndCallsNothing) {
    AddAll();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetPage(0), &a);
    EXPECT_EQ(list.GetPage(1), &b);
    EXPECT_EQ(list.GetPage(2), &c);
    EXPECT_EQ(list.Current(), nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(PageListTest, AddReturnsFalseWhenMemoryRunsOut) {
    g_failNextAllocation = true;
    EXPECT_FALSE(list.Add(std::move(pa)));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.GetPage(0), nullptr);

    ASSERT_TRUE(list.Add(std::move(pa)));
    // The array has to grow for the second page.
    g_failNextAllocation = true;
    EXPECT_FALSE(list.Add(std::move(pb)));
    g_failNextAllocation = false;
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetPage(0), &a);
    EXPECT_EQ(list.GetPage(1), nullptr);
    EXPECT_TRUE(list.Add(std::move(pb)));
    EXPECT_EQ(list.GetPage(1), &b);
}

TEST_F(PageListTest, AddRefusesAMissingPage) {
    EXPECT_FALSE(list.Add(nullptr));
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(PageListTest, GetPageBeyondTheLastIndexIsNone) {
    AddAll();
    EXPECT_EQ(list.GetPage(2), &c);
    EXPECT_EQ(list.GetPage(3), nullptr);
    EXPECT_EQ(list.GetPage(100), nullptr);
    EXPECT_EQ(list.GetPage(-1), nullptr);
}

TEST_F(PageListTest, ShowPageOnEmptyListFails) {
    EXPECT_FALSE(list.ShowPage(0));
    EXPECT_EQ(list.CurrentIndex(), -1);
    EXPECT_TRUE(log.empty());
}

TEST_F(PageListTest, ShowPageBeyondTheLastIndexFailsAndKeepsTheCurrentPage) {
    AddAll();
    ASSERT_TRUE(list.ShowPage(1));
    log.clear();
    EXPECT_FALSE(list.ShowPage(3));
    EXPECT_FALSE(list.ShowPage(-1));
    EXPECT_EQ(list.Current(), &b);
    EXPECT_EQ(list.CurrentIndex(), 1);
    EXPECT_TRUE(log.empty());
}

TEST_F(PageListTest, ShowPageWithoutCurrentPageActivatesOnlyTheNewPage) {
    AddAll();
    EXPECT_TRUE(list.ShowPage(2));
    EXPECT_EQ(log, (Log{"c.Activate"}));
    EXPECT_EQ(list.Current(), &c);
    EXPECT_EQ(list.CurrentIndex(), 2);
}

TEST_F(PageListTest, ShowPageDeactivatesTheCurrentPageFirst) {
    AddAll();
    ASSERT_TRUE(list.ShowPage(0));
    log.clear();
    EXPECT_TRUE(list.ShowPage(2));
    EXPECT_EQ(log, (Log{"a.Deactivate", "c.Activate"}));
    EXPECT_EQ(list.Current(), &c);
    EXPECT_EQ(list.CurrentIndex(), 2);
}

TEST_F(PageListTest, ShowPageStopsWhenTheCurrentPageRefusesToDeactivate) {
    AddAll();
    ASSERT_TRUE(list.ShowPage(0));
    log.clear();
    a.deactivate = FALSE;
    EXPECT_FALSE(list.ShowPage(1));
    EXPECT_EQ(log, (Log{"a.Deactivate"}));
    EXPECT_EQ(list.Current(), &a);
    EXPECT_EQ(list.CurrentIndex(), 0);
}

TEST_F(PageListTest, ShowPageResultIsTheActivateResultButThePageBecomesCurrent) {
    AddAll();
    b.activate = FALSE;
    EXPECT_FALSE(list.ShowPage(1));
    EXPECT_EQ(list.Current(), &b);
    EXPECT_EQ(list.CurrentIndex(), 1);
}

TEST_F(PageListTest, ShowPageOfTheCurrentPageDeactivatesAndActivatesIt) {
    AddAll();
    ASSERT_TRUE(list.ShowPage(1));
    log.clear();
    EXPECT_TRUE(list.ShowPage(1));
    EXPECT_EQ(log, (Log{"b.Deactivate", "b.Activate"}));
}

TEST_F(PageListTest, NextOnEmptyListFails) {
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(list.CurrentIndex(), -1);
}

TEST_F(PageListTest, NextWithoutCurrentPageActivatesTheFirst) {
    AddAll();
    EXPECT_TRUE(list.Next());
    EXPECT_EQ(log, (Log{"a.Activate"}));
    EXPECT_EQ(list.Current(), &a);
    EXPECT_EQ(list.CurrentIndex(), 0);
}

TEST_F(PageListTest, NextWithoutCurrentPageGivesTheFirstPagesActivateResult) {
    AddAll();
    a.activate = FALSE;
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(list.Current(), &a);
    EXPECT_EQ(list.CurrentIndex(), 0);
}

TEST_F(PageListTest, NextMovesOnByOnePage) {
    AddAll();
    ASSERT_TRUE(list.ShowPage(0));
    log.clear();
    EXPECT_TRUE(list.Next());
    EXPECT_EQ(log, (Log{"a.Deactivate", "b.Activate"}));
    EXPECT_EQ(list.Current(), &b);
    EXPECT_EQ(list.CurrentIndex(), 1);

    log.clear();
    c.activate = FALSE;
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(log, (Log{"b.Deactivate", "c.Activate"}));
    EXPECT_EQ(list.Current(), &c);
    EXPECT_EQ(list.CurrentIndex(), 2);
}

TEST_F(PageListTest, NextStaysWhenTheCurrentPageRefusesToDeactivate) {
    AddAll();
    ASSERT_TRUE(list.ShowPage(1));
    log.clear();
    b.deactivate = FALSE;
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(log, (Log{"b.Deactivate"}));
    EXPECT_EQ(list.Current(), &b);
    EXPECT_EQ(list.CurrentIndex(), 1);
}

TEST_F(PageListTest, NextOnTheLastPageFinishesWhenEveryPageIsComplete) {
    AddAll();
    ASSERT_TRUE(list.ShowPage(2));
    log.clear();
    EXPECT_TRUE(list.Next());
    EXPECT_EQ(log, (Log{"a.IsComplete", "b.IsComplete", "c.IsComplete", "c.Finish"}));
    EXPECT_EQ(list.Current(), &c);
    EXPECT_EQ(list.CurrentIndex(), 2);

    log.clear();
    c.finish = FALSE;
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(log, (Log{"a.IsComplete", "b.IsComplete", "c.IsComplete", "c.Finish"}));
    EXPECT_EQ(list.Current(), &c);
}

TEST_F(PageListTest, NextOnTheLastPageDoesNotFinishWhenAPageIsIncomplete) {
    AddAll();
    ASSERT_TRUE(list.ShowPage(2));
    log.clear();
    b.complete = FALSE;
    EXPECT_FALSE(list.Next());
    // Every page is asked; Finish is not.
    EXPECT_EQ(log, (Log{"a.IsComplete", "b.IsComplete", "c.IsComplete"}));
    EXPECT_EQ(list.Current(), &c);
    EXPECT_EQ(list.CurrentIndex(), 2);
}

TEST_F(PageListTest, NextOnASinglePageList) {
    ASSERT_TRUE(list.Add(std::move(pa)));
    EXPECT_TRUE(list.Next());
    EXPECT_EQ(list.Current(), &a);
    log.clear();
    a.finish = FALSE;
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(log, (Log{"a.IsComplete", "a.Finish"}));
}

TEST_F(PageListTest, RefreshCurrentRefreshesOnlyTheCurrentPage) {
    AddAll();
    list.RefreshCurrent();
    EXPECT_TRUE(log.empty());
    ASSERT_TRUE(list.ShowPage(1));
    log.clear();
    list.RefreshCurrent();
    EXPECT_EQ(log, (Log{"b.Refresh"}));
}

TEST_F(PageListTest, RemoveAllDestroysEveryPageInOrderAndEmptiesTheList) {
    AddAll();
    ASSERT_TRUE(list.ShowPage(1));
    log.clear();
    list.RemoveAll();
    EXPECT_EQ(log, (Log{"a.Destroy", "b.Destroy", "c.Destroy"}));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Current(), nullptr);
    EXPECT_EQ(list.CurrentIndex(), -1);
    EXPECT_EQ(list.GetPage(0), nullptr);

    log.clear();
    list.RefreshCurrent();
    EXPECT_FALSE(list.Next());
    EXPECT_FALSE(list.ShowPage(0));
    list.RemoveAll();
    EXPECT_TRUE(log.empty());
}

// The list owns its pages: each is destroyed, then deleted.
class CountedPage : public CWizardPage {
public:
    CountedPage(Log& log, int& deleted) : log_(log), deleted_(deleted) {}
    ~CountedPage() override { ++deleted_; }
    void Destroy() override { log_.push_back("Destroy after " + std::to_string(deleted_) + " deleted"); }

private:
    Log& log_;
    int& deleted_;
};

TEST(PageListOwnership, RemoveAllDestroysEveryPageThenDeletesThem) {
    Log log;
    int deleted = 0;
    CWizardPageList list;
    ASSERT_TRUE(list.Add(std::make_unique<CountedPage>(log, deleted)));
    ASSERT_TRUE(list.Add(std::make_unique<CountedPage>(log, deleted)));
    list.RemoveAll();
    EXPECT_EQ(log, (Log{"Destroy after 0 deleted", "Destroy after 0 deleted"}));
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(list.Count(), 0);
    {
        CWizardPageList other;
        ASSERT_TRUE(other.Add(std::make_unique<CountedPage>(log, deleted)));
    }
    EXPECT_EQ(deleted, 3) << "a list deletes what it holds when it goes";
}

TEST(PageListDefaults, InterfaceDefaults) {
    CWizardPage page;
    EXPECT_TRUE(page.IsComplete());
    EXPECT_FALSE(page.Finish());
    EXPECT_FALSE(page.Activate());
    EXPECT_FALSE(page.Deactivate());
    page.Refresh();
    page.Destroy();

    // With the defaults, a list cannot leave its first page.
    CWizardPageList list;
    auto first = std::make_unique<CWizardPage>();
    CWizardPage* firstPage = first.get();
    ASSERT_TRUE(list.Add(std::move(first)));
    ASSERT_TRUE(list.Add(std::make_unique<CWizardPage>()));
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(list.Current(), firstPage);
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(list.Current(), firstPage);
}

}  // namespace
