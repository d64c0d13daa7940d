// Presentation segues: where the panel goes, the snapshot it grows from, parents, dismissal, and
// the storyboard's use of the segues.
#include <QTest>
#include <gtest/gtest.h>

#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/ViewController.h"
#include "support/TestSupport.h"
#include "ui/kit/PresentationSegues.h"

namespace morvex {
namespace {

using PresentationSeguesTest = test::TempConfigTest;

appkit::ViewController* controllerOfSize(QSize size, QObject* parent = nullptr) {
    auto* c = new appkit::ViewController(parent);
    c->view()->resize(size);
    return c;
}

SnapshotView* snapshotIn(appkit::ViewController& source) {
    return source.view()->findChild<SnapshotView*>("presentationSnapshot");
}

TEST_F(PresentationSeguesTest, BottomSegueGrowsThePanelFromASmallFaintSnapshotAtTheBottomAndShrinksItAway) {
    appkit::Application app;
    std::unique_ptr<appkit::ViewController> source(controllerOfSize({400, 300}));
    QPointer<appkit::ViewController> panel = controllerOfSize({200, 100});

    BottomAnimationSegue(source.get(), panel.data()).perform();
    EXPECT_EQ(parentViewController(*panel), source.get());
    SnapshotView* snapshot = snapshotIn(*source);
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(snapshot->geometry(), QRect(105, 205, 190, 90)) << "5 inside the panel's frame on every side";
    EXPECT_DOUBLE_EQ(snapshot->alphaValue(), 0.25);
    EXPECT_FALSE(panel->view()->isVisibleTo(source->view()));

    ASSERT_TRUE(test::waitUntil([&] { return panel->view()->isVisibleTo(source->view()); }));
    EXPECT_EQ(panel->view()->geometry(), QRect(100, 200, 200, 100)) << "centred, at the bottom";
    test::flushDeferredDeletes();
    EXPECT_EQ(snapshotIn(*source), nullptr);

    ASSERT_TRUE(dismissViewController(*panel));
    EXPECT_FALSE(dismissViewController(*panel)) << "dismissed once";
    SnapshotView* leaving = snapshotIn(*source);
    ASSERT_NE(leaving, nullptr);
    EXPECT_EQ(leaving->geometry(), QRect(100, 200, 200, 100));
    EXPECT_DOUBLE_EQ(leaving->alphaValue(), 1.0);
    ASSERT_TRUE(test::waitUntil([&] {
        test::flushDeferredDeletes();
        return panel.isNull();
    }));
}

TEST_F(PresentationSeguesTest, DestinationWithAParentKeepsItAndOnlyControllersArePresented) {
    appkit::Application app;
    std::unique_ptr<appkit::ViewController> source(controllerOfSize({400, 300}));
    std::unique_ptr<appkit::ViewController> owner(controllerOfSize({10, 10}));
    auto* panel = controllerOfSize({100, 50}, owner.get());
    for (int i = 0; i < 2; ++i) {
        FeedbackAnimationSegue(source.get(), panel).perform();
        EXPECT_EQ(parentViewController(*panel), owner.get());
        BottomAnimationSegue(source.get(), panel).perform();
        EXPECT_EQ(parentViewController(*panel), owner.get());
    }
    EXPECT_EQ(owner->findChildren<appkit::ViewController*>().size(), 1u);

    // A destination that is not a view controller is not presented (and not left behind).
    QPointer<QObject> stray = new QObject;
    BottomAnimationSegue(source.get(), stray.data()).perform();
    test::flushDeferredDeletes();
    EXPECT_TRUE(stray.isNull());
}

TEST_F(PresentationSeguesTest, FeedbackPanelOpensBesideTheLastSubviewOrInTheCornerWithoutOne) {
    appkit::Application app;
    struct Case {
        const char* name;
        std::optional<QSize> last;
        QPoint at;
    };
    const Case cases[] = {
        {"no subview: the bottom-right corner", std::nullopt, QPoint(400 - 120, 300 - 80)},
        {"left of a 60 x 40 button, on its bottom line", QSize(60, 40), QPoint(330 - 8 - 120, 290 - 80)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<appkit::ViewController> source(controllerOfSize({400, 300}));
        QWidget* last = nullptr;
        if (c.last) {
            last = new QWidget(source->view());
            last->setGeometry(QRect(QPoint(330, 250), *c.last));
        }
        QPointer<appkit::ViewController> panel = controllerOfSize({120, 80});
        FeedbackAnimationSegue(source.get(), panel.data()).perform();
        EXPECT_EQ(panel->view()->geometry(), QRect(c.at, QSize(120, 80)));
        if (last) {
            const auto children = source->view()->children();
            EXPECT_LT(children.indexOf(panel->view()), children.indexOf(last)) << "below the last subview";
        }
        ASSERT_TRUE(test::waitUntil([&] { return panel->view()->isVisibleTo(source->view()); }));

        ASSERT_TRUE(dismissViewController(*panel));
        EXPECT_FALSE(panel->view()->isVisibleTo(source->view()));
        ASSERT_TRUE(test::waitUntil([&] {
            test::flushDeferredDeletes();
            return panel.isNull();
        }));
    }
}

TEST_F(PresentationSeguesTest, AFeedbackPanelDismissedWhileOpeningLeavesNothingOnScreen) {
    appkit::Application app;
    std::unique_ptr<appkit::ViewController> source(controllerOfSize({400, 300}));
    source->view()->show();
    QPointer<appkit::ViewController> panel = controllerOfSize({120, 80});
    FeedbackAnimationSegue(source.get(), panel.data()).perform();
    test::drain();
    ASSERT_TRUE(test::animating(source->view()) || test::animating(panel)) << "dismissed while still opening";
    ASSERT_TRUE(dismissViewController(*panel));
    // The closing takes a quarter of a second; the opening would have run for about a second more.
    EXPECT_TRUE(test::waitUntil([&] {
        test::flushDeferredDeletes();
        return panel.isNull() && !test::animating(source->view());
    }));
    EXPECT_TRUE(source->view()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
        << "no picture of the panel is left behind";
}

TEST_F(PresentationSeguesTest, OpeningSpringOvershootsAndSettlesAtItsFullSize) {
    const qreal settle = FeedbackAnimator::openingDuration();
    EXPECT_GT(settle, 0.5);
    EXPECT_LT(settle, 3.0);
    EXPECT_DOUBLE_EQ(FeedbackAnimator::openingSpring(0), 0);
    qreal peak = 0;
    for (qreal t = 0; t < settle; t += 0.01) peak = std::max(peak, FeedbackAnimator::openingSpring(t));
    EXPECT_GT(peak, 1.05) << "it springs past its size";
    EXPECT_NEAR(FeedbackAnimator::openingSpring(settle), 1.0, 0.002);
}

TEST_F(PresentationSeguesTest, StoryboardSegueOfTheBottomKindPresentsItsDestination) {
    appkit::Application app;
    appkit::Storyboard::define("SegueTest")
        .scene("Source", [] { return controllerOfSize({400, 300}); })
        .scene("Details", [] { return controllerOfSize({200, 120}); })
        .segue("Source", "showDetails", "Details", appkit::SegueKind::Custom, BottomAnimationSegue::performSegue);
    std::unique_ptr<appkit::ViewController> source(qobject_cast<appkit::ViewController*>(
        appkit::Storyboard::named("SegueTest")->instantiateController("Source")));
    ASSERT_NE(source, nullptr);
    ASSERT_TRUE(source->performSegue("showDetails"));
    auto presented = source->findChildren<appkit::ViewController*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(presented.size(), 1u);
    EXPECT_EQ(presented.front()->identifier(), "Details");
    EXPECT_NE(snapshotIn(*source), nullptr);
}

}  // namespace
}  // namespace morvex
