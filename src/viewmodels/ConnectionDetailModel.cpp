#include "viewmodels/ConnectionDetailModel.h"

#include <QLocale>
#include <QPointer>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "alerts/AlertServices.h"
#include "api/Networking.h"
#include "model/WebLink.h"
#include "model/WebLinks.h"
#include "session/ProfileModel.h"
#include "session/UserAuthentication.h"
#include "foundation/Bundle.h"
#include "viewmodels/MainThreadObserver.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {
using Kind = ConnectionDetailModel::PortForwardingStatus::Kind;
}  // namespace

void from_json(const nlohmann::json& j, ConnectionDetailModel::PortForwardingResponseModel& m) {
    using Status = ConnectionDetailModel::PortForwardingResponseModel::Status;
    m.allOpened = j.at("open_all_ports").get<bool>();
    m.allBlocked = j.at("block_all_ports").get<bool>();
    m.blockAllExcept = j.at("block_all_ports_except").get<bool>();
    m.enabledPorts = j.at("ports").get<std::string>();
    const auto status = j.at("status").get<std::string>();
    if (status == "active") m.status = Status::Active;
    else if (status == "disabled") m.status = Status::Disabled;
    else if (status == "expired") m.status = Status::Expired;
    else throw std::invalid_argument("unknown port-forwarding status \"" + status + "\"");
    m.expiryDate = j.at("expiry_date").get<std::string>();
}

ConnectionDetailModel::Collaborators ConnectionDetailModel::defaults() {
    Collaborators c;
    c.eventTracker = MorvexVPNService::makeEventTracker();
    c.requestPortForwarding = [](const nlohmann::json& parameters, PortForwardingCompletion completion) {
        Networking::shared().requestPortForwarding<PortForwardingResponseModel>(parameters, std::move(completion));
    };
    c.hasPortForwardingAddon = [] {
        const User user;
        return ProfileModel(Networking::shared(), user, MorvexVPNService::makeEventTracker(), PreservedPreferences(),
                            UserAuthentication())
            .hasPortForwardingAddon(user.activeAddons());
    };
    c.openURL = [](const std::string& url) {
        if (auto open = AlertServices::installed().openURL) open(url);
    };
    return c;
}

ConnectionDetailModel::ConnectionDetailModel(Collaborators collaborators, QObject* parent)
    : BaseViewModel(parent), c_(std::move(collaborators)) {}

std::string ConnectionDetailModel::formatted(double value) {
    if (!std::isfinite(value)) return "0";
    // Two decimals, rounded half to even as the display has always done, then trailing zeros go.
    double scaled = std::nearbyint(value * 100.0);
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", scaled / 100.0);
    std::string s = text;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    const QString point = QLocale().decimalPoint();
    if (point != QStringLiteral(".")) {
        const auto dot = s.find('.');
        if (dot != std::string::npos) s.replace(dot, 1, point.toStdString());
    }
    return s.empty() ? std::string("0") : s;
}

void ConnectionDetailModel::applyTraffic(const ZevuTypes::DataTransmission& totals) {
    const auto [in, out] = formatByteCount(totals.bitsIn, totals.bitsOut);
    // Under one kilobyte received there is nothing worth updating yet.
    if (in.unit == ByteCountUnit::B) return;
    dataIn = formatted(in.value);
    dataOut = formatted(out.value);
    dataInUnit = std::string(label(in.unit));
    dataOutUnit = std::string(label(out.unit));
}

void ConnectionDetailModel::loadPortForwardingStatus() {
    loadingPortForwardingStatus = true;
    if (c_.user.isUserNotMigratedToFA()) return showPortForwardingStatus({Kind::FailedToLoad, {}});
    if (!c_.requestPortForwarding) return showPortForwardingStatus({Kind::FailedToLoad, {}});
    const nlohmann::json parameters{{"username", c_.user.vpnUsername().value_or("")},
                                    {"uuid", c_.user.uuid()},
                                    {"addon_status", "port_forwarding"}};
    QPointer<ConnectionDetailModel> self(this);
    c_.requestPortForwarding(parameters, [self](Result<PortForwardingResponseModel> result) {
        // The answer comes on the client's thread; the card's properties belong to the main one.
        dashboard::runOnMainThread(self.data(), [self, result = std::move(result)] {
            if (self) self->showPortForwardingStatus(self->handlePortForwardingResult(result));
        });
    });
}

void ConnectionDetailModel::retry() {
    c_.eventTracker.track(AnalyticsEvent::app_click_retry_firewall_policies);
    loadPortForwardingStatus();
}

ConnectionDetailModel::PortForwardingStatus ConnectionDetailModel::handlePortForwardingResult(
    const Result<PortForwardingResponseModel>& result) {
    if (!result) {
        const Error& error = result.error();
        c_.eventTracker.track(AnalyticsEvent::app_fail_get_firewall_policies,
                              Dictionary{{"reason", error.localizedDescription()}, {"api_error_code", error.code}});
        // A transport failure may pass; an answer the service gave but we cannot use will not.
        return {error.code < 0 ? Kind::Retry : Kind::FailedToLoad, {}};
    }
    c_.eventTracker.track(AnalyticsEvent::app_view_firewall_policies);
    const auto& answer = *result;
    if (answer.status != PortForwardingResponseModel::Status::Active) return {Kind::FailedToLoad, {}};
    if (answer.allOpened) return {Kind::AllOpened, {}};
    if (answer.allBlocked) return {Kind::AllBlocked, {}};
    return {Kind::AllBlockedExpect, answer.enabledPorts};
}

void ConnectionDetailModel::showPortForwardingStatus(const PortForwardingStatus& status) {
    switch (status.kind) {
    case Kind::AllOpened: portForwardingStatus = localized("connection.details.port.forwarding.all.opened"); break;
    case Kind::AllBlocked: portForwardingStatus = localized("connection.details.port.forwarding.all.blocked"); break;
    case Kind::FailedToLoad: portForwardingStatus = localized("connection.details.port.forwarding.failed.to.load"); break;
    case Kind::AllBlockedExpect: portForwardingStatus = status.ports; break;
    case Kind::Retry:
        portForwardingStatusUpdated = false;
        loadingPortForwardingStatus = false;
        return;
    }
    portForwardingStatusUpdated = true;
    loadingPortForwardingStatus = false;
}

}  // namespace morvex

namespace morvex {

namespace {
Dictionary addonProperties(std::string_view addon) {
    return Dictionary{{"selected_interface_screen", "Dashboard"},
                      {"selected_interface", "connection_details"},
                      {"addon", std::string(addon)}};
}
}  // namespace

std::optional<std::string> ConnectionDetailModel::memberLink(std::string_view path) const {
    const auto method = c_.user.loginMethod();
    const std::optional<bool> email = method ? std::optional<bool>(*method == "email") : std::nullopt;
    return c_.user.urlWithIdentityQuery(WebLink::Home, path, c_.user.vpnUsername().value_or(""), email, c_.user.uuid());
}

std::string ConnectionDetailModel::addonDetailsLink(std::string_view addon) {
    return webLinkWithQueryItems(urlString(WebLink::Home) + "applinks/addon-details?addon=" + std::string(addon));
}

std::optional<std::string> ConnectionDetailModel::buyPortForwarding() {
    if (!hasPortForwardingAddon()) {
        c_.eventTracker.track(AnalyticsEvent::app_click_addon_details, addonProperties("Port Forwarding"));
        return std::nullopt;
    }
    c_.eventTracker.track(AnalyticsEvent::app_click_addon, addonProperties("Port Forwarding"));
    std::optional<std::string> link = memberLink("/applinks/portforwarding");
    if (link && c_.openURL) c_.openURL(*link);
    return link;
}

std::optional<std::string> ConnectionDetailModel::getAddon(std::string_view addon, std::string_view memberPath) {
    c_.eventTracker.track(AnalyticsEvent::app_click_addon, addonProperties(addon));
    std::optional<std::string> link = memberLink(memberPath);
    if (link && c_.openURL) c_.openURL(*link);
    return link;
}

}  // namespace morvex
