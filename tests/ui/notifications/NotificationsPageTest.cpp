// The notification page as a user meets it in the main window: filled from the fake service's list,
// the unread badge on its tab and how reading the list takes it down, what a failed or empty answer
// shows, and the push entry points working before the page was ever made.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "appkit/Storyboard.h"
#include "appkit/WindowController.h"
#include "state/User.h"
#include "ui/MainWindowPageTest.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/notifications/NotificationsController.h"
#include "ui/notifications/NotificationsInbox.h"
#include "viewmodels/AppNotification.h"

namespace morvex {
namespace {

constexpr const char* kListPath = "/notification/list/v3";

class NotificationsPageTest : public test::MainWindowPageTest {
protected:
    void SetUp() override {
        MainWindowPageTest::SetUp();
        if (HasFatalFailure()) return;
        clearStore();
        User user;
        user.setVpnUsername(std::string("morvex0s1111111"));
        user.setLoggedIn(true);
    }
    void TearDown() override {
        window.reset();
        inbox.reset();
        test::settleRequests();
        test::flushDeferredDeletes();
        clearStore();
        MainWindowPageTest::TearDown();
    }
    // The page and the tab bar read the application's one store, which outlives a test.
    static void clearStore() {
        auto& context = CoreDataService::shared().managedObjectContext();
        if (auto all = AppNotification::fetch(context))
            for (const auto& n : *all) context.deleteObject(n->object());
        (void)context.save();
    }

    void startInbox() {
        NotificationsInbox::Hooks hooks;
        hooks.actions.openURL = [this](const std::string& url) { opened.push_back(url); return true; };
        hooks.actions.launchApplication = [](const std::string&) { return false; };
        hooks.actions.performSegue = [this](std::string_view id) { segues.emplace_back(id); };
        hooks.actions.vpn = vpn;
        hooks.actions.connect = [](const ConnectRequest&, ConnectErrorHandler) {};
        hooks.actions.updateRecommendedLocation = [] {};
        inbox = std::make_unique<NotificationsInbox>(std::move(hooks));
        inbox->install();
    }
    TabsViewController& tabs() { return *content->tabsController(); }
    NotificationsController* openPage() {
        QTest::mouseClick(tabs().notificationsTab, Qt::LeftButton);
        return qobject_cast<NotificationsController*>(content->currentPageController());
    }
    std::size_t listRequests() const { return service.requestsTo(std::string("/MorvexVPN") + kListPath).size(); }
    bool answered() const { return !inbox->feed().isFetching(); }
    static QStringList titlesOn(NotificationsController& page) {
        QStringList titles;
        for (auto* row : page.view()->findChildren<QWidget*>("notificationRow"))
            if (auto* title = row->findChild<QLabel*>("notificationTitle")) titles << title->text();
        return titles;
    }

    std::unique_ptr<NotificationsInbox> inbox;
    std::vector<std::string> segues;
};

TEST_F(NotificationsPageTest, TheServicesNoticesAreListedAndTheBadgeCountsThemUntilTheListIsRead) {
    openMain();
    EXPECT_FALSE(tabs().badge->isVisible());
    startInbox();
    ASSERT_TRUE(test::waitUntil([&] { return tabs().badge->isVisible(); })) << "the start-up fetch brings the count";
    EXPECT_EQ(tabs().badge->text(), "3");
    EXPECT_EQ(User().unreadNotificationCount(), 3);
    EXPECT_EQ(listRequests(), 1u);
    // The badge sits on the notifications tab.
    const QRect tab(tabs().notificationsTab->mapTo(tabs().view(), QPoint(0, 0)), tabs().notificationsTab->size());
    EXPECT_TRUE(tab.intersects(tabs().badge->geometry()));

    NotificationsController* page = openPage();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return page->view()->isVisible(); }));
    EXPECT_EQ(titlesOn(*page), (QStringList{"Your subscription renews soon", "Try WireGuard", "Confirm your e-mail address"}))
        << "the service's notices, newest first";
    EXPECT_FALSE(page->view()->findChild<QLabel*>("emptyText")->isVisible());
    EXPECT_FALSE(tabs().badge->isVisible()) << "reading the list takes the badge down";
    EXPECT_EQ(User().unreadNotificationCount(), 0);

    // Opening the page asked again; the same list keeps what the user has read.
    ASSERT_TRUE(test::waitUntil([&] { return listRequests() == 2 && answered(); }));
    test::drain();
    EXPECT_FALSE(tabs().badge->isVisible());
    EXPECT_EQ(User().unreadNotificationCount(), 0);
    EXPECT_EQ(titlesOn(*page).size(), 3);
    EXPECT_TRUE(presenter->shown.empty()) << "nothing to tell the user";
}

struct BadAnswer {
    const char* name;
    fake::Answer answer;
};

class NotificationsPageBadAnswerTest : public NotificationsPageTest, public ::testing::WithParamInterface<BadAnswer> {};

TEST_P(NotificationsPageBadAnswerTest, ShowsTheEmptyStateAndAsksOnlyWhenTheUserOpensThePage) {
    service.route("GET", std::string("/MorvexVPN") + kListPath, GetParam().answer);
    openMain();
    startInbox();
    ASSERT_TRUE(test::waitUntil([&] { return listRequests() == 1 && answered(); }));
    test::settleRequests();
    EXPECT_EQ(listRequests(), 1u) << "a failed or empty answer is not asked again by itself";
    EXPECT_FALSE(tabs().badge->isVisible());

    NotificationsController* page = openPage();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return page->view()->isVisible(); }));
    test::settleRequests();
    EXPECT_EQ(listRequests(), 2u) << "one request for the opening, no more";
    auto* empty = page->view()->findChild<QLabel*>("emptyText");
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->text().toStdString(), localized("notifications.empty"));
    EXPECT_EQ(page->view()->findChild<QWidget*>("notificationRow"), nullptr);
    EXPECT_TRUE(presenter->shown.empty()) << "no error alert";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, NotificationsPageBadAnswerTest,
    ::testing::Values(BadAnswer{"EmptyList", fake::Answer::envelope({{"notifications", nlohmann::json::array()}})},
                      BadAnswer{"ServerError", fake::Answer::plain(500, "down")},
                      BadAnswer{"GatewayRefusal", fake::Answer::envelope(nlohmann::json::object(), 1041, "Not allowed")},
                      BadAnswer{"NotJson", fake::Answer::malformed()},
                      BadAnswer{"NoList", fake::Answer::envelope({{"items", nlohmann::json::array()}})},
                      BadAnswer{"Dropped", fake::Answer::dropped()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NotificationsPageTest, PushesWorkBeforeThePageWasEverOpenedAndActOnceAfter) {
    User().setLoggedIn(false);  // no list to fetch: only the pushes
    startInbox();
    std::vector<MainTab> requested;
    auto token = NotificationCenter::defaultCenter().addObserver(kAppShowControllerNotification, [&](const Notification& n) {
        if (auto tab = mainTabFromObject(n.object)) requested.push_back(*tab);
    });
    auto& centre = NotificationCenter::defaultCenter();
    centre.post(OpenUrlPushNotification, std::string("https://morvexvpn.example/offer"));
    centre.post(OpenScreenPushNotification, std::string("support"));
    centre.post(OpenScreenPushNotification, std::string("settings"));
    vpn->status = zevu::rawValue(zevu::ZevuVPNState::Connected);
    centre.post(QuickConnectPushNotification);
    EXPECT_EQ(opened, std::vector<std::string>{"https://morvexvpn.example/offer"});
    EXPECT_EQ(requested, (std::vector<MainTab>{MainTab::Support1, MainTab::Notifications}));
    EXPECT_EQ(segues, std::vector<std::string>{"seguePreferences"}) << "settings opens the preferences";
    EXPECT_EQ(vpn->calls, std::vector<std::string>{"disconnectVPN"});

    // With the page made, a push still acts once.
    openMain();
    ASSERT_NE(openPage(), nullptr);
    opened.clear();
    centre.post(OpenUrlPushNotification, std::string("https://morvexvpn.example/offer"));
    EXPECT_EQ(opened, std::vector<std::string>{"https://morvexvpn.example/offer"});
    // The number the "settings" push posts beside opening the preferences does not switch the window
    // to the list.
    QTest::mouseClick(tabs().dashboardTab, Qt::LeftButton);
    centre.post(OpenScreenPushNotification, std::string("settings"));
    EXPECT_EQ(content->currentPage(), MainTab::Dashboard);
}

TEST_F(NotificationsPageTest, TheSettingsPushOpensThePreferencesWindowOfTheApplication) {
    User().setLoggedIn(false);
    NotificationsInbox::Hooks hooks;
    hooks.actions.vpn = vpn;
    hooks.actions.connect = [](const ConnectRequest&, ConnectErrorHandler) {};
    hooks.actions.updateRecommendedLocation = [] {};
    inbox = std::make_unique<NotificationsInbox>(std::move(hooks));  // the real preferences segue
    inbox->install();
    QPointer<QObject> made;
    appkit::Storyboard::setInstantiationObserver([&](const appkit::Storyboard&, std::string_view scene, QObject* object) {
        if (scene == kPreferencesWindowScene) made = object;
    });
    NotificationCenter::defaultCenter().post(OpenScreenPushNotification, std::string("settings"));
    appkit::Storyboard::setInstantiationObserver({});
    auto* preferences = qobject_cast<appkit::WindowController*>(made.data());
    ASSERT_NE(preferences, nullptr);
    EXPECT_TRUE(test::waitUntil([&] { return preferences->window() && preferences->window()->isVisible(); }));
    preferences->window()->close();
    delete preferences;
}

}  // namespace
}  // namespace morvex
