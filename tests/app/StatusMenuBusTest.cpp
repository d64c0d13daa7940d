// The status menu as the desktop's panel sees it: on this test's private session bus a
// status-notifier watcher stand-in plays the panel, the item registers with it, and the test
// clicks the item over the bus as the panel would. The platform must offer status items over the
// bus (xcb; the suite runs this test again under Xvfb): on the offscreen platform it is skipped.
#include <QAction>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QGuiApplication>
#include <QMenu>
#include <gtest/gtest.h>

#include "alerts/AlertTestSupport.h"
#include "app/StatusMenu.h"
#include "foundation/Bundle.h"
#include "support/FakeDesktopServices.h"
#include "flows/MorvexVPNService.h"

namespace morvex {
namespace {

class StatusMenuOnBusTest : public test::AlertTest {
protected:
    void SetUp() override {
        AlertTest::SetUp();
        // Before anything asks whether the session shows status items: the platform asks once.
        watcher = std::make_unique<test::FakeStatusNotifierWatcher>();
        if (!watcher->available()) GTEST_SKIP() << "needs a private session bus (run through run-test.sh)";
        if (!appkit::StatusItem::isAvailable())
            GTEST_SKIP() << "the " << qPrintable(QGuiApplication::platformName())
                         << " platform shows no status items over the bus; the suite runs this test under Xvfb";
    }
    void TearDown() override {
        menu.reset();
        watcher.reset();
        AlertTest::TearDown();
    }
    // What the panel sends to the item when it is clicked; the call ends once the item has handled it.
    QDBusPendingCall panelCalls(const QString& method) {
        QDBusMessage call = QDBusMessage::createMethodCall(itemService, QStringLiteral("/StatusNotifierItem"),
                                                           QStringLiteral("org.kde.StatusNotifierItem"), method);
        call.setArguments({0, 0});
        return QDBusConnection::sessionBus().asyncCall(call);
    }

    appkit::Application app;
    std::unique_ptr<test::FakeStatusNotifierWatcher> watcher;
    std::unique_ptr<StatusMenu> menu;
    QString itemService;
};

TEST_F(StatusMenuOnBusTest, ThePanelsClickOpensTheClickMenuNotTheApplicationMenu) {
    StatusMenu::Hooks hooks;
    hooks.connect = [](const ConnectRequest&, ConnectErrorHandler) {};
    hooks.fetchRecommended = [] {};
    hooks.accountStatusCheck = [] { return false; };
    menu = std::make_unique<StatusMenu>(AppPreferences(), MorvexVPNService::makeZevu(), hooks);
    ASSERT_TRUE(test::waitUntil([&] { return !watcher->items().isEmpty(); })) << "the item never registered with the watcher";
    itemService = watcher->items().front();

    QDBusPendingCall secondary = panelCalls(QStringLiteral("ContextMenu"));
    ASSERT_TRUE(test::waitUntil([&] { return secondary.isFinished(); }));
    test::drain();
    EXPECT_EQ(menu->statusItem().openMenu(), nullptr) << "a secondary click shows the application menu, never the click menu";

    vpn->status = 2;
    panelCalls(QStringLiteral("Activate"));
    ASSERT_TRUE(test::waitUntil([&] { return menu->statusItem().openMenu() != nullptr; })) << "a primary click opens the menu";
    QMenu* open = menu->statusItem().openMenu();
    ASSERT_EQ(open->actions().size(), 3);
    EXPECT_EQ(open->actions()[0]->text().toStdString(), localized("status.menu.disconnect"));
    open->actions()[0]->trigger();
    open->close();
    EXPECT_EQ(vpn->calls, std::vector<std::string>{"cancelVPN"});

    // After the menu has closed, the next click opens it again.
    ASSERT_TRUE(test::waitUntil([&] { return menu->statusItem().openMenu() == nullptr; }));
    panelCalls(QStringLiteral("Activate"));
    EXPECT_TRUE(test::waitUntil([&] { return menu->statusItem().openMenu() != nullptr; }));
    if (QMenu* again = menu->statusItem().openMenu()) again->close();
}

}  // namespace
}  // namespace morvex
