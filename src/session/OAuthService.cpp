#include "session/OAuthService.h"

#include <mutex>

#include "alerts/AlertServices.h"
#include "model/ServiceHosts.h"
#include "model/WebLink.h"
#include "foundation/Dispatch.h"
#include "state/User.h"
#include "state/AppManager.h"

namespace morvex {

namespace {

std::mutex settingsMutex;
Dictionary& sharedSettings() {
    static OnceToken once;
    static Dictionary* settings = nullptr;
    dispatchOnce(once, [] {
        std::string signIn = hosts::signInBaseURL().toString(QUrl::FullyEncoded).toStdString();
        settings = new Dictionary{
            {"client_id", Value("----")},
            {"client_secret", Value("")},
            {"token_uri", Value(signIn + "/oauth2/token")},
            {"redirect_uris", Value(std::vector<std::string>{OAuthService::redirectURI()})},
            {"scope", Value("offline_access")},
            {"use_pkce", Value(true)},
            {"keychain", Value(true)},
        };
    });
    return *settings;
}

// The web link's text, so the authorize link and the client name the same server.
std::string makeAuthorizeURL(bool dark) {
    std::string text = urlString(dark ? WebLink::SignInAuthorizeDark : WebLink::SignInAuthorize);
    return QUrl(QString::fromStdString(text)).toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace

OAuthService& OAuthService::shared() {
    static OnceToken once;
    static OAuthService* instance = nullptr;
    dispatchOnce(once, [] {
        instance = new OAuthService();
        installSharedAuth(instance);
    });
    return *instance;
}

std::string OAuthService::accessToken() const {
    return manager.accessToken();
}

std::string OAuthService::refreshToken() const {
    return manager.refreshToken();
}

std::optional<Date> OAuthService::refreshTokenExpiry() const {
    const auto tokens = manager.tokens();  // one read: the creation time and the lifetime belong together
    if (!tokens.createdAt) return std::nullopt;
    return Date{tokens.createdAt->secondsSince1970 + static_cast<double>(tokens.refreshTokenExpiry)};
}

void OAuthService::saveTokens(const AuthObject& tokens) { manager.saveTokens(tokens, false); }

void OAuthService::signOut() {
    if (auto logout = AlertServices::installed().logout) logout();
}

std::string OAuthService::redirectURI() { return "zarnapp://" + WebHosts::appsHost() + "/callback"; }

const std::string& OAuthService::authorizeURL() {
    static const std::string url = makeAuthorizeURL(false);
    return url;
}

const std::string& OAuthService::darkAuthorizeURL() {
    static const std::string url = makeAuthorizeURL(true);
    return url;
}

Dictionary OAuthService::settings() {
    auto& s = sharedSettings();
    std::lock_guard lock(settingsMutex);
    return s;
}

OAuth2CodeGrant& OAuthService::oauth() {
    std::call_once(_oauthOnce, [this] {
        auto& s = sharedSettings();
        bool viaLogin = User().authenticatedViaLogin();
        Dictionary copy;
        {
            std::lock_guard lock(settingsMutex);
            s["authorize_uri"] = Value(viaLogin ? authorizeURL() : darkAuthorizeURL());
            copy = s;
        }
        _oauth = std::make_unique<OAuth2CodeGrant>(std::move(copy));
    });
    return *_oauth;
}

void OAuthService::forgetTokens() {
    oauth().forgetTokens();
    manager.clearTokens();
}

void OAuthService::authorize(std::function<void(Result<bool>)> completion) {
    auto& client = oauth();
    client.authConfig.authorizeEmbedded = true;
    client.authorize(std::nullopt, [completion](std::optional<nlohmann::json>, std::optional<Error> error) {
        if (error) completion(fail(*error));
        else completion(true);
    });
}

}  // namespace morvex
