#pragma once
// The dashboard's connection panel without its widgets: what the panel shows for each state the
// engine reports (the title, the quick-connect and recently-connected rows, the protocol, the
// time connected, the cancel area), the in-window bars it raises (expired account, no internet,
// unable to connect), what their buttons do, the analytics it sends, and its connect, disconnect,
// cancel and favourite actions. A widget renders `state` and forwards clicks.
//
// Threads: main thread; the controller brings the engine's and the reachability notifications
// here first.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "alerts/AlertServices.h"
#include "appkit/Bindings.h"
#include "catalog/SavedLocations.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Value.h"
#include "model/ZevuTypes.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "viewmodels/BaseViewModel.h"
#include "viewmodels/ConnectedTimeTicker.h"
#include "viewmodels/NotificationBar.h"
#include "vpn/AppError.h"

namespace morvex {

class ConnectionLocationModel;

class ConnectionComponentsModel : public BaseViewModel {
    Q_OBJECT
public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;

    static constexpr std::string_view requestTroubleshootNotification = "RequestTroubleshootForUTC";
    static constexpr std::string_view expiredBarId = "UserExpiredNotification";
    static constexpr std::string_view noInternetBarId = "NoInternetBar";
    static constexpr std::string_view unableToConnectBarId = "UtcNotification";
    // An SDK code that ends an attempt without a bar.
    static constexpr std::int64_t silentFailureCode = 5028;

    // The panel's bars are the kit's notices; the panel is their delegate.
    using Bar = NotificationBarTypes::Notification;
    using BarControl = NotificationBarAction;

    // Everything the panel's views show.
    struct PanelState {
        // The title and shield: Connected, Connecting or Disconnected (also after a failure).
        ZevuConnectionState title = ZevuConnectionState::Disconnected;
        // The header's gradient follows every state.
        ZevuConnectionState header = ZevuConnectionState::Disconnected;
        bool counterVisible = false;
        std::string counterText;
        std::string protocolText;
        std::string quickConnectName;
        std::string quickConnectFlag;  // image name; empty: none
        bool recentlyConnectedVisible = false;
        bool recentlyConnectedEnabled = false;
        std::string recentlyConnectedName;
        std::string recentlyConnectedFlag;
        std::string favoriteImage = "LocationsFavoriteUnfilled";
        bool fastestVisible = true;   // the quick-connect row
        bool protocolVisible = false;
        bool bottomVisible = true;
        bool cancelVisible = false;
        bool ipRowVisible = false;
        bool arrowVisible = true;     // the arrow beside the quick-connect name
        std::string statusKey = "connect";  // "connect", "disconnect" or empty
        bool infoCardOpen = false;
        friend bool operator==(const PanelState&, const PanelState&) = default;
    };

    struct Collaborators {
        AlertServices services;  // the SDK's status and calls, alerts, links, flags
        EventTracker eventTracker;
        User user;
        AppPreferences appPreferences;
        PreservedPreferences preservedPreference;
        SavedLocations savedLocations;
        // The engine's current connection facts (for the protocol) and when the tunnel came up.
        std::function<ZevuTypes::ConnectionInfo()> connectionInfo;
        std::function<std::optional<Date>()> connectedSince;
        std::function<Date()> now = Date::now;
        // Whether the kill switch's firewall is loaded; the answer comes on the main thread.
        std::function<void(std::function<void(bool)>)> firewallEnabled;
        // The connect path of the recommended location (the connect button's model).
        std::function<void()> connectToRecommendedServer;
        // The account gate every connect entry point passes.
        std::function<bool()> accountGate;
        // Raises and removes bars; by default the two notifications.
        std::function<void(const Bar&)> showBar;
        std::function<void()> hideBar;
        // Ends what the panel presents (the details and troubleshooting sheets).
        std::function<void()> dismissPresented;
        // The card's location load, shared with the panel (may be null).
        std::shared_ptr<ConnectionLocationModel> location;
    };
    static Collaborators defaults();

    explicit ConnectionComponentsModel(Collaborators collaborators = defaults(), QObject* parent = nullptr);
    ~ConnectionComponentsModel() override;

    appkit::Observable<PanelState> state;

    // The failure of the last attempt and the analytics properties that came with it.
    const std::shared_ptr<const AppError>& error() const { return error_; }
    const std::optional<Dictionary>& utcProperties() const { return utcProperties_; }
    // Whether the counter is kept current (the tunnel is up), and whether a tick waits (it is
    // also shown).
    bool isTimerRunning() const { return ticker_.isRunning(); }
    bool isTicking() const { return ticker_.isTicking(); }
    // Whether the counter can be seen; while it cannot, its text is not redone.
    void setCounterShown(bool shown) { ticker_.setShown(shown); }
    const ServerPtr& server() const { return server_; }

    // ---- what the panel hears ----
    void viewWillAppear();
    void zevuStateDidChange(const ZevuTypes::ConnectionInfo& info, const UserInfo& userInfo);
    void connectionRequested(ServerPtr server);
    void networkReachabilityChanged(bool reachable);
    void fetchIP(const std::optional<std::string>& ip);
    void loginChanged(bool loggedIn);
    void accountSwitched();

    // ---- what the user does ----
    // Connected: disconnect; connecting: cancel; otherwise the gate and the recommended connect.
    void recommendedLocationClicked();
    void favoriteClicked();
    // The quick-connect row opens the location list, except while connecting or connected.
    void showLocationScreen();
    void toggleInfoCard();
    void closeInfoCard();
    void notificationBarAction(BarControl control, const Bar& bar);

    // ---- the model's own operations ----
    bool isUserExpired() const;
    void trackViewTroubleshoot(std::string_view vpnState, bool timeout, const std::optional<Dictionary>& properties);
    void trackStartTroubleshoot(std::string_view vpnState, std::string_view action,
                                const std::optional<Dictionary>& properties);
    void trackCancelTroubleshoot(const std::optional<Dictionary>& properties);
    void trackTopbarShown(const Bar& bar);
    void trackTopbarClosed(std::string_view message, std::string_view primaryTitle, std::string_view secondaryTitle);
    void openRenewalPage();
    static std::string renewalPage();

    Bar expiredBar() const;
    static Bar noInternetBar();
    static Bar unableToConnectBar(const AppError& error);
    std::string counterText() const;
    // The protocol of the live connection as the panel shows it.
    std::string connectedProtocolText() const;

private:
    void apply(ZevuConnectionState shown);
    void refreshRecommendedServer(PanelState& s) const;
    void startConnectionTimer();
    void stopConnectionTimer();
    void raise(const Bar& bar);
    void startTroubleshoot();
    void applyConnectedLocation();
    int vpnStatus() const;

    Collaborators c_;
    ConnectedTimeTicker ticker_;
    // Hears the bars' buttons while this model lives.
    std::shared_ptr<NotificationBarDelegate> barDelegate_;
    std::shared_ptr<const AppError> error_;
    std::optional<Dictionary> utcProperties_;
    ServerPtr requestedServer_;
    ServerPtr server_;
    std::optional<std::string> connectingForId_;
    std::optional<std::string> locationLoadedForId_;
    bool networkLost_ = false;
    appkit::Subscription locationSubscription_;
};

}  // namespace morvex
