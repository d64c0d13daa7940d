// The dashboard while the tunnel is down, coming up, up, and after a failed attempt, with fixed
// locations and figures so the pictures do not depend on the clock or the network.
#include "Shots.h"

#include "alerts/AlertServices.h"
#include "app/AppMainViewController.h"
#include "app/StatusMenu.h"
#include "appkit/AnimationView.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/StoredServers.h"
#include "ui/dashboard/ConnectButtonController.h"
#include "ui/dashboard/ConnectionComponentsController.h"
#include "ui/dashboard/ConnectionLocationController.h"
#include "ui/dashboard/CursorChangingView.h"
#include "ui/dashboard/ConnectionDetailController.h"
#include "ui/dashboard/DashboardPanes.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/locations/LeftPanelViewController.h"
#include "vpn/AppError.h"

namespace morvex::shots {

// The card and panel of a tunnel to Frankfurt that has been up for 12 minutes 45 seconds.
void showConnectedToFrankfurt(DashboardViewController& d) {
    auto& card = d.locationCard()->model();
    card.loadingLocation = false;
    card.location = std::make_shared<ZevuDataFetcherTypes::Server>("DE", "Frankfurt, DE", ZevuDataFetcherTypes::ServerType::Country, "DE");
    card.ip = std::string("198.51.100.23");
    card.connectedTime = std::string("00:12:45");
    auto& panel = d.connectionPanel()->model();
    auto s = panel.state.value();
    s.counterText = "00:12:45";
    s.recentlyConnectedName = "Frankfurt, DE";
    s.recentlyConnectedVisible = true;
    s.recentlyConnectedFlag = "de";
    s.quickConnectFlag = "de";
    s.protocolText = "IKEv2";
    panel.state = s;
}

namespace {

using S = ZevuConnectionState;
using Type = ZevuDataFetcherTypes::ServerType;

ZevuDataFetcherTypes::ServerPtr germany() { return std::make_shared<ZevuDataFetcherTypes::Server>("DE", "Germany", Type::Country, "DE"); }

void storeLocations() {
    AppPreferences preferences;
    UserDefaults defaults = preferences.defaults();
    setEncodedServer(defaults, std::make_shared<ZevuDataFetcherTypes::Server>("NL", "Netherlands", Type::Country, "NL"),
                     AppPreferences::Key::recommendedServer);
    preferences.setLastConnection(AppPreferences::LastConnection{
        ZevuTypes::SelectedInterface::Recommended, ZevuTypes::ConnectVia::Country,
        ZevuTypes::SelectedInterfaceScreen::Dashboard, ZevuTypes::ConnectionInitiatedBy::User, germany(), "", false, false});
    preferences.setOnGoingConnectionId("760000000.5");
}

// The SDK's status as the pictured state has it (the simulated SDK has no tunnel up here).
class FixedStatus : public VPNControl {
public:
    explicit FixedStatus(int status) : status_(status) {}
    int getCurrentVPNStatus() override { return status_; }
    void setDoCheckInternetConnectivity(bool) override {}
    void reconnectVPN() override {}
    void cancelVPN() override {}
    void disconnectVPN() override {}
    void disableFirewall() override {}

private:
    int status_;
};

void post(S state, std::shared_ptr<const AppError> error = nullptr) {
    ZevuTypes::ConnectionInfo info;
    info.state = state;
    info.connectionId = AppPreferences().onGoingConnectionId();
    info.error = std::move(error);
    info.selectedProtocol = "IKEV";
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
}

// Moves the button's animation on, so its picture is the settled one rather than the first frame.
void settleAnimation(DashboardViewController& dashboard, double seconds) {
    if (auto* view = dashboard.connectButton()->animationView()) {
        view->player().advance(seconds);
        view->update();
    }
}

// `last` runs once the screen has settled, just before the picture: a connected time redoes its
// text when it comes into view, so the pictured times go in there.
QImage render(zevu::ZevuVPNState status, const std::function<void(DashboardViewController&)>& arrange,
              const std::function<void(DashboardViewController&)>& last = {}) {
    storeLocations();
    const AlertServices previous = AlertServices::installed();
    AlertServices services = previous;
    services.vpn = std::make_shared<FixedStatus>(zevu::rawValue(status));
    AlertServices::install(services);
    // The dashboard as the main content shows it, beside the tab bar and over the world map.
    appkit::Window window(QSize(760, 500));
    auto* dashboard = showDashboardIn(window);
    if (!dashboard) return {};
    arrange(*dashboard);
    settle();  // the card's fades end
    if (last) last(*dashboard);
    QImage image = renderWindow(window);
    AlertServices::install(previous);
    return image;
}


QImage disconnected(Context&) {
    return render(zevu::ZevuVPNState::Disconnected, [](DashboardViewController& d) { settleAnimation(d, 1.0); });
}

QImage connecting(Context&) {
    return render(zevu::ZevuVPNState::Connecting, [](DashboardViewController& d) {
        NotificationCenter::defaultCenter().post(ZevuTypes::connectionRequestedNotification, germany());
        post(S::Connecting);
        settleAnimation(d, 0.7);
    });
}

QImage connected(Context&) {
    return render(zevu::ZevuVPNState::Connected, [](DashboardViewController& d) {
        NotificationCenter::defaultCenter().post(ZevuTypes::connectionRequestedNotification, germany());
        post(S::Connecting);
        post(S::Connected);
        NotificationCenter::defaultCenter().post("FetchIP", std::any(), UserInfo{{"ip", std::string("198.51.100.23")}});
        showConnectedToFrankfurt(d);
        settleAnimation(d, 2.0);
    }, showConnectedToFrankfurt);
}

QImage unableToConnect(Context&) {
    return render(zevu::ZevuVPNState::Disconnected, [](DashboardViewController& d) {
        auto error = std::make_shared<AppError>(AppError::makeFallback(5001));
        error->primaryCta = "Troubleshoot";
        error->secondaryCta = "Dismiss";
        post(S::UnableToConnect, error);
        settleAnimation(d, 1.0);
    });
}

void storeRecents(bool any) {
    PreservedPreferences preferences;
    if (!any) return preferences.setRecents(std::nullopt);
    preferences.setRecents(ZevuDataFetcherTypes::ServerList{
        std::make_shared<ZevuDataFetcherTypes::Server>("DE-BER", "Berlin", Type::City, "DE"), germany()});
}

QImage recentsEmpty(Context&) {
    storeRecents(false);
    return render(zevu::ZevuVPNState::Disconnected, [](DashboardViewController& d) { settleAnimation(d, 1.0); });
}

QImage recentsFilled(Context&) {
    storeRecents(true);
    QImage image = render(zevu::ZevuVPNState::Disconnected, [](DashboardViewController& d) { settleAnimation(d, 1.0); });
    storeRecents(false);
    return image;
}

QImage cancelPane(Context&) {
    return render(zevu::ZevuVPNState::Connecting, [](DashboardViewController& d) {
        NotificationCenter::defaultCenter().post(ZevuTypes::connectionRequestedNotification, germany());
        post(S::Connecting);
        settleAnimation(d, 0.7);
    });
}

QImage connectionDetails(Context&) {
    return render(zevu::ZevuVPNState::Connected, [](DashboardViewController& d) {
        NotificationCenter::defaultCenter().post(ZevuTypes::connectionRequestedNotification, germany());
        post(S::Connecting);
        post(S::Connected);
        showConnectedToFrankfurt(d);
        d.connectionPanel()->model().toggleInfoCard();
        settle();
        if (auto* detail = d.connectionDetail()) {
            detail->model().applyTraffic({1'234'567, 482'113});
            detail->model().showPortForwardingStatus(
                {ConnectionDetailModel::PortForwardingStatus::Kind::AllBlockedExpect, "51820, 51821"});
        }
        settleAnimation(d, 2.0);
    }, showConnectedToFrankfurt);
}

QImage leftPanel(Context&) {
    PreservedPreferences preferences;
    ZevuDataFetcherTypes::ServerList favourites{
        germany(), std::make_shared<ZevuDataFetcherTypes::Server>("FR-PAR", "Paris", Type::City, "FR"),
        std::make_shared<ZevuDataFetcherTypes::Server>("NL", "Netherlands", Type::Country, "NL")};
    // Stored favourites carry their flag, so their rows show the filled star.
    for (const auto& s : favourites) s->favorite = true;
    preferences.setFavorites(favourites);
    appkit::Window window(QSize(240, 260));
    auto* panel = new LeftPanelViewController;
    window.setContentViewController(panel);
    window.show();
    panel->viewWillAppear();
    settle();
    QImage image = renderWindow(window);
    preferences.setFavorites(std::nullopt);
    return image;
}

QImage leftPanelEmpty(Context&) {
    PreservedPreferences().setFavorites(std::nullopt);
    appkit::Window window(QSize(240, 160));
    auto* panel = new LeftPanelViewController;
    window.setContentViewController(panel);
    window.show();
    panel->viewWillAppear();
    settle();
    return renderWindow(window);
}

const Registration shots({
    {"dashboard", "disconnected", disconnected},
    {"dashboard", "connecting", connecting},
    {"dashboard", "connected", connected},
    {"dashboard", "error-bar", unableToConnect},
    {"dashboard", "recents-empty", recentsEmpty},
    {"dashboard", "recents", recentsFilled},
    {"dashboard", "cancel-pane", cancelPane},
    {"dashboard", "connection-details", connectionDetails},
    {"dashboard", "left-panel", leftPanel},
    {"dashboard", "left-panel-empty", leftPanelEmpty},
});

}  // namespace
}  // namespace morvex::shots
