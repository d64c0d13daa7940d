// The dedicated-IP ping, the connected-location answer and the firewall query.
#include <limits>

#include "foundation/Dispatch.h"
#include "vpn/Zevu.h"

namespace morvex {

using ServerType = ZevuDataFetcherTypes::ServerType;

void Zevu::pingDedicatedIPServer(std::function<void(std::optional<Error>)> completion) {
    auto server = preservedPreferences.dedicatedServer();
    if (!server || !zevuManager) return;
    const std::string address = server->hosts && !server->hosts->empty() ? server->hosts->front().dns : server->host;
    zevu::ZevuDedicatedIPServerPing ping(address);
    ping.setServerIP(server->ip);
    Zevu self = *this;
    zevuManager->pingDedicatedIPServer(
        ping,
        [self, server, completion](std::optional<zevu::ZevuDedicatedIPServerPing> answer) mutable {
            server->latency = answer && answer->latency() ? *answer->latency() : std::numeric_limits<std::int64_t>::max();
            self.preservedPreferences.setDedicatedServer(server);
            if (completion) completion(std::nullopt);
        },
        [completion](std::optional<Error> error) {
            if (completion) completion(error);
        });
}

void Zevu::getConnectedLocation(const std::optional<zevu::ZevuLocation>& location,
                                const ConnectedInfoCompletion& completion) {
    const auto stored = appPreference.lastConnection();
    if (stored && stored->server && location && location->country) {
        const auto& old = *stored->server;
        const auto& country = *location->country;
        ServerPtr rebuilt;
        switch (old.type) {
        case ServerType::DedicatedIp:
            rebuilt = std::make_shared<Server>(old.id, old.ip, ServerType::DedicatedIp, old.code);
            break;
        case ServerType::City:
            rebuilt = std::make_shared<Server>(old.id, old.name, ServerType::City, old.code);
            break;
        case ServerType::Country:
            rebuilt = std::make_shared<Server>(country.country.value_or(old.id), country.name.value_or(old.name),
                                               old.type, country.country.value_or(old.code));
            break;
        default: break;
        }
        if (rebuilt) {
            rebuilt->latency = old.latency;
            rebuilt->p2p = old.p2p;
            rebuilt->quantumResistant = old.quantumResistant;
            rebuilt->host = old.host;
            rebuilt->hosts = old.hosts;
            rebuilt->ip = old.ip;
            for (const auto& f : preservedPreferences.favorites())
                if (f && f->id == rebuilt->id) rebuilt->favorite = true;
            auto record = *stored;
            record.server = rebuilt;
            record.nasIdentifier = location->server ? location->server->nasIdentifier : std::nullopt;
            appPreference.setLastConnection(record);
            if (record.nasIdentifier != stored->nasIdentifier) {
                Dictionary properties{{"via", "Get Connected Location"}};
                if (stored->nasIdentifier) properties["connected_NAS"] = *stored->nasIdentifier;
                if (record.nasIdentifier) properties["returned-NAS"] = *record.nasIdentifier;
                eventTracker.track(AnalyticsEvent::app_detect_ip_mismatch, properties);
            }
        }
    }
    ConnectedInfo info;
    info.locationName = connectedLocationName(location);
    info.isoCode = connectedIsoCode(location);
    info.ip = location ? location->ip : std::nullopt;
    if (completion) completion(info);
}

void Zevu::connectedLocationFailed(const std::optional<Error>& error, const ConnectedInfoCompletion& completion) {
    const Error e = error ? *error
                          : Error(std::string(errorDomain), connectedLocationFailedCode,
                                  "ZevuSDK failed to fetch connected location.");
    eventTracker.track(AnalyticsEvent::app_fail_get_connected_location, Dictionary{{"error", e.localizedDescription()}});
    if (completion) completion(std::unexpected(e));
}

std::string Zevu::connectedLocationName(const std::optional<zevu::ZevuLocation>& location) {
    const auto detail = user.dedicatedIPDetail();
    if (location && detail && location->ip == detail->ip) return detail->ip;
    if (location) {
        const auto code = location->country ? location->country->country : std::nullopt;
        if (location->city && location->city->name) return *location->city->name + (code ? ", " + *code : "");
        if (location->country && location->country->name) return *location->country->name;
    }
    eventTracker.track(AnalyticsEvent::app_fail_get_connected_location,
                       Dictionary{{"error", "City/Country object not available"}});
    return "";
}

std::optional<std::string> Zevu::connectedIsoCode(const std::optional<zevu::ZevuLocation>& location) const {
    if (!location) return std::nullopt;
    const auto countryCode = location->country ? location->country->country : std::nullopt;
    if (const auto detail = user.dedicatedIPDetail(); detail && location->ip == detail->ip) {
        // Read afresh: a sign-out meanwhile leaves the location's own code.
        if (auto again = User().dedicatedIPDetail()) return again->iso;
        return countryCode;
    }
    return countryCode;
}

void HelperComunicator::isAnyFirewallEnabled(bool ask, std::function<void(bool)> completion) const {
    if (!ask) {
        if (completion) completion(false);
        return;
    }
    query([completion](bool enabled) {
        DispatchQueue::main().async([completion, enabled] {
            if (completion) completion(enabled);
        });
    });
}

}  // namespace morvex
