// The kit's buttons, driven as a user would: hovering and clicking with QTest on offscreen widgets.
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "appkit/Application.h"
#include "appkit/Window.h"
#include "support/TestSupport.h"
#include "ui/kit/CustomButtons.h"

namespace morvex {
namespace {

using CustomButtonsTest = test::TempConfigTest;

QIcon swatch(Qt::GlobalColor color) {
    QPixmap p(8, 8);
    p.fill(color);
    return QIcon(p);
}

bool sameImage(const QIcon& a, const QIcon& b) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    return a.pixmap(8, 8).toImage() == b.pixmap(8, 8).toImage();
}

// A shown window holding one button at (20, 20), so the pointer can enter and leave it.
struct Stage {
    appkit::Window window{QSize(200, 120)};
    template <class B>
    B* add(QSize size = QSize(100, 40)) {
        auto* b = new B(&window);
        b->setGeometry(QRect(QPoint(20, 20), size));
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        return b;
    }
};

TEST_F(CustomButtonsTest, PVButtonShowsItsHoverImageWhileThePointerIsOverIt) {
    appkit::Application app;
    Stage stage;
    auto* button = stage.add<PVButton>();
    button->setNormalImage(swatch(Qt::blue));
    button->setHoverImage(swatch(Qt::red));
    button->setIcon(button->normalImage());

    QTest::mouseMove(&stage.window, QPoint(5, 5));
    QTest::mouseMove(button, QPoint(10, 10));
    EXPECT_TRUE(sameImage(button->image(), swatch(Qt::red)));
    QTest::mouseMove(&stage.window, QPoint(190, 110));
    EXPECT_TRUE(sameImage(button->image(), swatch(Qt::blue)));

    // Without a hover image the button shows none while hovered; leaving brings the normal back.
    button->setHoverImage(QIcon());
    QTest::mouseMove(button, QPoint(10, 10));
    EXPECT_TRUE(button->image().isNull());
    QTest::mouseMove(&stage.window, QPoint(190, 110));
    EXPECT_TRUE(sameImage(button->image(), swatch(Qt::blue)));
}

TEST_F(CustomButtonsTest, PVButtonFollowsThePointerThroughOneTrackingAreaThatHoverableAddsAndRemoves) {
    appkit::Application app;
    PVButton button;
    EXPECT_EQ(button.trackingAreas().size(), 1u) << "hoverable by default";
    EXPECT_EQ(button.trackingAreas().front().options, 545u);
    button.setHoverable(true);
    button.setHoverable(true);
    EXPECT_EQ(button.trackingAreas().size(), 1u);

    button.addTrackingArea({QRect(0, 0, 5, 5), 1});
    button.setHoverable(false);
    ASSERT_EQ(button.trackingAreas().size(), 1u) << "only the first goes";
    EXPECT_EQ(button.trackingAreas().front().options, 1u);
    button.setHoverable(false);
    EXPECT_TRUE(button.trackingAreas().empty());

    // Not hoverable: entering changes nothing.
    Stage stage;
    auto* plain = stage.add<PVButton>();
    plain->setHoverable(false);
    plain->setNormalImage(swatch(Qt::blue));
    plain->setHoverImage(swatch(Qt::red));
    plain->setIcon(plain->normalImage());
    QTest::mouseMove(plain, QPoint(10, 10));
    EXPECT_TRUE(sameImage(plain->image(), swatch(Qt::blue)));
}

TEST_F(CustomButtonsTest, PVButtonRevertsToItsNormalImageBeforeTheActionRunsOnlyWhenAskedTo) {
    appkit::Application app;
    for (bool revert : {true, false}) {
        SCOPED_TRACE(revert ? "revertOnClick" : "no revert");
        Stage stage;
        auto* button = stage.add<PVButton>();
        button->setNormalImage(swatch(Qt::blue));
        button->setHoverImage(swatch(Qt::red));
        button->setRevertOnClick(revert);
        QIcon seenByAction;
        QObject::connect(button, &QAbstractButton::clicked, [&] { seenByAction = button->image(); });

        QTest::mouseMove(&stage.window, QPoint(190, 110));
        QTest::mouseMove(button, QPoint(10, 10));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_TRUE(sameImage(seenByAction, swatch(revert ? Qt::blue : Qt::red)));
        EXPECT_TRUE(sameImage(button->image(), swatch(revert ? Qt::blue : Qt::red)));
    }
}

TEST_F(CustomButtonsTest, PVButtonKeepsItsTitleColourAndCentringAcrossTitleChanges) {
    appkit::Application app;
    PVButton button;
    button.setTitle("Before");
    EXPECT_FALSE(button.titleStyle()) << "the platform's style without a colour";
    button.setTitleColor(ThemedColor(QColor(10, 20, 30)));
    button.setTitle("After");
    ASSERT_TRUE(button.titleStyle());
    EXPECT_EQ(button.titleStyle()->color, QColor(10, 20, 30));
    EXPECT_EQ(button.titleStyle()->alignment, Qt::AlignHCenter);
    EXPECT_EQ(button.title(), "After");

    button.setPointingHandCursor(true);
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
    button.setPointingHandCursor(false);
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(CustomButtonsTest, CustomButtonRoundsItsCornersWithATenthOfItsHeightAndAddsOneGradient) {
    appkit::Application app;
    CustomButton button;
    button.resize(120, 40);
    button.setRoundCorners(true);
    EXPECT_DOUBLE_EQ(button.layer().cornerRadius, 4.0);
    button.setRoundCorners(false);
    EXPECT_DOUBLE_EQ(button.layer().cornerRadius, 4.0) << "false leaves the radius";

    button.setBackgroundColor(ThemedColor(QColor(1, 2, 3)));
    ASSERT_TRUE(button.layer().backgroundColor);
    EXPECT_EQ(*button.layer().backgroundColor, QColor(1, 2, 3));
    button.setBackgroundColor(std::nullopt);
    EXPECT_FALSE(button.layer().backgroundColor);

    button.setEnableGradient(true);
    button.setEnableGradient(false);
    button.setEnableGradient(true);
    ASSERT_EQ(button.layer().gradients.size(), 1u);
    const QImage drawn = button.grab().toImage();
    // The ramp runs from the darker blue on the left to the lighter one on the right.
    EXPECT_LT(QColor(drawn.pixel(5, 20)).green(), QColor(drawn.pixel(114, 20)).green());
}

TEST_F(CustomButtonsTest, SupportButtonShowsClearUntilItsOwnerSetsTheCurrentColour) {
    appkit::Application app;
    SupportButton button;
    button.setDeselectedColor(ThemedColor(Qt::gray));
    button.setSelectedColor(ThemedColor(Qt::blue));
    button.grab();
    ASSERT_TRUE(button.layer().backgroundColor);
    EXPECT_EQ(button.layer().backgroundColor->alpha(), 0);
    button.setCurrentColor(*button.selectedColor());
    EXPECT_EQ(*button.layer().backgroundColor, QColor(Qt::blue));
    button.setRound(6);
    button.setRoundCorners(true);
    EXPECT_DOUBLE_EQ(button.layer().cornerRadius, 6.0);
}

TEST_F(CustomButtonsTest, TabButtonBadgeIsARedCircleWithTheCountThatComesAndGoes) {
    appkit::Application app;
    Stage stage;
    auto* tab = stage.add<TabButton>(QSize(160, 44));
    tab->setCount(0);
    EXPECT_EQ(tab->badgeBox(), nullptr);
    tab->setCount(-3);
    EXPECT_EQ(tab->badgeBox(), nullptr);

    tab->setCount(5);
    ASSERT_NE(tab->badgeBox(), nullptr);
    EXPECT_EQ(tab->badgeBox()->size(), QSize(22, 22));
    EXPECT_EQ(tab->badgeBox()->geometry().right() + 1, 160 - 10) << "10 from the trailing edge";
    EXPECT_EQ(tab->badgeBox()->geometry().center().y(), QRect(0, 0, 160, 44).center().y());
    EXPECT_EQ(tab->badgeLabel()->text(), "5");
    const QImage drawn = tab->grab().toImage();
    const QColor centre = drawn.pixelColor(tab->badgeBox()->geometry().center() + QPoint(-6, 0));
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.green(), 100);

    tab->setCount(12);
    QFrame* box = tab->badgeBox();
    tab->setCount(3);
    EXPECT_EQ(tab->badgeBox(), box) << "the badge is reused";
    EXPECT_EQ(tab->badgeLabel()->text(), "3");

    tab->setCount(0);
    EXPECT_EQ(tab->badgeBox(), nullptr);
    tab->setCount(1);
    ASSERT_NE(tab->badgeBox(), nullptr) << "rebuilt after removal";
    EXPECT_EQ(tab->badgeLabel()->text(), "1");
}

TEST_F(CustomButtonsTest, TabButtonShowsTheImageAndColoursOfItsSelection) {
    appkit::Application app;
    TabButton tab;
    tab.setText("Tab");
    tab.setTitleColor(ThemedColor(Qt::gray));
    tab.setSelectedTitleColor(ThemedColor(Qt::white));
    tab.setBackgroundColor(ThemedColor(Qt::transparent));
    tab.setSelectedBackgroundColor(ThemedColor(Qt::blue));
    tab.setSelected(true);
    tab.setLeadingImage(swatch(Qt::green));
    EXPECT_TRUE(tab.icon().isNull()) << "a selected tab keeps its selected image";
    EXPECT_EQ(tab.titleStyle()->color, QColor(Qt::white));
    EXPECT_EQ(*tab.layer().backgroundColor, QColor(Qt::blue));
    EXPECT_EQ(tab.font().weight(), QFont::Medium);

    tab.setSelected(false);
    EXPECT_TRUE(sameImage(tab.icon(), swatch(Qt::green)));
    EXPECT_EQ(tab.titleStyle()->color, QColor(Qt::gray));
    EXPECT_EQ(tab.font().weight(), QFont::Normal);
    EXPECT_EQ(tab.font().pixelSize(), 12);

    QSignalSpy clicks(&tab, &QAbstractButton::clicked);
    tab.resize(80, 44);
    QTest::mouseClick(&tab, Qt::LeftButton, {}, QPoint(40, 22));
    EXPECT_EQ(clicks.count(), 1);
}

}  // namespace
}  // namespace morvex
