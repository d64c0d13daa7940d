// The toast: where it sits, how it looks, and that it goes away by itself.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>

#include "appkit/ViewController.h"
#include "appkit/Window.h"
#include "support/TestSupport.h"
#include "ui/kit/ToastView.h"

namespace morvex {
namespace {

TEST(ToastViewTest, SitsCentredTwentyAboveTheBottomOfTheContent) {
    struct Case {
        QSize content;
        QRect frame;
    };
    // Top-left origin: 20 above the bottom edge is y = height - 20 - 40.
    for (const auto& c : {Case{{600, 400}, {200, 340, 200, 40}}, Case{{760, 500}, {280, 440, 200, 40}},
                          Case{{150, 100}, {-25, 40, 200, 40}}}) {
        EXPECT_EQ(ToastTiming::frame(c.content), c.frame) << c.content.width() << "x" << c.content.height();
    }
    EXPECT_DOUBLE_EQ(ToastTiming::onScreenSeconds(1.0), 1.6);
}

TEST(ToastViewTest, FadesInStaysForTheDisplayTimeAndRemovesItself) {
    test::ManualClock clock;
    QWidget content;
    content.resize(600, 400);
    content.show();
    QPointer<ToastView> toast = showToast(&content, "Link Copied", 0.4);
    ASSERT_TRUE(toast);
    EXPECT_EQ(toast->parentWidget(), &content);
    EXPECT_EQ(toast->geometry(), QRect(200, 340, 200, 40));
    EXPECT_EQ(toast->messageLabel()->text(), "Link Copied");
    EXPECT_EQ(toast->messageLabel()->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(toast->messageLabel()->font().pixelSize(), 14);
    EXPECT_DOUBLE_EQ(toast->opacity(), 0.0);

    ASSERT_TRUE(test::waitUntil([&] { return toast && toast->opacity() >= 1.0; }));
    // The display time counts from the end of the fade-in: it stays fully shown until then.
    clock.advance(std::chrono::milliseconds(399));
    ASSERT_TRUE(toast);
    EXPECT_DOUBLE_EQ(toast->opacity(), 1.0);
    clock.advance(std::chrono::milliseconds(1));
    ASSERT_TRUE(test::waitUntil([&] { return toast.isNull(); }));
}

TEST(ToastViewTest, AWindowWithoutContentShowsNoToast) {
    appkit::Window window;
    EXPECT_EQ(showToast(&window, "Link Copied", 1.0), nullptr);
    EXPECT_EQ(showToast(static_cast<QWidget*>(nullptr), "Link Copied", 1.0), nullptr);
    window.setContentViewController(new appkit::ViewController);
    EXPECT_NE(showToast(&window, "Link Copied", 1.0), nullptr);
}

}  // namespace
}  // namespace morvex
