#pragma once
// Screen names that analytics events carry. The texts reach the analytics service verbatim.
#include <array>
#include <optional>
#include <string_view>

#include "model/EnumTable.h"

namespace morvex {

enum class AppScreen {
    Splash, Dashboard, Profile, Cities, Locations, Login, Payment, SupportTicket, CodeVerification,
    EmailSignup, Onboarding, PromotionalOffer, SwitchAccount, ConnectionProtocol, Support, Troubleshoot,
    TroubleshootAppErrors, VerifySubscriptionStatus, Streaming,
};

inline constexpr auto kAppScreens = enumTable<AppScreen>("AppScreen", {
    {AppScreen::Splash, "Splash"},
    {AppScreen::Dashboard, "Dashboard"},
    {AppScreen::Profile, "Profile"},
    {AppScreen::Cities, "Cities"},
    {AppScreen::Locations, "Locations"},
    {AppScreen::Login, "Login"},
    {AppScreen::Payment, "Payment"},
    {AppScreen::SupportTicket, "Support Ticket"},
    {AppScreen::CodeVerification, "Code Verification"},
    {AppScreen::EmailSignup, "Email Signup"},
    {AppScreen::Onboarding, "Onboarding"},
    {AppScreen::PromotionalOffer, "Promotional Offer"},
    {AppScreen::SwitchAccount, "Switch Account"},
    {AppScreen::ConnectionProtocol, "Protocol"},
    {AppScreen::Support, "Support"},
    {AppScreen::Troubleshoot, "Troubleshoot"},
    {AppScreen::TroubleshootAppErrors, "Troubleshoot App Errors"},
    {AppScreen::VerifySubscriptionStatus, "Verify Subscription Status"},
    {AppScreen::Streaming, "Streaming"},
});
// The texts in case order.
inline constexpr std::array<std::string_view, 19> kAppScreenNames = kAppScreens.raws();

constexpr std::string_view rawValue(AppScreen s) { return kAppScreens.raw(s); }
constexpr std::optional<AppScreen> appScreenFromRaw(std::string_view text) { return kAppScreens.fromRaw(text); }

enum class ScreenContext { connect, login, appLaunch, profile, troubleshootAppErrors, verifySubscriptionStatus };

inline constexpr auto kScreenContexts = enumTable<ScreenContext>("ScreenContext", {
    {ScreenContext::connect, "connect"},
    {ScreenContext::login, "login"},
    {ScreenContext::appLaunch, "app launch"},
    {ScreenContext::profile, "profile"},
    {ScreenContext::troubleshootAppErrors, "troubleshoot app errors"},
    {ScreenContext::verifySubscriptionStatus, "verify subscription status"},
});
inline constexpr std::array<std::string_view, 6> kScreenContextNames = kScreenContexts.raws();

constexpr std::string_view rawValue(ScreenContext c) { return kScreenContexts.raw(c); }
constexpr std::optional<ScreenContext> screenContextFromRaw(std::string_view text) {
    return kScreenContexts.fromRaw(text);
}

}  // namespace morvex
