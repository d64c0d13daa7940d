#include <gtest/gtest.h>
#include <stdlib.h>

#include "model/Domain.h"
#include "model/ServiceHosts.h"
#include "model/WebLink.h"

namespace morvex {
namespace {

class ServiceHostsTest : public ::testing::Test {
protected:
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        ::unsetenv("MORVEX_RECEIPT_URL");
    }
};

TEST_F(ServiceHostsTest, TheSignInLinkFollowsTheHostTableAndItsTestOverride) {
    hosts::setServiceURLOverride("http://127.0.0.1:4567/");
    EXPECT_TRUE(urlString(WebLink::SignInAuthorize).starts_with("http://127.0.0.1:4567/realms/MorvexVPN/"))
        << urlString(WebLink::SignInAuthorize);
    hosts::setServiceURLOverride(ServiceHost::SignIn, "http://127.0.0.1:4600");
    EXPECT_TRUE(urlString(WebLink::SignInAuthorizeDark).starts_with("http://127.0.0.1:4600/realms/"));
    EXPECT_EQ(WebHosts::signInServer(), hosts::signInBaseURL().toString().toStdString());
}

TEST_F(ServiceHostsTest, EachRoleCanHaveItsOwnAddress) {
    ::setenv("MORVEX_RECEIPT_URL", "http://127.0.0.1:5001", 1);
    EXPECT_EQ(hosts::baseURL(ServiceHost::Receipt), QUrl("http://127.0.0.1:5001")) << "the environment names one role";
    EXPECT_EQ(hosts::baseURL(ServiceHost::API), QUrl("https://api.morvexvpn.com"));

    hosts::setServiceURLOverride("http://127.0.0.1:5000");
    hosts::setServiceURLOverride(ServiceHost::Receipt, "http://127.0.0.1:5001");
    hosts::setServiceURLOverride(ServiceHost::Asset, "http://127.0.0.1:5002/assets");
    EXPECT_EQ(hosts::baseURL(ServiceHost::API), QUrl("http://127.0.0.1:5000"));
    EXPECT_EQ(hosts::baseURL(ServiceHost::Configuration), QUrl("http://127.0.0.1:5000"));
    EXPECT_EQ(hosts::baseURL(ServiceHost::Receipt), QUrl("http://127.0.0.1:5001"));
    EXPECT_EQ(hosts::baseURL(ServiceHost::Asset), QUrl("http://127.0.0.1:5002/assets"));
    EXPECT_TRUE(hosts::isAPIHost(QUrl("http://127.0.0.1:5000/x")));
    EXPECT_FALSE(hosts::isAPIHost(QUrl("http://127.0.0.1:5001/x"))) << "another port is another host";
    EXPECT_EQ(Domain::builtIn().servicesUrl, "127.0.0.1:5000");

    hosts::setServiceURLOverride(std::nullopt);  // clears every role's setting
    ::unsetenv("MORVEX_RECEIPT_URL");
    EXPECT_EQ(hosts::baseURL(ServiceHost::Asset), QUrl("https://assets.morvexvpn.com"));
    EXPECT_EQ(Domain::builtIn(), (Domain{"auth.morvexvpn.com", "api.morvexvpn.com"}));
}

TEST(DomainTest, ReadsFullAddressesAsBareHostsAndWritesInItsOrder) {
    auto domain = nlohmann::json::parse(R"({"servicesUrl": "https://s.example/", "authTokenUrl": "https://a.example/"})").get<Domain>();
    EXPECT_EQ(domain, (Domain{"a.example", "s.example"}));
    nlohmann::ordered_json written = domain;
    EXPECT_EQ(written.dump(), R"({"authTokenUrl":"a.example","servicesUrl":"s.example"})");
}

}  // namespace
}  // namespace morvex
