#pragma once
// The desktop notification that tells the user the VPN connected or disconnected. Every one has
// the same identifier, so a newer one replaces the one still shown; while the application is in
// front it is still shown, with sound.
#include <string_view>

#include "appkit/UserNotifications.h"

namespace morvex {

inline constexpr std::string_view kConnectionNotificationIdentifier = "MorvexVPNConnectionNotification";
inline constexpr std::string_view kConnectionNotificationTitle = "MorvexVPN";

// Posts `body` (already localized) on the centre, making the centre present it in front too.
void postConnectionNotification(appkit::UserNotificationCenter& centre, std::string_view body);

}  // namespace morvex
