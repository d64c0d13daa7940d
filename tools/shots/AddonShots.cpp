// The dedicated-IP add-on's page in its sheet over the connected dashboard, the page served by the
// fake service's copy of the web site.
#include "Shots.h"

#include <QPushButton>

#include "FakeService.h"
#include "alerts/AlertServices.h"
#include "app/AppMainViewController.h"
#include "app/StatusMenu.h"
#include "appkit/Sheet.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "ui/kit/AddonDialog.h"
#include "ui/dashboard/ConnectionComponentsController.h"
#include "ui/dashboard/ConnectionDetailController.h"
#include "ui/dashboard/DashboardViewController.h"

namespace morvex::shots {
namespace {

// The SDK reports a tunnel that is up.
class TunnelUp : public VPNControl {
public:
    int getCurrentVPNStatus() override { return zevu::rawValue(zevu::ZevuVPNState::Connected); }
    void setDoCheckInternetConnectivity(bool) override {}
    void reconnectVPN() override {}
    void cancelVPN() override {}
    void disconnectVPN() override {}
    void disableFirewall() override {}
};

QImage dedicatedIp(Context& context) {
    const AlertServices previous = AlertServices::installed();
    AlertServices services = previous;
    services.vpn = std::make_shared<TunnelUp>();
    AlertServices::install(services);
    AppPreferences().setOnGoingConnectionId("760000000.5");

    AppMainViewController::Hooks hooks;
    hooks.activateExtension = [](const std::string&) {};
    hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
    hooks.migrationCheck = [] {};
    appkit::Window window(QSize(760, 500));
    auto* content = new AppMainViewController(hooks);
    window.setContentViewController(content);
    window.show();
    settle();
    auto* dashboard = qobject_cast<DashboardViewController*>(content->currentPageController());
    if (!dashboard) return {};
    ZevuTypes::ConnectionInfo info;
    info.connectionId = AppPreferences().onGoingConnectionId();
    info.selectedProtocol = "IKEV";
    for (auto state : {ZevuConnectionState::Connecting, ZevuConnectionState::Connected}) {
        info.state = state;
        NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
    }
    dashboard->connectionPanel()->model().toggleInfoCard();
    settle(600);
    ConnectionDetailController* detail = dashboard->connectionDetail();
    if (!detail) return {};
    // The page from the fake service in place of the web site, with the same path and query.
    const std::string site = context.service.baseURL();
    detail->makeAddonDialog = [site](const QUrl& page) {
        auto* dialog = new AddonDialog;
        QUrl local(QString::fromStdString(site));
        local.setPath(page.path());
        local.setQuery(page.query());
        dialog->addonURL = local;
        return dialog;
    };
    AddonDialog* dialog = nullptr;
    detail->dedicatedIpButton()->click();
    if (appkit::Sheet* sheet = window.attachedSheet()) dialog = sheet->findChild<AddonDialog*>();
    if (!dialog) return {};
    waitFor([&] { return !dialog->loading.value(); }, 30000);
    settle(300);
    QImage image = renderWindow(window);
    AlertServices::install(previous);
    return image;
}

const Registration shots({
    {"addon", "dedicated-ip", dedicatedIp},
});

}  // namespace
}  // namespace morvex::shots
