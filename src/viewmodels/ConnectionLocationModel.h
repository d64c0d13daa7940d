#pragma once
// The dashboard's location card without its widget: which location it shows (the connected one
// while the tunnel is up, the one being dialled while it comes up, the recommended one while it is
// down), the public address and the time connected, the favourite star, and which layout the card
// animates to. Its properties are observables the card's views bind to.
//
// The connected location is asked of the SDK once per connection identifier (the stored
// "AppPreference.onGoingConnectionId"): repeated Connected reports of one connection ask nothing,
// a report while a request runs asks nothing, and an answer that arrives after a newer connection
// took over changes nothing and asks again for the newer one.
//
// Threads: main thread. Answers of the SDK are brought to the main thread before they are used.
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "alerts/AlertServices.h"
#include "appkit/Bindings.h"
#include "catalog/SavedLocations.h"
#include "foundation/Value.h"
#include "model/ZevuTypes.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "viewmodels/BaseViewModel.h"
#include "viewmodels/ConnectedTimeTicker.h"

namespace morvex {

class ConnectionLocationModel : public BaseViewModel {
    Q_OBJECT
public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    using LocationResult = std::expected<ZevuTypes::ConnectedInfo, Error>;
    using LocationCompletion = std::function<void(LocationResult)>;

    struct Collaborators {
        std::shared_ptr<VPNControl> vpn;  // the SDK's status
        // Asks the SDK where the tunnel ended; the completion runs once, on any thread.
        std::function<void(LocationCompletion)> fetchConnectedLocation;
        // When the tunnel came up; none while it is not up.
        std::function<std::optional<Date>()> connectedSince;
        std::function<Date()> now = Date::now;
        AppPreferences appPreference;
        PreservedPreferences preservedPreference;
        // Where the card's favourite star edits the favourites.
        SavedLocations bpc;
    };
    // Over the SDK's shared manager and the engine's connected-location handling.
    static Collaborators defaults();

    explicit ConnectionLocationModel(Collaborators collaborators = defaults(), QObject* parent = nullptr);
    ~ConnectionLocationModel() override;

    enum class Layout { Disconnected, Connecting, Connected };

    // ---- bindable properties ----
    appkit::Observable<ServerPtr> location;
    appkit::Observable<bool> loadingLocation{false};
    appkit::Observable<bool> buttonFavoriteHidden{true};
    appkit::Observable<std::string> buttonFavoriteImage;  // an image name; empty until first set
    appkit::Observable<std::optional<std::string>> ip;
    appkit::Observable<std::optional<std::string>> connectedTime;
    appkit::Observable<Layout> layout{Layout::Disconnected};

    // The connection identifier whose location and address are shown.
    const std::optional<std::string>& locationLoadedForId() const { return locationLoadedForId_; }

    // While connecting or connected, the server of the stored last connection; otherwise the
    // stored recommended server.
    ServerPtr displayedLocation() const;
    // "LocationsFavoriteFilled" when the displayed location is among the favourites, else
    // "LocationsFavoriteUnfilledHovered" (also with no location).
    std::string favoriteImageName() const;
    std::string connectedTimeText() const;

    void applyConnectionState(ZevuConnectionState state);
    // Applies the state the SDK's status stands for (3 Connected, 2 Connecting, else Disconnected).
    void applyCurrentStatus();
    void getConnectedLocation();
    void favoriteButtonClicked();
    void refreshFavoriteImage();
    // Whether the connected time is kept current (the tunnel is up), and whether a tick waits
    // (it is also shown).
    bool isTimerRunning() const { return ticker_.isRunning(); }
    bool isTicking() const { return ticker_.isTicking(); }
    // Whether the card's time can be seen; while it cannot, the time is not redone.
    void setConnectedTimeShown(bool shown) { ticker_.setShown(shown); }
    // The SDK's status number.
    int vpnStatus() const;

private:
    void startConnectedTimeUpdates();
    void stopConnectedTimeUpdates();
    void connectedLocationArrived(const std::optional<std::string>& requestedFor, const LocationResult& result);

    Collaborators c_;
    std::optional<std::string> locationLoadedForId_;
    ConnectedTimeTicker ticker_;
};

}  // namespace morvex
