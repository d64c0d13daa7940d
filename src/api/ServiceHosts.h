#pragma once
// The host table. By default every role has its own HTTPS host; MORVEX_SERVICE_URL (an http or
// https URL, optionally with a path) points every role at that one base URL instead, which is how
// tests and `./dev run` reach the local fake service.
#include <QUrl>

#include <optional>
#include <string>

#include "api/Endpoint.h"

namespace morvex::hosts {

inline constexpr const char* kAPIHost = "api.morvexvpn.com";
inline constexpr const char* kReceiptHost = "receipts.morvexvpn.com";
inline constexpr const char* kAssetHost = "assets.morvexvpn.com";
inline constexpr const char* kConfigurationHost = "config.morvexvpn.com";
inline constexpr const char* kSignInHost = "auth.morvexvpn.com";
inline constexpr const char* kAppsHost = "apps.morvexvpn.com";  // host part of the sign-in callback

// A URL with scheme, host, port and path prefix (no query), for one host role.
QUrl baseURL(ServiceHost host);
// The sign-in server.
QUrl signInBaseURL();
// The configured host name of a role (the override's host when one is set).
std::string hostName(ServiceHost host);

// True when the URL goes to the API host (same host and port).
bool isAPIHost(const QUrl& url);

// The base URL every role points at: the test override if set, else MORVEX_SERVICE_URL when it
// is a valid http(s) URL (an invalid value is reported once and ignored), else nothing.
std::optional<QUrl> serviceURLOverride();
// Tests set this in place of the environment; nothing clears it.
void setServiceURLOverride(std::optional<std::string> url);

}  // namespace morvex::hosts
