#pragma once
// OAuth 2.0 authorization-code client (with PKCE), configured from a settings dictionary:
// "client_id", "client_secret", "authorize_uri", "token_uri", "redirect_uris", "scope",
// "use_pkce", "keychain". It holds the client's tokens in memory.
#include <functional>
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
}  // namespace OAuth2ErrorCode

class OAuth2CodeGrant {
public:
    struct AuthConfig {
        // Authorization runs in the application's own web window rather than a browser.
        bool authorizeEmbedded = false;
    };

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

private:
    Dictionary settings_;
};

}  // namespace morvex
