#pragma once
// What the main content decides without a widget: the content area's look for a page, which VPN
// system extensions to ask the SDK for when the window appears, the page the preferences open on,
// the first page after a sign-in (by the user's test group, with its analytics event), the
// hover tags of the tab bar, and the e-mail migration check of legacy accounts.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "viewmodels/MainTab.h"
#include "foundation/Bundle.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"

namespace morvex {

class UserAuthentication;

namespace main_content {

// The content area behind a page: white with the world map on the dashboard, the window's 246
// grey without it everywhere else.
struct PageBackground {
    int red = 255, green = 255, blue = 255;
    bool mapVisible = true;
    friend bool operator==(const PageBackground&, const PageBackground&) = default;
};
PageBackground pageBackground(MainTab tab);

// The tunnel extensions' bundle identifiers to activate: each one whose stored status is not
// Activated (nothing stored, an unknown number and every other status all ask again).
std::vector<std::string> extensionsToActivate(const AppPreferences& preferences, const Bundle& bundle = Bundle::main());

// Whether the preferences should open on their protocol page (index 1): unless both extensions
// are activated.
bool preferencesOpenOnProtocolPage(const AppPreferences& preferences);
inline constexpr int kProtocolPreferencesIndex = 1;

// The page after a sign-in. The first sign-in of a user lands by test group (A the dashboard,
// B the locations) and sends "app_test_activation_time" with "user_type"; any later one lands on
// the dashboard without an event. Reading the first-login flag uses it up.
MainTab pageAfterSignIn(const PreservedPreferences& preferences, EventTracker& tracker);

// The stored interface language, "de" when none is stored.
std::string hoverLanguageCode(const AppPreferences& preferences);
// The tag image a hover view's identifier reveals; none for an unknown identifier.
std::optional<std::string> hoverImageName(std::string_view hoverViewId, std::string_view languageCode);
// The hover view identifiers, from the top of the tab bar.
inline constexpr std::string_view kHoverViewIds[] = {"dashboardHoverView", "locationHoverView",      "devicesHoverView",
                                                     "profileHoverView",   "supportHoverView",       "notificationsHoverView",
                                                     "settingsHoverView"};

// The e-mail migration check of a legacy account (runs only while the user record says it is not
// migrated). `consent` shows the migration consent and calls back once answered, with true when
// the user logged out there; the migration then runs (never after a logout, which it would undo
// by storing the account again) and its outcome is stored.
struct MigrationCheck {
    std::function<void(std::function<void(bool loggedOut)> answered)> consent;
    void run(UserAuthentication& authentication) const;
    // The check with the consent alert of the sign-in flow.
    static MigrationCheck withConsentAlert();
};

}  // namespace main_content
}  // namespace morvex
