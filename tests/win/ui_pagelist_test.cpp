// The page list of the main dialog, with scripted pages that record every
// call made to them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "ui/WizardPageList.h"

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
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

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
    PageListTest() : a("a", log), b("b", log), c("c", log) {}
    void AddAll() {
        ASSERT_TRUE(list.Add(&a));
        ASSERT_TRUE(list.Add(&b));
        ASSERT_TRUE(list.Add(&c));
    }
    Log log;
    FakePage a, b, c;
    CWizardPageList list;
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
    EXPECT_FALSE(list.Add(&a));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.GetPage(0), nullptr);

    ASSERT_TRUE(list.Add(&a));
    // The array has to grow for the second page.
    g_failNextAllocation = true;
    EXPECT_FALSE(list.Add(&b));
    g_failNextAllocation = false;
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetPage(0), &a);
    EXPECT_EQ(list.GetPage(1), nullptr);
    EXPECT_TRUE(list.Add(&b));
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
    ASSERT_TRUE(list.Add(&a));
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

// The setup's pages delete themselves in Destroy.
class SelfDeletingPage : public CWizardPage {
public:
    explicit SelfDeletingPage(int& destroyed) : destroyed_(destroyed) {}
    ~SelfDeletingPage() override { ++destroyed_; }
    void Destroy() override { delete this; }

private:
    int& destroyed_;
};

TEST(PageListOwnership, RemoveAllEndsSelfDeletingPages) {
    int destroyed = 0;
    CWizardPageList list;
    ASSERT_TRUE(list.Add(new SelfDeletingPage(destroyed)));
    ASSERT_TRUE(list.Add(new SelfDeletingPage(destroyed)));
    list.RemoveAll();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(list.Count(), 0);
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
    CWizardPage second;
    ASSERT_TRUE(list.Add(&page));
    ASSERT_TRUE(list.Add(&second));
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(list.Current(), &page);
    EXPECT_FALSE(list.Next());
    EXPECT_EQ(list.Current(), &page);
}

}  // namespace
