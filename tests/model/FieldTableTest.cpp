#include <gtest/gtest.h>

#include <set>

#include "model/AuthObject.h"
#include "model/Domain.h"
#include "model/FieldTable.h"
#include "model/ProfileResponseModel.h"
#include "model/ServerRecord.h"
#include "model/SignInRecords.h"

namespace morvex {
namespace {

using nlohmann::json;

// A record with one row of every kind the tables use.
struct Sample {
    std::string name;
    std::int64_t count = 0;
    bool on = false;
    double level = 0;
    std::vector<DedicatedIPHost> hosts;
    std::optional<std::string> note;
    std::optional<std::int64_t> limit;
    std::optional<std::string> loose;
    std::optional<std::vector<DedicatedIPHost>> looseHosts;
    std::optional<PaymentGateway> looseGateway;
};

constexpr auto kSampleFields = coding::fieldTable(
    coding::required("name", &Sample::name), coding::required("count", &Sample::count),
    coding::required("on", &Sample::on), coding::required("level", &Sample::level),
    coding::required("hosts", &Sample::hosts), coding::optional("note", &Sample::note),
    coding::optional("limit", &Sample::limit), coding::lenient("loose", &Sample::loose),
    coding::lenient("loose_hosts", &Sample::looseHosts), coding::lenient("loose_gateway", &Sample::looseGateway));

json sampleJSON() {
    json host = {{"dns", "d"}, {"protocol", "p"}, {"server_type", "t"}, {"port_number", "1"}};
    return {{"name", "n"}, {"count", 3},       {"on", true},         {"level", 0.5},
            {"hosts", {host}}, {"note", "x"}, {"limit", 9},         {"loose", "l"},
            {"loose_hosts", {host}}, {"loose_gateway", {{"name", "g"}, {"recurring_gateway", 1}, {"auto_recurring", 0}, {"sku", "s"}}}};
}

std::string failureOf(const json& j) {
    try {
        Sample s;
        kSampleFields.decode(j, s);
        return "";
    } catch (const json::exception& e) {
        return e.what();
    }
}

TEST(FieldTableTest, ReadsEachRowAsItsKindSaysAndWritesItBackUnderTheSameKey) {
    Sample s;
    kSampleFields.decode(sampleJSON(), s);
    EXPECT_EQ(s.name, "n");
    EXPECT_EQ(s.count, 3);
    EXPECT_TRUE(s.on);
    EXPECT_EQ(s.level, 0.5);
    ASSERT_EQ(s.hosts.size(), 1u);
    EXPECT_EQ(s.note, "x");
    EXPECT_EQ(s.limit, 9);
    EXPECT_EQ(s.loose, "l");
    EXPECT_TRUE(s.looseHosts);
    ASSERT_TRUE(s.looseGateway);
    EXPECT_EQ(s.looseGateway->name, "g");

    json back;
    kSampleFields.encode(back, s);
    EXPECT_EQ(back, sampleJSON());

    // An absent optional row is not written at all; ordered output keeps the table's order.
    s.note.reset();
    nlohmann::ordered_json ordered;
    kSampleFields.encode(ordered, s);
    std::vector<std::string> keys;
    for (auto it = ordered.begin(); it != ordered.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"name", "count", "on", "level", "hosts", "limit", "loose", "loose_hosts",
                                              "loose_gateway"}));
}

TEST(FieldTableTest, RequiredAndOptionalRowsRefuseWrongTypesWhileLenientOnesTurnAbsent) {
    const struct {
        const char* key;
        json value;  // null: the key is removed
        bool fails;
    } cases[] = {
        {"name", 5, true},          {"name", nullptr, true},         {"count", true, true},
        {"count", 1.5, true},       {"count", 2.0, false},           {"on", 1, true},
        {"level", "high", true},    {"hosts", json::object(), true}, {"hosts", json::array({1}), true},
        {"note", 1, true},          {"note", nullptr, false},        {"limit", "9", true},
        {"loose", 1, false},        {"loose", nullptr, false},       {"loose_hosts", json::array({1}), false},
        {"loose_gateway", "g", false},
    };
    for (const auto& c : cases) {
        json j = sampleJSON();
        if (c.value.is_null()) j.erase(c.key);
        else j[c.key] = c.value;
        const auto failure = failureOf(j);
        EXPECT_EQ(!failure.empty(), c.fails) << c.key << " = " << c.value.dump() << ": " << failure;
        // A list element that fails names its own key; every other failure names the row's.
        if (c.fails && !c.value.is_array()) {
            EXPECT_NE(failure.find(c.key), std::string::npos) << "the error names the key: " << failure;
        }
    }
    // A lenient row that cannot be used reads as absent, the rest of the record as sent.
    json j = sampleJSON();
    j["loose_hosts"] = json::array({1});
    Sample s;
    kSampleFields.decode(j, s);
    EXPECT_FALSE(s.looseHosts);
    EXPECT_EQ(s.name, "n");
    // The first bad row in table order is the one reported.
    j = sampleJSON();
    j["count"] = "x";
    j["name"] = 1;
    EXPECT_NE(failureOf(j).find("name"), std::string::npos);
}

// Rows that read a key their own way: a fallback for a missing or null key, a reader of its own.
struct Defaulted {
    std::string mode;
    std::optional<std::string> id;
};
std::optional<std::string> idAsText(const json& j, const char* key) {
    const auto* value = coding::member(j, key);
    if (!value) return std::nullopt;
    return value->is_number_integer() ? std::to_string(value->get<std::int64_t>()) : value->dump();
}
constexpr auto kDefaultedFields = coding::fieldTable(
    coding::orElse("mode", &Defaulted::mode, +[] { return std::string("auto"); }), coding::custom("id", &Defaulted::id, idAsText));

TEST(FieldTableTest, AFallbackFillsOnlyAMissingOrNullKeyAndACustomRowReadsItsOwnWay) {
    struct Case {
        json in;
        std::optional<std::string> mode;  // none: the read fails
        std::optional<std::string> id;
    };
    const Case cases[] = {
        {json::object(), "auto", std::nullopt},
        {{{"mode", nullptr}, {"id", 7}}, "auto", "7"},
        {{{"mode", "manual"}, {"id", "x"}}, "manual", "\"x\""},
        {{{"mode", 3}}, std::nullopt, std::nullopt},  // present, it must be of the member's type
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in.dump());
        Defaulted d;
        if (!c.mode) {
            EXPECT_THROW(kDefaultedFields.decode(c.in, d), json::exception);
            continue;
        }
        kDefaultedFields.decode(c.in, d);
        EXPECT_EQ(d.mode, *c.mode);
        EXPECT_EQ(d.id, c.id);
    }
    // Both write the member under their key.
    json out;
    kDefaultedFields.encode(out, Defaulted{"auto", "7"});
    EXPECT_EQ(out, (json{{"mode", "auto"}, {"id", "7"}}));
}

template <class T>
std::set<std::string> keysOf(const T& record) {
    json j = record;
    std::set<std::string> keys;
    for (auto it = j.begin(); it != j.end(); ++it) keys.insert(it.key());
    // And the record reads back from what it wrote.
    EXPECT_EQ(json(j.get<T>()), j);
    return keys;
}

TEST(FieldTableTest, EveryTabledRecordKeepsItsStoredKeysAndRoundTrips) {
    EXPECT_EQ(keysOf(AuthObject{"a", "r", "Bearer", 1, 2, "c"}),
              (std::set<std::string>{"oem-at", "oem-rt", "oem-type", "oem-ate", "oem-rte", "customer_id"}));
    EXPECT_EQ(keysOf(PaymentGateway{"n", 1, 0, "sub", "sku"}),
              (std::set<std::string>{"name", "recurring_gateway", "auto_recurring", "subscription_id", "sku"}));
    const DedicatedIPHost host{"dns", "WireGuard", "shared", "51820"};
    EXPECT_EQ(keysOf(host), (std::set<std::string>{"dns", "protocol", "server_type", "port_number"}));
    EXPECT_EQ(keysOf(DedicatedIPDetail{"1.2.3.4", "DE", {host}}), (std::set<std::string>{"ip", "iso", "hosts"}));
    EXPECT_EQ(keysOf(ZevuDataFetcherTypes::DataCenter{7, 30, "10.0.0.1", "h"}),
              (std::set<std::string>{"id", "latency", "ip", "hostname"}));
    EXPECT_EQ(keysOf(ZevuDataFetcherTypes::LocalJsonCountry{2, true, false}),
              (std::set<std::string>{"priority", "is_p2p", "is_quantum_resistant"}));
    EXPECT_EQ(keysOf(ZevuDataFetcherTypes::Server::Shortcut::BackgroundColor{0.1, 0.2, 0.3}), (std::set<std::string>{"red", "green", "blue"}));
    EXPECT_EQ(keysOf(SignInRecords::VPNAccount("u", "active", "monthly", "card", "2030-01-01", "none")),
              (std::set<std::string>{"vpnusername", "status", "billingCycle", "paymentGateway", "expiry", "expiryReason"}));
    const ActiveAddon addon("dip", "Dedicated IP", "2027-01-01", "active");
    EXPECT_EQ(keysOf(addon), (std::set<std::string>{"slug", "title", "expiry", "status"}));
    EXPECT_EQ(keysOf(Domain{"auth.example", "api.example:5000"}), (std::set<std::string>{"authTokenUrl", "servicesUrl"}));
    ZevuDataFetcherTypes::Server::Shortcut shortcut;
    shortcut.url = "https://example.com";
    shortcut.country = "DE";
    shortcut.id = 4;
    shortcut.slug = "stream";
    shortcut.availableCountries = "DE,FR";
    shortcut.type = ZevuDataFetcherTypes::Server::Shortcut::Type::Link;
    shortcut.color = {0.1, 0.2, 0.3};
    shortcut.consent = true;
    EXPECT_EQ(keysOf(shortcut), (std::set<std::string>{"url", "country", "id", "slug", "availableCountries", "type",
                                                        "color", "consent"}));
    ProfileResponseModel profile;
    profile.client_id = "1001";
    profile.clientName = "Alice";
    profile.status = "active";
    profile.vpnUsername = "vpn-alice";
    profile.trial = 0;
    profile.gracePeriod = 1;
    profile.graceDaysRemaining = 2;
    profile.desiredOutcomeAchieved = 3;
    profile.renewalInvoiceGenerated = 4;
    profile.hostingID = 5;
    profile.passwordManager = true;
    profile.clientType = "paid";
    profile.paymentGateway = PaymentGateway{"card", 1, 1, std::nullopt, "sku"};
    profile.activeAddons = std::vector<ActiveAddon>{addon};
    profile.addons = std::vector<ActiveAddon>{addon, addon};
    profile.billingPlan = "plan";
    profile.referralLink = "https://example.com/r";
    profile.gracePeriodExpiry = "2027-02-01";
    profile.dedicatedIPDetail = DedicatedIPDetail{"1.2.3.4", "DE", {host}};
    EXPECT_EQ(keysOf(profile),
              (std::set<std::string>{"client_id", "client_name", "email", "phone_number", "signup_date", "billing_cycle",
                                     "expiry_date", "status", "vpn_username", "is_trial", "grace_period",
                                     "days_remaining", "desired_outcome", "renewal_invoice_generated", "hosting_id",
                                     "password_manager", "client_type", "payment_gateway", "active_addons", "addons",
                                     "billing_plan", "referral_link", "grace_period_expiry", "dedicated_ip_detail"}));

    // The answers read only.
    EXPECT_EQ(json({{"password", "p"}}).get<SignInRecords::PasswordResponseModel>().secret, "p");
    const auto migrated = json({{"token", "t"}, {"refreshToken", "r"}}).get<SignInRecords::MigrateTokenResponseModel>();
    EXPECT_EQ(migrated.token, "t");
    EXPECT_EQ(migrated.refreshToken, "r");
    EXPECT_THROW(json({{"token", 1}, {"refreshToken", "r"}}).get<SignInRecords::MigrateTokenResponseModel>(), json::exception);
    EXPECT_THROW(json::array().get<AuthObject>(), json::exception) << "the token set must be an object";

    // The password route's answer: its body, or the gateway's header with a code and no usable body.
    struct Answer {
        json in;
        bool decodes;
        std::optional<int> code;
        std::string message;
        std::optional<std::string> secret;
    };
    const Answer answers[] = {
        {{{"body", {{"password", "p"}}}}, true, std::nullopt, "", "p"},
        {{{"header", {{"response_code", 1046}, {"message", "Not migrated"}}}}, true, 1046, "Not migrated", std::nullopt},
        {{{"header", {{"response_code", 1046}}}, {"body", {{"password", 1}}}}, true, 1046, "", std::nullopt},
        {{{"header", {{"response_code", "1046"}}}, {"body", {{"password", 1}}}}, false, std::nullopt, "", std::nullopt},
        {{{"header", "none"}}, false, std::nullopt, "", std::nullopt},
        {json::object(), false, std::nullopt, "", std::nullopt},
        {json::array(), false, std::nullopt, "", std::nullopt},
    };
    for (const auto& a : answers) {
        SCOPED_TRACE(a.in.dump());
        if (!a.decodes) {
            EXPECT_THROW(a.in.get<SignInRecords::PasswordAnswer>(), json::exception);
            continue;
        }
        const auto answer = a.in.get<SignInRecords::PasswordAnswer>();
        EXPECT_EQ(answer.responseCode(), a.code);
        EXPECT_EQ(answer.message(), a.message);
        EXPECT_EQ(answer.body ? std::optional(answer.body->secret) : std::nullopt, a.secret);
    }
}

}  // namespace
}  // namespace morvex
