#pragma once
// The connection details card without its widget: the tunnel's traffic as the card shows it, and
// the account's port-forwarding policy as the service reports it (loading, shown, or a retry
// offered after a transport failure), with the analytics of both.
//
// Threads: main thread. The service's answer is brought to the main thread before it is applied,
// and never applied once the model has gone.
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "appkit/Bindings.h"
#include "foundation/Error.h"
#include "model/ZevuTypes.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "viewmodels/BaseViewModel.h"

namespace morvex {

class ConnectionDetailModel : public BaseViewModel {
    Q_OBJECT
public:
    // The service's port-forwarding answer; every key is required.
    struct PortForwardingResponseModel {
        static constexpr bool emptyObjectRepresentable = true;
        enum class Status { Active, Disabled, Expired };
        bool allOpened = false;       // "open_all_ports"
        bool allBlocked = false;      // "block_all_ports"
        bool blockAllExcept = false;  // "block_all_ports_except"
        std::string enabledPorts;     // "ports", shown as received
        Status status = Status::Disabled;
        std::string expiryDate;  // "expiry_date"
    };

    // What the card shows of port forwarding.
    struct PortForwardingStatus {
        enum class Kind { AllBlockedExpect, AllOpened, AllBlocked, FailedToLoad, Retry };
        Kind kind = Kind::FailedToLoad;
        std::string ports;  // AllBlockedExpect only
        friend bool operator==(const PortForwardingStatus&, const PortForwardingStatus&) = default;
    };

    using PortForwardingCompletion = std::function<void(Result<PortForwardingResponseModel>)>;
    struct Collaborators {
        User user;
        PreservedPreferences preservedPreference;
        EventTracker eventTracker;
        // GET of the account's port-forwarding policy; the completion may run on any thread.
        std::function<void(const nlohmann::json& parameters, PortForwardingCompletion)> requestPortForwarding;
        // Whether the account holds the port-forwarding add-on.
        std::function<bool()> hasPortForwardingAddon;
        // Opens an address in the default browser.
        std::function<void(const std::string&)> openURL;
    };
    static Collaborators defaults();

    explicit ConnectionDetailModel(Collaborators collaborators = defaults(), QObject* parent = nullptr);

    // ---- bindable properties ----
    appkit::Observable<std::string> dataIn{std::string("0")};
    appkit::Observable<std::string> dataOut{std::string("0")};
    appkit::Observable<std::string> dataInUnit{std::string("KB")};
    appkit::Observable<std::string> dataOutUnit{std::string("KB")};
    appkit::Observable<bool> loadingPortForwardingStatus{false};
    appkit::Observable<std::string> portForwardingStatus;
    appkit::Observable<bool> portForwardingStatusUpdated{false};

    // A counter as the card writes it: two decimals at most, trailing zeros dropped.
    static std::string formatted(double value);
    // Shows the totals; while fewer than 1024 bytes came in the card keeps what it shows.
    void applyTraffic(const ZevuTypes::DataTransmission& totals);

    // Asks the service (or, for a user not yet moved to the new sign-in, shows the failed text
    // without asking).
    void loadPortForwardingStatus();
    void retry();
    // The state for an answer or an error; sends the answer's or the failure's event.
    PortForwardingStatus handlePortForwardingResult(const Result<PortForwardingResponseModel>& result);
    void showPortForwardingStatus(const PortForwardingStatus& status);

    EventTracker& eventTracker() { return c_.eventTracker; }

    // The member-area page at `path` of the service's web site, with the account's identity.
    std::optional<std::string> memberLink(std::string_view path) const;
    // The add-on's description page on the web site ("dedicated-ip" or "port-forwarding").
    static std::string addonDetailsLink(std::string_view addon);
    // The port-forwarding button: with the add-on, straight to its member page (answers the
    // address opened); without, only the report that the add-on's page is asked for (the card
    // shows that page in the add-on dialog) and nothing is opened.
    std::optional<std::string> buyPortForwarding();
    bool hasPortForwardingAddon() const { return c_.hasPortForwardingAddon && c_.hasPortForwardingAddon(); }
    // The user chose Get on an add-on's page ("Dedicated IP" / "Port Forwarding"): reports it and
    // opens the add-on's page of the member area at `memberPath`. Answers the address opened.
    std::optional<std::string> getAddon(std::string_view addon, std::string_view memberPath);

private:
    Collaborators c_;
};

void from_json(const nlohmann::json& j, ConnectionDetailModel::PortForwardingResponseModel& m);

}  // namespace morvex
