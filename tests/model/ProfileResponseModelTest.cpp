#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "model/ProfileResponseModel.h"

using namespace morvex;
using nlohmann::json;

namespace {

// A profile as the back end sends it, with every required field.
json profile() {
    return json::parse(R"({
        "client_id": 1001, "client_name": "Alice", "email": "alice@example.com", "phone_number": "",
        "signup_date": "2024-01-01", "billing_cycle": "monthly", "expiry_date": "2027-01-01",
        "status": "active", "vpn_username": "vpn-alice", "client_type": "paid", "is_trial": 0,
        "payment_gateway": {"name": "card", "recurring_gateway": 1, "auto_recurring": 1,
                            "subscription_id": "sub-1", "sku": "monthly-plan"},
        "active_addons": [{"slug": "dip", "title": "Dedicated IP", "expiry": "2027-01-01", "status": "active"}],
        "dedicated_ip_detail": {"ip": "203.0.113.7", "iso": "DE",
            "hosts": [{"dns": "de1.example.net", "protocol": "wireguard", "server_type": "dedicated",
                       "port_number": "51820"}]}
    })");
}

TEST(ProfileResponseModelTest, ClientIdIsKeptAsDecimalTextOrEmpty) {
    const std::vector<std::pair<std::optional<json>, std::string>> cases = {
        {json(42), "42"},      {json("42"), "42"},  {json("+7"), "7"},   {json("-3"), "-3"},
        {json("007"), "7"},    {json("abc"), ""},   {json(nullptr), ""}, {json("4 2"), ""},
        {json("+"), ""},       {json(true), ""},    {json(42.5), ""},    {json("99999999999999999999"), ""},
        {std::nullopt, ""},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value ? value->dump() : "missing");
        auto j = profile();
        if (value) j["client_id"] = *value;
        else j.erase("client_id");
        auto decoded = j.get<ProfileResponseModel>();
        EXPECT_EQ(decoded.client_id, expected);
    }
}

TEST(ProfileResponseModelTest, LooseFieldsTurnAbsentWhileRequiredOnesFail) {
    auto j = profile();
    j["is_trial"] = true;  // a Boolean is no integer
    j["active_addons"][1] = {{"slug", "pf"}, {"expiry", "2027-01-01"}, {"status", "active"}};  // no title
    j["dedicated_ip_detail"]["hosts"][0]["port_number"] = 51820;                           // not text
    j["password_manager"] = 1;
    j["payment_gateway"].erase("subscription_id");
    auto decoded = j.get<ProfileResponseModel>();
    EXPECT_EQ(decoded.trial, std::nullopt);
    EXPECT_EQ(decoded.activeAddons, std::nullopt);
    EXPECT_EQ(decoded.dedicatedIPDetail, std::nullopt);
    EXPECT_EQ(decoded.passwordManager, std::nullopt);
    EXPECT_EQ(decoded.paymentGateway.subscriptionId, std::nullopt);
    EXPECT_EQ(decoded.paymentGateway.sku, "monthly-plan");
    EXPECT_EQ(decoded.vpnUsername, "vpn-alice");

    // What encodes decodes to the same record, so stored and re-sent copies agree.
    auto complete = profile().get<ProfileResponseModel>();
    EXPECT_EQ(json(complete).get<ProfileResponseModel>(), complete);

    for (const char* key : {"payment_gateway", "email", "client_type"}) {
        SCOPED_TRACE(key);
        auto missing = profile();
        missing.erase(key);
        EXPECT_THROW(missing.get<ProfileResponseModel>(), json::exception);
    }
    auto mistyped = profile();
    mistyped["payment_gateway"]["recurring_gateway"] = "1";
    EXPECT_THROW(mistyped.get<ProfileResponseModel>(), json::exception);
}

}  // namespace
