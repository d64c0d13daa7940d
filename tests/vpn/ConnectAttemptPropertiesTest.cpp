#include <gtest/gtest.h>

#include "state/User.h"
#include "support/TestSupport.h"
#include "vpn/ConnectAttemptProperties.h"
#include "vpn/Zevu.h"

using namespace morvex;

namespace {

class ConnectAttemptPropertiesTest : public test::TempConfigTest {};

TEST_F(ConnectAttemptPropertiesTest, WithoutARequestRecordTheRecordFieldsAreEmpty) {
    auto props = connectAttemptProperties(AppPreferences(), PreservedPreferences(), std::nullopt);
    EXPECT_EQ(props.size(), 17u);
    for (const char* key :
         {"connect_via", "selected_interface", "selected_interface_screen", "connection_initiated_by", "selected_location",
          "included_nas_identifiers", "excluded_nas_identifiers"})
        EXPECT_EQ(props.at(key), Value("")) << key;
    EXPECT_EQ(props.at("nas_identifier"), Value("None"));
    EXPECT_EQ(props.at("selected_protocol_name"), Value("Automatic"));
    EXPECT_EQ(props.at("is_filtered_server"), Value("false"));
    EXPECT_EQ(props.at("is_filtered_server_requested"), Value(false));
    EXPECT_EQ(props.at("on_demand_domains_enabled"), Value(false));
    EXPECT_EQ(props.at("auto_reconnect"), Value(true));
    EXPECT_EQ(props.at("connect_to_fallback"), Value(true));
}

TEST_F(ConnectAttemptPropertiesTest, RecordRatingsAndSettingsFillTheirEntries) {
    User().setVpnUsername("U");
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::IKEv2);
    prefs.setEnableIKS(true);
    prefs.setPersonalizeServer(PreservedPreferences::Ratings{{"DE", {{"n1", true}, {"n2", false}, {"n3", true}}}});
    UserDefaults::standard().set(Value(std::vector<std::string>{"example.org"}), "U.connectOnDemandMatchDomains");

    AppPreferences app;
    AppPreferences::LastConnection last;
    last.selectedInterface = Zevu::SelectedInterface::Recent;
    last.connectVia = Zevu::ConnectVia::Country;
    last.selectedInterfaceScreen = Zevu::SelectedInterfaceScreen::Dashboard;
    last.connectionInitiatedBy = Zevu::ConnectionInitiatedBy::AutoReconnect;
    last.server = std::make_shared<ZevuDataFetcherTypes::Server>("DE", "Germany", ZevuDataFetcherTypes::ServerType::Country, "DE");
    app.setLastConnection(last);

    auto props = connectAttemptProperties(app, prefs, "nas-9");
    EXPECT_EQ(props.at("selected_protocol_name"), Value("IKEV"));
    EXPECT_EQ(props.at("connect_via"), Value("Country"));
    EXPECT_EQ(props.at("selected_interface"), Value("Recent"));
    EXPECT_EQ(props.at("selected_interface_screen"), Value("Dashboard"));
    EXPECT_EQ(props.at("connection_initiated_by"), Value("AutoReconnect"));
    EXPECT_EQ(props.at("selected_location"), Value("Germany"));
    EXPECT_EQ(props.at("iks_enabled"), Value(true));
    EXPECT_EQ(props.at("on_demand_domains_enabled"), Value(true));
    EXPECT_EQ(props.at("is_filtered_server_requested"), Value(true));
    EXPECT_EQ(props.at("included_nas_identifiers"), Value("n1,n3"));
    EXPECT_EQ(props.at("excluded_nas_identifiers"), Value("n2"));
    EXPECT_EQ(props.at("nas_identifier"), Value("nas-9"));
}

}  // namespace
