#include "viewmodels/StatusMenuModel.h"

#include <cctype>

#include "foundation/Dispatch.h"
#include "vpn/AppError.h"
#include "model/WebLink.h"
#include "state/AppManager.h"

namespace morvex::status_menu {

ZevuConnectionState stateFromStatus(int status) {
    if (status == kConnectedStatus) return ZevuConnectionState::Connected;
    if (status == kConnectingStatus) return ZevuConnectionState::Connecting;
    return ZevuConnectionState::Disconnected;
}

std::optional<std::string_view> iconFor(const std::any& object) {
    const auto* info = std::any_cast<ZevuTypes::ConnectionInfo>(&object);
    if (!info) return std::nullopt;
    switch (info->state) {
        case ZevuConnectionState::Connected:
        case ZevuConnectionState::UnableToBrowse:
            return kConnectedIcon;
        case ZevuConnectionState::Connecting:
        case ZevuConnectionState::Redialing:
        case ZevuConnectionState::Disconnecting:
            return kConnectingIcon;
        case ZevuConnectionState::Disconnected:
            return kDisconnectedIcon;
        case ZevuConnectionState::UnableToConnect:
            if (info->error && info->error->code == Zevu::alreadyConnectingCode) return std::nullopt;
            return kDisconnectedIcon;
    }
    return std::nullopt;
}

std::vector<Entry> entries(int sdkStatus) {
    const std::string_view toggle = isConnectedOrConnecting(sdkStatus) ? "status.menu.disconnect" : "status.menu.connect";
    return {
        {toggle, "", "", Action::ToggleConnect},
        {"status.menu.open.app", "Open the application", "o", Action::Open},
        {"status.menu.quit.app", "Quit the application", "q", Action::Quit},
    };
}

std::string liveChatURL() { return urlString(WebLink::WebSiteRoot); }
std::string privacyPolicyURL() { return urlString(WebLink::WebSiteRoot) + "/privacy-policy/"; }
std::string termsURL() { return urlString(WebLink::WebSiteRoot) + "/terms-and-condition/"; }

std::string supportURL(const AppPreferences& preferences) {
    std::string code = preferences.defaults().string(AppPreferences::Key::preferredLanguageCode).value_or("de");
    for (char& c : code) c = char(std::tolower(static_cast<unsigned char>(c)));
    return urlString(WebLink::WebSiteRoot) + (code == "de" ? "/support/" : "/en/support/");
}

}  // namespace morvex::status_menu

namespace morvex {

StatusMenuModel::StatusMenuModel(Zevu zevu)
    : zevu(std::move(zevu)), vpnStatus(status_menu::stateFromStatus(vpn()->getCurrentVPNStatus())) {
    stateObserver_ = NotificationCenter::defaultCenter().addObserver(
        ZevuTypes::stateNotification, [this](const Notification& n) { zevuStatusNotification(n); });
}

std::shared_ptr<VPNControl> StatusMenuModel::vpn() const { return AlertServices::installed().vpn; }

void StatusMenuModel::zevuStatusNotification(const Notification& notification) {
    const auto* info = notification.objectAs<ZevuTypes::ConnectionInfo>();
    if (!info) return;
    const ZevuConnectionState state = info->state;
    std::weak_ptr<bool> alive = alive_;
    DispatchQueue::main().async([this, alive, state] {
        if (alive.lock()) vpnStatus.set(state);
    });
}

void StatusMenuModel::toggleConnection() {
    auto control = vpn();
    const int status = control->getCurrentVPNStatus();
    if (status == status_menu::kConnectingStatus || status == status_menu::kConnectedStatus) {
        if (status == status_menu::kConnectingStatus) control->cancelVPN();
        else control->disconnectVPN();
        if (auto* manager = AlertServices::installed().appManager) manager->lastVPNStateConnected = false;
        return;
    }
    zevu.quickConnect(ZevuTypes::ConnectVia::SmartConnect, ZevuTypes::SelectedInterfaceScreen::Topbar,
                      ZevuTypes::ConnectionInitiatedBy::User, ZevuTypes::SelectedInterface::Recommended, true, {});
}

}  // namespace morvex
