#pragma once
// The session's OAuth tokens, held in memory and backed by keychain items (state/SessionTokens.h),
// plus a few process-wide interface flags.
//
// The token fields are written by sign-in, the refresh answer and the start-up load on the main
// thread, and cleared by sign-out, which the engine may start on the VPN SDK's thread; every writer
// and the session's readers (OAuthService) hold `tokensMutex`.
#include <cstdint>
#include <mutex>
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

    // Copies the token set into memory and into the keychain items. With keepCreatedAt the stored
    // creation time stays (absent when none is stored); otherwise it becomes now.
    void saveTokens(const AuthObject& tokens, bool keepCreatedAt);
    // Moves token copies an earlier version left in the preferences into the keychain, then
    // rebuilds the token set from the items and saves it again, keeping its creation time.
    void loadAuthObject();
    // Sign-out: empties the tokens in memory (both expiries 0) and removes the stored items.
    void clearTokens();

    // Guards the token fields above (see the top of this file).
    mutable std::mutex tokensMutex;

    // A fresh instance with the values at creation (tests of a "restart").
    AppManager() = default;
};

}  // namespace morvex
