// The server row of the location lists, filled and clicked as the lists and the user do.
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "state/PreservedPreferences.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "ui/locations/RowView.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;
using RowType = RowView::RowType;

class RowViewTest : public test::AlertTest {
protected:
    static std::vector<std::string> favoriteIds() {
        std::vector<std::string> ids;
        for (const auto& s : PreservedPreferences().favorites()) ids.push_back(s->id);
        return ids;
    }
};

TEST_F(RowViewTest, AFilledRowShowsItsStarArrowAndTagAsTheListAsks) {
    auto berlin = test::location("de-ber", "Berlin", Type::City, "DE");
    berlin->p2p = true;
    auto dedicated = test::location("dip", "Frankfurt", Type::DedicatedIp, "DE");
    dedicated->ip = "10.1.2.3";

    RowView row;
    row.resize(300, 44);
    row.show();
    row.configure(ListItem(berlin, RowType::City), false, false);
    EXPECT_EQ(row.server(), berlin);
    EXPECT_EQ(row.rowType(), RowType::City);
    EXPECT_EQ(row.lblTitle()->text(), QStringLiteral("Berlin, DE"));
    EXPECT_FALSE(row.imgView()->pixmap().isNull());
    EXPECT_FALSE(row.p2pTag()->isVisible()) << "the server row never shows the P2P tag";
    EXPECT_TRUE(row.favoriteButton()->isVisible());
    EXPECT_TRUE(row.favoriteButton()->hoverable()) << "a star that is not a favourite follows the pointer";

    berlin->favorite = true;
    row.configure(ListItem(berlin, RowType::City), false, false);
    EXPECT_FALSE(row.favoriteButton()->hoverable()) << "a favourite's star stays filled";

    row.configure(ListItem(dedicated, RowType::DedicatedIp), false, false);
    EXPECT_FALSE(row.favoriteButton()->isVisible()) << "a dedicated IP cannot be a favourite";
    EXPECT_EQ(row.lblTitle()->text(), QStringLiteral("10.1.2.3"));
    row.configure(ListItem(berlin, RowType::Favorite), false, false);
    EXPECT_TRUE(row.favoriteButton()->isVisible()) << "a reused row shows the star again";

    // The city arrow: only outside the favourites tab for a country with cities.
    struct Case {
        bool favoritesTab, hasCities, arrow;
    };
    for (const Case c : {Case{false, true, true}, Case{false, false, false}, Case{true, true, false}, Case{true, false, false}}) {
        row.configure(ListItem(test::location("fr", "France", Type::Country, "FR"), RowType::Country), c.favoritesTab,
                      c.hasCities);
        EXPECT_EQ(row.detailArrowView()->isVisible(), c.arrow) << c.favoritesTab << c.hasCities;
    }
}

TEST_F(RowViewTest, TheStarAddsByRowTypeAndAlwaysRemovesAFavourite) {
    struct Case {
        RowType rowType;
        bool favourite;
        std::vector<std::string> after;
    };
    const std::vector<Case> cases{
        {RowType::Country, false, {"fr"}},   {RowType::City, false, {"fr"}},     {RowType::FastestServer, false, {"fr"}},
        {RowType::Recent, false, {"fr"}},    {RowType::Favorite, false, {}},     {RowType::NotSet, false, {}},
        {RowType::Country, true, {}},        {RowType::Favorite, true, {}},      {RowType::Recent, true, {}},
    };
    for (const auto& c : cases) {
        auto france = test::location("fr", "France", Type::Country, "FR");
        PreservedPreferences().setFavorites(c.favourite ? ZevuDataFetcherTypes::ServerList{france} : ZevuDataFetcherTypes::ServerList{});
        france->favorite = c.favourite;
        RowView row;
        row.resize(300, 44);
        row.show();
        row.configure(ListItem(france, c.rowType), false, false);
        QTest::mouseClick(row.favoriteButton(), Qt::LeftButton);
        EXPECT_EQ(favoriteIds(), c.after) << "row type " << static_cast<int>(c.rowType) << " favourite " << c.favourite;
    }
}

TEST_F(RowViewTest, AStarClickOnAnEmptyRowDoesNothing) {
    RowView row;
    row.favoriteClicked();
    EXPECT_TRUE(favoriteIds().empty());
}

}  // namespace
}  // namespace morvex
