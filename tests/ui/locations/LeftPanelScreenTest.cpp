// The locations page's favourites panel driven as a user would, offscreen: rows, the account
// gate and the protocol sheet.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/Storyboards.h"
#include "appkit/Window.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "ui/locations/LeftPanelViewController.h"
#include "ui/kit/ProtocolsAlertViewController.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;

class LeftPanelScreenTest : public test::AlertTest {};

TEST_F(LeftPanelScreenTest, AHeaderClickDoesNothingAndALocationRowConnectsAndDoesNotStaySelected) {
    PreservedPreferences().setFavorites(ZevuDataFetcherTypes::ServerList{test::location("fr", "France", Type::Country, "FR")});
    std::vector<ConnectRequest> requests;
    LeftPanelViewModel::Collaborators c;
    c.connect = [&](const ConnectRequest& r, ConnectErrorHandler) { requests.push_back(r); };
    LeftPanelViewController panel(std::move(c));
    int gate = 0;
    panel.accountGate = [&] { return ++gate, true; };
    panel.view()->resize(240, 300);
    panel.view()->show();
    panel.viewWillAppear();
    LocationListView* table = panel.tableView();
    ASSERT_TRUE(test::waitUntil([&] { return table->model()->rowCount() == 2; })) << "the rows arrive from the main queue";

    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(0, 0)).center());
    EXPECT_EQ(gate, 0);
    EXPECT_TRUE(requests.empty());

    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(1, 0)).center());
    EXPECT_EQ(gate, 1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].server->id, "fr");
    EXPECT_FALSE(table->selectionModel()->hasSelection()) << "a location row never stays highlighted";
}

TEST_F(LeftPanelScreenTest, ARowWhoseProtocolIsNotReadyShowsASheetNamingTheProtocol) {
    registerStoryboards();
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::UDP);
    AppPreferences().setOpenVPNSystemExtensionStatus(SystemExtensionStatus::AwaitingApproval);
    prefs.setFavorites(ZevuDataFetcherTypes::ServerList{test::location("fr", "France", Type::Country, "FR")});
    std::vector<ConnectRequest> requests;
    LeftPanelViewModel::Collaborators c;
    c.connect = [&](const ConnectRequest& r, ConnectErrorHandler) { requests.push_back(r); };
    appkit::Window window(QSize(240, 300));
    auto* panel = new LeftPanelViewController(std::move(c));
    panel->accountGate = [] { return true; };
    window.setContentViewController(panel);
    window.show();
    panel->viewWillAppear();
    LocationListView* table = panel->tableView();
    ASSERT_TRUE(test::waitUntil([&] { return table->model()->rowCount() == 2; }));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(1, 0)).center());
    EXPECT_TRUE(requests.empty());
    // The protocol sheet, with no second button; its one button closes it.
    ASSERT_NE(window.attachedSheet(), nullptr);
    auto* alert = panel->findChild<ProtocolsAlertViewController*>();  // the presenter holds it
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->alertTitle->text().toStdString(), localized("wiregurad.beta.information.title"));
    EXPECT_TRUE(alert->alertMessage->text().contains(QStringLiteral("UDP"))) << alert->alertMessage->text().toStdString();
    EXPECT_FALSE(alert->alertMessage->text().contains(QStringLiteral("%@")));
    EXPECT_EQ(alert->primaryButton->text().toStdString(), localized("ok"));
    EXPECT_TRUE(alert->secondaryButton->isHidden());
    QTest::mouseClick(alert->primaryButton, Qt::LeftButton);
    EXPECT_EQ(window.attachedSheet(), nullptr);
}

}  // namespace
}  // namespace morvex
