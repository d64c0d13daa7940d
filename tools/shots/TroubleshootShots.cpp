// The troubleshooting page inside the dashboard, in each of its diagnoses, with the fake service
// answering the account check as the state needs.
#include <QElapsedTimer>

#include "FakeService.h"
#include "Shots.h"

#include "app/AppMainViewController.h"
#include "viewmodels/MainTab.h"
#include "app/StatusMenu.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "ui/dashboard/DashboardPanes.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/support/TroubleshootViewController.h"
#include "vpn/AppError.h"

namespace morvex::shots {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;

struct Arrangement {
    fake::VPNAccount account = fake::VPNAccount::active;
    Type lastConnection = Type::Country;
    bool automaticProtocol = false;
    std::optional<std::string> articleUrl;
    bool answerLate = false;  // the picture is taken while the account is still being checked
};

QImage render(Context& context, const Arrangement& a) {
    static int attempt = 0;
    User user;
    user.setVpnUsername("morvex0s1234567");
    PreservedPreferences().setAutomaticProtocol(a.automaticProtocol);
    AppPreferences preferences;
    preferences.setLastConnection(AppPreferences::LastConnection{
        ZevuTypes::SelectedInterface::Recommended, ZevuTypes::ConnectVia::Country,
        ZevuTypes::SelectedInterfaceScreen::Dashboard, ZevuTypes::ConnectionInitiatedBy::User,
        std::make_shared<ZevuDataFetcherTypes::Server>("DE", "Germany", a.lastConnection, "DE"), "", false, false});
    // A connection of its own for each picture, so each one is diagnosed afresh.
    preferences.setOnGoingConnectionId("shot-" + std::to_string(++attempt));
    fake::setVPNAccount(context.service, a.account);
    if (a.answerLate)
        context.service.failNext(fake::kAccountCheckPath,
                                 fake::Answer::delayed(std::chrono::milliseconds(1500), fake::accountCheckAnswer(a.account)));

    appkit::Window window(QSize(760, 500));
    auto* dashboard = showDashboardIn(window);
    if (!dashboard) return {};

    UserInfo request;
    request["utcProperties"] = Dictionary{{"reason", "handshake"}};
    if (a.articleUrl) {
        AppError error = AppError::makeFallback(5001);
        error.url = *a.articleUrl;
        request["error"] = error;
    }
    NotificationCenter::defaultCenter().post(ConnectionStateViewController::requestTroubleshootNotification, request);
    auto* page = dashboard->findChild<TroubleshootViewController*>();
    if (!page) return {};
    QElapsedTimer waited;
    waited.start();
    while (!a.answerLate && page->loading() && waited.elapsed() < 5000) settle();
    settle();
    return renderWindow(window);
}

QImage expired(Context& c) { return render(c, {.account = fake::VPNAccount::expired}); }
QImage disabled(Context& c) { return render(c, {.account = fake::VPNAccount::disabled}); }
QImage invalid(Context& c) { return render(c, {.account = fake::VPNAccount::noVPNUser}); }
QImage switchProtocol(Context& c) { return render(c, {}); }
QImage switchProtocolWithArticle(Context& c) {
    return render(c, {.articleUrl = "https://help.morvexvpn.com/hc/articles/connection-issues"});
}
QImage contactSupport(Context& c) { return render(c, {.lastConnection = Type::DedicatedIp}); }
QImage accountFine(Context& c) { return render(c, {.automaticProtocol = true}); }
QImage checking(Context& c) { return render(c, {.answerLate = true}); }

Registration registration({
    {"troubleshoot", "expired", expired},
    {"troubleshoot", "disabled", disabled},
    {"troubleshoot", "invalid", invalid},
    {"troubleshoot", "switch-protocol", switchProtocol},
    {"troubleshoot", "switch-protocol-article", switchProtocolWithArticle},
    {"troubleshoot", "contact-support", contactSupport},
    {"troubleshoot", "account-fine", accountFine},
    {"troubleshoot", "checking", checking},
});

}  // namespace
}  // namespace morvex::shots
