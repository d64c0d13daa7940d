// The sectioned list's segment row (all, favourites, recents), clicked as the user does and marked
// as its list asks.
#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "ui/dashboard/DashboardTestSupport.h"
#include "ui/kit/LayerViews.h"
#include "ui/locations/FilterTypeCellView.h"

namespace morvex {
namespace {

struct FilterRecorder : FilterTypeCellViewDelegate {
    std::vector<int> tags;
    void filterTypeSelected(QObject* sender) override { tags.push_back(sender->property("tag").toInt()); }
};

using FilterTypeCellTest = test::AlertTest;

TEST_F(FilterTypeCellTest, TheFilterSwitchHandsTheClickedSegmentOverAndMarksTheSelectedOne) {
    FilterTypeCellView filter;
    FilterRecorder list;
    filter.delegate = &list;
    filter.resize(400, 40);
    filter.show();
    QTest::mouseClick(filter.segment(2), Qt::LeftButton);
    QTest::mouseClick(filter.segment(1), Qt::LeftButton);
    EXPECT_EQ(list.tags, (std::vector<int>{2, 1}));

    auto fill = [](CustomView* v) { return v->backgroundColor()->resolve(appkit::Appearance::Aqua); };
    filter.select(1);
    EXPECT_EQ(fill(filter.favoritesView()), FilterTypeCellView::kSelectedFill);
    EXPECT_EQ(fill(filter.allView()), QColor(Qt::white));
    EXPECT_EQ(fill(filter.recentsView()), QColor(Qt::white));
    EXPECT_TRUE(filter.lblFavorites()->styleSheet().contains(QColor(Qt::white).name(QColor::HexArgb)));
    EXPECT_TRUE(filter.lblAll()->styleSheet().contains(FilterTypeCellView::kUnselectedText.name(QColor::HexArgb)));
    filter.select(7);
    for (CustomView* v : {filter.allView(), filter.favoritesView(), filter.recentsView()}) EXPECT_EQ(fill(v), QColor(Qt::white));
}

}  // namespace
}  // namespace morvex
