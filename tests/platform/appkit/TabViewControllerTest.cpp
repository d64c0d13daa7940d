// The page container: lazy pages, one shown at a time, and appearance passed to the shown page.
#include <QGraphicsOpacityEffect>
#include <QLabel>
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

TEST_F(TabViewControllerTest, ACrossfadeShowsTheNewPageAtOnceAndCompletesWhenTheFadeIsOver) {
    Application app;
    std::vector<std::string> journal;
    auto* tabs = new TabViewController;
    for (const char* name : {"first", "second"}) tabs->addChildViewController(new JournalPage(name, journal));
    ViewController* first = tabs->childViewControllerAt(0);
    ViewController* second = tabs->childViewControllerAt(1);

    // Off screen there is nothing to fade: the completion runs at once.
    int completions = 0;
    tabs->transition(first, second, TabViewController::TransitionOptions::Crossfade, [&] { ++completions; });
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(tabs->isTransitioning());
    EXPECT_EQ(tabs->selectedTabViewItemIndex(), 0) << "a transition leaves the selection to its caller";

    Window window;
    window.setContentViewController(tabs);
    window.show();
    ASSERT_TRUE(test::waitUntil([&] { return first->isViewLoaded() && first->view()->isVisible(); }));
    journal.clear();
    tabs->transition(first, second, TabViewController::TransitionOptions::Crossfade, [&] {
        ++completions;
        tabs->setSelectedTabViewItemIndex(1);
    });
    EXPECT_EQ(journal, (std::vector<std::string>{"first disappears", "second loaded", "second appears"}));
    EXPECT_TRUE(second->view()->isVisible());
    EXPECT_TRUE(tabs->isTransitioning());
    EXPECT_EQ(completions, 1);
    // Never two pages at once: while the old page's picture shows, the new page is held transparent,
    // and it shows only once the picture has gone.
    auto* held = qobject_cast<QGraphicsOpacityEffect*>(second->view()->graphicsEffect());
    auto* picture = tabs->view()->findChild<QLabel*>(QStringLiteral("TabViewControllerCrossfade"));
    ASSERT_NE(held, nullptr);
    ASSERT_NE(picture, nullptr);
    auto* fading = qobject_cast<QGraphicsOpacityEffect*>(picture->graphicsEffect());
    ASSERT_NE(fading, nullptr);
    bool both = false;
    QObject::connect(held, &QGraphicsOpacityEffect::opacityChanged, [&] { both = both || (held->opacity() > 0 && fading->opacity() > 0); });
    QObject::connect(fading, &QGraphicsOpacityEffect::opacityChanged, [&] { both = both || (held->opacity() > 0 && fading->opacity() > 0); });
    EXPECT_EQ(held->opacity(), 0.0);
    ASSERT_TRUE(test::waitUntil([&] { return completions == 2; }));
    EXPECT_FALSE(both) << "the old page's picture and the new page showed together";
    EXPECT_EQ(second->view()->graphicsEffect(), nullptr) << "the page keeps no effect after the fade";
    EXPECT_EQ(tabs->selectedTabViewItemIndex(), 1);
    EXPECT_EQ(journal.size(), 3u) << "selecting the page shown tells nobody again";

    // Without the cross-fade the completion runs at once; from a page to itself still completes.
    tabs->transition(second, first, TabViewController::TransitionOptions::None, [&] { ++completions; });
    EXPECT_EQ(completions, 3);
    EXPECT_TRUE(first->view()->isVisible());
    tabs->transition(first, first, TabViewController::TransitionOptions::Crossfade, [&] { ++completions; });
    EXPECT_TRUE(tabs->isTransitioning());
    // Hiding the container finishes the fade, and the page on screen hears that it goes.
    journal.clear();
    window.hide();
    EXPECT_EQ(completions, 4);
    EXPECT_FALSE(tabs->isTransitioning());
    EXPECT_EQ(journal, (std::vector<std::string>{"first disappears"}));
}

}  // namespace
}  // namespace morvex::appkit
