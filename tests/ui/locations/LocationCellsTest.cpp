// The cells of the alternative country list, filled and clicked as its list and the user do.
#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/LayerViews.h"
#include "ui/locations/EmptyCellView.h"
#include "ui/locations/FastestServerCellView.h"
#include "ui/locations/FavoritesCellView.h"
#include "ui/locations/FilterTypeCellView.h"
#include "ui/locations/LocationsCellView.h"
#include "flows/MorvexVPNService.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;

struct FavoriteRecorder : NSTableCellViewDelegate {
    std::vector<std::string> changed;
    void favoriteChanged(const ZevuDataFetcherTypes::ServerPtr& server) override { changed.push_back(server->id); }
};

struct FilterRecorder : FilterTypeCellViewDelegate {
    std::vector<int> tags;
    void filterTypeSelected(QObject* sender) override { tags.push_back(sender->property("tag").toInt()); }
};

struct ProtocolsSheetRecorder : CountriesModelDelegate {
    int shown = 0;
    void showProtocolsAlert() override { ++shown; }
};

class LocationCellsTest : public test::AlertTest {
protected:
    static std::vector<std::string> favoriteIds() {
        std::vector<std::string> ids;
        for (const auto& s : PreservedPreferences().favorites()) ids.push_back(s->id);
        return ids;
    }
};

TEST_F(LocationCellsTest, ACountryCellCollapsesItsArrowAndNeverShowsTheP2PTagButAFavouriteCellDoes) {
    auto france = test::location("fr", "France", Type::Country, "FR");
    france->p2p = true;
    LocationsCellView country;
    country.show();
    country.configure(france, false);
    EXPECT_EQ(country.btnArrowWidth(), 0) << "a country without cities has no arrow";
    EXPECT_EQ(country.btnArrow()->width(), 0);
    EXPECT_FALSE(country.p2pTag()->isVisible());
    EXPECT_EQ(country.lblTitle()->text(), QStringLiteral("France"));
    country.configure(france, true);
    EXPECT_EQ(country.btnArrowWidth(), LocationsCellView::kArrowWidth);

    FavoritesCellView favourite;
    favourite.show();
    favourite.configure(france);
    EXPECT_TRUE(favourite.p2pTag()->isVisible());
    france->p2p = false;
    favourite.configure(france);
    EXPECT_FALSE(favourite.p2pTag()->isVisible()) << "a reused cell loses the tag";
}

TEST_F(LocationCellsTest, AStarClickTurnsTheFavouriteOverAndTellsTheList) {
    auto france = test::location("fr", "France", Type::Country, "FR");
    FavoriteRecorder list;
    LocationsCellView country;
    country.delegate = &list;
    country.show();
    country.configure(france, true);
    QTest::mouseClick(country.btnFav(), Qt::LeftButton);
    EXPECT_TRUE(france->favorite);
    EXPECT_EQ(favoriteIds(), std::vector<std::string>{"fr"});

    FavoritesCellView favourite;
    favourite.delegate = &list;
    favourite.show();
    favourite.configure(france);
    QTest::mouseClick(favourite.btnFav(), Qt::LeftButton);
    EXPECT_FALSE(france->favorite);
    EXPECT_TRUE(favoriteIds().empty());
    EXPECT_EQ(list.changed, (std::vector<std::string>{"fr", "fr"}));
}

TEST_F(LocationCellsTest, TheEmptyTextFollowsTheFilter) {
    struct Case {
        LocationsFilter filter;
        const char* key;
    };
    EmptyCellView cell;
    for (const Case c : {Case{LocationsFilter::Recents, "empty.recents"}, Case{LocationsFilter::Favorites, "empty.favorites"},
                         Case{LocationsFilter::All, "empty.locations"}, Case{LocationsFilter::PF, "empty.locations"},
                         Case{LocationsFilter::P2P, "empty.locations"}}) {
        cell.configure(c.filter);
        EXPECT_EQ(cell.lblTitle()->text().toStdString(), localized(c.key)) << c.key;
    }
}

TEST_F(LocationCellsTest, TheFilterSwitchHandsTheClickedSegmentOverAndMarksTheSelectedOne) {
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

TEST_F(LocationCellsTest, TheFastestRowConnectsToTheStoredRecommendedLocationOnly) {
    // A protocol whose extension is not ready stops the list's connect at its first step, which the
    // list reports through its delegate.
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::UDP);
    AppPreferences().setOpenVPNSystemExtensionStatus(SystemExtensionStatus::AwaitingApproval);
    CountriesModel model(MorvexVPNService::makeZevu().locationEngine(), ZevuDataFetcher(), PreservedPreferences(),
                         MorvexVPNService::makeEventTracker());
    auto sheet = std::make_shared<ProtocolsSheetRecorder>();
    model.countriesDelegate = sheet;
    FastestServerCellView cell;
    cell.show();
    QTest::mouseClick(cell.button(), Qt::LeftButton);
    EXPECT_EQ(sheet->shown, 0) << "no list: nothing";
    cell.delegate = &model;
    QTest::mouseClick(cell.button(), Qt::LeftButton);
    EXPECT_EQ(sheet->shown, 0) << "no recommended location stored: nothing";
    test::storeRecommended(test::location("fastest", "Germany", Type::FastestServer, "DE"));
    QTest::mouseClick(cell.button(), Qt::LeftButton);
    EXPECT_EQ(sheet->shown, 1);
}

}  // namespace
}  // namespace morvex
