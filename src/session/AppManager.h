#pragma once
// The session's OAuth tokens, held in memory and backed by plain keys in the standard defaults,
// plus a few process-wide interface flags.
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/Value.h"
#include "model/AuthObject.h"

namespace morvex {

class AppManager {
public:
    // Every save gives the refresh token this lifetime (14 days), whatever the token set says.
    static constexpr int kRefreshTokenLifetime = 1209600;

    static AppManager& shared();

    std::string iws_accessToken;
    std::int64_t iws_expiry = 0;
    std::string iws_refreshToken;
    std::int64_t iws_refreshToken_expiry = 0;
    std::string iws_scope;
    std::string iws_tokenType;
    std::optional<Date> iws_createdAt;
    std::optional<Date> iws_refreshToken_createdAt;
    std::string customer_id;
    bool dismissLeftMenu = false;
    std::string scope;
    bool isUpdateControllerAlreadyShown = true;
    bool isLogoutOnConnectedState = false;
    bool isAlphabaticalSortingEnabled = false;
    bool isPopularitySortingEnabled = false;
    bool isPingSortingEnabled = false;
    bool lastVPNStateConnected = false;
    bool isCOCRejected = false;

    // Copies the token set into memory and into the stored keys. With keepCreatedAt the stored
    // creation time stays (absent when none is stored); otherwise it becomes now.
    void saveTokens(const AuthObject& tokens, bool keepCreatedAt);
    // Rebuilds the token set from the stored keys and saves it again, keeping its creation time.
    void loadAuthObject();

    // A fresh instance with the values at creation (tests of a "restart").
    AppManager() = default;
};

}  // namespace morvex
