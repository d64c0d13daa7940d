#include <gtest/gtest.h>

#include <cmath>

#include "alerts/AlertTestSupport.h"

using namespace morvex;
using namespace morvex::test;

namespace {

using Via = ZevuTypes::ConnectVia;
using Interface = ZevuTypes::SelectedInterface;
using Screen = ZevuTypes::SelectedInterfaceScreen;
using Initiator = ZevuTypes::ConnectionInitiatedBy;
using ServerType = ZevuDataFetcherTypes::ServerType;

struct Countdown : AlertCountdown {
    int invalidated = 0;
    void invalidateTimer() override { ++invalidated; }
};

class ConnectionAlertsTest : public AlertTest {
protected:
    std::vector<ConnectRequest> connects;
    int errorsHandled = 0;

    ConnectToLocation connector() {
        return [this](const ConnectRequest& request, ConnectErrorHandler onError) {
            connects.push_back(request);
            if (onError) onError(std::nullopt);
        };
    }
    ConnectErrorHandler onError() {
        return [this](const std::optional<Error>&) { ++errorsHandled; };
    }

    static void storeLastConnection(std::optional<std::string> nas, Interface interface = Interface::Recent) {
        AppPreferences::LastConnection last;
        last.server = server("de-1", "Frankfurt", ServerType::City);
        last.connectVia = Via::City;
        last.selectedInterface = interface;
        last.selectedInterfaceScreen = Screen::Dashboard;
        last.connectionInitiatedBy = Initiator::AutoReconnect;
        last.nasIdentifier = std::move(nas);
        AppPreferences().setLastConnection(last);
    }
};

}  // namespace

TEST_F(ConnectionAlertsTest, KillSwitchSheetResumesTheInternetOrReconnects) {
    storeLastConnection("nas-1", Interface::Favorite);
    auto countdown = std::make_shared<Countdown>();
    Alert().showIKSUTCAlert(countdown, AppPreferences(), tracker());
    EXPECT_EQ(presenter->last().accessory, countdown);
    EXPECT_EQ(presenter->last().style, Alert::Style::warning);
    EXPECT_EQ(presenter->last().buttons, texts({"alert.iks.UTC.button.one", "alert.iks.UTC.button.two"}));

    // Second button: the firewall goes off and nothing is dialled.
    presenter->press(1);
    EXPECT_EQ(countdown->invalidated, 1);
    EXPECT_EQ(vpn->calls, std::vector<std::string>{"disableFirewall"});
    EXPECT_EQ(event("app_resume_internet_iks"), (Dictionary{{"selected_interface", "Favorite"}}));
    EXPECT_FALSE(AppPreferences().onGoingConnectionId());

    // First button: a fresh connection id is stored, then the SDK redials without its internet check.
    vpn->calls.clear();
    Alert().showIKSUTCAlert(countdown, AppPreferences(), tracker());
    const double before = Date::now().secondsSince1970 - 978307200.0;
    presenter->press(0);
    EXPECT_EQ(countdown->invalidated, 2);
    EXPECT_EQ(vpn->calls, (std::vector<std::string>{"checkConnectivity(false)", "reconnectVPN"}));
    auto id = AppPreferences().onGoingConnectionId();
    ASSERT_TRUE(id);
    EXPECT_LT(std::abs(std::stod(*id) - before), 5.0) << *id;

    // The count running out ends the sheet with neither button: only the countdown stops.
    vpn->calls.clear();
    Alert().showIKSUTCAlert(countdown, AppPreferences(), tracker());
    presenter->respond(-1000);
    EXPECT_EQ(countdown->invalidated, 3);
    EXPECT_TRUE(vpn->calls.empty());

    // Without a stored last connection the interface is sent empty.
    AppPreferences().setLastConnection(std::nullopt);
    Alert().showIKSUTCAlert(countdown, AppPreferences(), tracker());
    presenter->press(1);
    EXPECT_EQ(event("app_resume_internet_iks"), (Dictionary{{"selected_interface", ""}}));
}

TEST_F(ConnectionAlertsTest, CancellingAnAttemptStopsItAndLiftsTheKillSwitch) {
    appManager.lastVPNStateConnected = true;
    Alert().showCancelConnection(tracker());
    presenter->press(1);
    EXPECT_TRUE(vpn->calls.empty());
    EXPECT_TRUE(appManager.lastVPNStateConnected);

    Alert().showCancelConnection(tracker());
    presenter->press(0);
    EXPECT_EQ(vpn->calls, (std::vector<std::string>{"disableFirewall", "cancelVPN"}));
    EXPECT_FALSE(appManager.lastVPNStateConnected);
    EXPECT_EQ(event("app_resume_internet_iks"), (Dictionary{{"selected_interface", "Connection Cancel Button"}}));
}

TEST_F(ConnectionAlertsTest, SwitchingServerTwiceExcludesOneMoreServerEachTime) {
    const Dictionary connected{{"protocol", "IKEV"}, {"location", "Frankfurt"}};
    AppPreferences().defaults().set(Value(connected), AppPreferences::Key::mixpanelConnectedProperties);
    auto excluded = [] {
        return UserDefaults::standard().stringArray(AppPreferences::Key::excludedIdentifiersForSwitchServer);
    };

    storeLastConnection("nas-1");
    Alert().showSwitchServer(AppPreferences(), tracker(), connector(), onError());
    EXPECT_EQ(event("app_view_switch_server_popup"), connected);
    presenter->press(0);
    EXPECT_EQ(excluded(), std::vector<std::string>{"nas-1"});

    storeLastConnection("nas-2");
    Alert().showSwitchServer(AppPreferences(), tracker(), connector(), onError());
    presenter->press(0);
    EXPECT_EQ(excluded(), (std::vector<std::string>{"nas-1", "nas-2"}));
    EXPECT_EQ(event("app_accept_switch_server_popup"), connected);

    // Each acceptance dials the last connection's location again, as a switch the user asked for.
    ASSERT_EQ(connects.size(), 2u);
    for (const auto& request : connects) {
        EXPECT_EQ(request.server->id, "de-1");
        EXPECT_EQ(request.connectVia, Via::City);
        EXPECT_EQ(request.selectedInterfaceScreen, Screen::Dashboard);
        EXPECT_EQ(request.connectionInitiatedBy, Initiator::User);
        EXPECT_EQ(request.selectedInterface, Interface::SwitchServer);
        EXPECT_FALSE(request.checkBusy);
        EXPECT_FALSE(request.allowProtocolFallback);
    }
    EXPECT_EQ(errorsHandled, 2);  // the caller's handler went with each request
}

TEST_F(ConnectionAlertsTest, SwitchServerWithoutIdentifierOrConnectionOrConsent) {
    auto excluded = [] {
        return UserDefaults::standard().stringArray(AppPreferences::Key::excludedIdentifiersForSwitchServer);
    };
    // No NAS identifier: reported, and the empty text stands in for it.
    storeLastConnection(std::nullopt);
    Alert().showSwitchServer(AppPreferences(), tracker(), connector(), onError());
    presenter->press(0);
    EXPECT_EQ(excluded(), std::vector<std::string>{""});
    EXPECT_EQ(event("app_empty_nas_identifier"), Dictionary{});
    EXPECT_EQ(connects.size(), 1u);

    // Declined: reported, nothing stored or dialled.
    Alert().showSwitchServer(AppPreferences(), tracker(), connector(), onError());
    presenter->press(1);
    EXPECT_EQ(eventNames().back(), "app_cancel_switch_server_popup");
    EXPECT_EQ(excluded(), std::vector<std::string>{""});
    EXPECT_EQ(connects.size(), 1u);

    // No last connection: the acceptance is reported and nothing else happens.
    AppPreferences().setLastConnection(std::nullopt);
    Alert().showSwitchServer(AppPreferences(), tracker(), connector(), onError());
    presenter->press(0);
    EXPECT_EQ(eventNames().back(), "app_accept_switch_server_popup");
    EXPECT_EQ(excluded(), std::vector<std::string>{""});
    EXPECT_EQ(connects.size(), 1u);
}

TEST_F(ConnectionAlertsTest, ConnectionOverConnectionStopsWhatRunsThenConnectsASecondLater) {
    storeLastConnection("nas-1");
    struct Case {
        const char* name;
        zevu::ZevuVPNState status;
        ServerType type;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"connecting", zevu::ZevuVPNState::Connecting, ServerType::Country, {"cancelVPN"}},
        {"connected", zevu::ZevuVPNState::Connected, ServerType::City, {"disconnectVPN"}},
        {"disconnected", zevu::ZevuVPNState::Disconnected, ServerType::Country, {}},
        {"dedicated IP", zevu::ZevuVPNState::Connected, ServerType::DedicatedIp, {"disconnectVPN"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vpn->calls.clear();
        connects.clear();
        vpn->status = zevu::rawValue(c.status);
        appManager.lastVPNStateConnected = true;
        ConnectRequest request;
        request.server = server("x-1", "Paris", c.type);
        request.connectVia = ZevuTypes::connectVia(c.type);
        request.selectedInterfaceScreen = Screen::Location;
        request.connectionInitiatedBy = Initiator::User;
        request.selectedInterface = Interface::List;
        request.allowProtocolFallback = true;
        request.checkBusy = true;

        Alert().showChangeOfConnection(request, connector(), onError());
        const Dictionary shown = event("app_view_connection_over_connection_popup");
        EXPECT_EQ(shown.at("selected_location"), Value("Paris"));
        EXPECT_EQ(shown.at("currently_connected_location"), Value("Frankfurt"));
        EXPECT_EQ(shown.at("selected_interface_screen"), Value("Location"));

        presenter->press(0);
        EXPECT_EQ(vpn->calls, c.calls);
        EXPECT_EQ(appManager.lastVPNStateConnected, c.calls.empty());
        EXPECT_TRUE(connects.empty());
        ASSERT_EQ(delayed.size(), 1u);
        EXPECT_DOUBLE_EQ(delayed[0].first, 1.0);
        runDelayed();
        ASSERT_EQ(connects.size(), 1u);
        EXPECT_EQ(connects[0].server->id, "x-1");
        EXPECT_EQ(connects[0].connectVia, ZevuTypes::connectVia(c.type));
        EXPECT_EQ(connects[0].selectedInterface, Interface::List);
        EXPECT_EQ(connects[0].selectedInterfaceScreen, Screen::Location);
        EXPECT_TRUE(connects[0].allowProtocolFallback);
        EXPECT_FALSE(connects[0].checkBusy);  // the tunnel being replaced must not refuse it
    }

    // Declined: nothing stops and nothing connects.
    vpn->calls.clear();
    connects.clear();
    Alert().showChangeOfConnection(ConnectRequest{server("x-2", "Rome")}, connector(), onError());
    presenter->press(1);
    EXPECT_TRUE(vpn->calls.empty());
    EXPECT_TRUE(delayed.empty());
}

TEST_F(ConnectionAlertsTest, AlreadyConnectedShowsTheDefaultButtonAndReportsTheLocations) {
    Alert().showAlreadyConnected({Via::Country, Interface::Recent, Screen::Dashboard, "Vienna"});
    EXPECT_TRUE(presenter->last().buttons.empty());
    EXPECT_EQ(presenter->last().shownButtons(), texts({"ok"}));
    EXPECT_FALSE(presenter->shown.back().handler);
    EXPECT_EQ(event("app_view_already_connected_popup"),
              (Dictionary{{"connect_via", "Country"},
                          {"selected_interface", "Recent"},
                          {"selected_interface_screen", "Dashboard"},
                          {"selected_location", "Vienna"},
                          {"currently_connected_location", ""}}));
}

TEST_F(ConnectionAlertsTest, ProtocolChangeGoesOnTheMainWindowWithoutOneAndAnswersTheLivingScreen) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::WireGuard);
    const ConnectionDescription requested{Via::Country, Interface::List, Screen::ConnectionProtocol, "Oslo"};
    std::vector<bool> answers;
    auto screen = std::make_unique<Lifetime>();
    auto answer = [&] { return screen->callback<bool>([&](bool reconnect) { answers.push_back(reconnect); }); };

    // A screen without a window still gets its question, on the main window (a null window).
    Alert().showProtocolChangeReconnect(nullptr, "alert.protocol.change.reconnect.message", requested, tracker(),
                                        answer());
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().window, nullptr);
    presenter->press(0);
    EXPECT_EQ(answers, std::vector<bool>{true});
    answers.clear();

    auto window = std::make_shared<TestWindow>();
    Alert().showProtocolChangeReconnect(window, "alert.protocol.change.reconnect.message", requested, tracker(),
                                        answer());
    EXPECT_EQ(presenter->last().window, window);
    EXPECT_EQ(presenter->last().message, localized("alert.protocol.change.reconnect.message"));
    EXPECT_EQ(event("app_view_protocol_switch_reconnect_popup").at("current_protocol_name"), Value("WireGuard"));
    presenter->press(1);
    presenter->press(0);
    EXPECT_EQ(answers, (std::vector<bool>{false, true}));

    prefs.setAutomaticProtocol(true);
    prefs.setSelectedProtocol(VPNProtocol::UDP);
    Alert().showProtocolChangeReconnect(window, "k", requested, tracker(), answer());
    EXPECT_EQ(event("app_view_protocol_switch_reconnect_popup").at("current_protocol_name"), Value("Automatic"));

    // The protocol screen closed while its alert was up: the answer goes nowhere.
    screen.reset();
    presenter->press(0);
    EXPECT_EQ(answers.size(), 2u);
}

TEST_F(ConnectionAlertsTest, DedicatedIPAlertsCallTheirCallerOnlyForTheFirstButton) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::UDP);
    int proceeded = 0;
    int killed = 0;
    Lifetime owner;

    Alert().showDedicatedProtocolNotSupported(prefs, owner.callback<>([&] { ++proceeded; }));
    ASSERT_TRUE(presenter->last().message);
    EXPECT_NE(presenter->last().message->find("UDP"), std::string::npos) << *presenter->last().message;
    presenter->press(1);
    presenter->press(0);
    EXPECT_EQ(proceeded, 1);

    Alert().showKillSessionWarning(owner.callback<>([&] { ++killed; }));
    EXPECT_EQ(presenter->last().buttons, texts({"kill.session", "no"}));
    presenter->press(1);
    presenter->press(0);
    EXPECT_EQ(killed, 1);
    owner.end();
    presenter->press(0);
    EXPECT_EQ(killed, 1);
}
