#pragma once
// The per-request adapter and retrier: signs requests to the API host with the session's bearer
// token and the "Token" identity digest, and on a 401 from the API host refreshes the session's
// token (or signs the user out once the refresh token has expired).
#include "api/AuthProtocol.h"
#include "api/Endpoint.h"
#include "api/TokenRefresh.h"
#include "foundation/HttpSession.h"
#include "state/AppPreferences.h"
#include "state/User.h"

namespace morvex {

class AccessTokenInterceptor : public http::RequestInterceptor {
public:
    // The request builders pass the endpoint's scope, fresh stores and the sign-in client; `auth`
    // (whose access token signs the requests) is the process's sign-in service unless given.
    explicit AccessTokenInterceptor(AccessTokenScope scope, AppPreferences appPreference = AppPreferences(),
                                    User user = User(), OAuth2CodeGrant* client = nullptr,
                                    AuthProtocol* auth = sharedAuth());

    AccessTokenScope scope;
    AppPreferences appPreference;  // its keychain takes refreshed tokens
    User user;
    OAuth2CodeGrant* loader;  // the client it was given; not used by adapt or retry
    AuthProtocol* auth;  // may be null: no token
    int retry_ = 0;
    int noOfTimesToRetry = 3;
    bool isRefreshing = false;

    void adapt(const http::Request& request, std::function<void(Result<http::Request>)> completion) override;
    // Never sends the request again, and always answers: every failure but a 401 from the API host
    // goes on unchanged at once. On such a 401 it refreshes the token (joining a refresh under way;
    // none when the request left with an older token than the session now has) while the refresh
    // token is valid, and signs the user out once it has expired; the request then fails with its
    // own error, or with the refresh request's error when that failed.
    void retry(const http::DataResponse& failed, int retryCount,
               std::function<void(http::RetryResult)> completion) override;

    // The per-scope keychain item a refreshed access token is written to: the release code,
    // "_API_" and the scope's raw value.
    std::string scopedTokenKey() const;

    // The text whose digest goes into "Token": the request's "username" (JSON body of a POST,
    // query of other methods) when it is a non-empty text, else the device UUID.
    static std::string identity(const http::Request& request);
    static std::string tokenDigest(const std::string& identity);
};

}  // namespace morvex
