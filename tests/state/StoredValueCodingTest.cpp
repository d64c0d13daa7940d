#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "model/ProfileResponseModel.h"
#include "foundation/Codec.h"
#include "foundation/UserDefaults.h"
#include "model/SignInRecords.h"
#include "state/StoredValueCoding.h"
#include "support/TestSupport.h"

using namespace morvex;
using VPNAccount = SignInRecords::VPNAccount;

namespace {

Value data(std::string_view text) { return Value(toBytes(text)); }

constexpr std::string_view kAccountA =
    R"({"vpnusername":"alice","status":"active","billingCycle":"monthly","paymentGateway":"card","expiry":"2027-01-01","expiryReason":""})";
constexpr std::string_view kAccountB =
    R"({"vpnusername":"bob","status":"expired","billingCycle":"yearly","paymentGateway":"paypal","expiry":"2026-01-01","expiryReason":"unpaid"})";
// The expiry under the wrong key: a record of another shape, which the list must skip.
constexpr std::string_view kAccountWrongKey =
    R"({"vpnusername":"carol","status":"active","billingCycle":"monthly","paymentGateway":"card","expiryDate":"2027-01-01","expiryReason":""})";

class StoredValueCodingTest : public test::TempConfigTest {
protected:
    UserDefaults defaults() { return UserDefaults::standard(); }
};

struct StoredListCase {
    const char* name;
    std::optional<Value> stored;                                // nothing: the key is absent
    std::optional<std::vector<std::string>> expectedUsernames;  // nothing: reads as none
};

TEST_F(StoredValueCodingTest, StoredListsKeepWhatDecodesAndRejectForeignElements) {
    const std::vector<StoredListCase> cases = {
        {"undecodable middle record is dropped",
         Value(Array{data(kAccountA), data(kAccountWrongKey), data(kAccountB)}),
         std::vector<std::string>{"alice", "bob"}},
        {"text that is no JSON is dropped", Value(Array{data(kAccountA), data("{not json"), data(kAccountB)}),
         std::vector<std::string>{"alice", "bob"}},
        {"a text element rejects the whole list", Value(Array{data(kAccountA), Value("alice"), data(kAccountB)}),
         std::nullopt},
        {"an empty array is an empty list", Value(Array{}), std::vector<std::string>{}},
        {"a single record is no list", data(kAccountA), std::nullopt},
        {"absent", std::nullopt, std::nullopt},
    };
    auto d = defaults();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.stored) d.set(*c.stored, "list");
        else d.removeObject("list");
        auto read = decodableArray<VPNAccount>(d, "list");
        ASSERT_EQ(read.has_value(), c.expectedUsernames.has_value());
        if (!read) continue;
        std::vector<std::string> names;
        for (const auto& account : *read) names.push_back(account.username);
        EXPECT_EQ(names, *c.expectedUsernames);
    }
}

TEST_F(StoredValueCodingTest, WritersStoreJsonDataThatReadsBack) {
    auto d = defaults();

    // One record: its JSON text, keys as the other readers of the key expect them.
    DedicatedIPDetail detail{"203.0.113.7", "DE", {{"de1.example.net", "wireguard", "dedicated", "51820"}}};
    setEncodable<DedicatedIPDetail>(d, detail, "detail");
    EXPECT_EQ(d.data("detail"),
              toBytes(R"({"ip":"203.0.113.7","iso":"DE","hosts":[{"dns":"de1.example.net","protocol":"wireguard",)"
                      R"("server_type":"dedicated","port_number":"51820"}]})"));
    EXPECT_EQ(decodable<DedicatedIPDetail>(d, "detail"), detail);

    // None is stored as the JSON null, which reads back as none.
    setEncodable<DedicatedIPDetail>(d, std::nullopt, "detail");
    EXPECT_EQ(d.data("detail"), toBytes("null"));
    EXPECT_EQ(decodable<DedicatedIPDetail>(d, "detail"), std::nullopt);

    // The same JSON held as text rather than Data is no stored record.
    d.set(Value(R"({"ip":"203.0.113.7","iso":"DE","hosts":[]})"), "detail");
    EXPECT_EQ(decodable<DedicatedIPDetail>(d, "detail"), std::nullopt);

    // A record that cannot be encoded removes the key instead of leaving the old value.
    setEncodable<DedicatedIPDetail>(d, detail, "detail");
    setEncodable<DedicatedIPDetail>(d, DedicatedIPDetail{"\xff\xfe", "DE", {}}, "detail");
    EXPECT_FALSE(d.object("detail"));

    // Lists: one Data element per record in order; `isSelected` is no part of the stored form.
    VPNAccount selected("alice", "active", "monthly", "card", "2027-01-01", "", "hosting-9");
    selected.isSelected = true;
    VPNAccount other("bob", "expired", "yearly", "paypal", "2026-01-01", "unpaid");
    setEncodableArray<VPNAccount>(d, std::vector{selected, other}, "accounts");
    auto array = d.array("accounts");
    ASSERT_TRUE(array);
    ASSERT_EQ(array->size(), 2u);
    EXPECT_EQ(toString(*(*array)[0].get<Bytes>()), R"({"vpnusername":"alice","status":"active","billingCycle":"monthly",)"
                                                   R"("paymentGateway":"card","expiry":"2027-01-01","expiryReason":""})");
    auto read = decodableArray<VPNAccount>(d, "accounts");
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 2u);
    EXPECT_FALSE((*read)[0].isSelected);
    selected.isSelected = false;
    EXPECT_EQ((*read)[0], selected);
    EXPECT_EQ((*read)[1], other);

    // A record that cannot be encoded is left out; the others are kept.
    VPNAccount broken("\xff", "active", "monthly", "card", "2027-01-01", "");
    setEncodableArray<VPNAccount>(d, std::vector{other, broken, other}, "accounts");
    EXPECT_EQ(decodableArray<VPNAccount>(d, "accounts"), (std::vector{other, other}));

    setEncodableArray<VPNAccount>(d, std::vector<VPNAccount>{}, "accounts");
    EXPECT_EQ(decodableArray<VPNAccount>(d, "accounts"), std::vector<VPNAccount>{});
    setEncodableArray<VPNAccount>(d, std::nullopt, "accounts");
    EXPECT_FALSE(d.object("accounts"));
}

}  // namespace
