#include <gtest/gtest.h>

#include "session/SwitchAccountModel.h"
#include "state/StoredValueCoding.h"
#include "support/TestSupport.h"

using namespace morvex;
using Account = UserAuthentication::VPNAccount;

namespace {

class SwitchAccountModelTest : public test::TempConfigTest {
protected:
    SwitchAccountModel makeModel() { return SwitchAccountModel(nullptr, PreservedPreferences(), User(), nullptr); }
};

TEST_F(SwitchAccountModelTest, ReadsAndWritesThePerClientListThrough) {
    User().setClientId("client-1");
    auto model = makeModel();
    EXPECT_TRUE(model.userAccounts().empty());
    EXPECT_FALSE(model.selectedAccount);

    std::vector<Account> accounts{{"zeta", "active", "monthly", "card", "2030-01-01", ""},
                                  {"alpha", "expired", "yearly", "paypal", "2020-01-01", "unpaid"}};
    model.setUserAccounts(accounts);
    auto stored = decodableArray<Account>(UserDefaults::standard(), "client-1.vpnAccounts");
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, accounts);

    // A list stored elsewhere while the model lives shows at the next read.
    PreservedPreferences().setVpnAccounts(std::vector<Account>{accounts[1]});
    ASSERT_EQ(model.userAccounts().size(), 1u);
    EXPECT_EQ(model.userAccounts()[0].username, "alpha");
}

}  // namespace
