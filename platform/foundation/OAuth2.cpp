#include "foundation/OAuth2.h"

#include <QUrl>
#include <QUrlQuery>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <utility>

#include <nlohmann/json.hpp>

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
    while (RAND_bytes(bytes, sizeof bytes) != 1) {
    }
    return base64URL(bytes, sizeof bytes);
}

std::string s256(const std::string& verifier) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(verifier.data(), verifier.size(), digest, &size, EVP_sha256(), nullptr);
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

std::pair<std::optional<OAuth2CodeGrant::Parameters>, std::optional<Error>> OAuth2CodeGrant::readRedirect(
    const std::string& redirectURL) const {
    const QUrl url(QString::fromStdString(redirectURL));
    Parameters items;
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) items[key.toStdString()] = value.toStdString();
    // Some servers answer in the fragment instead of the query.
    if (items.empty() && url.hasFragment())
        for (const auto& [key, value] : QUrlQuery(url.fragment()).queryItems(QUrl::FullyDecoded))
            items[key.toStdString()] = value.toStdString();
    const std::string domain(kOAuth2ErrorDomain);
    if (auto error = items.find("error"); error != items.end()) {
        auto description = items.find("error_description");
        std::string text = description != items.end() && !description->second.empty() ? description->second : error->second;
        return {std::nullopt, Error(domain, OAuth2ErrorCode::authorizationDenied, text)};
    }
    if (auto state = items.find("state"); items.contains("code") && (state == items.end() || state->second != state_))
        return {std::nullopt, Error(domain, OAuth2ErrorCode::invalidState, "The redirect answers another sign-in")};
    if (items.contains("code")) items["code"] = redirectURL;  // the sign-in completion reads the whole URL
    return {items, std::nullopt};
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
    auto redirects = settings_.at("redirect_uris");
    std::string redirect;
    if (auto* list = redirects.get<Array>(); list && !list->empty()) redirect = list->front().toText().value_or("");
    else redirect = redirects.toText().value_or("");
    const std::string scheme = QUrl(QString::fromStdString(redirect)).scheme().toStdString();
    log("Authorizing embedded at " + *url);
    present({*url, scheme, authConfig.prefersEphemeralWebBrowserSession},
            [this, callback](std::optional<std::string> redirectURL, std::optional<Error> error) {
                if (error || !redirectURL) {
                    log("Embedded authorization ended without a redirect");
                    callback(std::nullopt, error.value_or(Error(std::string(kOAuth2ErrorDomain),
                                                                OAuth2ErrorCode::requestCancelled, "The sign-in was cancelled")));
                    return;
                }
                log("Redirect caught: " + *redirectURL);
                auto [parameters, failure] = readRedirect(*redirectURL);
                callback(std::move(parameters), std::move(failure));
            });
}

}  // namespace morvex
