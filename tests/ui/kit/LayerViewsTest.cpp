// The layer-backed views: corners, shadows, the state gradient, tabs and the running curve.
#include <QLabel>
#include <QTest>
#include <set>
#include <gtest/gtest.h>

#include "appkit/Application.h"
#include "appkit/Window.h"
#include "support/TestSupport.h"
#include "ui/kit/LayerViews.h"

namespace morvex {
namespace {

using LayerViewsTest = test::TempConfigTest;

TEST_F(LayerViewsTest, CustomViewRoundsTheCornersItsFlagsName) {
    appkit::Application app;
    struct Case {
        const char* name;
        bool top, bottom;
        unsigned mask;
    };
    const Case cases[] = {
        {"both flags: the top wins", true, true, corners::top},
        {"top", true, false, corners::top},
        {"bottom", false, true, corners::bottom},
        {"neither: all four", false, false, corners::all},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CustomView view;
        view.resize(100, 60);
        view.setCornerRadius(10);
        view.setTopCorners(c.top);
        view.setBottomCorners(c.bottom);
        EXPECT_EQ(view.layer().maskedCorners, c.mask);
        EXPECT_DOUBLE_EQ(view.layer().cornerRadius, 10);
        view.setBackgroundColor(ThemedColor(Qt::red));
        const QImage drawn = view.grab().toImage();
        // A rounded corner leaves its outermost pixel unpainted; a square one fills it.
        const bool topRounded = c.mask & corners::topLeft;
        const bool bottomRounded = c.mask & corners::bottomLeft;
        EXPECT_EQ(QColor(drawn.pixel(0, 0)) != QColor(Qt::red), topRounded);
        EXPECT_EQ(QColor(drawn.pixel(99, 59)) != QColor(Qt::red), bottomRounded);
        EXPECT_EQ(QColor(drawn.pixel(50, 30)), QColor(Qt::red));
    }
}

TEST_F(LayerViewsTest, CustomViewAppliesItsBorderAtOnceAndItsShadowOnlyWhenAsked) {
    appkit::Application app;
    CustomView view;
    view.setBorderWidth(2);
    view.setBorderColor(ThemedColor(Qt::green));
    EXPECT_DOUBLE_EQ(view.layer().borderWidth, 2);
    EXPECT_EQ(view.layer().borderColor, QColor(Qt::green));

    view.setShadowRadius(6);
    EXPECT_EQ(view.layer().shadowOpacity, 0) << "no shadow before it is asked for";
    EXPECT_EQ(view.graphicsEffect(), nullptr);
    view.setShouldAddShadow(true);
    EXPECT_EQ(view.layer().shadowOpacity, 1);
    EXPECT_DOUBLE_EQ(view.layer().shadowRadius, 6);
    EXPECT_NE(view.graphicsEffect(), nullptr);
    view.setShadowOffset(QSizeF(0, -2));
    EXPECT_EQ(view.layer().shadowOffset, QSizeF(0, -2));
}

TEST_F(LayerViewsTest, CustomImageViewRoundsOnlyTheCornersItsFlagsName) {
    appkit::Application app;
    struct Case {
        const char* name;
        bool top, bottom;
        qreal radius;
        unsigned mask;
    };
    const Case cases[] = {
        {"neither flag: square corners", false, false, 0, corners::all},
        {"both flags: all four", true, true, 8, corners::all},
        {"top", true, false, 8, corners::top},
        {"bottom", false, true, 8, corners::bottom},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CustomImageView view;
        view.resize(40, 40);
        view.setCornerRadius(8);
        view.setTopCorners(c.top);
        view.setBottomCorners(c.bottom);
        EXPECT_DOUBLE_EQ(view.layer().cornerRadius, 0) << "corners wait for the style";
        view.setShouldAddShadow(true);
        EXPECT_DOUBLE_EQ(view.layer().cornerRadius, c.radius);
        EXPECT_EQ(view.layer().maskedCorners, c.mask);
    }
}

TEST_F(LayerViewsTest, CustomImageViewGainsItsShadowWhenTheAppearanceChangesEvenWithoutAskingForIt) {
    appkit::Application app;
    app.setAppearance(appkit::Appearance::Aqua);
    appkit::Window window;
    auto* view = new CustomImageView(&window);
    view->setShadowRadius(4);
    EXPECT_EQ(view->layer().shadowOpacity, 0);
    app.setAppearance(appkit::Appearance::DarkAqua);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->layer().shadowOpacity, 1);
    EXPECT_DOUBLE_EQ(view->layer().shadowRadius, 4);
}

TEST_F(LayerViewsTest, CustomBoxView2IsAlwaysTheBottomColourCardWithCornersOfTwelve) {
    appkit::Application app;
    appkit::Window window;
    window.setAppearance(appkit::Appearance::Aqua);
    auto* box = new CustomBoxView2(&window);
    box->setBackgroundColor(ThemedColor(Qt::red));
    box->grab();
    EXPECT_EQ(*box->layer().backgroundColor, ThemedColor::colorNamed("BottomColor").resolve(appkit::Appearance::Aqua));
    EXPECT_DOUBLE_EQ(box->layer().cornerRadius, 12);
    EXPECT_EQ(box->layer().maskedCorners, corners::all);
    box->setBottomCorners(false);
    EXPECT_EQ(box->layer().maskedCorners, corners::top);

    window.setAppearance(appkit::Appearance::DarkAqua);
    box->grab();
    EXPECT_EQ(*box->layer().backgroundColor, ThemedColor::colorNamed("BottomColor").resolve(appkit::Appearance::DarkAqua));
}

TEST_F(LayerViewsTest, GradientTopViewShowsOneGradientByStateAndNoneInTheStatesBetween) {
    appkit::Application app;
    CustomGradientTopView view;
    view.resize(300, 100);
    view.setCornerRadius(12);
    view.setVpnState(ZevuConnectionState::Connected);
    ASSERT_EQ(view.layer().gradients.size(), 1u);
    EXPECT_EQ(view.layer().gradients[0].colors.front(), QColor(90, 96, 103));

    view.setVpnState(ZevuConnectionState::Redialing);
    EXPECT_TRUE(view.layer().gradients.empty());
    view.setVpnState(ZevuConnectionState::Connected);
    view.resize(320, 100);  // a layout replaces the gradient too
    ASSERT_EQ(view.layer().gradients.size(), 1u);

    view.setVpnState(ZevuConnectionState::UnableToConnect);
    ASSERT_EQ(view.layer().gradients.size(), 1u);
    const QImage drawn = view.grab().toImage();
    // Blue at the top, lighter blue at the bottom.
    const QColor top = drawn.pixelColor(160, 1), bottom = drawn.pixelColor(160, 98);
    EXPECT_NEAR(top.red(), 71, 4);
    EXPECT_NEAR(bottom.red(), 138, 4);
    EXPECT_EQ(view.layer().cornerRadius, 12);
}

TEST_F(LayerViewsTest, CustomTabViewShowsItsIndicatorAndThemeColouredTitleWhenSelected) {
    appkit::Application app;
    appkit::Window window;
    window.setAppearance(appkit::Appearance::Aqua);
    auto* tab = new CustomTabView(Qt::Vertical, &window);
    auto* title = new QLabel("Recents");
    auto* indicator = new QWidget;
    setViewTag(title, 2);
    setViewTag(indicator, 1);
    tab->addArrangedSubview(title);
    tab->addArrangedSubview(indicator);
    window.show();

    tab->setIsSelected(true);
    EXPECT_FALSE(indicator->isHidden());
    EXPECT_EQ(title->palette().color(QPalette::WindowText), ThemedColor::colorNamed("ThemeColor").resolve(appkit::Appearance::Aqua));
    tab->setIsSelected(false);
    EXPECT_TRUE(indicator->isHidden());
    EXPECT_EQ(title->palette().color(QPalette::WindowText), ThemedColor::colorNamed("TabText").resolve(appkit::Appearance::Aqua));
    EXPECT_EQ(title->font().pixelSize(), 12);
    // On a ground dark in both looks (the country panel) the dark look's colours, in the light look too.
    tab->setOnDarkGround(true);
    EXPECT_EQ(title->palette().color(QPalette::WindowText), ThemedColor::colorNamed("TabText").resolve(appkit::Appearance::DarkAqua));
    tab->setIsSelected(true);
    EXPECT_EQ(title->palette().color(QPalette::WindowText), ThemedColor::colorNamed("ThemeColor").resolve(appkit::Appearance::DarkAqua));
}

TEST_F(LayerViewsTest, CurveDrawsOnceWhenArmedThenRunsItsDashesWithoutEnd) {
    appkit::Application app;
    BezierPathCurveView view;
    view.resize(200, 80);
    view.startPoint = {10, 10};
    view.endPoint = {190, 10};
    view.duration = 0.2;
    view.color = Qt::blue;
    view.grab();
    EXPECT_EQ(view.shapeLayer(), nullptr) << "nothing until armed";

    view.isFromDashboard = true;
    view.show();
    view.grab();
    ASSERT_NE(view.shapeLayer(), nullptr);
    EXPECT_FALSE(view.isFromDashboard);
    EXPECT_EQ(view.shapeLayer()->animationKeys, std::vector<std::string>{"lineDrawing"});
    // Both control points sit half-way along, `altitude` above the start.
    const QPainterPath& path = view.shapeLayer()->path;
    EXPECT_NEAR(path.pointAtPercent(0.5).y(), 10 + 20 * 0.75, 0.5);

    ASSERT_TRUE(test::waitUntil([&] { return view.shapeLayer()->animationKeys.size() == 2; }));
    EXPECT_EQ(view.shapeLayer()->animationKeys.back(), "dash");
    EXPECT_DOUBLE_EQ(view.shapeLayer()->strokeEnd, 1.0);
    // The phase keeps moving from 8 towards 0, round after round: within a round it only falls,
    // so a rise between two looks is the start of the next round.
    std::set<int> phases;
    int rounds = 0;
    qreal last = view.shapeLayer()->lineDashPhase;
    EXPECT_TRUE(test::waitUntil([&] {
        const qreal phase = view.shapeLayer()->lineDashPhase;
        phases.insert(int(phase));
        if (phase > last) ++rounds;
        last = phase;
        return phases.size() >= 4 && rounds >= 2;
    })) << phases.size() << " phases seen over " << rounds << " new rounds";
    for (int p : phases) {
        EXPECT_GE(p, 0);
        EXPECT_LE(p, 8);
    }

    const BezierPathCurveView::ShapeLayer* before = view.shapeLayer();
    view.grab();
    EXPECT_EQ(view.shapeLayer(), before) << "a redraw without arming keeps the curve";

    // Hidden or minimised, the dashes wait where they are; shown again, they run on.
    view.hide();
    EXPECT_FALSE(view.isAnimating());
    const qreal frozen = view.shapeLayer()->lineDashPhase;
    QCoreApplication::processEvents();
    EXPECT_EQ(view.shapeLayer()->lineDashPhase, frozen);
    view.show();
    EXPECT_TRUE(view.isAnimating());
    view.showMinimized();
    ASSERT_TRUE(test::waitUntil([&] { return view.isMinimized(); }));
    EXPECT_FALSE(view.isAnimating());
    view.showNormal();
    ASSERT_TRUE(test::waitUntil([&] { return !view.isMinimized(); }));
    EXPECT_TRUE(view.isAnimating());
}

}  // namespace
}  // namespace morvex
