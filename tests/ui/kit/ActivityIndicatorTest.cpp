// The spinner turns while it is on screen and stops when it is hidden, so a hidden one costs no
// repaints; it takes clicks to what lies under it.
#include <gtest/gtest.h>

#include <QWidget>

#include "ui/kit/ActivityIndicator.h"

namespace morvex {
namespace {

TEST(ActivityIndicatorTest, TurnsOnlyWhileShown) {
    QWidget window;
    window.resize(100, 100);
    auto* spinner = new ActivityIndicator(&window);
    spinner->hide();
    window.show();
    EXPECT_FALSE(spinner->isAnimating()) << "hidden from the start";
    spinner->show();
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_EQ(spinner->size(), QSize(ActivityIndicator::kSide, ActivityIndicator::kSide));
    EXPECT_TRUE(spinner->testAttribute(Qt::WA_TransparentForMouseEvents));
    spinner->hide();
    EXPECT_FALSE(spinner->isAnimating());
    spinner->show();
    window.hide();
    EXPECT_FALSE(spinner->isAnimating()) << "its window closed";
}

}  // namespace
}  // namespace morvex
