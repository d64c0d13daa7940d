#include "api/AccessTokenInterceptor.h"

#include <QUrlQuery>

#include <nlohmann/json.hpp>

#include "model/BundleInfo.h"
#include "state/Crypto.h"
#include "api/Networking.h"
#include "model/ServiceHosts.h"

namespace morvex {

AccessTokenInterceptor::AccessTokenInterceptor(AccessTokenScope scope, AppPreferences appPreference, User user,
                                               OAuth2CodeGrant* client, AuthProtocol* auth)
    : scope(scope), appPreference(std::move(appPreference)), user(std::move(user)), loader(client),
      auth(auth) {}

std::string AccessTokenInterceptor::identity(const http::Request& request) {
    if (request.method == http::Method::POST) {
        auto json = nlohmann::json::parse(request.body.value_or(""), nullptr, false);
        if (json.is_object()) {
            auto it = json.find("username");
            if (it != json.end() && it->is_string() && !it->get<std::string>().empty()) return it->get<std::string>();
        }
    } else {
        QUrlQuery query(request.url);
        for (const auto& [name, value] : query.queryItems(QUrl::FullyDecoded)) {
            if (name != "username") continue;
            if (!value.isEmpty()) return value.toStdString();
            break;  // the first item of that name decides
        }
    }
    return Networking::deviceUUID();
}

std::string AccessTokenInterceptor::tokenDigest(const std::string& identity) {
    return md5Hex(std::string(kTokenSalt) + identity);
}

void AccessTokenInterceptor::adapt(const http::Request& request,
                                   std::function<void(Result<http::Request>)> completion) {
    if (!hosts::isAPIHost(request.url)) {
        completion(request);
        return;
    }
    std::string digest = tokenDigest(identity(request));
    http::Request adapted = request;
    std::string text = request.url.toString(QUrl::FullyEncoded).toStdString();
    bool bare = text.find("auth/token") != std::string::npos || text.find("app/latest/version") != std::string::npos ||
                text.find("restore/purchase") != std::string::npos;
    if (!bare) {
        adapted.headers.set("Authorization", "Bearer " + (auth ? auth->accessToken() : std::string()));
        adapted.headers.set("Content-Type", "application/json");
        adapted.headers.set("Token", digest);
    }
    completion(std::move(adapted));
}

std::string AccessTokenInterceptor::scopedTokenKey() const {
    return infoReleaseCode() + "_API_" + std::string(rawValue(scope));
}

void AccessTokenInterceptor::retry(const http::DataResponse& failed, int,
                                   std::function<void(http::RetryResult)> completion) {
    Error requestError = failed.error.value_or(Error());
    auto passOn = [&] { completion(http::RetryResult::doNotRetryWithError(requestError)); };
    if (!failed.request || !hosts::isAPIHost(failed.request->url)) return passOn();
    if (!failed.response || failed.response->statusCode != 401) return passOn();
    if (!auth) return passOn();

    auto expiry = auth->refreshTokenExpiry();
    if (!expiry || *expiry < Date::now()) {
        // The sign-out may wait for the user's answer; the request does not.
        auth->signOut();
        return passOn();
    }
    // A request that left before the last refresh met the 401 of its old token: the session has a
    // new one already, and the next request carries it.
    auto sent = failed.request->headers.value("Authorization");
    if (!TokenRefresh::shared().inProgress() && sent && *sent != "Bearer " + auth->accessToken()) return passOn();

    std::string key = scopedTokenKey();
    Keychain keychain = appPreference.keychain();
    TokenRefresh::shared().refresh(*auth, [completion, requestError, key, keychain](const RefreshOutcome& outcome) mutable {
        switch (outcome.kind) {
        case RefreshOutcome::Kind::refreshed:
            keychain.set(*outcome.tokens.accessToken, key);
            completion(http::RetryResult::doNotRetry());
            break;
        case RefreshOutcome::Kind::requestFailed:
            completion(http::RetryResult::doNotRetryWithError(outcome.error.value_or(requestError)));
            break;
        case RefreshOutcome::Kind::noTokens:
            completion(http::RetryResult::doNotRetryWithError(requestError));
            break;
        }
    });
}

}  // namespace morvex
