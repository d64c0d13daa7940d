#pragma once
// The application's OAuth 2.0 client: the code-grant settings for the sign-in server and the one
// client made from them on first use.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "api/AuthProtocol.h"
#include "foundation/Error.h"
#include "foundation/OAuth2.h"
#include "foundation/Value.h"
#include "state/AppManager.h"

namespace morvex {

class OAuthService : public AuthProtocol {
public:
    // Made on first use, and installed then as the process's sign-in service (`sharedAuth`).
    static OAuthService& shared();
    // `manager` holds the session tokens that forgetting clears and requests are signed with.
    explicit OAuthService(AppManager& manager = AppManager::shared()) : manager(manager) {}

    std::optional<std::string> authorizationCode;

    // The client, made on first access from the shared settings with the authorize URL chosen by
    // "UserPreferences.authenticatedViaLogin" (dark sign-in page unless set).
    OAuth2CodeGrant& oauth() override;
    bool hasClient() const { return _oauth != nullptr; }
    // Forgets the client's tokens and the session's tokens, in memory and stored.
    void forgetTokens() override;
    // Authorizes with the tokens the client holds; completes once with true or the client's error.
    void authorize(std::function<void(Result<bool>)> completion) override;
    // The session's access token (its manager's `accessToken()`).
    std::string accessToken() const override;
    // The token refresh's view of the session (its manager's tokens), and the sign-out it asks for:
    // the logout entry of the installed alert services.
    std::string refreshToken() const override;
    std::optional<Date> refreshTokenExpiry() const override;
    void saveTokens(const AuthObject& tokens) override;
    void signOut() override;

    // The shared settings (seven entries until the first client adds "authorize_uri").
    static Dictionary settings();
    static const std::string& authorizeURL();
    static const std::string& darkAuthorizeURL();
    // "zarnapp://" + the apps host + "/callback".
    static std::string redirectURI();

private:
    AppManager& manager;
    std::once_flag _oauthOnce;  // request builders may ask for the client from several threads at once
    std::unique_ptr<OAuth2CodeGrant> _oauth;
};

}  // namespace morvex
