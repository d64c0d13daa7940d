// The in-app notification list: what it lists from the store, what its actions do with text that
// comes from outside, the quick-connect toggle, and the page driven through its entry points.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <any>
#include <filesystem>
#include <optional>

#include "alerts/BaseViewController.h"
#include "appkit/Colors.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/AppManager.h"
#include "state/StoredServers.h"
#include "support/TestSupport.h"
#include "ui/kit/KitFakes.h"
#include "ui/notifications/NotificationsController.h"
#include "ui/notifications/NotificationsInbox.h"
#include "viewmodels/NotificationsListModel.h"

namespace morvex {
namespace {

using Server = ZevuDataFetcherTypes::Server;
using ServerType = ZevuDataFetcherTypes::ServerType;

class NotificationsListTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        store = std::make_unique<CoreDataService>(dir.path() / "store.sqlite");
        appManager.lastVPNStateConnected = true;
    }

    NotificationsListModel::Collaborators collaborators() {
        NotificationsListModel::Collaborators c;
        c.openURL = [this](const std::string& url) { opened.push_back(url); return true; };
        c.launchApplication = [this](const std::string& id) { launched.push_back(id); return true; };
        c.performSegue = [this](std::string_view id) { segues.emplace_back(id); };
        c.vpn = vpn;
        c.connect = [this](const ConnectRequest& r, ConnectErrorHandler) { connects.push_back(r); };
        c.updateRecommendedLocation = [this] { ++recommendedRefreshes; };
        c.appManager = &appManager;
        c.centre = &centre;
        return c;
    }
    std::unique_ptr<NotificationsListModel> makeModel() {
        return std::make_unique<NotificationsListModel>(collaborators(), AppPreferences(), User(),
                                                        test::trackerOver(tracking));
    }
    AppNotificationPtr stored(std::string id, std::string username, double createdAt, std::string type = "regular") {
        auto n = AppNotification::insert(store->managedObjectContext());
        n->setText("id", std::move(id));
        n->setText("username", std::move(username));
        n->setText("type", std::move(type));
        n->setText("title", "Title");
        n->setText("message", "Message");
        n->setText("category", "billing");
        n->setCreatedAt(Date{createdAt});
        return n;
    }

    test::TempDir dir;
    std::unique_ptr<CoreDataService> store;
    NotificationCenter centre;
    AppManager appManager;
    std::shared_ptr<test::RecordingVPN> vpn = std::make_shared<test::RecordingVPN>();
    std::shared_ptr<test::RecordingTracking> tracking = std::make_shared<test::RecordingTracking>();
    std::vector<std::string> opened, launched, segues;
    std::vector<ConnectRequest> connects;
    int recommendedRefreshes = 0;
};

TEST_F(NotificationsListTest, OnlyAWholeWebAddressIsOpened) {
    auto model = makeModel();
    struct Case {
        std::any object;
        bool opens;
    };
    const std::vector<Case> cases = {
        {std::string("https://www.example.com/offer?x=1"), true},
        {std::string("http://example.com"), true},
        {std::string("see https://www.example.com/offer"), false},
        {std::string("https://www.example.com/offer now"), false},
        {std::string(" https://www.example.com"), false},
        {std::string("https://a.example https://b.example"), false},
        {std::string("file:///etc/passwd"), false},
        {std::string("javascript:alert(1)"), false},
        {std::string("ftp://example.com/x"), false},
        {std::string("https://"), false},
        {std::string("www.example.com"), false},
        {std::string(), false},
        {42, false},
        {std::any(), false},
    };
    for (const auto& c : cases) {
        const auto* text = std::any_cast<std::string>(&c.object);
        SCOPED_TRACE(text ? *text : "(not a text)");
        opened.clear();
        EXPECT_EQ(model->openURL(c.object), c.opens);
        EXPECT_EQ(opened.size(), c.opens ? 1u : 0u);
    }
}

TEST_F(NotificationsListTest, AnApplicationIsOpenedOnlyByTheIdentifierOfOneOfOurOwn) {
    auto model = makeModel();
    for (const char* name : {"../../../../bin/sh", "/usr/bin/xterm", "Calculator/../../tmp/x", "Safari", "..",
                             "com.morvex.mac.vpn/../../x", "com..morvex", ""}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(model->openApp(std::string(name)));
    }
    EXPECT_TRUE(launched.empty()) << "a name from a push became a launch: " << launched.front();
    EXPECT_TRUE(model->openApp(std::string("com.morvex.mac.vpn")));
    EXPECT_EQ(launched, std::vector<std::string>{"com.morvex.mac.vpn"});

    // The default launcher starts nothing but our own program: a well-formed identifier of
    // another application is refused.
    NotificationsListModel::Collaborators c = collaborators();
    c.launchApplication = nullptr;
    NotificationsListModel withDefaults(c, AppPreferences(), User(), test::trackerOver(tracking));
    EXPECT_FALSE(withDefaults.openApp(std::string("org.example.other")));
}

TEST_F(NotificationsListTest, APageNameSwitchesTheWindowAndSettingsOpensThePreferences) {
    auto model = makeModel();
    std::vector<std::int64_t> tabs;
    auto token = centre.addObserver(BaseViewController::appShowControllerNotification, [&](const Notification& n) {
        if (const auto* tab = n.objectAs<std::int64_t>()) tabs.push_back(*tab);
    });
    struct Case {
        std::any screen;
        std::optional<std::int64_t> tab;
    };
    const std::vector<Case> cases = {
        {std::string("dashboard"), 0}, {std::string("locations"), 1}, {std::string("settings"), 2},
        {std::string("support"), 3},   {std::string("profile"), 4},   {std::string("refer-a-friend"), 5},
        {std::string("Settings"), std::nullopt}, {std::string("devices"), std::nullopt},
        {std::string(""), std::nullopt},         {2, std::nullopt},
    };
    for (const auto& c : cases) {
        tabs.clear();
        segues.clear();
        EXPECT_EQ(model->openScreen(c.screen), c.tab.has_value());
        EXPECT_EQ(tabs, c.tab ? std::vector<std::int64_t>{*c.tab} : std::vector<std::int64_t>{});
        const bool settings = c.tab == 2;
        EXPECT_EQ(segues, settings ? std::vector<std::string>{"seguePreferences"} : std::vector<std::string>{});
    }
}

TEST_F(NotificationsListTest, QuickConnectStopsATunnelOrConnectsToTheRecommendedLocation) {
    auto model = makeModel();
    vpn->status = 3;  // connected
    model->quickConnect();
    EXPECT_EQ(vpn->calls, std::vector<std::string>{"disconnectVPN"});
    EXPECT_FALSE(appManager.lastVPNStateConnected);

    appManager.lastVPNStateConnected = true;
    vpn->calls.clear();
    vpn->status = 2;  // connecting
    model->quickConnect();
    EXPECT_EQ(vpn->calls, std::vector<std::string>{"cancelVPN"});
    EXPECT_FALSE(appManager.lastVPNStateConnected);

    vpn->calls.clear();
    vpn->status = 1;  // neither: nothing stored yet, so a refresh is asked for and nothing dialled
    model->quickConnect();
    EXPECT_EQ(recommendedRefreshes, 1);
    EXPECT_TRUE(connects.empty());

    AppPreferences preferences;
    setEncodedServer(preferences.defaults(), std::make_shared<Server>("12", "Frankfurt", ServerType::City, "DE"),
                     AppPreferences::Key::recommendedServer);
    model->quickConnect();
    ASSERT_EQ(connects.size(), 1u);
    EXPECT_EQ(connects[0].server->id, "12");
    EXPECT_EQ(connects[0].connectVia, ZevuTypes::ConnectVia::City);
    EXPECT_EQ(recommendedRefreshes, 1);
    EXPECT_TRUE(vpn->calls.empty());
}

TEST_F(NotificationsListTest, TheListShowsTheUsersOpenNoticesForThisVersionNewestFirst) {
    auto& context = store->managedObjectContext();
    stored("old", "alice", 100);
    stored("new", "alice", 300);
    stored("bob's", "bob", 200);
    stored("closed", "alice", 400)->setClosed(true);
    stored("future", "alice", 500)->setAppVersions(3.0, 0);
    stored("past", "alice", 600)->setAppVersions(0, 1.5);
    stored("current", "alice", 250)->setAppVersions(1.0, 2.5);
    ASSERT_TRUE(context.save());

    auto model = makeModel();
    model->reload(context, "alice", 2.0);
    std::vector<std::string> ids;
    for (int row = 0; row < model->rowCount(); ++row) {
        ids.push_back(model->data(model->index(row), NotificationsListModel::IdRole).toString().toStdString());
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"new", "current", "old"}));
}

TEST_F(NotificationsListTest, ThePageTitleTakesThePagesAppearanceNotTheApplications) {
    // The application in the dark look, the page in the light one its window draws.
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::WindowText, QColor(0xF1, 0xF3, 0xF5));
    QApplication::setPalette(dark);
    NotificationsController page(makeModel(), &store->managedObjectContext());
    auto* title = page.view()->findChild<QLabel*>("title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->palette().color(QPalette::WindowText), appkit::colorNamed("HeadingText", appkit::Appearance::Aqua));
    page.setAppearance(appkit::Appearance::DarkAqua);
    EXPECT_EQ(title->palette().color(QPalette::WindowText), appkit::colorNamed("HeadingText", appkit::Appearance::DarkAqua));
    QApplication::setPalette(before);
}

TEST_F(NotificationsListTest, ClosingAndCallsToActionAreKeptInTheStore) {
    auto& context = store->managedObjectContext();
    stored("persistent", "alice", 300, "persistant");
    auto offer = stored("offer", "alice", 200);
    offer->setText("ctaPrimaryTitle", "Open");
    offer->setText("ctaPrimaryAction", "screen");
    offer->setText("ctaPrimaryValue", "settings");
    offer->setText("ctaSecondaryTitle", "Run");
    offer->setText("ctaSecondaryAction", "shell");
    offer->setText("ctaSecondaryValue", "rm -rf /");
    ASSERT_TRUE(context.save());
    auto model = makeModel();
    model->reload(context, "alice", 1.0);
    ASSERT_EQ(model->rowCount(), 2);

    std::vector<std::string> posted;
    auto token = centre.addObserver(OpenScreenPushNotification, [&](const Notification& n) {
        if (const auto* s = n.objectAs<std::string>()) posted.push_back(*s);
    });
    EXPECT_FALSE(model->performCallToAction(1, 1, context)) << "an action we do not know does nothing";
    EXPECT_FALSE(offer->clicked());
    EXPECT_TRUE(model->performCallToAction(1, 0, context));
    EXPECT_EQ(posted, std::vector<std::string>{"settings"});
    EXPECT_TRUE(offer->clicked());

    EXPECT_FALSE(model->close(0, context)) << "a persistent notice has no close box";
    EXPECT_TRUE(model->close(1, context));
    EXPECT_EQ(model->rowCount(), 1);

    // Read back from the file by a new stack.
    store.reset();
    CoreDataService reopened(dir.path() / "store.sqlite");
    auto all = AppNotification::fetch(reopened.managedObjectContext(), "alice");
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 2u);
    for (const auto& n : *all) {
        EXPECT_EQ(n->closed(), n->id() == "offer");
        EXPECT_EQ(n->clicked(), n->id() == "offer");
    }
}

TEST_F(NotificationsListTest, ThePageListsTheStoreAndTheUsersClicksReachTheEntryPoints) {
    appkit::Application app;
    User().setVpnUsername("alice");
    auto welcome = stored("welcome", "alice", Date::now().secondsSince1970);
    welcome->setText("ctaPrimaryTitle", "Open");
    welcome->setText("ctaPrimaryAction", "url");
    welcome->setText("ctaPrimaryValue", "https://example.com");
    ASSERT_TRUE(store->managedObjectContext().save());
    // The entry points are the application's: the page's buttons post to them.
    NotificationsListModel::Collaborators entry = collaborators();
    entry.centre = &NotificationCenter::defaultCenter();
    NotificationsInbox inbox(NotificationsInbox::Hooks{entry, nullptr, &store->managedObjectContext()});
    inbox.install();

    appkit::Window window(QSize(760, 500));
    auto* page = new NotificationsController(makeModel(), &store->managedObjectContext());
    page->model().collaborators().centre = &NotificationCenter::defaultCenter();
    window.setContentViewController(page);
    window.show();

    auto* row = page->view()->findChild<QWidget*>("notificationRow");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->findChild<QLabel*>("notificationTitle")->text(), "Title");
    EXPECT_EQ(row->findChild<QLabel*>("notificationDay")->text().toStdString(), localized("date.relative.today"));
    EXPECT_FALSE(page->view()->findChild<QLabel*>("emptyText")->isVisible());

    QTest::mouseClick(row->findChild<QPushButton*>("primaryButton"), Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.com"}) << "carried out once, by the entry point";
    EXPECT_TRUE(welcome->clicked());

    QTest::mouseClick(row->findChild<QToolButton*>("closeButton"), Qt::LeftButton);
    test::flushDeferredDeletes();
    EXPECT_EQ(page->view()->findChild<QWidget*>("notificationRow"), nullptr);
    EXPECT_TRUE(page->view()->findChild<QLabel*>("emptyText")->isVisible());
    EXPECT_TRUE(welcome->closed());
}

}  // namespace
}  // namespace morvex
