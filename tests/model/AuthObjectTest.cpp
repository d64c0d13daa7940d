#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "model/AuthObject.h"

namespace morvex {
namespace {

TEST(AuthObjectTest, CodingUsesTheTokenSetKeys) {
    auto parsed = nlohmann::json::parse(R"({"oem-at":"a","oem-type":"Bearer","oem-rte":60,"customer_id":"c"})").get<AuthObject>();
    EXPECT_EQ(parsed.accessToken, "a");
    EXPECT_EQ(parsed.tokenType, "Bearer");
    EXPECT_EQ(parsed.refreshTokenExpiry, 60);
    EXPECT_FALSE(parsed.refreshToken);
    EXPECT_EQ(nlohmann::json(parsed).dump(), R"({"customer_id":"c","oem-at":"a","oem-rte":60,"oem-type":"Bearer"})");
    EXPECT_THROW(nlohmann::json::parse(R"({"oem-ate":"soon"})").get<AuthObject>(), std::exception);
}

}  // namespace
}  // namespace morvex

namespace morvex {
namespace {

TEST(AuthObjectTest, EncodesItsKeysInTheTokenSetsOrder) {
    nlohmann::ordered_json j = AuthObject{"a", "r", "Bearer", 1, 2, "c"};
    EXPECT_EQ(j.dump(), R"({"oem-at":"a","oem-rt":"r","oem-type":"Bearer","oem-ate":1,"oem-rte":2,"customer_id":"c"})");
}

}  // namespace
}  // namespace morvex
