#pragma once
// What the API client and the connection engine need of the sign-in service. The API layer sees
// the session only through this; the session layer's OAuth service is the implementation the
// application runs with, and tests give a recorder of their own.
#include <functional>
#include <optional>
#include <string>

#include "foundation/Error.h"
#include "foundation/OAuth2.h"
#include "foundation/Value.h"
#include "model/AuthObject.h"

namespace morvex {

class AuthProtocol {
public:
    virtual ~AuthProtocol() = default;
    virtual OAuth2CodeGrant& oauth() = 0;
    virtual void forgetTokens() = 0;
    virtual void authorize(std::function<void(Result<bool>)> completion) = 0;
    // The session's current access token; empty when there is none.
    virtual std::string accessToken() const = 0;

    // What the token refresh needs of the session. All on the main thread.
    // The refresh token the refresh request sends; empty when there is none.
    virtual std::string refreshToken() const = 0;
    // When the refresh token stops being valid (its creation time plus its lifetime); none when no
    // creation time is known, which the refresh takes as expired.
    virtual std::optional<Date> refreshTokenExpiry() const = 0;
    // Keeps a refreshed token set as the session's, with the creation time now.
    virtual void saveTokens(const AuthObject& tokens) = 0;
    // Ends the session because it cannot be refreshed: the application's sign-out, which may ask the
    // user first while a tunnel is up. Returns at once; nothing waits for its outcome.
    virtual void signOut() = 0;
};

// The sign-in service of this process: the session layer installs its shared OAuth service when
// that is first made (the application makes it at start). Until then it is null, and requests to
// the API host carry "Bearer " with no token. Installing is thread-safe.
AuthProtocol* sharedAuth();
void installSharedAuth(AuthProtocol* auth);

}  // namespace morvex
