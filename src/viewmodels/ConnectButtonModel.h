#pragma once
// The dashboard's connect button without its widget: what one click does (nothing while the SDK
// is connecting, a disconnect while it is connected, otherwise the account gate and a connect to
// the stored recommended location), the alerts for the engine's account refusals, and which
// animation the button plays for each state the engine reports.
//
// Threads: main thread. The engine reports errors on the main thread.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "alerts/AlertServices.h"
#include "alerts/ConnectRequest.h"
#include "foundation/Error.h"
#include "model/ZevuTypes.h"
#include "state/AppPreferences.h"
#include "viewmodels/BaseViewModel.h"

namespace morvex {

class ConnectButtonModelDelegate {
public:
    virtual ~ConnectButtonModelDelegate() = default;
    // Told after the model handed a connect request to the engine.
    virtual void connectButtonModelDidRequestConnection() {}
};

class ConnectButtonModel : public BaseViewModel {
    Q_OBJECT
public:
    struct Collaborators {
        // The SDK's status and disconnect, the alerts' presenter and the interface flags.
        AlertServices services;
        // The engine's connect-to-location path.
        ConnectToLocation connect;
        // Asks the SDK for the recommended location and stores it (nothing while connected).
        std::function<void()> updateRecommendedLocation;
        AppPreferences appPreference;
    };
    // The installed alert services, and the engine over the SDK's shared manager.
    static Collaborators defaults();

    explicit ConnectButtonModel(Collaborators collaborators = defaults(), QObject* parent = nullptr);

    ConnectButtonModelDelegate* delegate = nullptr;  // not owned

    enum class ClickOutcome {
        Ignored,              // the SDK is connecting; cancelling is the cancel pane's job
        Disconnected,         // the tunnel was up and is asked to go down
        RefusedByAccount,     // the account gate said no (and showed its own alert)
        ConnectRequested,     // handed to the engine's connect path
        RecommendedRequested, // no recommended location stored yet: only asked for one
    };
    // A click of the button. `accountGate` is asked only when a connection would start.
    ClickOutcome connectButtonClicked(const std::function<bool()>& accountGate);

    // Connects to the stored recommended location as the dashboard's Recommended control; without
    // one, only asks the SDK for one (the next click finds it). True when a request was made.
    bool connectToRecommendedServer();

    // The alert for the engine's refusal codes 998, 701, 533 and 999; any other code, and no
    // error, show nothing.
    void handleVPNError(const std::optional<Error>& error);

    // ---- the button's animation ----
    struct Animation {
        std::string_view start;  // played once
        std::string_view loop;   // then looped, when the start ran to its end
        friend bool operator==(const Animation&, const Animation&) = default;
    };
    // Every animation the button plays, openings and loops.
    static constexpr std::string_view kConnectButtonAnimationNames[] = {
        "disconnected", "disconnected_loop", "connecting_start", "connecting_loop", "connected_start", "connected_loop"};
    static constexpr Animation disconnectedAnimation{"disconnected", "disconnected_loop"};
    static constexpr Animation connectingAnimation{"connecting_start", "connecting_loop"};
    static constexpr Animation connectedAnimation{"connected_start", "connected_loop"};

    // What to play for a state; none keeps what plays. Connected always restarts its animation;
    // Connecting starts once per connection identifier (an absent identifier is one identifier
    // too, and the one the button starts with), so repeated reports of one attempt keep its loop.
    std::optional<Animation> animationFor(ZevuConnectionState state, const std::optional<std::string>& connectionId);
    // The status line under the button for a state; none keeps the line as it is.
    static std::optional<std::string> statusTextFor(ZevuConnectionState state);

    const std::optional<std::string>& playedConnectingForId() const { return playedConnectingForId_; }

private:
    Collaborators c_;
    std::optional<std::string> playedConnectingForId_;
};

}  // namespace morvex
