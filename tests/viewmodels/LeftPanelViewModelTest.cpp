// The favourites panel's model: its rows from the stores, rebuilt on the notifications it follows,
// the connect of a chosen row by its kind, and the alerts of a refused connect.
#include <gtest/gtest.h>

#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "viewmodels/LeftPanelViewModel.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;
using RowType = ListItem::RowType;
using Interface = ZevuTypes::SelectedInterface;

struct SheetRecorder : LeftPanelModelDelegate {
    int shown = 0;
    void makeWireGuardBetaAlertController() override { ++shown; }
};

class LeftPanelViewModelTest : public test::AlertTest {
protected:
    std::vector<ConnectRequest> requests;
    std::vector<Interface> quickConnects;
    ConnectErrorHandler lastHandler;

    std::unique_ptr<LeftPanelViewModel> makeModel() {
        LeftPanelViewModel::Collaborators c;
        c.connect = [this](const ConnectRequest& r, ConnectErrorHandler h) {
            requests.push_back(r);
            lastHandler = std::move(h);
        };
        c.quickConnect = [this](Interface i, ConnectErrorHandler h) {
            quickConnects.push_back(i);
            lastHandler = std::move(h);
        };
        return std::make_unique<LeftPanelViewModel>(std::move(c));
    }
    static std::vector<std::string> rowNames(const std::vector<LeftPanelRow>& rows) {
        std::vector<std::string> names;
        for (const auto& row : rows) {
            if (const auto* h = std::get_if<LeftPanelHeader>(&row)) names.push_back("header " + h->name);
            else if (const auto* e = std::get_if<LeftPanelEmptyRow>(&row)) names.push_back("empty " + e->message);
            else names.push_back(std::get<ListItem>(row).server->name);
        }
        return names;
    }
};

TEST_F(LeftPanelViewModelTest, RowsAreTheHeaderThenTheFavouritesInStoredOrderOrThePlaceholder) {
    auto model = makeModel();
    EXPECT_TRUE(model->content.value().empty()) << "nothing before the first reload";
    model->reloadContent();
    EXPECT_TRUE(model->content.value().empty()) << "the rows are published from the main queue";
    ASSERT_TRUE(test::waitUntil([&] { return !model->content.value().empty(); }));
    const std::string header = "header " + localized("left.panel.favorite.section.title");
    EXPECT_EQ(rowNames(model->content.value()), (std::vector<std::string>{header, "empty " + localized("empty.favorites")}));

    PreservedPreferences().setFavorites(ZevuDataFetcherTypes::ServerList{
        test::location("fr", "France", Type::Country, "FR"), test::location("de-ber", "Berlin", Type::City, "DE"),
        test::location("at", "Austria", Type::Country, "AT")});
    // The store's favourites notification alone rebuilds the rows.
    ZevuDataFetcherTypes::postFavoritesUpdated(true, nullptr, PreservedPreferences().favorites());
    ASSERT_TRUE(test::waitUntil([&] { return model->content.value().size() == 4; }));
    EXPECT_EQ(rowNames(model->content.value()), (std::vector<std::string>{header, "France", "Berlin", "Austria"}));
    EXPECT_EQ(std::get<ListItem>(model->content.value()[2]).rowType, RowType::Favorite);
}

TEST_F(LeftPanelViewModelTest, ClearedPreferencesBringBackThePingSwitchAndTheRows) {
    auto model = makeModel();
    PreservedPreferences prefs;
    prefs.setEnablePing(true);
    prefs.setFavorites(ZevuDataFetcherTypes::ServerList{test::location("fr", "France", Type::Country, "FR")});
    EXPECT_FALSE(model->enablePing.value());
    NotificationCenter::defaultCenter().post(PreservedPreferences::preferencesRefreshedNotification);
    ASSERT_TRUE(test::waitUntil([&] { return model->content.value().size() == 2; }));
    EXPECT_TRUE(model->enablePing.value());

    prefs.setEnablePing(false);
    NotificationCenter::defaultCenter().post(locationNotifications::enablePingChanged, false);
    ASSERT_TRUE(test::waitUntil([&] { return !model->enablePing.value(); }));
}

TEST_F(LeftPanelViewModelTest, ARowConnectsWithTheControlOfItsKind) {
    auto model = makeModel();
    model->connectItem(ListItem(test::location("de-ber", "Berlin", Type::City, "DE"), RowType::Favorite));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].connectVia, ZevuTypes::ConnectVia::City);
    EXPECT_EQ(requests[0].selectedInterface, Interface::Favorite);
    EXPECT_EQ(requests[0].selectedInterfaceScreen, ZevuTypes::SelectedInterfaceScreen::Location);
    EXPECT_EQ(requests[0].connectionInitiatedBy, ZevuTypes::ConnectionInitiatedBy::User);

    model->connectItem(ListItem(test::location("fastest", "Fastest", Type::FastestServer, ""), RowType::FastestServer));
    EXPECT_EQ(quickConnects, std::vector<Interface>{Interface::Recommended}) << "the fastest location is a smart connect";
    EXPECT_EQ(requests.size(), 1u);

    struct Case {
        RowType rowType;
        Interface interface;
    };
    for (const Case c : {Case{RowType::Recent, Interface::Recent}, Case{RowType::DedicatedIp, Interface::DedicatedIp},
                         Case{RowType::Country, Interface::Recent}, Case{RowType::City, Interface::Recent},
                         Case{RowType::NotSet, Interface::Recent}})
        EXPECT_EQ(LeftPanelViewModel::selectedInterface(c.rowType), c.interface) << static_cast<int>(c.rowType);
}

TEST_F(LeftPanelViewModelTest, AProtocolWhoseExtensionIsNotReadyAsksForTheSheetInsteadOfConnecting) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::UDP);
    AppPreferences().setOpenVPNSystemExtensionStatus(SystemExtensionStatus::AwaitingApproval);
    auto model = makeModel();
    SheetRecorder sheet;
    model->delegate = &sheet;
    model->connectItem(ListItem(test::location("fr", "France", Type::Country, "FR"), RowType::Favorite));
    model->connectItem(ListItem(test::location("fastest", "Fastest", Type::FastestServer, ""), RowType::FastestServer));
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(quickConnects.empty());
    EXPECT_EQ(sheet.shown, 2);
}

TEST_F(LeftPanelViewModelTest, ARefusedConnectShowsTheAlertOfItsCode) {
    struct Case {
        int code;
        std::optional<std::string> titleKey;  // none: no alert
    };
    const std::vector<Case> cases{
        {998, "alert.title.error"},
        {701, "user.expire.popup.title"},
        {533, "user.disable.popup.title"},
        {1111, "alert.dedicated.protocol.not.supported.title"},
        {-1001, "coc.alert.title"},
        {-1002, "coc.same.location.alert.title"},
        {999, std::nullopt},
        {5043, std::nullopt},
    };
    auto model = makeModel();
    for (const auto& c : cases) {
        presenter->shown.clear();
        model->connectItem(ListItem(test::location("fr", "France", Type::Country, "FR"), RowType::Favorite));
        ASSERT_TRUE(lastHandler);
        lastHandler(Error("test", c.code, "refused"));
        if (!c.titleKey) {
            EXPECT_TRUE(presenter->shown.empty()) << c.code;
            continue;
        }
        ASSERT_EQ(presenter->shown.size(), 1u) << c.code;
        EXPECT_EQ(presenter->last().title, localized(*c.titleKey)) << c.code;
    }
    presenter->shown.clear();
    lastHandler(std::nullopt);
    EXPECT_TRUE(presenter->shown.empty()) << "no error, no alert";
}

}  // namespace
}  // namespace morvex
