#pragma once
// Dialling a stored location again from the dashboard's tiles (the recent one and the recommended
// one), without their widgets. A dedicated IP gets two checks first: whether the selected protocol
// can reach it at all, and whether another session holds it (which the user may end). The
// engine's refusals come back as alerts.
//
// Threads: main thread. The service's answers are brought to the main thread before they act.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "alerts/AlertServices.h"
#include "alerts/ConnectRequest.h"
#include "foundation/Lifetime.h"
#include "foundation/Error.h"
#include "model/ServerRecord.h"
#include "state/PreservedPreferences.h"

namespace morvex {

class DashboardRecentModelDelegate {
public:
    virtual ~DashboardRecentModelDelegate() = default;
    virtual void recentModelDidChange() {}
};

class DashboardRecentModel {
public:
    // Whether another session holds a dedicated IP: the answer's "connected" flag (absent when the
    // service does not say), or the request's error.
    using DedicatedStatusAnswer = Result<std::optional<bool>>;
    struct Collaborators {
        AlertServices services;
        // The engine's connect-to-location path.
        ConnectToLocation connect;
        // Asks the service about the dedicated IP at an address.
        std::function<void(const std::string& ip, std::function<void(DedicatedStatusAnswer)>)> dedicatedIPStatus;
        // Ends the other session holding the user's dedicated IP.
        std::function<void(std::function<void(Result<bool>)>)> killDedicatedSession;
        // Where console lines go.
        std::function<void(const std::string&)> log;
        PreservedPreferences preserverdPreference;
    };
    // The installed alerts, the engine over the SDK's shared manager and the shared API client.
    static Collaborators defaults();

    explicit DashboardRecentModel(Collaborators collaborators = defaults());

    DashboardRecentModelDelegate* delegate = nullptr;  // not owned

    const PreservedPreferences& preferences() const { return c_.preserverdPreference; }
    // The first stored recent, none when there are none.
    ZevuDataFetcherTypes::ServerPtr firstRecent() const;

    // Hands the location to the engine: a dedicated IP from the Location screen, anything else
    // from the Dashboard; always as the Recent control, started by the user, refused while another
    // connection is up.
    void connect(const ZevuDataFetcherTypes::ServerPtr& server);
    // The alert for the engine's refusal of a connect of `server`; nothing for other codes.
    void handleVPNError(const std::optional<Error>& error, const ZevuDataFetcherTypes::ServerPtr& server,
                        const ConnectRequest& request);

    // A click on a tile showing `server`, after the account gate let it through. A dedicated IP
    // goes through the protocol and session checks first.
    void dial(const ZevuDataFetcherTypes::ServerPtr& server);

private:
    void checkSessionAndDial(const ZevuDataFetcherTypes::ServerPtr& server);

    Collaborators c_;
    Lifetime lifetime_;
};

}  // namespace morvex
