#include "viewmodels/DashboardRecentModel.h"

#include <QDebug>

#include "alerts/Alert.h"
#include "catalog/CountriesModel.h"
#include "viewmodels/MainThreadObserver.h"
#include "vpn/KillDedicatedSessionModel.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {
using Server = ZevuDataFetcherTypes::Server;
using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
using ServerType = ZevuDataFetcherTypes::ServerType;
}  // namespace

DashboardRecentModel::Collaborators DashboardRecentModel::defaults() {
    Collaborators c;
    c.services = AlertServices::installed();
    Zevu zevu = MorvexVPNService::makeZevu();
    c.connect = zevu.connectToLocationHook();
    c.dedicatedIPStatus = [](const std::string& ip, std::function<void(DedicatedStatusAnswer)> done) {
        auto countries = std::make_shared<CountriesModel>(MorvexVPNService::makeZevu().locationEngine(), MorvexVPNService::makeZevuDataFetcher(),
                                                          PreservedPreferences(), MorvexVPNService::makeEventTracker());
        countries->checkDedicatedIPStatus(ip, [countries, done](Result<CountriesModel::DedicatedIPStatusModel> answer) {
            if (!answer) return done(std::unexpected(answer.error()));
            done(answer->connected);
        });
    };
    c.killDedicatedSession = [](std::function<void(Result<bool>)> done) {
        KillDedicatedSessionModel(User(), &Networking::shared()).killSession(std::move(done));
    };
    c.log = [](const std::string& line) { qInfo().noquote() << QString::fromStdString(line); };
    return c;
}

DashboardRecentModel::DashboardRecentModel(Collaborators collaborators) : c_(std::move(collaborators)) {
    c_.services = AlertServices::completed(std::move(c_.services));
}

ServerPtr DashboardRecentModel::firstRecent() const {
    const auto recents = c_.preserverdPreference.recents();
    return recents.empty() ? nullptr : recents.front();
}

void DashboardRecentModel::connect(const ServerPtr& server) {
    if (!server) return;
    ConnectRequest request;
    request.server = server;
    request.connectVia = ZevuTypes::connectVia(server->type);
    request.connectionInitiatedBy = ZevuTypes::ConnectionInitiatedBy::User;
    request.selectedInterface = ZevuTypes::SelectedInterface::Recent;
    request.checkBusy = true;
    if (server->type == ServerType::DedicatedIp) {
        request.selectedInterfaceScreen = ZevuTypes::SelectedInterfaceScreen::Location;
        request.allowProtocolFallback = true;
    } else {
        request.selectedInterfaceScreen = ZevuTypes::SelectedInterfaceScreen::Dashboard;
        request.allowProtocolFallback = false;
    }
    if (!c_.connect) return;
    auto onError = lifetime_.callback<const std::optional<Error>&>(
        [this, server, request](const std::optional<Error>& error) { handleVPNError(error, server, request); });
    c_.connect(request, [onError](const std::optional<Error>& error) { onError(error); });
}

void DashboardRecentModel::handleVPNError(const std::optional<Error>& error, const ServerPtr& server,
                                          const ConnectRequest& request) {
    if (!error) return;
    EventTracker tracker = c_.services.makeEventTracker ? c_.services.makeEventTracker() : EventTracker();
    switch (error->code) {
    case 998: return Alert(c_.services).showNoSubscription();
    case 701: return Alert(c_.services).showUserExpired(User(), c_.preserverdPreference, ScreenContext::connect, tracker);
    case 533: return Alert(c_.services).showUserDisabled(c_.preserverdPreference);
    case 999: return Alert(c_.services).showPasswordChanged(AppScreen::Dashboard, tracker);
    case -1001: {
        auto again = lifetime_.callback<const std::optional<Error>&>(
            [this, server, request](const std::optional<Error>& e) { handleVPNError(e, server, request); });
        return Alert(c_.services).showChangeOfConnection(request, c_.connect,
                                                         [again](const std::optional<Error>& e) { again(e); });
    }
    case -1002:
        return Alert(c_.services).showAlreadyConnected(ConnectionDescription{
            request.connectVia, request.selectedInterface, request.selectedInterfaceScreen, server ? server->name : ""});
    default: return;
    }
}

void DashboardRecentModel::dial(const ServerPtr& server) {
    if (!server) return;
    if (server->type != ServerType::DedicatedIp) return connect(server);
    if (c_.preserverdPreference.automaticProtocol()) return checkSessionAndDial(server);
    switch (c_.preserverdPreference.selectedProtocol()) {
    case VPNProtocol::IPSec:
    case VPNProtocol::WireGuard:
        // This protocol cannot reach a dedicated IP; the user may go on anyway.
        return Alert(c_.services)
            .showDedicatedProtocolNotSupported(c_.preserverdPreference,
                                               lifetime_.callback<>([this, server] { checkSessionAndDial(server); }));
    case VPNProtocol::IKEv2:
    case VPNProtocol::TCP:
    case VPNProtocol::UDP: return checkSessionAndDial(server);
    }
}

void DashboardRecentModel::checkSessionAndDial(const ServerPtr& server) {
    if (!c_.dedicatedIPStatus) return connect(server);
    auto answered = lifetime_.callback<DedicatedStatusAnswer>([this, server](DedicatedStatusAnswer answer) {
        if (!answer) return;  // the status is unknown: neither dial nor warn
        if (!answer->value_or(false)) return connect(server);
        Alert(c_.services).showKillSessionWarning(lifetime_.callback<>([this, server] {
            if (!c_.killDedicatedSession) return connect(server);
            auto killed = lifetime_.callback<Result<bool>>([this, server](Result<bool> result) {
                if (c_.log) c_.log(result ? std::string("Success") : "Errror: " + result.error().localizedDescription());
                // The other session may already be gone; dial in either case.
                connect(server);
            });
            c_.killDedicatedSession([killed](Result<bool> result) {
                dashboard::runOnMainThread([killed, result = std::move(result)] { killed(result); });
            });
        }));
    });
    c_.dedicatedIPStatus(server->ip, [answered](DedicatedStatusAnswer answer) {
        dashboard::runOnMainThread([answered, answer = std::move(answer)] { answered(answer); });
    });
}

}  // namespace morvex
