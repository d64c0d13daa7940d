#pragma once
// The pages of the main window and the notifications that switch between them. A page request
// ("AppShowController") and the tab bar's answer ("OpenViewController") carry a MainTab; some
// posters send the page's number instead, so readers accept either.
#include <any>
#include <cstdint>
#include <optional>
#include <string_view>

namespace morvex {

enum class MainTab : std::int64_t {
    Dashboard = 0,
    Locations = 1,
    Notifications = 2,
    Support1 = 3,
    Profile = 4,
    ReferFriend = 5,
    SetupOtherDevices = 6,
    Prefences = 7,  // (spelled so)
    Tabs = 8,
    About = 9,
};

// Numbers outside 0-9 give no page.
std::optional<MainTab> mainTabFromRaw(std::int64_t raw);
// The page a notification's object names: a MainTab, or its number as any integer type.
std::optional<MainTab> mainTabFromObject(const std::any& object);
constexpr std::int64_t rawValue(MainTab tab) { return static_cast<std::int64_t>(tab); }

// Asks the tab bar to show a page.
inline constexpr std::string_view kAppShowControllerNotification = "AppShowController";
// Posted by the tab bar on every tab click; the pages switch on it.
inline constexpr std::string_view kOpenViewControllerNotification = "OpenViewController";
// The pointer entered or left a tab; user info "view" names the tab's hover view.
inline constexpr std::string_view kHoverEnteredNotification = "HoverEntered";
inline constexpr std::string_view kHoverExitedNotification = "HoverExited";
inline constexpr std::string_view kHoverViewKey = "view";
// The dashboard asks for the location list.
inline constexpr std::string_view kOnCountryListFromDashboardNotification = "OnCountryListFromDashboard";
// Just before the support page is shown: true opens the FAQ, false the ticket form.
inline constexpr std::string_view kShowFAQNotification = "ShowFAQ";

}  // namespace morvex
