// The desktop's services against stand-ins on this test's private session bus: notifications,
// logind's sleep inhibitor and sleep signal, the portal's colour scheme, and opening links.
#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QObject>
#include <gtest/gtest.h>
#include <vector>

#include "appkit/Appearance.h"
#include "appkit/PowerAssertion.h"
#include "appkit/StatusItem.h"
#include "appkit/UserNotifications.h"
#include "appkit/Workspace.h"
#include "support/FakeDesktopServices.h"
#include "support/TestSupport.h"

namespace morvex::appkit {
namespace {

#define REQUIRE_SERVICE(service) \
    if (!(service).available()) GTEST_SKIP() << "needs a private session bus (run through run-test.sh)"

TEST(UserNotificationsTest, ANewerRequestOfTheSameIdentifierReplacesTheShownOne) {
    test::FakeNotificationService service;
    REQUIRE_SERVICE(service);
    UserNotificationCenter centre(QDBusConnection::sessionBus(), "MorvexVPN");
    centre.add({"connection", "MorvexVPN", "connected"});
    ASSERT_TRUE(test::waitUntil([&] { return centre.deliveredId("connection").has_value(); }));
    centre.add({"connection", "MorvexVPN", "disconnected"});
    // Two more before the service could answer the first of them: only the newest is still shown.
    centre.add({"connection", "MorvexVPN", "connecting"});
    centre.add({"connection", "MorvexVPN", "connected again"});
    centre.add({"other", "MorvexVPN", "something else"});
    ASSERT_TRUE(test::waitUntil([&] { return service.shown().size() == 2 && service.notifyCalls() >= 4; }));
    test::settleSessionBus();

    auto shown = service.shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].body, "connected again");
    EXPECT_EQ(shown[0].appName, "MorvexVPN");
    EXPECT_EQ(shown[1].body, "something else");
}

TEST(UserNotificationsTest, AuthorizationIsWhetherTheSessionHasANotificationService) {
    UserNotificationCenter centre(QDBusConnection::sessionBus(), "MorvexVPN");
    std::optional<bool> granted;
    centre.requestAuthorization(presentation::badge, [&](bool g, std::optional<Error>) { granted = g; });
    ASSERT_TRUE(test::waitUntil([&] { return granted.has_value(); }));
    EXPECT_FALSE(*granted) << "no service yet";

    test::FakeNotificationService service;
    REQUIRE_SERVICE(service);
    granted.reset();
    std::optional<Error> error;
    centre.requestAuthorization(presentation::badge, [&](bool g, std::optional<Error> e) {
        granted = g;
        error = e;
    });
    ASSERT_TRUE(test::waitUntil([&] { return granted.has_value(); }));
    EXPECT_TRUE(*granted);
    EXPECT_FALSE(error.has_value());
}

TEST(PowerAssertionTest, AnAssertionHoldsALogindSleepLockUntilReleasedOnce) {
    test::FakeLogind logind;
    REQUIRE_SERVICE(logind);
    PowerAssertions assertions(QDBusConnection::sessionBus(), "MorvexVPN");
    IOPMAssertionID id = 0;
    ASSERT_EQ(assertions.create(kIOPMAssertionTypePreventUserIdleSystemSleep, kIOPMAssertionLevelOn,
                                "MorvexVPNPreventMacFromSleep", id),
              kIOReturnSuccess);
    ASSERT_EQ(logind.lockCount(), 1u);
    EXPECT_EQ(logind.lockWhat(0), "sleep:idle");
    EXPECT_FALSE(logind.isReleased(0));

    EXPECT_EQ(assertions.release(id), kIOReturnSuccess);
    // The bus lets go of its copies of the descriptor a moment later.
    EXPECT_TRUE(test::waitUntil([&] { return logind.isReleased(0); }));
    EXPECT_EQ(assertions.release(id), kIOReturnNotFound);
}

TEST(PowerAssertionTest, BadArgumentsAndAMissingLogindAreRefused) {
    PowerAssertions assertions(QDBusConnection::sessionBus(), "MorvexVPN");
    IOPMAssertionID id = 0;
    EXPECT_EQ(assertions.create("NoSuchType", kIOPMAssertionLevelOn, "x", id), kIOReturnBadArgument);
    EXPECT_EQ(assertions.create(kIOPMAssertionTypePreventUserIdleSystemSleep, kIOPMAssertionLevelOff, "x", id),
              kIOReturnBadArgument);
    EXPECT_EQ(assertions.create(kIOPMAssertionTypePreventUserIdleSystemSleep, kIOPMAssertionLevelOn, "x", id),
              kIOReturnError) << "no logind on this bus";
    EXPECT_EQ(assertions.heldCount(), 0u);
}

TEST(WorkspaceTest, LogindsSleepSignalIsPostedAsSleepAndWake) {
    test::FakeLogind logind;
    REQUIRE_SERVICE(logind);
    Workspace workspace(QDBusConnection::sessionBus());
    ASSERT_TRUE(workspace.isListeningForSleep());
    std::vector<std::string> posted;
    auto sleep = workspace.notificationCenter().addObserver({}, [&](const Notification& n) { posted.push_back(n.name); });
    // The subscription reaches the bus a moment after it was asked for: signal until it is heard.
    ASSERT_TRUE(test::waitUntil([&] {
        logind.emitPrepareForSleep(true);
        return test::waitUntil([&] { return !posted.empty(); }, std::chrono::milliseconds(20));
    }));
    logind.emitPrepareForSleep(false);
    ASSERT_TRUE(test::waitUntil([&] { return posted.back() == Workspace::didWakeNotification; }));
    for (std::size_t i = 0; i + 1 < posted.size(); ++i) EXPECT_EQ(posted[i], Workspace::willSleepNotification);
}

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

TEST(WorkspaceTest, OnlyWebPagesAreOpened) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    Workspace workspace{QDBusConnection(QString())};
    struct Case {
        const char* url;
        bool opened;
    };
    const Case cases[] = {
        {"https://morvexvpn.com/applinks/feedback?theme=light", true},
        {"http://example.org/", true},
        {"file:///etc/passwd", false},
        {"zarnapp://callback", false},
        {"javascript:alert(1)", false},
        {"https://", false},
        {"not a link at all", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        catcher.opened.clear();
        EXPECT_EQ(workspace.openURL(std::string_view(c.url)), c.opened);
        EXPECT_EQ(catcher.opened.size(), c.opened ? 1u : 0u);
    }
    for (const char* scheme : {"https", "http", "file"}) QDesktopServices::unsetUrlHandler(scheme);
}

TEST(AppearanceTest, ThePortalsColourSchemeDecidesLightOrDark) {
    test::FakeColorSchemePortal portal(1);
    REQUIRE_SERVICE(portal);
    SystemAppearance system(QDBusConnection::sessionBus());
    std::vector<Appearance> changes;
    QObject::connect(&system, &SystemAppearance::changed, [&](Appearance a) { changes.push_back(a); });
    ASSERT_TRUE(test::waitUntil([&] { return system.current() == Appearance::DarkAqua; }));
    // The subscription reaches the bus a moment after it was asked for: announce until heard.
    portal.setScheme(2);
    ASSERT_TRUE(test::waitUntil([&] { return changes.size() == 2; }));
    portal.setScheme(0);  // no preference reads as light: no change
    // The portal's signals come in order: once the next change is here, one for "no preference"
    // would have come before it.
    portal.setScheme(1);
    ASSERT_TRUE(test::waitUntil([&] { return changes.size() >= 3; }));
    test::drain();
    EXPECT_EQ(changes, (std::vector<Appearance>{Appearance::DarkAqua, Appearance::Aqua, Appearance::DarkAqua}));
}

TEST(AppearanceTest, WithoutAPortalTheSystemIsLight) {
    SystemAppearance system(QDBusConnection::sessionBus());
    test::settleSessionBus();  // the question to the missing portal has had its answer
    EXPECT_EQ(system.current(), Appearance::Aqua);
    EXPECT_EQ(bestMatch(Appearance::DarkAqua, {Appearance::Aqua, Appearance::DarkAqua}), Appearance::DarkAqua);
    EXPECT_EQ(bestMatch(Appearance::DarkAqua, {Appearance::Aqua}), std::nullopt);
}

TEST(StatusItemTest, AMenuOfItemsReportsTheChosenOneAndThenCloses) {
    StatusItem item;
    item.setImage("StatusMenuDisconnected");
    int clicks = 0;
    item.setClickHandler([&] { ++clicks; });
    item.click();
    EXPECT_EQ(clicks, 1);

    std::vector<std::size_t> chosen;
    bool closed = false;
    item.popUpMenu({{"Connect", ""}, {"", "", true, true}, {"Open", "o", true}, {"Quit", "q", false}},
                   [&](std::size_t i) { chosen.push_back(i); }, [&] { closed = true; });
    QMenu* menu = item.openMenu();
    ASSERT_NE(menu, nullptr);
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_FALSE(actions[3]->isEnabled());
    actions[2]->trigger();
    menu->close();
    EXPECT_TRUE(test::waitUntil([&] { return closed; }));
    EXPECT_EQ(chosen, std::vector<std::size_t>{2});
}

}  // namespace
}  // namespace morvex::appkit

#include "DesktopServicesTest.moc"
