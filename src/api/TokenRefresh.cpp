#include "api/TokenRefresh.h"

#include <nlohmann/json.hpp>

#include "api/Decoding.h"
#include "api/Envelopes.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "model/ServiceHosts.h"
#include "state/Crypto.h"

namespace morvex {

TokenRefresh& TokenRefresh::shared() {
    static OnceToken once;
    static TokenRefresh* instance = nullptr;
    dispatchOnce(once, [] { instance = new TokenRefresh(); });
    return *instance;
}

void TokenRefresh::refresh(AuthProtocol& auth, std::function<void(const RefreshOutcome&)> done) {
    bool first = waiters_.empty();
    waiters_.push_back(std::move(done));
    if (!first) return;

    QUrl url = hosts::baseURL(ServiceHost::API);
    url.setPath(url.path(QUrl::FullyEncoded) + "/refresh/token", QUrl::TolerantMode);
    http::Request request{url, http::Method::POST};
    request.setJSONBody(nlohmann::json{{"refresh_token", auth.refreshToken()}, {"realm", "MorvexVPN"}});
    AuthProtocol* session = &auth;
    session_.request(std::move(request), nullptr, false, [this, session](const http::DataResponse& answer) {
        RefreshOutcome result = outcome(answer);
        // Saved once, before any waiter runs, so every request sent from here on carries it.
        if (result.kind == RefreshOutcome::Kind::refreshed) session->saveTokens(result.tokens);
        finish(result);
    });
}

void TokenRefresh::finish(const RefreshOutcome& outcome) {
    auto waiters = std::move(waiters_);
    waiters_.clear();
    for (auto& waiter : waiters) waiter(outcome);
}

RefreshOutcome TokenRefresh::outcome(const http::DataResponse& answer) {
    if (answer.error) return {RefreshOutcome::Kind::requestFailed, answer.error, {}};
    if (!answer.data || answer.data->empty()) {
        log::print("refresh token response error");
        return {};
    }
    auto response = decode<TokenResponse>(*answer.data);
    if (!response) {
        log::print("error in decoding refresh token: " + response.error().localizedDescription());
        return {};
    }
    const auto& code = response->body.code;
    // The code is the encrypted token set; it is not written out.
    log::print(std::string("refresh token response: ") + (code ? "Optional(<encrypted>)" : "nil"));
    if (!code || code->empty()) return {};
    auto plain = decryptAESGCM(*code);
    if (!plain) {
        log::print("UnableToDecrypt in decrypting refresh token");
        return {};
    }
    auto tokens = decode<AuthObject>(*plain);
    if (!tokens) {
        log::print(tokens.error().localizedDescription() + " in decrypting refresh token");
        return {};
    }
    if (!tokens->accessToken || tokens->accessToken->empty()) return {};
    return {RefreshOutcome::Kind::refreshed, std::nullopt, *tokens};
}

}  // namespace morvex
