#pragma once
// What the status-bar menu decides without a widget: the icon for a VPN state, the entries of
// its click menu for an SDK status, its web links, and the popover's model that keeps the VPN
// state and toggles the connection.
//
// The SDK's status number counts as connected at 3 and connecting at 2; every other value is
// not connected.
#include <any>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alerts/AlertServices.h"
#include "appkit/Bindings.h"
#include "foundation/Lifetime.h"
#include "foundation/NotificationCenter.h"
#include "model/ZevuTypes.h"
#include "state/AppPreferences.h"
#include "vpn/Zevu.h"

namespace morvex::status_menu {

inline constexpr int kConnectingStatus = 2;
inline constexpr int kConnectedStatus = 3;
constexpr bool isConnectedOrConnecting(int status) { return status == kConnectingStatus || status == kConnectedStatus; }
// 3 Connected, 2 Connecting, anything else Disconnected.
ZevuConnectionState stateFromStatus(int status);

inline constexpr std::string_view kConnectedIcon = "StatusMenuConnected";
inline constexpr std::string_view kConnectingIcon = "StatusMenuConnecting";
inline constexpr std::string_view kDisconnectedIcon = "StatusMenuDisconnected";
// The icon for a state notification's object; none (the icon stays) for an object that is no
// ConnectionInfo and for an attempt refused with 5043 because one is already under way.
std::optional<std::string_view> iconFor(const std::any& object);

enum class Action {
    ToggleConnect, Open, Quit,
    // The application menu's further entries.
    Preferences, Profile, FAQ, SupportTicket, LiveChat, PrivacyPolicy, Terms,
    CheckForUpdate, ContactSupport, About, LogOut,
    Separator,
};
struct Entry {
    std::string_view titleKey;
    std::string_view defaultTitle;
    std::string_view keyEquivalent;
    Action action;
    bool separator() const { return action == Action::Separator; }
};
// The click menu for the SDK status at the moment of the click.
std::vector<Entry> entries(int sdkStatus);
// The application menu (the item's secondary click, and the main window's menu button): the
// click menu's toggle and open entries, the pages, help and web pages, the update check and the
// version page, then log-out (only while signed in) and quit. Recomputed each time it opens.
std::vector<Entry> applicationMenuEntries(int sdkStatus, bool loggedIn);

// Web pages: the site's root (live chat), its privacy and terms pages, and the support page in
// German for a stored "de" (or nothing stored), else in English.
std::string liveChatURL();
std::string privacyPolicyURL();
std::string termsURL();
std::string supportURL(const AppPreferences& preferences);

}  // namespace morvex::status_menu

namespace morvex {

// The popover's model: the VPN state for its bindings, following the engine's notifications, and
// a toggle that cancels, disconnects or quick-connects (no account check on this road).
class StatusMenuModel {
public:
    explicit StatusMenuModel(Zevu zevu);

    Zevu zevu;
    appkit::Observable<ZevuConnectionState> vpnStatus;

    void toggleConnection();
    // The engine's state notification (any thread; the value is set on the main thread).
    void zevuStatusNotification(const Notification& notification);

private:
    std::shared_ptr<VPNControl> vpn() const;
    Lifetime lifetime_;
    ObserverToken stateObserver_;  // after the lifetime: it goes first, so no block outlives it
};

}  // namespace morvex
