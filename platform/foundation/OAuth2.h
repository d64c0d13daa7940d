#pragma once
// OAuth 2.0 authorization-code client (with PKCE), configured from a settings dictionary:
// "client_id", "client_secret", "authorize_uri", "token_uri", "redirect_uris", "scope",
// "use_pkce", "keychain". It holds the client's tokens in memory.
#include <functional>
#include <map>
#include <utility>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "foundation/Error.h"
#include "foundation/Value.h"

namespace morvex {

inline constexpr std::string_view kOAuth2ErrorDomain = "OAuth2Error";
namespace OAuth2ErrorCode {
inline constexpr int noRefreshToken = 1;   // nothing to authorize with
inline constexpr int requestFailed = 2;    // the token endpoint failed or answered without a token
inline constexpr int requestCancelled = 3; // the user closed the sign-in window
inline constexpr int authorizationDenied = 4;  // the sign-in server redirected with an error
inline constexpr int invalidState = 5;     // the redirect answers another authorization than ours
// The redirect is not one the client can trust: another address than its redirect URI, a
// fragment, no code or more than one, or a code of an authorization already answered.
inline constexpr int invalidRedirect = 6;
}  // namespace OAuth2ErrorCode

class OAuth2CodeGrant {
public:
    struct AuthConfig {
        // Authorization runs in the application's own web window rather than a browser.
        bool authorizeEmbedded = false;
        // That window is a web-authentication session, which keeps no cookies or storage when
        // the session is ephemeral.
        bool useAuthenticationSession = false;
        bool prefersEphemeralWebBrowserSession = false;
    };
    using Parameters = std::map<std::string, std::string>;

    // What an embedded authorization asks its presenter to show: the authorize URL, the scheme of
    // the redirect to catch, and whether the page may keep anything.
    struct EmbeddedRequest {
        std::string url;
        std::string callbackScheme;
        bool ephemeral = false;
    };
    // Shows the page and calls back once: with the redirect URL it caught, or with an error
    // (requestCancelled when the user closed the window).
    using EmbeddedCompletion = std::function<void(std::optional<std::string> redirectURL, std::optional<Error> error)>;
    using EmbeddedPresenter = std::function<void(const EmbeddedRequest& request, EmbeddedCompletion completion)>;
    using AuthorizeCallback = std::function<void(std::optional<Parameters> parameters, std::optional<Error> error)>;

    explicit OAuth2CodeGrant(Dictionary settings);

    const Dictionary& settings() const { return settings_; }
    std::optional<std::string> setting(std::string_view key) const;
    std::string clientId() const;

    AuthConfig authConfig;
    std::optional<std::string> accessToken;
    std::optional<std::string> refreshToken;

    void forgetTokens();

    // Succeeds at once with a held access token; with only a refresh token it asks the token
    // endpoint for new tokens; otherwise it fails with noRefreshToken. The callback runs once, on
    // the main thread.
    void authorize(const std::optional<Dictionary>& params,
                   std::function<void(std::optional<nlohmann::json>, std::optional<Error>)> callback);

    // Added to the authorize URL of each embedded authorization (the grant's own, then the
    // client configuration's).
    Parameters additionalParameters;
    Parameters customParameters;
    // Told each step of an authorization when set.
    std::function<void(std::string_view line)> logger;

    // The authorize URL of a new authorization: "authorize_uri" with the PKCE challenge of a fresh
    // verifier (S256), a fresh state and the extra parameters appended. Nothing when the settings
    // hold no "authorize_uri" or no "redirect_uris".
    std::optional<std::string> makeAuthorizeURL(const Parameters& extra = {});
    // The verifier and state of the authorization made last.
    const std::string& codeVerifier() const { return codeVerifier_; }
    const std::string& state() const { return state_; }

    // The verifier of the authorization made last, handed out once: the code exchange sends it,
    // and a second exchange of the same authorization gets nothing.
    std::string takeCodeVerifier() { return std::exchange(codeVerifier_, std::string()); }

    // Runs the authorization in the application through `present` and reads the redirect. The
    // callback runs once, with the reading of readRedirect; the presenter's error is passed on.
    void authorizeEmbedded(const EmbeddedPresenter& present, const Parameters& extra, AuthorizeCallback callback);
    // How a redirect URL reads for the authorization made last. Only a redirect to exactly the
    // client's redirect URI (scheme, host, port and path; no fragment) is read, and only its query:
    // - an "error" item gives authorizationDenied with the server's description;
    // - exactly one non-empty "code" and exactly one "state" equal to ours give
    //   {"code": the whole redirect URL, "state"} (the sign-in completion reads the URL);
    // - our state alone (the user went back on the page) gives the parameters without "code";
    // - a missing, repeated or other state gives invalidState;
    // - anything else (another address, a fragment, two codes, an empty code) gives invalidRedirect.
    // An authorization is answered once: after a redirect with a code, every later one is refused.
    std::pair<std::optional<Parameters>, std::optional<Error>> readRedirect(const std::string& redirectURL);
    // The client's redirect URI: the first of "redirect_uris" (or the setting as one text).
    std::string redirectURI() const;

private:
    void log(std::string_view line) const {
        if (logger) logger(line);
    }

    Dictionary settings_;
    std::string codeVerifier_;
    std::string state_;
};

}  // namespace morvex
