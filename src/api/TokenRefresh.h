#pragma once
// The refresh of the session's access token when the API host answers 401.
//
// One refresh at a time: a request that meets a 401 while a refresh is under way waits for that
// one instead of starting its own, so requests that fail together cause one refresh request and
// one saved token set. Each waiter is told the outcome once.
//
// Main thread only (the session runs its retriers there); no lock.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/AuthProtocol.h"
#include "foundation/HttpSession.h"
#include "model/AuthObject.h"

namespace morvex {

struct RefreshOutcome {
    enum class Kind {
        refreshed,      // a token set with an access token was saved
        requestFailed,  // the refresh request itself failed; `error` is its error
        noTokens,       // the answer held no usable token set (empty, undecodable, undecryptable)
    };
    Kind kind = Kind::noTokens;
    std::optional<Error> error;
    AuthObject tokens;  // refreshed: the new token set
};

class TokenRefresh {
public:
    static TokenRefresh& shared();
    explicit TokenRefresh(http::Session& session = http::Session::shared()) : session_(session) {}

    // Joins the refresh under way, or sends the refresh request with the session's refresh token:
    // POST "/refresh/token" to the API host, {"refresh_token", "realm": "MorvexVPN"}, no interceptor
    // and no status validation. A usable answer is saved through `auth` before anyone is told.
    void refresh(AuthProtocol& auth, std::function<void(const RefreshOutcome&)> done);

    bool inProgress() const { return !waiters_.empty(); }

    // The outcome of a refresh answer (the answer's code is decrypted and read as a token set).
    static RefreshOutcome outcome(const http::DataResponse& answer);

private:
    void finish(const RefreshOutcome& outcome);

    http::Session& session_;
    std::vector<std::function<void(const RefreshOutcome&)>> waiters_;
};

}  // namespace morvex
