// Storyboards (scenes, window content, segues) and views loaded from nibs by class name.
#include <QLabel>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "appkit/Nib.h"
#include "appkit/Storyboard.h"
#include "appkit/ViewController.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "support/TestSupport.h"

namespace morvex::appkit {

// Views of the kind screens load from nibs.
class SortView : public QLabel {
    Q_OBJECT
public:
    explicit SortView(QString tag) : QLabel(tag) {}
};
class OtherView : public QLabel {
    Q_OBJECT
};

class Source : public ViewController {
    Q_OBJECT
public:
    std::vector<std::string> prepared;
    void prepareForSegue(StoryboardSegue& segue, const std::any&) override {
        prepared.push_back(segue.identifier());
        segue.destinationController()->setObjectName("prepared");
    }
};

namespace {

using StoryboardTest = test::TempConfigTest;

TEST_F(StoryboardTest, ScenesAreMadeByIdentifierAndKnowWhereTheyCameFrom) {
    Storyboard& board = Storyboard::define("TestScenes");
    board.scene("Page", [] { return new ViewController; });
    EXPECT_EQ(Storyboard::named("TestScenes"), &board);
    EXPECT_EQ(Storyboard::named("NoSuchStoryboard"), nullptr);

    std::unique_ptr<QObject> made(board.instantiateController("Page"));
    auto* page = qobject_cast<ViewController*>(made.get());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->storyboard(), &board);
    EXPECT_EQ(page->identifier(), "Page");
    EXPECT_EQ(board.instantiateController("Missing"), nullptr);
    EXPECT_EQ(board.identifiers(), std::vector<std::string>{"Page"});
}

TEST_F(StoryboardTest, ASceneRegisteredTwiceIsCountedSoADuplicateShows) {
    // Storyboards live as long as the process: a board of its own each run, so the count starts at nothing.
    static int runs = 0;
    Storyboard& board = Storyboard::define("TestTwice" + std::to_string(++runs));
    EXPECT_EQ(board.registrations("Page"), 0);
    board.scene("Page", [] { return new ViewController; });
    EXPECT_EQ(board.registrations("Page"), 1);
    // The later registration wins, as before; the count tells that two were made.
    board.scene("Page", [] {
        auto* second = new ViewController;
        second->setObjectName("second");
        return second;
    });
    EXPECT_EQ(board.registrations("Page"), 2);
    std::unique_ptr<QObject> made(board.instantiateController("Page"));
    EXPECT_EQ(made->objectName(), "second");
}

TEST_F(StoryboardTest, AWindowControllerSceneFillsItsWindowWithItsContentScene) {
    Application app;
    Storyboard& board = Storyboard::define("TestWindows");
    board.scene("Window", [] { return new WindowController; }, "Content")
        .scene("Content", [] {
            auto* c = new ViewController;
            c->setObjectName("content");
            return c;
        })
        .initial("Window");
    std::unique_ptr<QObject> made(board.instantiateInitialController());
    auto* controller = qobject_cast<WindowController*>(made.get());
    ASSERT_NE(controller, nullptr);
    ASSERT_NE(controller->window(), nullptr);
    EXPECT_EQ(controller->window()->delegate(), controller);
    ASSERT_NE(controller->contentViewController(), nullptr);
    EXPECT_EQ(controller->contentViewController()->objectName(), "content");
    EXPECT_EQ(app.firstWindow(), controller->window());
}

TEST_F(StoryboardTest, ASheetSegueIsPreparedThenPresentedOnTheSourcesWindow) {
    Application app;
    Storyboard& board = Storyboard::define("TestSegues");
    board.scene("Source", [] { return new Source; })
        .scene("Picker", [] { return new ViewController; })
        .segue("Source", "ShowPicker", "Picker", SegueKind::Sheet)
        .segue("Source", "Broken", "NoSuchScene", SegueKind::Sheet);
    Window window;
    auto* source = qobject_cast<Source*>(board.instantiateController("Source"));
    ASSERT_NE(source, nullptr);
    window.setContentViewController(source);
    window.show();

    EXPECT_FALSE(source->performSegue("Unknown"));
    EXPECT_FALSE(source->performSegue("Broken"));
    ASSERT_TRUE(source->performSegue("ShowPicker"));
    EXPECT_EQ(source->prepared, std::vector<std::string>{"ShowPicker"});
    ASSERT_TRUE(test::waitUntil([&] { return window.attachedSheet() != nullptr; }));
    auto* picker = source->findChild<ViewController*>("prepared");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->presentingViewController(), source);
    EXPECT_EQ(picker->window(), &window);

    QPointer<ViewController> watched(picker);
    picker->dismiss(picker);
    EXPECT_EQ(window.attachedSheet(), nullptr);
    EXPECT_TRUE(test::waitUntil([&] {
        test::flushDeferredDeletes();
        return watched.isNull();
    }));
}

TEST_F(StoryboardTest, ANibViewIsTheLastTopLevelObjectOfItsClass) {
    NibSet nibs;
    nibs.registerNib("SortView", [] {
        TopLevelObjects objects;
        objects.emplace_back(new SortView("first"));
        objects.emplace_back(new OtherView);
        objects.emplace_back(new SortView("second"));
        return objects;
    });
    nibs.registerNib("OtherView", [] {
        TopLevelObjects objects;
        objects.emplace_back(new SortView("not an OtherView"));
        return objects;
    });
    auto sort = loadViewFromNib<SortView>(nibs);
    ASSERT_NE(sort, nullptr);
    EXPECT_EQ(sort->text(), "second");
    EXPECT_EQ(loadViewFromNib<OtherView>(nibs), nullptr) << "only objects of other classes";
    EXPECT_EQ(loadViewFromNib<SortView>(NibSet()), nullptr) << "no such nib";
    EXPECT_EQ(unqualifiedClassName(SortView::staticMetaObject), "SortView");
}

}  // namespace
}  // namespace morvex::appkit

#include "StoryboardTest.moc"
