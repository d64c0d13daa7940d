// The locations page driven as a user would: a country's cities open on page 1, the city list's
// order and back button, a city row's click, and the header's ping refresh. (The country lists'
// arrows that open them are driven with those lists.)
#include <QDateTime>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "app/Storyboards.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "ui/kit/PreferencesSegue.h"
#include "catalog/CountriesModel.h"
#include "catalog/LocationLists.h"
#include "flows/MorvexVPNService.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "ui/locations/LeftPanelViewController.h"
#include "ui/kit/ProtocolsAlertViewController.h"
#include "ui/locations/CitiesViewController.h"
#include "ui/locations/ExploreTabViewController.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;
using ServerList = ZevuDataFetcherTypes::ServerList;

ZevuDataFetcherTypes::ServerPtr city(std::string id, std::string name, std::int64_t latency) {
    auto c = test::location(std::move(id), std::move(name), Type::City, "DE");
    c->latency = latency;
    return c;
}

std::vector<std::string> names(const ServerList& list) {
    std::vector<std::string> out;
    for (const auto& s : list) out.push_back(s->name);
    return out;
}

// The location a list row draws.
std::string rowName(const QModelIndex& index) {
    const auto* server = static_cast<const ZevuDataFetcherTypes::Server*>(index.data(LocationRowsModel::ServerRole).value<const void*>());
    return server ? server->name : std::string();
}

class ExploreTabTest : public test::AlertTest {
protected:
    void SetUp() override {
        test::AlertTest::SetUp();
        registerStoryboards();
        germany->servers = ServerList{city("3", "Munich", 80), city("1", "Berlin", 120), city("2", "Frankfurt", 15)};
    }
    ZevuDataFetcherTypes::ServerPtr germany = test::location("DE", "Germany", Type::Country, "DE");
};

TEST_F(ExploreTabTest, ACountrysCitiesOpenOnTheCityPageAndBackGoesToTheCountries) {
    ExploreTabViewController explore;
    explore.view()->resize(688, 500);
    explore.view()->show();
    explore.viewWillAppear();
    explore.viewDidAppear();
    EXPECT_EQ(explore.selectedTabViewItemIndex(), ExploreTabViewController::Countries);
    auto* cities = qobject_cast<CitiesViewController*>(explore.childViewControllerAt(ExploreTabViewController::Cities));
    ASSERT_NE(cities, nullptr);

    explore.showCities(germany);

    EXPECT_EQ(explore.selectedTabViewItemIndex(), ExploreTabViewController::Cities);
    EXPECT_EQ(explore.citiesCountryName(), "Cities / Germany");
    EXPECT_EQ(cities->model().countryName(), "Cities / Germany");
    ASSERT_TRUE(cities->model().contentWithCities());
    EXPECT_EQ(names(*cities->model().contentWithCities()), (std::vector<std::string>{"Munich", "Berlin", "Frankfurt"}));
    EXPECT_EQ(cities->titleLabel()->text(), QStringLiteral("Cities / Germany"));
    EXPECT_EQ(cities->tableView()->model()->rowCount(), 3);

    QTest::mouseClick(cities->backButton(), Qt::LeftButton);
    EXPECT_EQ(explore.selectedTabViewItemIndex(), ExploreTabViewController::Countries);

    auto empty = test::location("LU", "Luxembourg", Type::Country, "LU");
    empty->servers = ServerList{};
    explore.showCities(empty);
    EXPECT_EQ(explore.selectedTabViewItemIndex(), ExploreTabViewController::Cities);
    EXPECT_EQ(cities->tableView()->model()->rowCount(), 0);
    EXPECT_EQ(cities->titleLabel()->text(), QStringLiteral("Cities / Luxembourg"));
}

TEST_F(ExploreTabTest, TheCityOrderFollowsTheChoiceUntilThePageShowsAgain) {
    CitiesViewController cities;
    cities.model().setContentWithCities(germany->servers);
    cities.view()->resize(460, 400);
    cities.view()->show();
    cities.viewWillAppear();
    EXPECT_EQ(names(cities.arrangedObjects()), (std::vector<std::string>{"Berlin", "Frankfurt", "Munich"})) << "ping is off";
    EXPECT_TRUE(cities.sortButton(0)->isChecked());

    QTest::mouseClick(cities.sortButton(1), Qt::LeftButton);
    EXPECT_EQ(names(cities.arrangedObjects()), (std::vector<std::string>{"Frankfurt", "Munich", "Berlin"}));
    EXPECT_TRUE(cities.sortButton(1)->isChecked());
    const QModelIndex first = cities.tableView()->model()->index(0, 0);
    EXPECT_EQ(rowName(first), "Frankfurt") << "the rows follow the order";
    EXPECT_TRUE(cities.tableView()->partRect(first, LocationListView::Part::Arrow).isEmpty()) << "a city has no arrow";
    EXPECT_FALSE(cities.tableView()->partRect(first, LocationListView::Part::Star).isEmpty());

    cities.viewWillAppear();
    EXPECT_EQ(names(cities.arrangedObjects()), (std::vector<std::string>{"Berlin", "Frankfurt", "Munich"}));
}

TEST_F(ExploreTabTest, AFavouriteCityShowsItsStarFilledEvenWhenTheCatalogueCopyDoesNotKnowAndAStarAddsACity) {
    PreservedPreferences().setFavorites(ServerList{city("2", "Frankfurt", 15)});
    CitiesViewController cities;
    cities.model().setContentWithCities(germany->servers);
    cities.view()->show();
    cities.viewWillAppear();
    for (int row = 0; row < cities.tableView()->model()->rowCount(); ++row) {
        const QModelIndex index = cities.tableView()->model()->index(row, 0);
        EXPECT_EQ(index.data(LocationRowsModel::FavoriteRole).toBool(), rowName(index) == "Frankfurt") << rowName(index);
    }

    // A city's star adds it beside the one stored.
    LocationListView* table = cities.tableView();
    int munich = -1;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        if (rowName(table->model()->index(row, 0)) == "Munich") munich = row;
    ASSERT_GE(munich, 0);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->partRect(table->model()->index(munich, 0), LocationListView::Part::Star).center());
    std::vector<std::string> stored;
    for (const auto& f : PreservedPreferences().favorites()) stored.push_back(f->name);
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, (std::vector<std::string>{"Frankfurt", "Munich"}));
}

TEST_F(ExploreTabTest, ACityClickConnectsOnlyAfterTheAccountCheckAndNeverStaysSelected) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::UDP);
    AppPreferences().setOpenVPNSystemExtensionStatus(SystemExtensionStatus::AwaitingApproval);
    appkit::Window window(QSize(460, 400));
    auto* cities = new CitiesViewController;
    int asked = 0;
    bool allowed = false;
    cities->accountGate = [&] { return ++asked, allowed; };
    cities->model().setContentWithCities(germany->servers);
    window.setContentViewController(cities);
    window.show();
    cities->viewWillAppear();
    LocationListView* table = cities->tableView();
    auto clickRow = [&](int row) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(row, 0)).center());
    };

    clickRow(0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(window.attachedSheet(), nullptr) << "a refused account connects nothing";
    EXPECT_FALSE(table->selectionModel()->hasSelection());

    // With the account allowed the city goes to the list's connect, which here stops at the
    // protocol whose extension is not ready and names it.
    allowed = true;
    clickRow(1);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(table->selectionModel()->hasSelection());
    ASSERT_NE(window.attachedSheet(), nullptr);
    auto* alert = cities->findChild<ProtocolsAlertViewController*>();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->alertMessage->text().contains(QStringLiteral("UDP"))) << alert->alertMessage->text().toStdString();
}

TEST_F(ExploreTabTest, TheHeaderShowsTheLastPingAndItsRefreshFollowsThePreference) {
    PreservedPreferences prefs;
    prefs.setEnablePing(true);
    ExploreController header;
    header.view()->show();
    header.viewWillAppear();
    EXPECT_EQ(header.lastPing.value(), "N/A") << "before any ping run";
    EXPECT_TRUE(header.refreshButton()->isVisible());

    int asked = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(locationNotifications::refreshPingValues,
                                                                 [&](const Notification&) { ++asked; });
    QTest::mouseClick(header.refreshButton(), Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(header.refreshing.value());

    const QDateTime ran(QDate(2024, 12, 30), QTime(21, 5));
    prefs.setPingedAt(Date{static_cast<double>(ran.toSecsSinceEpoch())});
    NotificationCenter::defaultCenter().post(locationNotifications::pingedAtChanged);
    EXPECT_FALSE(header.refreshing.value());
    ASSERT_TRUE(header.lastPing.value());
    EXPECT_NE(header.lastPing.value()->find("30, 2024 21:05"), std::string::npos)
        << *header.lastPing.value() << ": the calendar year and the 24-hour clock";

    NotificationCenter::defaultCenter().post(locationNotifications::enablePingChanged, std::string("no"));
    EXPECT_TRUE(header.refreshButton()->isVisible()) << "a notification without a flag changes nothing";
    NotificationCenter::defaultCenter().post(locationNotifications::enablePingChanged, false);
    EXPECT_FALSE(header.refreshButton()->isVisible());
}

TEST_F(ExploreTabTest, ARefreshThatEndsWithoutAPingRunLeavesPingingAndEnablesTheButtonAgain) {
    PreservedPreferences prefs;
    prefs.setEnablePing(true);
    ExploreController header;
    header.view()->show();
    header.viewWillAppear();
    const auto waiting = [&] { return header.refreshing.value() || !header.refreshButton()->isEnabled(); };
    const std::string pinging = localized("explore.pinging");

    // No catalogue listens: nothing would ever end the run.
    QTest::mouseClick(header.refreshButton(), Qt::LeftButton);
    EXPECT_FALSE(waiting());
    EXPECT_NE(header.lastPingLabel()->text().toStdString(), pinging);

    // The country list's catalogue, whose countries cannot be fetched (no SDK to ask).
    CountriesModel catalogue(MorvexVPNService::makeZevu().locationEngine(),
                             ZevuDataFetcher(PreservedPreferences(), AppPreferences(), nullptr, EventTracker()),
                             PreservedPreferences(), EventTracker());
    catalogue.addObservers();
    QTest::mouseClick(header.refreshButton(), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return !waiting(); })) << "the failed run ends the waiting";
    EXPECT_NE(header.lastPingLabel()->text().toStdString(), pinging);
    EXPECT_EQ(header.lastPing.value(), "N/A") << "no run succeeded";
}

TEST_F(ExploreTabTest, TheFavouritesPanelSitsBesideThePagesAndItsStarRemovesAFavourite) {
    auto france = test::location("fr", "France", Type::Country, "FR");
    france->favorite = true;
    PreservedPreferences().setFavorites(ServerList{france});
    ExploreTabViewController explore;
    explore.view()->resize(688, 500);
    explore.view()->show();
    explore.viewWillAppear();
    auto* panel = qobject_cast<LeftPanelViewController*>(explore.leftPanel());
    ASSERT_NE(panel, nullptr) << "the panel is the storyboard's scene";
    EXPECT_EQ(panel->identifier(), ExploreTabViewController::kLeftPanelScene);
    LocationListView* table = panel->tableView();
    ASSERT_TRUE(test::waitUntil([&] { return table->model()->rowCount() == 2; }));
    EXPECT_LT(table->mapTo(explore.view(), QPoint(0, 0)).x(), explore.header()->view()->mapTo(explore.view(), QPoint(0, 0)).x());

    const QModelIndex favourite = table->model()->index(1, 0);
    EXPECT_EQ(static_cast<ListItem::RowType>(favourite.data(LocationRowsModel::RowTypeRole).toInt()), ListItem::RowType::Favorite);
    EXPECT_TRUE(favourite.data(LocationRowsModel::FavoriteRole).toBool()) << "a favourite's star is drawn filled";
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->partRect(favourite, LocationListView::Part::Star).center());
    EXPECT_TRUE(PreservedPreferences().favorites().empty());
    ASSERT_TRUE(test::waitUntil([&] {
        return table->model()->rowCount() == 2 &&
               static_cast<LocationRowsModel::Kind>(table->model()->index(1, 0).data(LocationRowsModel::KindRole).toInt()) ==
                   LocationRowsModel::Kind::Note;
    })) << "the panel redraws from the store's notification";
}

TEST_F(ExploreTabTest, ThePanelOpensThePreferencesOnTheProtocolPage) {
    auto makeWindow = [] {
        auto window = std::make_unique<appkit::WindowController>();
        auto* pages = new appkit::TabViewController;
        for (int i = 0; i < 3; ++i) pages->addChildViewController(new appkit::ViewController);
        window->setContentViewController(pages);
        return window;
    };
    auto pagesOf = [](appkit::WindowController& w) { return qobject_cast<appkit::TabViewController*>(w.contentViewController()); };
    LeftPanelViewController panel;
    auto preferences = makeWindow();
    appkit::StoryboardSegue segue(std::string(kSeguePreferences), &panel, preferences.get(), appkit::SegueKind::Show, {});
    panel.prepareForSegue(segue, {});
    EXPECT_EQ(pagesOf(*preferences)->selectedTabViewItemIndex(), kPreferencesProtocolTab);

    auto other = makeWindow();
    appkit::StoryboardSegue elsewhere("segueElsewhere", &panel, other.get(), appkit::SegueKind::Show, {});
    panel.prepareForSegue(elsewhere, {});
    EXPECT_EQ(pagesOf(*other)->selectedTabViewItemIndex(), 0) << "other segues are left alone";
}

}  // namespace
}  // namespace morvex
