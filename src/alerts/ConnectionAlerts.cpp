// The alerts between the user and the VPN engine: the kill-switch sheet, cancelling an attempt,
// a dedicated IP in use elsewhere, switching server, connection over connection, the location
// already connected, a protocol change that needs a reconnect, and a dedicated IP that does not
// support the chosen protocol.
#include "alerts/Alert.h"
#include "foundation/Bundle.h"
#include "state/AppManager.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {

constexpr double kSecondsFrom1970To2001 = 978307200.0;

// The analytics properties of a request and of the location the last connection went to.
Dictionary locationProperties(const ConnectionDescription& requested) {
    std::string connected;
    if (auto last = AppPreferences().lastConnection(); last && last->server) connected = last->server->name;
    return Dictionary{
        {"connect_via", rawValue(requested.connectVia)},
        {"selected_interface", rawValue(requested.selectedInterface)},
        {"selected_interface_screen", rawValue(requested.selectedInterfaceScreen)},
        {"selected_location", requested.locationName},
        {"currently_connected_location", connected},
    };
}

ConnectionDescription describe(const ConnectRequest& request) {
    return {request.connectVia, request.selectedInterface, request.selectedInterfaceScreen,
            request.server ? request.server->name : std::string()};
}

Dictionary mixpanelConnectedProperties(const AppPreferences& appPreferences) {
    return appPreferences.defaults()
        .dictionary(AppPreferences::Key::mixpanelConnectedProperties)
        .value_or(Dictionary{});
}

}  // namespace

std::string connectionIdNow() { return decimalText(Date::now().secondsSince1970 - kSecondsFrom1970To2001); }

void Alert::showIKSUTCAlert(std::shared_ptr<AlertCountdown> countdown, AppPreferences appPreferences,
                            EventTracker eventTracker) {
    // The style stays the system's default (warning).
    fill(localized("alert.iks.UTC.title"), localized("alert.iks.UTC.message"), Style::warning,
         {localized("alert.iks.UTC.button.one"), localized("alert.iks.UTC.button.two")});
    accessory = countdown;
    auto services = services_;
    beginSheet([countdown, appPreferences, eventTracker, services](ModalResponse response) mutable {
        handleIKSUTCResponse(response, countdown.get(), appPreferences, eventTracker, services);
    });
}

void Alert::handleIKSUTCResponse(ModalResponse response, AlertCountdown* countdown, AppPreferences& appPreferences,
                                 EventTracker& eventTracker, const AlertServices& services) {
    if (countdown) countdown->invalidateTimer();
    if (response == alertSecondButtonReturn) {
        if (services.vpn) services.vpn->disableFirewall();
        std::string interface;
        if (auto last = appPreferences.lastConnection()) interface = std::string(rawValue(last->selectedInterface));
        eventTracker.track(AnalyticsEvent::app_resume_internet_iks, Dictionary{{"selected_interface", interface}});
    } else if (response == alertFirstButtonReturn) {
        appPreferences.setOnGoingConnectionId(connectionIdNow());
        if (services.vpn) {
            services.vpn->setDoCheckInternetConnectivity(false);
            services.vpn->reconnectVPN();
        }
    }
}

void Alert::showCancelConnection(EventTracker eventTracker) {
    fill(localized("alert.vpn.cancel.title"), localized("alert.vpn.cancel.message"), Style::informational,
         {localized("alert.vpn.cancel.button.one"), localized("alert.vpn.cancel.button.two")});
    auto services = services_;
    beginSheet([eventTracker, services](ModalResponse response) mutable {
        handleCancelConnectionResponse(response, eventTracker, services);
    });
}

void Alert::handleCancelConnectionResponse(ModalResponse response, EventTracker& eventTracker,
                                           const AlertServices& services) {
    if (response != alertFirstButtonReturn) return;
    if (services.vpn) {
        services.vpn->disableFirewall();
        services.vpn->cancelVPN();
    }
    if (services.appManager) services.appManager->lastVPNStateConnected = false;
    eventTracker.track(AnalyticsEvent::app_resume_internet_iks,
                       Dictionary{{"selected_interface", "Connection Cancel Button"}});
}

void Alert::showKillSessionWarning(OwnedCallback<> killSession) {
    fill(localized("ip.in.use"), localized("dedicated.ip.kill.session.warning"), Style::informational,
         {localized("kill.session"), localized("no")});
    beginSheet([killSession](ModalResponse response) {
        if (response == alertFirstButtonReturn) killSession();
    });
}

void Alert::showSwitchServer(AppPreferences appPreferences, EventTracker eventTracker, ConnectToLocation connect,
                             ConnectErrorHandler onError) {
    fill(localized("switch.server.alert.title"), localized("switch.server.alert.message"), Style::informational,
         {localized("switch.server.alert.button.one"), localized("switch.server.alert.button.two")});
    eventTracker.track(AnalyticsEvent::app_view_switch_server_popup, mixpanelConnectedProperties(appPreferences));
    beginSheet([appPreferences, eventTracker, connect, onError](ModalResponse response) mutable {
        const Dictionary properties = mixpanelConnectedProperties(appPreferences);
        if (response != alertFirstButtonReturn) {
            eventTracker.track(AnalyticsEvent::app_cancel_switch_server_popup, properties);
            return;
        }
        eventTracker.track(AnalyticsEvent::app_accept_switch_server_popup, properties);
        auto last = appPreferences.lastConnection();
        if (!last) return;
        std::string nasIdentifier;
        if (last->nasIdentifier) {
            nasIdentifier = *last->nasIdentifier;
        } else {
            eventTracker.track(AnalyticsEvent::app_empty_nas_identifier, properties);
        }
        auto& defaults = appPreferences.defaults();
        auto excluded = defaults.stringArray(AppPreferences::Key::excludedIdentifiersForSwitchServer)
                            .value_or(std::vector<std::string>{});
        excluded.push_back(nasIdentifier);
        defaults.set(Value(excluded), AppPreferences::Key::excludedIdentifiersForSwitchServer);
        if (!connect || !last->server) return;
        ConnectRequest request;
        request.server = last->server;
        request.connectVia = last->connectVia;
        request.selectedInterfaceScreen = last->selectedInterfaceScreen;
        request.connectionInitiatedBy = ZevuTypes::ConnectionInitiatedBy::User;
        request.selectedInterface = ZevuTypes::SelectedInterface::SwitchServer;
        request.allowProtocolFallback = false;
        request.checkBusy = false;
        connect(request, onError);
    });
}

void Alert::showChangeOfConnection(ConnectRequest request, ConnectToLocation connect, ConnectErrorHandler onError) {
    fill(localized("coc.alert.title"), localized("coc.alert.message"), Style::informational,
         {localized("coc.alert.button.one"), localized("coc.alert.button.two")});
    auto services = services_;
    auto eventTracker = services.makeEventTracker();
    eventTracker.track(AnalyticsEvent::app_view_connection_over_connection_popup, locationProperties(describe(request)));
    // The tunnel that is up is being replaced, so the new request must not be refused as busy.
    request.checkBusy = false;
    beginSheet([services, eventTracker, request, connect, onError](ModalResponse response) mutable {
        if (response != alertFirstButtonReturn) return;
        eventTracker.track(AnalyticsEvent::app_accept_connection_over_connection_popup,
                           locationProperties(describe(request)));
        if (services.vpn) {
            if (services.vpn->getCurrentVPNStatus() == zevu::rawValue(zevu::ZevuVPNState::Connecting)) {
                services.vpn->cancelVPN();
                if (services.appManager) services.appManager->lastVPNStateConnected = false;
            } else if (services.vpn->getCurrentVPNStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected)) {
                services.vpn->disconnectVPN();
                if (services.appManager) services.appManager->lastVPNStateConnected = false;
            }
        }
        // A dedicated IP follows like any other location: the user asked to connect there.
        if (!connect || !services.afterDelay) return;
        services.afterDelay(1.0, [request, connect, onError] { connect(request, onError); });
    });
}

void Alert::showAlreadyConnected(const ConnectionDescription& requested) {
    fill(localized("coc.same.location.alert.title"), localized("coc.same.location.alert.message"),
         Style::informational, {});
    services_.makeEventTracker().track(AnalyticsEvent::app_view_already_connected_popup, locationProperties(requested));
    beginSheet();
}

void Alert::showProtocolChangeReconnect(std::shared_ptr<AlertWindow> target, std::string_view messageKey,
                                        const ConnectionDescription& requested, EventTracker eventTracker,
                                        OwnedCallback<bool> answer) {
    fill(localized("alert.protocol.change.reconnect.title"), localized(messageKey), Style::informational,
         {localized("alert.protocol.change.reconnect.button.one"),
          localized("alert.protocol.change.reconnect.button.two")});
    window = std::move(target);
    PreservedPreferences preferences;
    Dictionary properties = locationProperties(requested);
    properties["current_protocol_name"] = preferences.automaticProtocol()
                                              ? std::string("Automatic")
                                              : std::string(rawValue(preferences.selectedProtocol()));
    eventTracker.track(AnalyticsEvent::app_view_protocol_switch_reconnect_popup, properties);
    beginSheet([answer](ModalResponse response) {
        if (response == alertFirstButtonReturn) answer(true);
        else if (response == alertSecondButtonReturn) answer(false);
    });
}

void Alert::showDedicatedProtocolWarning(std::string_view protocolTitle) {
    fill(localized("alert.dedicated.protocol.not.supported.title"),
         filledFormat(localized("alert.dedicated.protocol.not.supported.message.warning %@"), protocolTitle),
         Style::informational, {});
    beginSheet();
}

void Alert::showDedicatedProtocolNotSupported(const PreservedPreferences& preferences, OwnedCallback<> proceed) {
    fill(localized("alert.dedicated.protocol.not.supported.title"),
         filledFormat(localized("alert.dedicated.protocol.not.supported.message %@"),
                      rawValue(preferences.selectedProtocol())),
         Style::informational,
         {localized("alert.dedicated.protocol.button.one"), localized("alert.dedicated.protocol.button.two")});
    beginSheet([proceed](ModalResponse response) {
        if (response == alertFirstButtonReturn) proceed();
    });
}

}  // namespace morvex
