#include <gtest/gtest.h>

#include <QLocale>

#include "FakeService.h"
#include "model/ServiceHosts.h"
#include "session/ProfileModel.h"
#include "flows/MorvexVPNService.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

ProfileResponseModel profileWith(const nlohmann::json& changes) {
    nlohmann::json j = {
        {"client_name", "Alex"}, {"email", "alex@example.com"}, {"phone_number", ""},
        {"signup_date", "2024-03-01"}, {"billing_cycle", "Annually"}, {"expiry_date", "2027-03-01"},
        {"status", "active"}, {"vpn_username", "morvex0s1"}, {"client_type", "paid"},
        {"payment_gateway", {{"name", "stripe"}, {"recurring_gateway", 1}, {"auto_recurring", 1}, {"sku", "y"}}},
        {"billing_plan", "1 Year"}, {"is_trial", 1},
    };
    j.update(changes);
    for (auto it = j.begin(); it != j.end();) it = it->is_null() ? j.erase(it) : std::next(it);
    return j.get<ProfileResponseModel>();
}

class ProfileModelTest : public test::TempConfigTest {
protected:
    ProfileModel model() {
        return ProfileModel(networking, User(), EventTracker(), PreservedPreferences(), UserAuthentication());
    }
    Networking networking{nullptr};
};

TEST_F(ProfileModelTest, SavingMapsStatusClientTypeAndTrialAsTheUserRecordKeepsThem) {
    struct Case {
        nlohmann::json changes;
        std::string status;      // stored raw text
        std::string clientType;  // stored raw text
    };
    std::vector<Case> cases = {
        {nlohmann::json::object(), "active", "paid"},
        {{{"status", "Active"}, {"client_type", "Paid"}}, "inactive", "paid"},
        {{{"status", "expired"}, {"client_type", "TRIAL"}}, "expired", "trial"},
        {{{"status", "gone"}, {"client_type", "gold"}}, "inactive", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.changes.dump());
        model().saveProfile(profileWith(c.changes));
        auto defaults = UserDefaults::standard();
        EXPECT_EQ(defaults.string("UserPreferences.status"), c.status);
        EXPECT_EQ(defaults.string("UserPreferences.clientType"), c.clientType);
        EXPECT_EQ(defaults.object("UserPreferences.trial"), Value(false)) << "is_trial 1 is not taken";
        EXPECT_EQ(defaults.string("UserPreferences.email"), "alex@example.com");
        EXPECT_EQ(defaults.string("UserPreferences.username"), "morvex0s1");
        EXPECT_EQ(defaults.string("UserPreferences.signUpDate"), "2024-03-01");
        EXPECT_EQ(defaults.string("UserPreferences.expiryDate"), "2027-03-01");
        EXPECT_EQ(defaults.string("UserPreferences.billingCycle"), "Annually");
    }
    model().saveProfile(profileWith({{"billing_plan", nullptr}}));
    EXPECT_FALSE(UserDefaults::standard().object("UserPreferences.billingPlan"));
}

TEST_F(ProfileModelTest, AddOnsCountOnlyForConsumerAccounts) {
    std::optional<std::vector<ActiveAddon>> addons = std::vector<ActiveAddon>{
        ActiveAddon("dedicated_ip", "IP", "2027", "active"), ActiveAddon("port_forwarding_plus", "PF", "2027", "active")};
    EXPECT_TRUE(model().hasPortForwardingAddon(addons));
    EXPECT_FALSE(model().hasPinvaultAddon(addons));
    EXPECT_FALSE(model().hasPortForwardingAddon(std::vector<ActiveAddon>{}));
    EXPECT_FALSE(model().hasPortForwardingAddon(std::nullopt));
    PreservedPreferences().setIsB2C(false);
    EXPECT_FALSE(model().hasPortForwardingAddon(addons));
}

TEST_F(ProfileModelTest, DatesAreWrittenOutOnlyWhenTheyParse) {
    QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(ProfileModel::formattedDate("2024-03-01"), "01 Mar 2024");
    EXPECT_EQ(ProfileModel::formattedDate("2024/03/01"), "2024/03/01");
    EXPECT_EQ(ProfileModel::formattedDate(""), "");
    QLocale::setDefault(previous);
}

TEST_F(ProfileModelTest, TheFetchedProfileIsStoredBeforeItIsHandedOn) {
    fake::FakeService service;
    ASSERT_TRUE(service.start());
    hosts::setServiceURLOverride(service.baseURL());
    std::vector<Result<ProfileResponseModel>> answers;
    std::optional<std::string> storedWhenAnswered;
    {
        auto profile = model();
        profile.fetchProfile([&](Result<ProfileResponseModel> r) {
            storedWhenAnswered = User().email();
            answers.push_back(std::move(r));
        });
    }  // the model that asked is gone before the answer
    EXPECT_TRUE(test::waitUntil([&] { return !answers.empty(); }));
    hosts::setServiceURLOverride(std::nullopt);
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_TRUE(answers[0].has_value());
    EXPECT_EQ(answers[0]->vpnUsername, "morvex0s1234567");
    EXPECT_EQ(storedWhenAnswered, "alex@example.com");
    EXPECT_EQ(User().status(), User::Status::Active);
}

}  // namespace
}  // namespace morvex
