#include "session/AppManager.h"

#include "api/Decoding.h"
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

void AppManager::saveTokens(const AuthObject& tokens, bool keepCreatedAt) {
    std::lock_guard lock(tokensMutex);
    auto defaults = UserDefaults::standard();
    auto items = sessionTokens::keychain();
    iws_accessToken = tokens.accessToken.value_or("");
    items.set(iws_accessToken, sessionTokens::kAccessToken);
    // The token itself never goes to the console.
    iws_expiry = tokens.accessTokenExpiry.value_or(0);
    items.set(std::to_string(iws_expiry), sessionTokens::kAccessTokenExpiry);
    iws_refreshToken = tokens.refreshToken.value_or("");
    items.set(iws_refreshToken, sessionTokens::kRefreshToken);
    iws_refreshToken_expiry = kRefreshTokenLifetime;
    items.set(std::to_string(iws_refreshToken_expiry), sessionTokens::kRefreshTokenExpiry);
    iws_tokenType = tokens.tokenType.value_or("");
    items.set(iws_tokenType, sessionTokens::kTokenType);

    std::optional<Date> createdAt;
    if (!keepCreatedAt) {
        createdAt = Date::now();
    } else if (auto stored = defaults.object(sessionTokens::kCreatedAt); stored && stored->is<Date>()) {
        createdAt = *stored->get<Date>();
    }
    iws_createdAt = createdAt;
    if (createdAt) defaults.set(Value(*createdAt), sessionTokens::kCreatedAt);
    else defaults.removeObject(sessionTokens::kCreatedAt);
}

void AppManager::clearTokens() {
    std::lock_guard lock(tokensMutex);
    iws_accessToken.clear();
    iws_refreshToken.clear();
    iws_expiry = 0;
    iws_refreshToken_expiry = 0;
    iws_createdAt.reset();
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
        log::print(decodingError(e).localizedDescription());
    }
}

}  // namespace morvex
