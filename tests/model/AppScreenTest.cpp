#include <gtest/gtest.h>

#include "model/AppScreen.h"

using namespace morvex;

TEST(AppScreenTest, EveryCaseHasItsExactTextAndReadsBack) {
    EXPECT_EQ(rawValue(AppScreen::Splash), "Splash");
    EXPECT_EQ(rawValue(AppScreen::SupportTicket), "Support Ticket");
    EXPECT_EQ(rawValue(AppScreen::EmailSignup), "Email Signup");
    EXPECT_EQ(rawValue(AppScreen::ConnectionProtocol), "Protocol");
    EXPECT_EQ(rawValue(AppScreen::VerifySubscriptionStatus), "Verify Subscription Status");
    EXPECT_EQ(rawValue(AppScreen::Streaming), "Streaming");
    for (std::size_t i = 0; i < kAppScreenNames.size(); ++i)
        EXPECT_EQ(appScreenFromRaw(kAppScreenNames[i]), static_cast<AppScreen>(i));
    EXPECT_EQ(appScreenFromRaw("ConnectionProtocol"), std::nullopt);
    EXPECT_EQ(appScreenFromRaw("email signup"), std::nullopt);
}

TEST(AppScreenTest, ScreenContextTextsAreLowerCase) {
    EXPECT_EQ(rawValue(ScreenContext::connect), "connect");
    EXPECT_EQ(rawValue(ScreenContext::appLaunch), "app launch");
    EXPECT_EQ(rawValue(ScreenContext::troubleshootAppErrors), "troubleshoot app errors");
    EXPECT_EQ(rawValue(ScreenContext::verifySubscriptionStatus), "verify subscription status");
    EXPECT_EQ(screenContextFromRaw("App Launch"), std::nullopt);
    EXPECT_EQ(screenContextFromRaw("profile"), ScreenContext::profile);
}
