#pragma once
// The application's OAuth 2.0 client: the code-grant settings for the sign-in server and the one
// client made from them on first use.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "foundation/Error.h"
#include "foundation/OAuth2.h"
#include "foundation/Value.h"

namespace morvex {

// What the API client and the engine need of the sign-in service.
class AuthProtocol {
public:
    virtual ~AuthProtocol() = default;
    virtual OAuth2CodeGrant& oauth() = 0;
    virtual void forgetTokens() = 0;
    virtual void authorize(std::function<void(Result<bool>)> completion) = 0;
};

class OAuthService : public AuthProtocol {
public:
    static OAuthService& shared();
    OAuthService() = default;

    std::optional<std::string> authorizationCode;

    // The client, made on first access from the shared settings with the authorize URL chosen by
    // "UserPreferences.authenticatedViaLogin" (dark sign-in page unless set).
    OAuth2CodeGrant& oauth() override;
    bool hasClient() const { return _oauth != nullptr; }
    // Forgets the client's tokens and the session's in-memory tokens (stored keys stay).
    void forgetTokens() override;
    // Authorizes with the tokens the client holds; completes once with true or the client's error.
    void authorize(std::function<void(Result<bool>)> completion) override;

    // The shared settings (seven entries until the first client adds "authorize_uri").
    static Dictionary settings();
    static const std::string& authorizeURL();
    static const std::string& darkAuthorizeURL();
    // "zarnapp://" + the apps host + "/callback".
    static std::string redirectURI();

private:
    std::once_flag _oauthOnce;  // request builders may ask for the client from several threads at once
    std::unique_ptr<OAuth2CodeGrant> _oauth;
};

}  // namespace morvex
