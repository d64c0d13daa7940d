#include "vpn/Zevu.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <mutex>

#include "alerts/Alert.h"
#include "api/Networking.h"
#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "model/BundleInfo.h"
#include "state/StoredServers.h"
#include "state/StoredValueCoding.h"
#include "vpn/ConnectAttemptProperties.h"
#include "vpn/StateListener.h"
#include "zevu/ExtensionManager.h"

namespace morvex {

namespace {

using zevu::ZevuProperties;
using zevu::ZevuProtocol;

bool onMainThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

Error refusal(std::string_view domain, int code, std::string message) {
    return Error(std::string(domain), code, std::move(message));
}

std::string protocolWord(VPNProtocol p) { return std::string(rawValue(p)); }

std::string selectedProtocolName(const PreservedPreferences& prefs) {
    return prefs.automaticProtocol() ? std::string("Automatic") : protocolWord(prefs.selectedProtocol());
}

// The cached SDK country list ("AppPreference.countries"); empty when absent.
std::vector<zevu::ZevuCountry> storedCountries(const AppPreferences& app) {
    return decodableArray<zevu::ZevuCountry>(app.defaults(), AppPreferences::Key::countries)
        .value_or(std::vector<zevu::ZevuCountry>{});
}

// Runs `block` on the main queue; at once when already there.
void onMain(std::function<void()> block) {
    if (onMainThread()) block();
    else DispatchQueue::main().async(std::move(block));
}

}  // namespace

Zevu::Zevu(std::shared_ptr<zevu::ZevuManager> manager, ErrorSender sentry_, ZevuDataFetcher fetcher, User user_,
           AppPreferences appPreference_, EventTracker eventTracker_, PreservedPreferences preservedPreferences_,
           NetworkingProtocol* networking)
    : zevuManager(std::move(manager)),
      sentry(sentry_),
      zevuDataFetcher(fetcher),
      user(std::move(user_)),
      appPreference(std::move(appPreference_)),
      eventTracker(std::move(eventTracker_)),
      preservedPreferences(std::move(preservedPreferences_)),
      networkingManager(networking),
      isNetworkReachable([] {
          return Networking::shared().reachablityManager.status() != NetworkReachabilityManager::Status::notReachable;
      }) {}

// ---- facts ----

ZevuTypes::ConnectionInfo Zevu::currentConnectionInfo() const {
    ConnectionInfo info;
    info.state = connectionStateFromVPNStatus(zevuManager ? zevuManager->getCurrentVPNStatus() : 0);
    info.connectionId = appPreference.onGoingConnectionId();
    auto shared = zevu::ZevuManager::sharedInstance();
    auto details = shared ? shared->zevuConnectionDetails() : nullptr;
    if (!details) {
        info.connectedTo = info.connectedIp = info.connectionDns = info.dialedProtocol = std::string();
        info.selectedProtocol = "";
        info.quantumResistentServer = info.obfuscationEnabled = false;
        return info;
    }
    std::string where;
    if (details->city && details->city->name) {
        where = *details->city->name;
        if (details->city->country) where += ", " + *details->city->country;
    } else {
        where = details->country.value_or("");
    }
    info.connectedTo = where;
    info.connectedIp = details->serverIp;
    info.cancelled = details->isCancelled;
    info.manualDisconnection = details->isDisconnectedManually;
    info.connectionDns = details->serverAddress;
    info.selectedProtocol = selectedProtocolName(preservedPreferences);
    if (details->protocol) info.dialedProtocol = details->protocol->protocol();
    info.quantumResistentServer = details->isDialedWithQuantumResistantServer;
    info.obfuscationEnabled = details->IsDialedWithOVPNObfuscatedServer;
    return info;
}

std::optional<std::string> Zevu::lastConnectionCountryCode() const {
    auto last = appPreference.lastConnection();
    if (!last || !last->server) return std::nullopt;
    return last->server->code;
}

// ---- the recommended location ----

void Zevu::updateRecommendedLocation() {
    if (!zevuManager || zevuManager->getCurrentVPNStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected)) return;
    Zevu self = *this;
    zevuManager->getRecommendedLocation(
        [self](std::optional<zevu::ZevuLocation> location) {
            onMain([self, location]() mutable {
                auto clear = [&] {
                    setEncodedServer(self.appPreference.defaults(), nullptr, AppPreferences::Key::recommendedServer);
                    NotificationCenter::defaultCenter().post(ZevuTypes::recommendedServerUpdatedNotification, ServerPtr());
                    self.recommendedLocationFailed();
                };
                if (!location) {
                    log::print("[RECOMMENDED LOCATION] ERROR 1");
                    return clear();
                }
                log::print("[RECOMMENDED LOCATION] UPDATED SUCCESSFUL");
                ServerPtr server;
                if (location->city) {
                    const auto& city = *location->city;
                    if (!city.country || !city.name) return clear();
                    server = std::make_shared<Server>(std::to_string(city.cityId), *city.name,
                                                      ZevuDataFetcherTypes::ServerType::City, *city.country);
                } else {
                    if (!location->country || !location->country->country || !location->country->name) return clear();
                    const auto& c = *location->country;
                    server = std::make_shared<Server>(*c.country, *c.name, ZevuDataFetcherTypes::ServerType::Country,
                                                      *c.country);
                }
                for (const auto& f : self.preservedPreferences.favorites())
                    if (f && f->id == server->id) server->favorite = true;
                self.eventTracker.track(AnalyticsEvent::app_recommended_location_response,
                                        Dictionary{{"succeed", true}, {"name", server->name}});
                setEncodedServer(self.appPreference.defaults(), server, AppPreferences::Key::recommendedServer);
                NotificationCenter::defaultCenter().post(ZevuTypes::recommendedServerUpdatedNotification, server);
            });
        },
        [self](std::optional<Error>) {
            onMain([self]() mutable {
                log::print("[RECOMMENDED LOCATION] ERROR 2");
                self.recommendedLocationFailed();
            });
        });
}

void Zevu::recommendedLocationFailed() {
    eventTracker.track(AnalyticsEvent::app_recommended_location_response, Dictionary{{"succeed", false}, {"name", ""}});
}

// ---- connect entry points ----

void Zevu::quickConnect(ConnectVia connectVia, SelectedInterfaceScreen screen, ConnectionInitiatedBy initiator,
                        SelectedInterface selectedInterface, bool checkBusy, ErrorHandler onError) {
    if (!onMainThread()) {
        Zevu self = *this;
        return DispatchQueue::main().async([=]() mutable {
            self.quickConnect(connectVia, screen, initiator, selectedInterface, checkBusy, std::move(onError));
        });
    }
    const auto recommended = appPreference.recommendedServer();
    auto server = std::make_shared<Server>(recommended ? recommended->id : "", recommended ? recommended->name : "",
                                           ZevuDataFetcherTypes::ServerType::FastestServer,
                                           recommended ? recommended->id : "");
    NotificationCenter::defaultCenter().post(connectionRequestedNotification, server);
    auto properties = ZevuProperties::initWithProtocol(
        ZevuProtocol("IPSEC"),
        {zevu::rawValue(zevu::ZevuSmartConnectTag::Fastest), zevu::rawValue(zevu::ZevuSmartConnectTag::LeastLoaded)});
    LastConnection record{selectedInterface, connectVia, screen, initiator, server, "", false, false};
    connect(std::move(properties), ConnectVia::SmartConnect, record, checkBusy, std::move(onError));
}

void Zevu::logQuickConnectError(const std::optional<Error>& error) {
    if (error) log::print("Quick connect connection error: " + error->localizedDescription());
}

void Zevu::connectToLocation(const ServerPtr& server, ConnectVia connectVia, SelectedInterfaceScreen screen,
                             ConnectionInitiatedBy initiator, SelectedInterface selectedInterface,
                             bool allowProtocolFallback, bool checkBusy, ErrorHandler onError) {
    if (!onMainThread()) {
        Zevu self = *this;
        return DispatchQueue::main().async([=]() mutable {
            self.connectToLocation(server, connectVia, screen, initiator, selectedInterface, allowProtocolFallback,
                                   checkBusy, std::move(onError));
        });
    }
    NotificationCenter::defaultCenter().post(connectionRequestedNotification, server);
    if (!server) return;
    LastConnection record{selectedInterface, connectVia, screen, initiator, server, "", false, false};
    using Type = ZevuDataFetcherTypes::ServerType;
    switch (server->type) {
    case Type::Country:
        // The catalogue names the country to dial; a cache without it dials nothing.
        if (auto country = zevuDataFetcher.resolveCountry(*server))
            connectToCountry(*country, record, checkBusy, std::move(onError));
        return;
    case Type::City: return connectToCity(server, record, checkBusy, std::move(onError));
    case Type::DedicatedIp:
        return connectToDedicatedIP(server->hosts.value_or(std::vector<DedicatedIPHost>{}), record,
                                    allowProtocolFallback, checkBusy, std::move(onError));
    case Type::FastestServer:
    case Type::Shortcut: return;
    }
}

void Zevu::connectToLocation(const ConnectRequest& request, ErrorHandler onError) {
    connectToLocation(request.server, request.connectVia, request.selectedInterfaceScreen, request.connectionInitiatedBy,
                      request.selectedInterface, request.allowProtocolFallback, request.checkBusy, std::move(onError));
}

ConnectToLocation Zevu::connectToLocationHook() const {
    return [self = *this](const ConnectRequest& request, ConnectErrorHandler onError) mutable {
        self.connectToLocation(request, std::move(onError));
    };
}

LocationEngine Zevu::locationEngine() const {
    return {connectToLocationHook(), [self = *this]() mutable { self.pingDedicatedIPServer(); }};
}

std::optional<ZevuProtocol> Zevu::selectedProtocol(bool allowProtocolFallback) const {
    const auto word = protocolWord(preservedPreferences.selectedProtocol());
    if (word != "IPSEC" && word != "WireGuard") return ZevuProtocol(word);
    if (preservedPreferences.automaticProtocol() || allowProtocolFallback) return ZevuProtocol("IKEV");
    return std::nullopt;
}

std::vector<zevu::ZevuMultipleDNS> Zevu::orderedDedicatedHosts(std::vector<zevu::ZevuMultipleDNS> entries,
                                                               const ZevuProtocol& chosen) {
    const auto wanted = chosen.name();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].protocol().name() == wanted) std::swap(entries[i], entries[0]);
    return entries;
}

void Zevu::connectToDedicatedIP(const std::vector<DedicatedIPHost>& hosts, const LastConnection& record,
                                bool allowProtocolFallback, bool checkBusy, ErrorHandler onError) {
    const auto chosen = selectedProtocol(allowProtocolFallback);
    if (!chosen) {
        if (onError) onError(refusal(morvexVPNErrorDomain, protocolNotSupportedCode, "Selected protocol not supported"));
        return;
    }
    std::vector<zevu::ZevuMultipleDNS> entries;
    for (const auto& host : hosts) entries.emplace_back(host.dns, host.dns, ZevuProtocol(host.serverProtocol));
    auto properties = ZevuProperties::initWithMultipleDedicatedHost(orderedDedicatedHosts(std::move(entries), *chosen),
                                                                    *chosen);
    connect(std::move(properties), ConnectVia::DedicatedIp, record, checkBusy, std::move(onError));
}

void Zevu::connectToCountry(const zevu::ZevuCountry& country, const LastConnection& record, bool checkBusy,
                            ErrorHandler onError) {
    auto properties = ZevuProperties::initWithCountry(country, std::nullopt);
    configureProperties(properties, record);
    connect(std::move(properties), ConnectVia::Country, record, checkBusy, std::move(onError));
}

void Zevu::connectToCity(const ServerPtr& server, const LastConnection& record, bool checkBusy, ErrorHandler onError) {
    if (!server) return;
    const auto cities = citiesMatchingServer(storedCountries(appPreference), *server);
    if (cities.empty()) return;
    auto properties = ZevuProperties::initWithCity(cities.front(), std::nullopt);
    configureProperties(properties, record);
    connect(std::move(properties), ConnectVia::City, record, checkBusy, std::move(onError));
}

// ---- the central connect routine ----

bool Zevu::isBusy() const {
    const int status = zevuManager ? zevuManager->getCurrentVPNStatus() : 0;
    if (status == zevu::rawValue(zevu::ZevuVPNState::Connected)) return true;
    return zevuManager && zevuManager->getCurrentVPNStatus() == zevu::rawValue(zevu::ZevuVPNState::Connecting);
}

bool Zevu::isSameServer(const std::optional<LastConnection>& record) const {
    const auto last = appPreference.lastConnection();
    const ServerPtr requested = record ? record->server : nullptr;
    const ServerPtr stored = last ? last->server : nullptr;
    if (requested && requested->type == ZevuDataFetcherTypes::ServerType::DedicatedIp)
        return stored && stored->ip == requested->ip;
    const std::optional<std::string> a = requested ? std::optional(requested->name) : std::nullopt;
    const std::optional<std::string> b = stored ? std::optional(stored->name) : std::nullopt;
    return a == b;
}

void Zevu::activateExtensionIfNeeded() const {
    log::print("installing extension from connect method");
    if (preservedPreferences.automaticProtocol()) return;
    switch (preservedPreferences.selectedProtocol()) {
    case VPNProtocol::TCP:
    case VPNProtocol::UDP: zevu::ExtensionManager::shared().activate(infoPacketTunnelIdentifier()); break;
    case VPNProtocol::WireGuard: zevu::ExtensionManager::shared().activate(infoWireguardPacketTunnelIdentifier()); break;
    default: break;
    }
}

void Zevu::connect(ZevuProperties properties, ConnectVia connectVia, const std::optional<LastConnection>& record,
                   bool checkBusy, ErrorHandler onError) {
    if (!onMainThread()) {
        Zevu self = *this;
        return DispatchQueue::main().async([=]() mutable {
            self.connectOnMain(std::move(properties), connectVia, record, checkBusy, std::move(onError));
        });
    }
    connectOnMain(std::move(properties), connectVia, record, checkBusy, std::move(onError));
}

void Zevu::connectOnMain(ZevuProperties properties, ConnectVia connectVia, std::optional<LastConnection> record,
                         bool checkBusy, ErrorHandler onError) {
    auto refuse = [&](Error error) {
        if (onError) onError(std::move(error));
    };
    // 1. The selected protocol's system extension must be ready (a dedicated IP picks its own).
    if (connectVia != ConnectVia::DedicatedIp && preservedPreferences.systemExtensionStatus()) {
        showWireGuardBetaInformation();
        return;
    }
    // 2. Ask for the extension without waiting for it.
    activateExtensionIfNeeded();
    // 3-4. Busy: refuse unless the caller replaces the running connection.
    if (checkBusy && isBusy()) {
        if (isSameServer(record)) return refuse(refusal(connectionDomain, sameServerCode, "Same server, please disconnect first"));
        return refuse(refusal(connectionDomain, disconnectFirstCode, "Please disconnect first."));
    }
    if (zevuManager) zevuManager->setDoCheckInternetConnectivity(true);
    // 6-10. Network and account.
    if (isNetworkReachable && !isNetworkReachable()) return refuse(refusal(networkDomain, noInternetCode, localized("no.internet")));
    if (!user.vpnUsername() && preservedPreferences.vpnAccounts().empty())
        return refuse(refusal(noSubscriptionDomain, noSubscriptionCode, "No Subscription"));
    if (user.status() == User::Status::Expired) return refuse(refusal(userStatusDomain, accountExpiredCode, "Account Expired"));
    if (user.status() == User::Status::Disabled)
        return refuse(refusal(userStatusDomain, accountDisabledCode, "Account Disabled"));
    if (preservedPreferences.passwordChanged())
        return refuse(refusal(userStatusDomain, passwordChangedCode, "Password Changed"));
    dial(std::move(properties), std::move(record), std::move(onError));
}

void Zevu::dial(ZevuProperties properties, std::optional<LastConnection> record, ErrorHandler onError) {
    eventTracker.mixpanel().time(std::string(eventName(AnalyticsEvent::app_ttc)));
    // 12-13. Record the attempt, keeping what it replaces for the error block.
    const auto previousId = appPreference.onGoingConnectionId();
    const std::string attemptId = connectionIdNow();
    appPreference.setOnGoingConnectionId(attemptId);
    const auto previousLast = appPreference.lastConnection();
    appPreference.setLastConnection(record);
    properties.setUseAutomaticPort(true);

    std::optional<std::string> firstFilter;
    if (properties.serverFilters() && !properties.serverFilters()->empty())
        firstFilter = properties.serverFilters()->front().nasIdentifier;

    Zevu self = *this;
    auto completion = [self, onError, firstFilter](std::optional<std::string>) mutable {
        onMain([self, onError, firstFilter]() mutable {
            self.eventTracker.track(AnalyticsEvent::app_connect,
                                    connectAttemptProperties(self.appPreference, self.preservedPreferences, firstFilter));
            if (onError) onError(std::nullopt);
        });
    };
    auto errorBlock = [self, onError, record, previousId, previousLast, attemptId](std::optional<Error> error) mutable {
        if (!error) return;
        onMain([self, onError, record, previousId, previousLast, attemptId, error]() mutable {
            // A newer attempt has recorded itself since: what this one would restore is out of date.
            const bool stillCurrent = self.appPreference.onGoingConnectionId() == attemptId;
            if (error->code == alreadyConnectingCode || error->code == cancelledCode) {
                if (stillCurrent) {
                    self.appPreference.setOnGoingConnectionId(previousId);
                    self.appPreference.setLastConnection(record);
                }
                if (onError) onError(std::nullopt);
                return;
            }
            if (stillCurrent) self.appPreference.setLastConnection(previousLast);
            if (onError) onError(*error);
        });
    };
    zevuManager->connectWithProperties(std::move(properties), std::move(completion), std::move(errorBlock));
}

// ---- protocol policy ----

ZevuProperties& Zevu::configureProperties(ZevuProperties& properties, const std::optional<LastConnection>& record) const {
    if (preservedPreferences.automaticProtocol()) {
        properties.setUseLastSuccessfulDialedProtocol(true);
    } else {
        const auto word = protocolWord(preservedPreferences.selectedProtocol());
        properties.setProtocol(ZevuProtocol(word));
        const bool fallback = preservedPreferences.connectToFallback();
        if (!fallback) {
            properties.setSecondaryProtocol(ZevuProtocol(word));
            properties.setTertiaryProtocol(ZevuProtocol(word));
        }
        properties.setEnableProtocolSwitch(fallback);
    }
    const bool present = record && record->server;
    if (present && record->selectedInterface == SelectedInterface::SwitchServer) {
        const auto excluded = appPreference.defaults().stringArray(AppPreferences::Key::excludedIdentifiersForSwitchServer)
                                  .value_or(std::vector<std::string>{});
        std::vector<zevu::ServerFilter> filters;
        for (const auto& id : excluded) filters.emplace_back(id, 1);
        properties.setServerFilters(std::move(filters));
        return properties;
    }
    if (present && preservedPreferences.enablePersonaliseServer()) {
        const auto ratings = preservedPreferences.personalizeServer();
        if (ratings && !ratings->empty()) {
            const auto it = ratings->find(record->server->code);
            if (it != ratings->end() && (record->selectedInterface == SelectedInterface::Recent ||
                                         record->selectedInterface == SelectedInterface::Favorite)) {
                std::vector<zevu::ServerFilter> filters;
                for (const auto& entry : it->second) filters.emplace_back(entry.identifier, entry.liked ? 0 : 1);
                properties.setServerFilters(std::move(filters));
            }
        }
    }
    return properties;
}

std::vector<zevu::ZevuCity> Zevu::citiesMatchingServer(const std::vector<zevu::ZevuCountry>& countries,
                                                       const Server& server) {
    std::vector<zevu::ZevuCity> out;
    for (const auto& country : countries) {
        if (!country.cities) continue;
        for (const auto& city : *country.cities) {
            if (std::to_string(city.cityId) == server.id) {
                out.push_back(city);
                break;
            }
        }
    }
    return out;
}

void Zevu::showWireGuardBetaInformation() const {
    const std::string title = localized("wiregurad.beta.information.title");
    std::string message = localized("wiregurad.beta.information.details");
    const std::string name(morvex::title(preservedPreferences.selectedProtocol()));
    if (auto at = message.find("%@"); at != std::string::npos) message.replace(at, 2, name);
    onMain([title, message] { Alert().showInfo(title, message); });
}

}  // namespace morvex
