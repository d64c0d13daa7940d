#pragma once
// The host table: the one place where the back end's hosts are configured. Every role has its own
// HTTPS host by default. MORVEX_SERVICE_URL (an http or https URL, optionally with a path) points
// every role at that one base URL; MORVEX_API_URL, MORVEX_RECEIPT_URL, MORVEX_ASSET_URL,
// MORVEX_CONFIGURATION_URL and MORVEX_SIGNIN_URL point one role each and win over it. That is how
// tests and `./dev run` reach the local fake service, with each role at its own address when the
// rules that tell hosts apart (headers, token refresh) are to hold as they do in production.
#include <QUrl>

#include <optional>
#include <string>

namespace morvex {

// The roles a URL is built for. The apps host is not a server: it names the sign-in callback.
enum class ServiceHost { API, Receipt, Asset, Configuration, SignIn };

}  // namespace morvex

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
// The configured authority of a role: the host name, and ":port" when the base URL names a port.
std::string authority(ServiceHost host);

// True when the URL goes to the API host (same host and port).
bool isAPIHost(const QUrl& url);

// The base URL a role points at instead of its built-in host: the role's own override, else the
// one for every role; tests' settings win over the environment. An invalid value is reported once
// and ignored.
std::optional<QUrl> serviceURLOverride(ServiceHost host = ServiceHost::API);
// Tests set these in place of the environment; none clears them.
void setServiceURLOverride(std::optional<std::string> url);
void setServiceURLOverride(ServiceHost host, std::optional<std::string> url);

}  // namespace morvex::hosts
