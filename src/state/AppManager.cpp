#include "state/AppManager.h"

#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/UserDefaults.h"
#include "state/SessionTokens.h"

namespace morvex {

AppManager& AppManager::shared() {
    static OnceToken once;
    static AppManager* instance = nullptr;
    dispatchOnce(once, [] { instance = new AppManager(); });
    return *instance;
}

AppManager::Tokens AppManager::tokens() const {
    std::lock_guard lock(tokensMutex_);
    return tokens_;
}

std::string AppManager::accessToken() const {
    std::lock_guard lock(tokensMutex_);
    return tokens_.accessToken;
}

std::string AppManager::refreshToken() const {
    std::lock_guard lock(tokensMutex_);
    return tokens_.refreshToken;
}

std::string AppManager::tokenType() const {
    std::lock_guard lock(tokensMutex_);
    return tokens_.tokenType;
}

std::int64_t AppManager::accessTokenExpiry() const {
    std::lock_guard lock(tokensMutex_);
    return tokens_.accessTokenExpiry;
}

std::int64_t AppManager::refreshTokenExpiry() const {
    std::lock_guard lock(tokensMutex_);
    return tokens_.refreshTokenExpiry;
}

std::optional<Date> AppManager::createdAt() const {
    std::lock_guard lock(tokensMutex_);
    return tokens_.createdAt;
}

void AppManager::setAccessToken(std::string token) {
    std::lock_guard lock(tokensMutex_);
    tokens_.accessToken = std::move(token);
}

void AppManager::setRefreshToken(std::string token) {
    std::lock_guard lock(tokensMutex_);
    tokens_.refreshToken = std::move(token);
}

void AppManager::saveTokens(const AuthObject& tokens, bool keepCreatedAt) {
    std::lock_guard lock(tokensMutex_);
    auto defaults = UserDefaults::standard();
    auto items = sessionTokens::keychain();
    auto& t = tokens_;
    t.accessToken = tokens.accessToken.value_or("");
    items.set(t.accessToken, sessionTokens::kAccessToken);
    // The token itself never goes to the console.
    t.accessTokenExpiry = tokens.accessTokenExpiry.value_or(0);
    items.set(std::to_string(t.accessTokenExpiry), sessionTokens::kAccessTokenExpiry);
    t.refreshToken = tokens.refreshToken.value_or("");
    items.set(t.refreshToken, sessionTokens::kRefreshToken);
    t.refreshTokenExpiry = kRefreshTokenLifetime;
    items.set(std::to_string(t.refreshTokenExpiry), sessionTokens::kRefreshTokenExpiry);
    t.tokenType = tokens.tokenType.value_or("");
    items.set(t.tokenType, sessionTokens::kTokenType);

    std::optional<Date> createdAt;
    if (!keepCreatedAt) {
        createdAt = Date::now();
    } else if (auto stored = defaults.object(sessionTokens::kCreatedAt); stored && stored->is<Date>()) {
        createdAt = *stored->get<Date>();
    }
    t.createdAt = createdAt;
    if (createdAt) defaults.set(Value(*createdAt), sessionTokens::kCreatedAt);
    else defaults.removeObject(sessionTokens::kCreatedAt);
}

void AppManager::clearTokens() {
    std::lock_guard lock(tokensMutex_);
    tokens_.accessToken.clear();
    tokens_.refreshToken.clear();
    tokens_.accessTokenExpiry = 0;
    tokens_.refreshTokenExpiry = 0;
    tokens_.createdAt.reset();
    sessionTokens::remove();
}

namespace {

// An item's text as the token set's JSON value: the expiries are numbers, and an expiry item
// that is no number makes the stored set unreadable.
std::optional<nlohmann::json> itemJSON(std::string_view key, const std::string& text) {
    if (key != sessionTokens::kAccessTokenExpiry && key != sessionTokens::kRefreshTokenExpiry) return nlohmann::json(text);
    try {
        std::size_t used = 0;
        long long n = std::stoll(text, &used);
        if (used == text.size()) return nlohmann::json(n);
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

}  // namespace

void AppManager::loadAuthObject() {
    sessionTokens::movePlainCopies();
    auto defaults = UserDefaults::standard();
    auto items = sessionTokens::keychain();
    nlohmann::json dict = nlohmann::json::object();
    bool unreadable = false;
    for (auto key : sessionTokens::kItems) {
        auto text = items.get(key);
        if (!text) continue;
        // The token set names the type "oem-type"; its item is "oem_type".
        std::string jsonKey = key == sessionTokens::kTokenType ? "oem-type" : std::string(key);
        if (auto j = itemJSON(key, *text)) dict[jsonKey] = *j;
        else unreadable = true;
    }
    if (auto id = defaults.object("customer_id"); id && id->is<std::string>()) dict["customer_id"] = *id->get<std::string>();
    if (dict.empty() && !unreadable) return;
    if (unreadable) {
        log::print("AppManager: a stored token expiry is not a number; stored tokens left as they are");
        return;
    }
    try {
        AuthObject tokens = dict.get<AuthObject>();
        saveTokens(tokens, true);
    } catch (const std::exception& e) {
        // As the API client words a record it cannot read (no value of the set is in `what`).
        log::print(std::string("The data couldn't be read because it is missing or in the wrong format (") + e.what() +
                   ").");
    }
}

}  // namespace morvex
