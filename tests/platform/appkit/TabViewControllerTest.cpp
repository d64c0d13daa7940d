// The page container: lazy pages, one shown at a time, and appearance passed to the shown page.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "appkit/TabViewController.h"
#include "appkit/Window.h"
#include "support/TestSupport.h"

namespace morvex::appkit {
namespace {

// A page that writes its life cycle into a shared journal.
class JournalPage : public ViewController {
public:
    JournalPage(std::string name, std::vector<std::string>& journal) : name_(std::move(name)), journal_(journal) {}
    void viewDidLoad() override { journal_.push_back(name_ + " loaded"); }
    void viewWillAppear() override { journal_.push_back(name_ + " appears"); }
    void viewDidDisappear() override { journal_.push_back(name_ + " disappears"); }

private:
    std::string name_;
    std::vector<std::string>& journal_;
};

using TabViewControllerTest = test::TempConfigTest;

TEST_F(TabViewControllerTest, OnlyTheSelectedPageIsLoadedAndHearsItsAppearance) {
    Application app;
    std::vector<std::string> journal;
    auto* tabs = new TabViewController;
    EXPECT_EQ(tabs->selectedTabViewItemIndex(), -1);
    tabs->addChildViewController(new JournalPage("sign-in", journal));
    tabs->addChildViewController(new JournalPage("main", journal));
    tabs->addChildViewController(new JournalPage("update", journal));
    EXPECT_EQ(tabs->selectedTabViewItemIndex(), 0);

    // Selecting before the container is shown only decides which page loads.
    tabs->setSelectedTabViewItemIndex(1);
    Window window;
    window.setContentViewController(tabs);
    window.show();
    ASSERT_TRUE(test::waitUntil([&] { return !journal.empty() && journal.back() == "main appears"; }));
    EXPECT_EQ(journal, (std::vector<std::string>{"main loaded", "main appears"}));
    EXPECT_TRUE(tabs->childViewControllerAt(1)->view()->isVisible());

    journal.clear();
    tabs->setSelectedTabViewItemIndex(2);
    tabs->setSelectedTabViewItemIndex(2);  // already there: nothing
    tabs->setSelectedTabViewItemIndex(7);  // no such page: nothing
    tabs->setSelectedTabViewItemIndex(-1);
    EXPECT_EQ(journal, (std::vector<std::string>{"main disappears", "update loaded", "update appears"}));
    EXPECT_EQ(tabs->selectedTabViewItemIndex(), 2);
    EXPECT_TRUE(tabs->childViewControllerAt(2)->view()->isVisible());
    EXPECT_FALSE(tabs->childViewControllerAt(1)->view()->isVisible());
    EXPECT_FALSE(tabs->childViewControllerAt(0)->isViewLoaded());
    EXPECT_EQ(tabs->childViewControllerAt(3), nullptr);

    journal.clear();
    window.hide();
    EXPECT_EQ(journal, (std::vector<std::string>{"update disappears"}));
}

}  // namespace
}  // namespace morvex::appkit
