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

std::vector<Entry> applicationMenuEntries(int sdkStatus, bool loggedIn) {
    constexpr Entry separator{"", "", "", Action::Separator};
    std::vector<Entry> menu;
    if (loggedIn) {
        menu.push_back(entries(sdkStatus).front());
        menu.push_back(separator);
    }
    menu.push_back({"status.menu.open.app", "Open the application", "o", Action::Open});
    if (loggedIn) {
        menu.push_back({"status.menu.preferences", "Preferences", ",", Action::Preferences});
        menu.push_back({"status.menu.profile", "Profile", "", Action::Profile});
    }
    menu.push_back(separator);
    if (loggedIn) {
        menu.push_back({"status.menu.faq", "FAQ", "", Action::FAQ});
        menu.push_back({"status.menu.support.ticket", "Submit a ticket", "", Action::SupportTicket});
    }
    menu.push_back({"status.menu.live.chat", "Live chat", "", Action::LiveChat});
    menu.push_back({"status.menu.contact.support", "Contact support", "", Action::ContactSupport});
    menu.push_back({"status.menu.privacy", "Privacy policy", "", Action::PrivacyPolicy});
    menu.push_back({"status.menu.terms", "Terms and conditions", "", Action::Terms});
    menu.push_back(separator);
    menu.push_back({"status.menu.check.update", "Check for update", "", Action::CheckForUpdate});
    menu.push_back({"status.menu.about", "Version and feedback", "", Action::About});
    if (loggedIn) menu.push_back({"status.menu.logout", "Log out", "", Action::LogOut});
    menu.push_back(separator);
    menu.push_back({"status.menu.quit.app", "Quit the application", "q", Action::Quit});
    return menu;
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
    DispatchQueue::main().async(lifetime_.guard([this, state] { vpnStatus.set(state); }));
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
