#pragma once
// The help pages' addresses. Paths and queries are fixed; the hosts are the deployment's (the help
// site and the web site come from model/WebLink.h, the web-mail host and the support address are
// here).
#include <optional>
#include <string>
#include <string_view>

#include "appkit/Appearance.h"

namespace morvex::support {

inline constexpr std::string_view kSupportAddress = "support@morvexvpn.com";
inline constexpr std::string_view kWebMailHost = "https://mail.morvexvpn.com";
inline constexpr std::string_view kMailSubject = "Support Request";

// The FAQ article and the live-chat page of the help site, each with the web-link query items.
std::string faqPage();
std::string liveChatPage();
// The address with "&mode=dark" or "&mode=light" after everything else, for the appearance.
std::string withMode(std::string address, appkit::Appearance appearance);
// The support centre of the web site for a language code ("de" in any case, or none: German).
std::string supportCentre(const std::optional<std::string>& language);
// The web-mail compose page with the support mail link (subject included) as its "url" item.
std::string supportMailCompose();
// Percent-encoding that keeps what a URL query may hold as it is.
std::string percentEncodedForQuery(std::string_view text);

}  // namespace morvex::support
