#pragma once
// The value transformers that screens bind through, as pure functions from a model value to what a
// view shows. Each takes any value and answers nothing (an empty std::any) where a view should
// show nothing; a value of a type a transformer does not read counts as missing. The registry
// (ValueTransformers.h) holds them by name; screens that call one directly (a cell wanting a
// flag) call these functions.
//
// What each reads:
// - a VPN state: a ZevuConnectionState or its raw number (any integer type); a number outside
//   the enumeration is no state;
// - a location: a ZevuDataFetcher::Server, or a shared pointer to one;
// - a text: std::string, std::string_view, const char* or QString;
// - a flag: bool (or the numbers 0 and 1);
// - a date: foundation's Date, a QDateTime or a QDate;
// - a list: a ServerList, an AppNotificationList, a vector of std::any or of strings.
//
// Texts answer std::string, flags bool, images QIcon (see imageFromName). Main thread (the image
// answers are icons); the name and text functions are safe on any thread.
#include <any>
#include <optional>
#include <string>
#include <string_view>

#include <QDate>
#include <QIcon>

namespace morvex::transformers {

// Names under which the registry holds them (the screens' bindings name these).
inline constexpr std::string_view kVpnStateText = "VpnStateTextTransformer";
inline constexpr std::string_view kVpnStateImage = "VpnStateImageTransformer";
inline constexpr std::string_view kVpnStateButtonTitle = "VpnStateButtonTitleTransformer";
inline constexpr std::string_view kServerName = "ServerNameValueTransformer";
inline constexpr std::string_view kConnectingServerName = "ConnectingServerNameValueTransformer";
inline constexpr std::string_view kPingLabel = "PingLabelValueTransformer";
inline constexpr std::string_view kSupportButtonEnable = "SupportButtonEnableValueTransformer";
inline constexpr std::string_view kTimeAgo = "TimeAgoValueTransformer";
inline constexpr std::string_view kAddonDate = "AddonDateTransformer";
inline constexpr std::string_view kCountriesEmpty = "CountriesEmptyValueTransformer";
inline constexpr std::string_view kCountriesNotEmpty = "CountriesNotEmptyValueTransformer";
inline constexpr std::string_view kFlagIdImage = "FlagIdImageValueTransformer";
inline constexpr std::string_view kFavoriteImage = "FavoriteImageValueTransformer";
inline constexpr std::string_view kNotificationIcon = "NotificationIconTransformer";
inline constexpr std::string_view kNotificationEmpty = "NotificationEmptyTransformer";
inline constexpr std::string_view kNotificationNonEmpty = "NotificationNonEmptyTransformer";
inline constexpr std::string_view kNotificationCloseable = "NotificationCloseable";
inline constexpr std::string_view kNotificationCtaHidden = "NotificationCtaHidden";

// VPN state. The status line: "vpn.disconnected" for no state; Redialing reads as connecting,
// UnableToBrowse as connected, UnableToConnect as disconnected.
std::string vpnStateText(const std::any& state);
// The status picture's name: "Disconnected" for no state.
std::string vpnStateImageName(const std::any& state);
// The connect button's title: "vpn.connect" in Disconnected and Disconnecting, "vpn.disconnect"
// in every other state, nothing for no state.
std::optional<std::string> vpnStateButtonTitle(const std::any& state);

// A location's display name: a city as "name, code", a dedicated IP by its address, others by name.
std::optional<std::string> serverName(const std::any& server);
// The same while connecting, where a dedicated IP shows its name.
std::optional<std::string> connectingServerName(const std::any& server);

// A location's last ping: "-----" when not measured (0, the unmeasured value, or no location),
// else the milliseconds as "42ms".
std::string pingLabel(const std::any& server);
// True when the text holds something besides blanks and line breaks.
bool supportButtonEnable(const std::any& text);
// A date as a relative day: today and yesterday (and tomorrow) by their word, other days as the
// user's long date without the weekday; no time of day. Nothing for no date. `today` is the
// reference day (the local current date when not given).
std::optional<std::string> timeAgo(const std::any& date, std::optional<QDate> today = std::nullopt);
// An add-on's "yyyy-MM-dd" date as "dd MMM, yyyy" in the user's locale; "" when it does not read.
std::string addonDate(const std::any& text);
// Whether a list is empty, and whether it has something; both false for anything not a list.
bool countriesEmpty(const std::any& list);
bool countriesNotEmpty(const std::any& list);
// The flag picture's name: the country code lower-cased; nothing for no text.
std::optional<std::string> flagImageName(const std::any& code);
// The favourite star's name: filled for true, unfilled for false and anything else.
std::string favoriteImageName(const std::any& favorite);

// The in-app notification list. A category's icon name (exact match, else "NotificationDefault").
std::string notificationIconName(const std::any& category);
// These two answer as the list's bindings use them: "Empty" is true when the list HAS notices
// (it shows the list), "NonEmpty" true when it has none (it shows the empty text).
bool notificationEmpty(const std::any& list);
bool notificationNonEmpty(const std::any& list);
// True for a notice that cannot be closed ("persistant", or no type): it hides the close box.
bool notificationCloseable(const std::any& type);
// True when a call-to-action has no title, which hides its button.
bool notificationCtaHidden(const std::any& title);

// The bundle's image of that name as an icon; nothing when the bundle has no such image.
std::any imageFromName(const std::optional<std::string>& name);

// Reading helpers the screens share with the transformers.
std::optional<std::string> textValue(const std::any& value);

}  // namespace morvex::transformers
