#include "session/AppManager.h"

#include "api/Decoding.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/UserDefaults.h"

namespace morvex {

AppManager& AppManager::shared() {
    static OnceToken once;
    static AppManager* instance = nullptr;
    dispatchOnce(once, [] { instance = new AppManager(); });
    return *instance;
}

void AppManager::saveTokens(const AuthObject& tokens, bool keepCreatedAt) {
    auto defaults = UserDefaults::standard();
    iws_accessToken = tokens.accessToken.value_or("");
    defaults.set(Value(iws_accessToken), "oem-at");
    // The token itself never goes to the console.
    iws_expiry = tokens.accessTokenExpiry.value_or(0);
    defaults.set(Value(iws_expiry), "oem-ate");
    iws_refreshToken = tokens.refreshToken.value_or("");
    defaults.set(Value(iws_refreshToken), "oem-rt");
    iws_refreshToken_expiry = kRefreshTokenLifetime;
    defaults.set(Value(iws_refreshToken_expiry), "oem-rte");
    iws_tokenType = tokens.tokenType.value_or("");
    defaults.set(Value(iws_tokenType), "oem_type");

    std::optional<Date> createdAt;
    if (!keepCreatedAt) {
        createdAt = Date::now();
    } else if (auto stored = defaults.object("access_token_created_at"); stored && stored->is<Date>()) {
        createdAt = *stored->get<Date>();
    }
    iws_createdAt = createdAt;
    if (createdAt) defaults.set(Value(*createdAt), "access_token_created_at");
    else defaults.removeObject("access_token_created_at");
}

namespace {

// A stored value as JSON, for the keys that hold texts and integers; nothing for other kinds.
std::optional<nlohmann::json> jsonOf(const Value& v) {
    if (auto s = v.get<std::string>()) return nlohmann::json(*s);
    if (auto i = v.get<std::int64_t>()) return nlohmann::json(*i);
    if (auto d = v.get<double>()) return nlohmann::json(*d);
    if (auto b = v.get<bool>()) return nlohmann::json(*b);
    return std::nullopt;
}

}  // namespace

void AppManager::loadAuthObject() {
    auto defaults = UserDefaults::standard();
    nlohmann::json dict = nlohmann::json::object();
    bool unreadable = false;
    auto take = [&](const char* storedKey, const char* jsonKey) {
        auto stored = defaults.object(storedKey);
        if (!stored) return;
        if (auto j = jsonOf(*stored)) dict[jsonKey] = *j;
        else unreadable = true;
    };
    take("oem-at", "oem-at");
    take("oem-ate", "oem-ate");
    take("oem-rt", "oem-rt");
    take("oem-rte", "oem-rte");
    take("oem_type", "oem-type");
    if (auto id = defaults.string("customer_id"); id && defaults.object("customer_id")->is<std::string>())
        dict["customer_id"] = *id;
    if (dict.empty() && !unreadable) return;
    if (unreadable) {
        log::print("AppManager: a stored token value is not a text or a number; stored tokens left as they are");
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
