#pragma once
// The application against the fake service as the program runs it: the alert recorders, the
// service behind the shared API client and the simulated SDK (sped up), made fresh for each test;
// and a user who signed in on an earlier run.
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "model/ServiceHosts.h"
#include "state/AppManager.h"
#include "state/User.h"
#include "support/TestSupport.h"
#include "zevu/ZevuTestAPI.h"

namespace morvex::test {

class FakeServiceAppTest : public AlertTest {
public:  // paths and helpers outside the fixture read the service's requests
    fake::FakeService service;

protected:
    void SetUp() override {
        // The web engine (the sign-in page, the help hub's FAQ) refuses its sandbox under root.
        if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        AlertServices s = services();
        s.appManager = &AppManager::shared();
        AlertServices::install(s);
        zevu::ZevuTestAPI::reset();
        zevu::ZevuTestAPI::setTimeScale(0.01);
    }
    void TearDown() override {
        zevu::ZevuTestAPI::reset();
        settle([] { return zevu::ZevuTestAPI::settle(); });
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }
};

// A user the service knows, signed in on an earlier run: a VPN account with its password in the
// keychain, migrated, active.
inline void storeSignedInUser() {
    User user;
    user.setVpnUsername(std::string("morvex0s1234567"));
    user.setVpnPassword(std::string("sample-password"));
    user.setIsUserNotMigratedToFA(false);
    user.setIsUserNotMigratedToEmail(false);
    user.setStatus(User::Status::Active);
    user.setLoggedIn(true);
}

}  // namespace morvex::test
