#include "foundation/OAuth2.h"

#include <QUrl>
#include <QUrlQuery>

#include <utility>

#include <nlohmann/json.hpp>

#include "foundation/CryptoLibrary.h"
#include "foundation/Dispatch.h"
#include "foundation/HttpSession.h"

namespace morvex {

namespace {

std::string base64URL(const unsigned char* bytes, std::size_t size) {
    QByteArray data(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    return data.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals).toStdString();
}

// 32 bytes from the system's secure source, as 43 base64url characters (the verifier's alphabet).
std::string randomToken() {
    unsigned char bytes[32];
    while (crypto().RAND_bytes(bytes, sizeof bytes) != 1) {
    }
    return base64URL(bytes, sizeof bytes);
}

std::string s256(const std::string& verifier) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    crypto().EVP_Digest(verifier.data(), verifier.size(), digest, &size, crypto().EVP_sha256(), nullptr);
    return base64URL(digest, size);
}

std::string formEncoded(const std::string& text) {
    return QUrl::toPercentEncoding(QByteArray::fromStdString(text)).toStdString();
}

}  // namespace

OAuth2CodeGrant::OAuth2CodeGrant(Dictionary settings) : settings_(std::move(settings)) {}

std::optional<std::string> OAuth2CodeGrant::setting(std::string_view key) const {
    auto it = settings_.find(std::string(key));
    if (it == settings_.end()) return std::nullopt;
    if (auto s = it->second.get<std::string>()) return *s;
    return std::nullopt;
}

std::string OAuth2CodeGrant::clientId() const { return setting("client_id").value_or(""); }

void OAuth2CodeGrant::forgetTokens() {
    accessToken.reset();
    refreshToken.reset();
}

void OAuth2CodeGrant::authorize(const std::optional<Dictionary>&,
                                std::function<void(std::optional<nlohmann::json>, std::optional<Error>)> callback) {
    if (accessToken && !accessToken->empty()) {
        DispatchQueue::main().async([callback] { callback(nlohmann::json::object(), std::nullopt); });
        return;
    }
    auto tokenURI = setting("token_uri");
    if (!refreshToken || refreshToken->empty() || !tokenURI) {
        DispatchQueue::main().async([callback] {
            callback(std::nullopt, Error(std::string(kOAuth2ErrorDomain), OAuth2ErrorCode::noRefreshToken,
                                         "I don't have a refresh token, not trying to refresh"));
        });
        return;
    }
    http::Request request{QUrl(QString::fromStdString(*tokenURI)), http::Method::POST};
    // Every byte outside the unreserved set is escaped: a form decoder reads a bare "+" as a
    // space, and a token holding "%" followed by hex digits must not be read as already escaped.
    std::string form;
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"grant_type", "refresh_token"},
                                     {"refresh_token", *refreshToken},
                                     {"client_id", clientId()}}) {
        if (!form.empty()) form += '&';
        form += QUrl::toPercentEncoding(QByteArray::fromStdString(key)).toStdString() + '=' +
                QUrl::toPercentEncoding(QByteArray::fromStdString(value)).toStdString();
    }
    request.body = std::move(form);
    request.headers.set("Content-Type", "application/x-www-form-urlencoded; charset=utf-8");
    request.headers.set("Accept", "application/json");
    http::Session::shared().request(request, nullptr, true, [this, callback](const http::DataResponse& r) {
        auto failed = [&](std::string why, std::shared_ptr<const Error> cause) {
            callback(std::nullopt, Error(std::string(kOAuth2ErrorDomain), OAuth2ErrorCode::requestFailed,
                                         std::move(why), std::move(cause)));
        };
        if (r.error) return failed("The token refresh failed", std::make_shared<const Error>(*r.error));
        auto json = nlohmann::json::parse(r.data.value_or(""), nullptr, false);
        if (!json.is_object() || !json.contains("access_token") || !json["access_token"].is_string())
            return failed("The token endpoint answered without an access token", nullptr);
        accessToken = json["access_token"].get<std::string>();
        if (json.contains("refresh_token") && json["refresh_token"].is_string())
            refreshToken = json["refresh_token"].get<std::string>();
        callback(json, std::nullopt);
    });
}

std::optional<std::string> OAuth2CodeGrant::makeAuthorizeURL(const Parameters& extra) {
    auto base = setting("authorize_uri");
    auto redirects = settings_.find("redirect_uris");
    if (!base || redirects == settings_.end()) return std::nullopt;
    codeVerifier_ = randomToken();
    state_ = randomToken().substr(0, 16);
    // The configured URL is kept as written (its redirect URI stands unencoded); our items follow.
    std::string url = *base;
    auto add = [&url](const std::string& key, const std::string& value) {
        url += url.find('?') == std::string::npos ? '?' : '&';
        url += formEncoded(key) + '=' + formEncoded(value);
    };
    add("state", state_);
    add("code_challenge", s256(codeVerifier_));
    add("code_challenge_method", "S256");
    if (auto scope = setting("scope")) add("scope", *scope);
    for (const Parameters* items : std::initializer_list<const Parameters*>{&additionalParameters, &customParameters, &extra})
        for (const auto& [key, value] : *items) add(key, value);
    return url;
}

std::string OAuth2CodeGrant::redirectURI() const {
    auto redirects = settings_.find("redirect_uris");
    if (redirects == settings_.end()) return {};
    if (auto* list = redirects->second.get<Array>()) return list->empty() ? std::string() : list->front().toText().value_or("");
    return redirects->second.toText().value_or("");
}

std::pair<std::optional<OAuth2CodeGrant::Parameters>, std::optional<Error>> OAuth2CodeGrant::readRedirect(
    const std::string& redirectURL) {
    const std::string domain(kOAuth2ErrorDomain);
    auto refused = [&](int code, std::string why) {
        return std::pair<std::optional<Parameters>, std::optional<Error>>{std::nullopt, Error(domain, code, std::move(why))};
    };
    const QUrl url(QString::fromStdString(redirectURL), QUrl::StrictMode);
    const QUrl expected(QString::fromStdString(redirectURI()), QUrl::StrictMode);
    // QUrl lower-cases scheme and host; the path is compared as sent, escapes included.
    if (!url.isValid() || !expected.isValid() || url.scheme() != expected.scheme() || url.host() != expected.host() ||
        url.port() != expected.port() || !url.userInfo().isEmpty() ||
        url.path(QUrl::FullyEncoded) != expected.path(QUrl::FullyEncoded))
        return refused(OAuth2ErrorCode::invalidRedirect, "The redirect goes to another address than the sign-in's");
    // The answer stands in the query only: a fragment is nothing a server of ours sends.
    if (url.hasFragment()) return refused(OAuth2ErrorCode::invalidRedirect, "The redirect carries a fragment");

    std::multimap<std::string, std::string> items;
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) items.emplace(key.toStdString(), value.toStdString());
    if (auto error = items.find("error"); error != items.end()) {
        auto description = items.find("error_description");
        std::string text = description != items.end() && !description->second.empty() ? description->second : error->second;
        return refused(OAuth2ErrorCode::authorizationDenied, text);
    }
    if (state_.empty()) return refused(OAuth2ErrorCode::invalidRedirect, "The sign-in was already answered");
    auto state = items.find("state");
    if (items.count("state") != 1 || state->second != state_)
        return refused(OAuth2ErrorCode::invalidState, "The redirect answers another sign-in");
    Parameters parameters{{"state", state->second}};
    const std::size_t codes = items.count("code");
    if (codes == 0) return {parameters, std::nullopt};  // the user went back on the page
    if (codes != 1 || items.find("code")->second.empty())
        return refused(OAuth2ErrorCode::invalidRedirect, "The redirect does not carry exactly one code");
    state_.clear();  // answered: no second redirect of this authorization is taken
    parameters["code"] = redirectURL;  // the sign-in completion reads the whole URL
    return {parameters, std::nullopt};
}

void OAuth2CodeGrant::authorizeEmbedded(const EmbeddedPresenter& present, const Parameters& extra, AuthorizeCallback callback) {
    auto url = makeAuthorizeURL(extra);
    if (!url) {
        DispatchQueue::main().async([callback] {
            callback(std::nullopt, Error(std::string(kOAuth2ErrorDomain), OAuth2ErrorCode::requestFailed,
                                         "The client has no authorize URL or redirect URI"));
        });
        return;
    }
    const std::string scheme = QUrl(QString::fromStdString(redirectURI())).scheme().toStdString();
    // The page's address without its query: the state and challenge are nobody's business.
    log("Authorizing embedded at " + QUrl(QString::fromStdString(*url)).toString(QUrl::RemoveQuery).toStdString());
    present({*url, scheme, authConfig.prefersEphemeralWebBrowserSession},
            [this, callback](std::optional<std::string> redirectURL, std::optional<Error> error) {
                if (error || !redirectURL) {
                    log("Embedded authorization ended without a redirect");
                    callback(std::nullopt, error.value_or(Error(std::string(kOAuth2ErrorDomain),
                                                                OAuth2ErrorCode::requestCancelled, "The sign-in was cancelled")));
                    return;
                }
                log("Redirect caught");
                auto [parameters, failure] = readRedirect(*redirectURL);
                callback(std::move(parameters), std::move(failure));
            });
}

}  // namespace morvex
