#pragma once
// The left tab bar's model: the icon each main page shows (selected, plain or hovered), the tab
// a page request clicks, the password-manager add-on's state for the signed-in user, and the
// count badge of unread in-app notifications.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "viewmodels/MainTab.h"
#include "state/CoreDataService.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"

namespace morvex {

class TabsModel {
public:
    // One main page's icon and the hover view over its tab.
    struct Icon {
        MainTab page;
        std::string_view hoverViewId;
        std::string_view selected;
        std::string_view plain;
        std::string_view hover;
    };
    static constexpr std::size_t kIconCount = 7;
    using IconImages = std::array<std::string, kIconCount>;
    // From the top of the bar; settings sits at its bottom.
    static constexpr std::array<Icon, kIconCount> kIcons{{
        {MainTab::Dashboard, "dashboardHoverView", "ic_home_selected", "ic_hometab", "ic_home_hover"},
        {MainTab::Locations, "locationHoverView", "ic_locations_selected", "ic_locationtab", "ic_location_hover"},
        {MainTab::SetupOtherDevices, "devicesHoverView", "ic_devices_selected", "ic_devicestab", "ic_device_hover"},
        {MainTab::Profile, "profileHoverView", "ic_profile_selected", "ic_profiletab", "ic_profile_hover"},
        {MainTab::Support1, "supportHoverView", "ic_support_selected", "ic_supporttab", "ic_support_hover"},
        {MainTab::Notifications, "notificationsHoverView", "ic_notifications_selected", "ic_notificationstab",
         "ic_notification_hover"},
        {MainTab::Prefences, "settingsHoverView", "ic_settings_selected", "ic_settingstab", "ic_settings_hover"},
    }};

    // The notices are read from `notices` (by default the shared store's main context).
    TabsModel(User user, EventTracker eventTracker, PreservedPreferences preservedPreferences,
              ManagedObjectContext* notices = nullptr);

    User user;
    EventTracker eventTracker;
    PreservedPreferences preservedPreferences;
    // The store of the notices; the shared store is opened at the first count, not with the tab
    // bar, which is made at launch behind the sign-in page.
    ManagedObjectContext& managedObjectContext() const;

    // The image of each icon (in kIcons order) while the page with that number is selected.
    static IconImages iconImages(std::int64_t selectedRaw);
    // The icons while a tab is hovered: the selection's, with the hovered page's hover image (a
    // selected tab keeps its selected image).
    static IconImages hoveredIconImages(std::int64_t selectedRaw, std::string_view hoverViewId);
    // The icon index of a hover view; none for an unknown identifier.
    static std::optional<std::size_t> iconIndex(std::string_view hoverViewId);
    // Whether a page request ("AppShowController") clicks a tab: every page but the about page and
    // the notifications page, which only its own tab opens (the "settings" push posts its number
    // beside opening the preferences, and must not switch the window to the list).
    static bool pageHasTab(MainTab page);

    // True when a consumer account ("isB2C", true when unset) has an active add-on whose slug
    // contains "pinvault".
    bool isPinvaultAddonActive() const;
    // The add-on tab hides while the user record has no password manager.
    bool hidePinvaultAddon() const { return !user.passwordManager(); }
    bool isPinvaultLocked() const { return !isPinvaultAddonActive(); }
    // The signed-in user's listed in-app notices not yet seen, counted again from the local store
    // and kept as the user record's unread count ("UserPreferences.unreadNotificationCount"). No
    // badge at 0.
    std::int64_t badgeCount() const;
    // The unread count as the user record keeps it (what the badge shows between recounts).
    std::int64_t storedBadgeCount() const { return user.unreadNotificationCount(); }

private:
    ManagedObjectContext* notices_;  // not owned; null for the shared store
};

}  // namespace morvex
