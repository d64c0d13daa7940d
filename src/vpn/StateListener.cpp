#include "vpn/StateListener.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "alerts/Alert.h"
#include "api/Networking.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "model/BundleInfo.h"
#include "model/ZevuTypes.h"
#include "catalog/SavedLocations.h"
#include "state/StoredServers.h"
#include "vpn/AppError.h"
#include "vpn/Zevu.h"
#include "zevu/FirewallManager.h"

namespace morvex {

namespace {

using Details = zevu::ConnectionDetailsPtr;
using Server = ZevuDataFetcherTypes::Server;
using ServerType = ZevuDataFetcherTypes::ServerType;

std::string textOrEmpty(const std::optional<std::string>& s) { return s.value_or(""); }

nlohmann::json plainJson(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Bool: return *v.get<bool>();
    case Value::Kind::Integer: return *v.get<std::int64_t>();
    case Value::Kind::Double: return *v.get<double>();
    case Value::Kind::String: return *v.get<std::string>();
    case Value::Kind::Date: return v.get<Date>()->secondsSince1970;
    case Value::Kind::Data: return v.get<Bytes>()->size();
    case Value::Kind::Array: {
        auto out = nlohmann::json::array();
        for (const auto& e : *v.get<Array>()) out.push_back(plainJson(e));
        return out;
    }
    case Value::Kind::Dictionary: {
        auto out = nlohmann::json::object();
        for (const auto& [k, e] : *v.get<Dictionary>()) out[k] = plainJson(e);
        return out;
    }
    }
    return nullptr;
}
std::string description(const Dictionary& d) { return plainJson(Value(d)).dump(); }

// The dialled location's name: the city's when it has one, else the country's.
std::string dialedLocation(const Details& details) {
    if (!details) return "";
    if (details->city && details->city->name && !details->city->name->empty()) return *details->city->name;
    return textOrEmpty(details->country);
}

bool carries(ConnectionEvent event, std::initializer_list<ConnectionEvent> events) {
    return std::ranges::find(events, event) != events.end();
}

std::string protocolWord(VPNProtocol p) { return std::string(rawValue(p)); }

}  // namespace

Dictionary connectionProperties(ConnectionEvent event, const Details& details, const std::optional<Error>& error,
                                const AppPreferences& app, const PreservedPreferences& prefs) {
    using E = ConnectionEvent;
    const auto record = app.lastConnection();
    const auto server = record ? record->server : nullptr;
    const std::optional<std::string> code = server ? std::optional(server->code) : std::nullopt;
    const bool interfaceKeys = event != E::TimeToConnect;

    Dictionary p;
    if (event == E::TimeToConnect) {
        p["time_to_connect_server"] = details ? details->timeTakenToConnectServer : 0.0;
        p["time_to_find_server"] = details ? details->timeTakenToFindFastestServer : 0.0;
    }
    if (!carries(event, {E::Redialing}))
        p["is_dialed_with_quantum_server"] = details && details->isDialedWithQuantumResistantServer;
    p["server_ip"] = details ? textOrEmpty(details->serverIp) : "";
    p["server_dns"] = details ? textOrEmpty(details->serverAddress) : "";
    p["selected_protocol_name"] = prefs.automaticProtocol() ? std::string("Automatic") : protocolWord(prefs.selectedProtocol());
    p["dialed_protocol_name"] = details && details->protocol ? textOrEmpty(details->protocol->protocol()) : "";
    if (carries(event, {E::Redialing, E::DialError})) {
        p["zevu_inner_exception_code"] = error ? error->code : -1;
        std::string message;
        if (error) {
            auto reason = error->userInfo.find("NSLocalizedFailureReason");
            auto text = reason != error->userInfo.end() ? reason->second.toText() : std::nullopt;
            message = text && !text->empty() ? *text : error->localizedDescription();
        }
        p["zevu_inner_exception_message"] = message;
        p["shown"] = false;
    }
    if (interfaceKeys) {
        auto text = [&](auto member) -> std::string { return record ? std::string(rawValue((*record).*member)) : ""; };
        p["connect_via"] = text(&AppPreferences::LastConnection::connectVia);
        p["selected_interface"] = text(&AppPreferences::LastConnection::selectedInterface);
        p["selected_interface_screen"] = text(&AppPreferences::LastConnection::selectedInterfaceScreen);
        p["connection_initiated_by"] = text(&AppPreferences::LastConnection::connectionInitiatedBy);
        p["connect_to_fallback"] = prefs.connectToFallback();
    }
    if (interfaceKeys && event != E::UnableToBrowse) {
        p["selected_location"] = server ? server->name : std::string();
        p["dialed_location"] = dialedLocation(details);
    }
    if (event == E::UnableToBrowse) p["dialedLocation"] = dialedLocation(details);
    if (event == E::Disconnected) p["auto_dc"] = !(details && details->isDisconnectedManually);

    bool filteredRequested = false;
    if (code) {
        if (auto ratings = prefs.personalizeServer()) {
            auto it = ratings->find(*code);
            if (it != ratings->end() && !it->second.empty()) filteredRequested = it->second.front().liked;
        }
    }
    p["iks_enabled"] = prefs.enableIKS();
    p["auto_reconnect"] = prefs.autoReconnectOnConnectionDrop();
    p["personalise_server_selection_enabled"] = prefs.enablePersonaliseServer();
    p["is_filtered_server"] = details && details->isFiltered;
    p["is_filtered_server_requested"] = filteredRequested;
    p["nas_identifier"] = details ? textOrEmpty(details->nasIdentifier) : "";
    p["included_nas_identifiers"] = prefs.likedServers(code);
    p["excluded_nas_identifiers"] = prefs.dislikedServers(code);
    p["connection_attempts"] = details ? std::to_string(details->connectionAttempts) : std::string("1");
    p["connection_method"] = details ? textOrEmpty(details->connectionMethod) : "";
    p["session_id"] = details ? textOrEmpty(details->sessionId) : "";
    p["time_between_connect_cancel"] = details ? details->timeElapsedSinceConnect : 0.0;
    p["connect_with_failover"] = details ? textOrEmpty(details->fastestServerFindingMethod) : "";
    p["is_connection_over_connection"] = details ? details->disconnectionType : 0;

    const Dictionary response = details && details->fastestServerFindingApiResponse
                                    ? *details->fastestServerFindingApiResponse
                                    : Dictionary{};
    p["speed_test_response"] = details && details->fastestServerFindingApiResponse ? description(response) : "";
    if (auto body = response.find("body"); body != response.end()) {
        if (const auto* bodyDict = body->second.get<Dictionary>()) {
            if (auto servers = bodyDict->find("servers"); servers != bodyDict->end()) {
                if (const auto* list = servers->second.get<Array>()) {
                    for (std::size_t i = 0; i < list->size(); ++i) {
                        if (const auto* entry = (*list)[i].get<Dictionary>())
                            p["speed_test_server_" + std::to_string(i + 1)] = description(*entry);
                    }
                }
            }
        }
    }
    return p;
}

// ---- the listener ----

StateListener::Firewall StateListener::sharedFirewall() {
    return Firewall{
        [](const std::string& ip, const std::string& protocol) {
            zevu::FirewallManager::shared().enableFirewall(ip, protocol, [](bool) {});
        },
        [] { zevu::FirewallManager::shared().disableFirewall([](bool) {}); },
    };
}

StateListener::StateListener(AppPreferences appPreference, EventTracker eventTracker,
                             PreservedPreferences preservedPreferences)
    : appPreference(std::move(appPreference)),
      eventTracker(std::move(eventTracker)),
      preservedPreferences(std::move(preservedPreferences)),
      stateChanged([this](int state) { handleSDKState(state); }),
      isNetworkReachable([] {
          return Networking::shared().reachablityManager.status() != NetworkReachabilityManager::Status::notReachable;
      }),
      makeZevu(nullptr),
      configureSDKAgain(nullptr) {}

StateListener::~StateListener() = default;

void StateListener::handleSDKState(int state) {
    if (state == zevu::rawValue(zevu::ZevuVPNState::Connecting) || state == zevu::rawValue(zevu::ZevuVPNState::Redialing))
        postConnecting();
}

void StateListener::postConnecting() {
    ZevuTypes::ConnectionInfo info;
    info.state = ZevuConnectionState::Connecting;
    info.connectionId = AppPreferences().onGoingConnectionId();
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
}

std::string StateListener::protocolChoice() const {
    return preservedPreferences.automaticProtocol() ? std::string("Automatic")
                                                    : protocolWord(preservedPreferences.selectedProtocol());
}

// ---- SDK callbacks ----

void StateListener::zevuManagerDidInitialized(zevu::ZevuManager&) {
    NotificationCenter::defaultCenter().post(ZevuTypes::sdkInitializedNotification);
}
void StateListener::zevuManagerDidConnect(const Details& details) { handleConnected(details); }
void StateListener::zevuManagerDidDisconnect(const Details& details) { handleDisconnected(details); }
void StateListener::zevuManagerOnRedialing(const Details& details, const std::optional<Error>& error) {
    handleRedialing(details, error);
}
void StateListener::zevuManagerDialErrorReceived(const std::optional<Error>& error, const Details& details) {
    handleDialError(error, details);
}
void StateListener::zevuManagerOnUnableToAccessInternet(const std::optional<Error>&, const Details& details) {
    handleNoInternet(details);
}
void StateListener::zevuManagerDidReceivedConnectedLocation(const std::optional<zevu::ZevuLocation>& location,
                                                            const std::optional<Error>&) {
    handleConnectedLocation(location);
}

// ---- connected ----

void StateListener::handleConnected(const Details& details) {
    if (!details) return;
    auto& defaults = appPreference.defaults();

    auto record = appPreference.lastConnection().value_or(AppPreferences::LastConnection{
        ZevuTypes::SelectedInterface::Recommended, ZevuTypes::ConnectVia::Country,
        ZevuTypes::SelectedInterfaceScreen::Dashboard, ZevuTypes::ConnectionInitiatedBy::User, nullptr, std::nullopt,
        false, false});
    if (!record.server) record.server = std::make_shared<Server>("", "", ServerType::Country, "");
    record.nasIdentifier = textOrEmpty(details->nasIdentifier);
    record.dialedWithQRServer = details->isDialedWithQuantumResistantServer;
    record.isDialedWithOVPNObfuscatedServer = details->IsDialedWithOVPNObfuscatedServer;
    appPreference.setLastConnection(record);

    setEncodedServer(defaults, record.server, AppPreferences::Key::serverToAddInRecent);
    defaults.set(Value(true), connectedEverKey);

    if (details->protocol && details->protocol->protocol()) {
        if (auto word = zevu::canonicalProtocolWord(*details->protocol->protocol())) {
            if (auto p = vpnProtocolFromRaw(*word)) makeZevu().preservedPreferences.setDialedProtocol(*p);
        }
    }

    eventTracker.track(AnalyticsEvent::app_ttc,
                       connectionProperties(ConnectionEvent::TimeToConnect, details, std::nullopt, appPreference,
                                            preservedPreferences));
    const auto connected =
        connectionProperties(ConnectionEvent::Connected, details, std::nullopt, appPreference, preservedPreferences);
    defaults.set(Value(connected), AppPreferences::Key::mixpanelConnectedProperties);
    eventTracker.track(AnalyticsEvent::app_connected, connected);

    postConnected(details);

    // The recents rule is the catalogue's; the empty server of a request-less connection never
    // becomes a recent.
    auto candidate = decodedServer(defaults, AppPreferences::Key::serverToAddInRecent);
    if (candidate && !candidate->id.empty())
        SavedLocations(preservedPreferences, appPreference, eventTracker).addToRecents(candidate);
}

// ---- disconnected ----

void StateListener::handleDisconnected(const Details& details) {
    if (!details) return;
    auto& defaults = appPreference.defaults();
    const auto clearExclusions = [&] {
        defaults.set(Value(std::vector<std::string>{}), AppPreferences::Key::excludedIdentifiersForSwitchServer);
    };
    if (details->isCancelled) {
        clearExclusions();
        appPreference.setLastFeedbackConnectionId(appPreference.onGoingConnectionId());
        eventTracker.track(AnalyticsEvent::app_cancelled,
                           connectionProperties(ConnectionEvent::Cancelled, details, std::nullopt, appPreference,
                                                preservedPreferences));
        postCancelled();
        return;
    }
    eventTracker.track(AnalyticsEvent::app_disconnected,
                       connectionProperties(ConnectionEvent::Disconnected, details, std::nullopt, appPreference,
                                            preservedPreferences));
    const int type = details->disconnectionType;
    if (type == 1 || type == 2) {
        if (type == 1) clearExclusions();
        postDisconnected(details);
        if (preservedPreferences.enableIKS() && firewall.disable) firewall.disable();
        return;
    }
    postDisconnected(details);

    const bool iks = preservedPreferences.enableIKS();
    if (preservedPreferences.autoReconnectOnConnectionDrop() && (!isNetworkReachable || isNetworkReachable())) {
        if (iks) eventTracker.track(AnalyticsEvent::app_block_internet_iks, Dictionary{{"reason", "VPN issue"}});
        if (iks && preservedPreferences.selectedProtocol() == VPNProtocol::WireGuard) {
            postUnableToConnect(AppError::makeIKSEnabledError(), {});
        } else {
            reconnectAfterDrop();
        }
        auto record = appPreference.lastConnection().value_or(AppPreferences::LastConnection{
            ZevuTypes::SelectedInterface::Recommended, ZevuTypes::ConnectVia::Country,
            ZevuTypes::SelectedInterfaceScreen::Dashboard, ZevuTypes::ConnectionInitiatedBy::User, nullptr,
            std::nullopt, false, false});
        if (!record.server) record.server = std::make_shared<Server>("", "", ServerType::Country, "");
        record.connectionInitiatedBy = ZevuTypes::ConnectionInitiatedBy::AutoReconnect;
        record.nasIdentifier = "";
        record.dialedWithQRServer = false;
        record.isDialedWithOVPNObfuscatedServer = false;
        appPreference.setLastConnection(record);
    } else if (iks) {
        eventTracker.track(AnalyticsEvent::app_block_internet_iks, Dictionary{{"reason", "Internet issue"}});
    }
}

void StateListener::reconnectAfterDrop() {
    const auto record = appPreference.lastConnection();
    if (record && record->server && record->server->type == ServerType::DedicatedIp) return;
    auto zevu = makeZevu();
    appPreference.setOnGoingConnectionId(connectionIdNow());
    if (!zevu.zevuManager) return;
    zevu.zevuManager->setDoCheckInternetConnectivity(false);
    zevu.zevuManager->reconnectVPN();
}

// ---- trouble ----

void StateListener::handleRedialing(const Details& details, const std::optional<Error>& error) {
    auto properties =
        connectionProperties(ConnectionEvent::Redialing, details, error, appPreference, preservedPreferences);
    const auto appError = AppError::lookup(error ? error->code : 0, !error);
    UserInfo info;
    for (const auto& [k, v] : properties) info[k] = v;
    postRedialing(appError, info);
    eventTracker.track(AnalyticsEvent::app_utc, properties);
}

void StateListener::handleDialError(const std::optional<Error>& error, const Details& details) {
    if (error && (error->code == Zevu::cancelledCode || error->code == Zevu::alreadyConnectingCode)) return;
    appPreference.setLastFeedbackConnectionId(appPreference.onGoingConnectionId());
    if (error && error->code == Zevu::sameServerCode && configureSDKAgain) configureSDKAgain();
    auto properties =
        connectionProperties(ConnectionEvent::DialError, details, error, appPreference, preservedPreferences);
    const auto appError = AppError::lookup(error ? error->code : 0, !error);
    UserInfo info;
    for (const auto& [k, v] : properties) info[k] = v;
    postUnableToConnect(appError, info);
    eventTracker.track(AnalyticsEvent::app_utc, properties);
}

void StateListener::handleNoInternet(const Details& details) {
    if (isNetworkReachable && !isNetworkReachable()) return;
    if (!details) return;
    eventTracker.track(AnalyticsEvent::app_utb,
                       connectionProperties(ConnectionEvent::UnableToBrowse, details, std::nullopt, appPreference,
                                            preservedPreferences));
    postUnableToBrowse(details);
}

// ---- connected location and the kill switch ----

void StateListener::handleConnectedLocation(const std::optional<zevu::ZevuLocation>& location) {
    UserInfo info;
    if (location && location->ip) ZevuTypes::fetchIPAddress.put(info, *location->ip);
    NotificationCenter::defaultCenter().post(ZevuTypes::fetchIPNotification, {}, info);
    if (!preservedPreferences.enableIKS()) return;
    // The delayed call keeps this listener alive until it has run.
    std::shared_ptr<StateListener> self;
    try {
        self = shared_from_this();
    } catch (const std::bad_weak_ptr&) {
        return;  // not owned by the set-up: nothing can keep it alive for the delay
    }
    DispatchQueue::main().asyncAfter(killSwitchDelay, [self, location] { self->enableKillSwitchFirewall(location); });
}

void StateListener::enableKillSwitchFirewall(const std::optional<zevu::ZevuLocation>& location) {
    const std::string ip = location && location->ip ? *location->ip : "";
    if (ip.empty()) {
        log::print("[KillSwitch] No connected address: the firewall is left as it is.");
        return;
    }
    const auto protocol = protocolWord(makeZevu().preservedPreferences.dialedProtocol());
    if (firewall.enable) firewall.enable(ip, protocol);
}

// ---- system extensions ----

namespace {
enum class Tunnel { OpenVPN, WireGuard };
std::optional<Tunnel> tunnelOf(const std::string& bundleId) {
    if (bundleId == infoPacketTunnelIdentifier()) return Tunnel::OpenVPN;
    if (bundleId == infoWireguardPacketTunnelIdentifier()) return Tunnel::WireGuard;
    log::print(std::string(StateListener::unknownBundleLine));
    return std::nullopt;
}
// Stored without the store's own announcement: only a completed request is announced.
void storeStatus(AppPreferences& app, Tunnel tunnel, SystemExtensionStatus status) {
    app.defaults().set(Value(static_cast<std::int64_t>(status)),
                       tunnel == Tunnel::OpenVPN ? AppPreferences::Key::openVPNSystemExtensionStatus
                                                 : AppPreferences::Key::wgSystemExtensionStatus);
}
}  // namespace

void StateListener::requestNeedsUserApprovalWithBundleId(const std::string& bundleId) {
    if (auto t = tunnelOf(bundleId)) storeStatus(appPreference, *t, SystemExtensionStatus::AwaitingApproval);
}

void StateListener::requestFailedWithBundleId(const std::string& bundleId, const Error& error) {
    auto t = tunnelOf(bundleId);
    if (!t) return;
    storeStatus(appPreference, *t, SystemExtensionStatus::Failed);
    appPreference.defaults().set(Value(std::int64_t{error.code}),
                                 *t == Tunnel::OpenVPN ? AppPreferences::Key::openVPNSystemExtensionErrorCode
                                                       : AppPreferences::Key::wgSystemExtensionErrorCode);
}

void StateListener::requestCompletedWithBundleId(const std::string& bundleId, zevu::ExtensionManager::Result result) {
    using R = zevu::ExtensionManager::Result;
    if (result == R::Completed) {
        if (auto t = tunnelOf(bundleId)) storeStatus(appPreference, *t, SystemExtensionStatus::Activated);
        NotificationCenter::defaultCenter().post(ZevuTypes::extensionStatusChangedNotification, true);
    } else if (result == R::WillCompleteAfterReboot) {
        if (auto t = tunnelOf(bundleId)) storeStatus(appPreference, *t, SystemExtensionStatus::OtherCompletion);
    }
}

// ---- posts ----

void StateListener::postState(const Details& details, ZevuConnectionState state) {
    ZevuTypes::ConnectionInfo info;
    info.state = state;
    info.connectionId = appPreference.onGoingConnectionId();
    info.selectedProtocol = protocolChoice();
    if (details) {
        info.connectedTo = details->country;
        info.connectedIp = details->serverIp;
        info.connectionDns = details->serverAddress;
        info.dialedProtocol = details->protocol ? details->protocol->protocol() : std::nullopt;
        info.quantumResistentServer = details->isDialedWithQuantumResistantServer;
        info.obfuscationEnabled = details->IsDialedWithOVPNObfuscatedServer;
    }
    if (state == ZevuConnectionState::Disconnected && details) info.manualDisconnection = details->isDisconnectedManually;
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
}

void StateListener::postDisconnected(const Details& details) {
    if (details && details->isDisconnectedManually) {
        makeZevu().updateRecommendedLocation();
        auto& defaults = appPreference.defaults();
        defaults.set(Value(defaults.integer(AppPreferences::Key::manualDisconnectionCount) + 1),
                     AppPreferences::Key::manualDisconnectionCount);
    }
    postState(details, ZevuConnectionState::Disconnected);
}

void StateListener::postUnableToBrowse(const Details& details) { postState(details, ZevuConnectionState::UnableToBrowse); }
void StateListener::postConnected(const Details& details) { postState(details, ZevuConnectionState::Connected); }

void StateListener::postCancelled() {
    ZevuTypes::ConnectionInfo info;
    info.state = ZevuConnectionState::Disconnected;
    info.cancelled = true;
    info.connectionId = appPreference.onGoingConnectionId();
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
}

void StateListener::postRedialing(const AppError& error, const UserInfo& userInfo) {
    ZevuTypes::ConnectionInfo info;
    info.state = ZevuConnectionState::Redialing;
    info.error = std::make_shared<const AppError>(error);
    info.connectionId = appPreference.onGoingConnectionId();
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info, userInfo);
}

void StateListener::postUnableToConnect(const AppError& error, const UserInfo& userInfo) {
    ZevuTypes::ConnectionInfo info;
    info.state = ZevuConnectionState::UnableToConnect;
    info.error = std::make_shared<const AppError>(error);
    info.connectionId = appPreference.onGoingConnectionId();
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info, userInfo);
}

}  // namespace morvex
