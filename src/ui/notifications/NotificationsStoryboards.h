#pragma once
// The notification page's scene in the main storyboard ("NotificationsController", the main
// window's Notifications page) and its "seguePreferences" to the preferences window.

namespace morvex {

void registerNotificationsStoryboards();

}  // namespace morvex
