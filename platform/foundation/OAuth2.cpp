#include "foundation/OAuth2.h"

#include <QUrl>

#include <utility>

#include <nlohmann/json.hpp>

#include "foundation/Dispatch.h"
#include "foundation/HttpSession.h"

namespace morvex {

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

}  // namespace morvex
