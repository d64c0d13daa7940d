#pragma once
// Screen names that analytics events carry. The texts reach the analytics service verbatim.
#include <array>
#include <optional>
#include <string_view>

namespace morvex {

enum class AppScreen {
    Splash, Dashboard, Profile, Cities, Locations, Login, Payment, SupportTicket, CodeVerification,
    EmailSignup, Onboarding, PromotionalOffer, SwitchAccount, ConnectionProtocol, Support, Troubleshoot,
    TroubleshootAppErrors, VerifySubscriptionStatus, Streaming,
};

inline constexpr std::array<std::string_view, 19> kAppScreenNames = {
    "Splash", "Dashboard", "Profile", "Cities", "Locations", "Login", "Payment", "Support Ticket",
    "Code Verification", "Email Signup", "Onboarding", "Promotional Offer", "Switch Account", "Protocol",
    "Support", "Troubleshoot", "Troubleshoot App Errors", "Verify Subscription Status", "Streaming",
};

constexpr std::string_view rawValue(AppScreen s) { return kAppScreenNames[static_cast<std::size_t>(s)]; }
std::optional<AppScreen> appScreenFromRaw(std::string_view text);

enum class ScreenContext { connect, login, appLaunch, profile, troubleshootAppErrors, verifySubscriptionStatus };

inline constexpr std::array<std::string_view, 6> kScreenContextNames = {
    "connect", "login", "app launch", "profile", "troubleshoot app errors", "verify subscription status",
};

constexpr std::string_view rawValue(ScreenContext c) { return kScreenContextNames[static_cast<std::size_t>(c)]; }
std::optional<ScreenContext> screenContextFromRaw(std::string_view text);

}  // namespace morvex
