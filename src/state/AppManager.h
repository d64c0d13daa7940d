#pragma once
// The session's OAuth tokens, held in memory and backed by keychain items (state/SessionTokens.h),
// plus a few process-wide interface flags and the location lists' sort order.
//
// The tokens are written by sign-in, the refresh answer and the start-up load on the main thread,
// and cleared by sign-out, which the engine may start on the VPN SDK's thread; the API client reads
// them from its own threads. Every token access therefore goes through the accessors below, which
// hold one lock; `tokens()` reads the whole set at once.
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

    // The order the location lists were last sorted in; none before the first choice.
    enum class SortKind : std::uint8_t { none, alphabetical, popularity, ping };

    // The in-memory token set, as one copy.
    struct Tokens {
        std::string accessToken;
        std::int64_t accessTokenExpiry = 0;
        std::string refreshToken;
        std::int64_t refreshTokenExpiry = 0;
        std::string tokenType;
        std::optional<Date> createdAt;
    };

    static AppManager& shared();

    // A fresh instance with the values at creation (tests of a "restart").
    AppManager() = default;
    AppManager(const AppManager&) = delete;
    AppManager& operator=(const AppManager&) = delete;

    // ---- tokens (any thread) ----
    Tokens tokens() const;
    std::string accessToken() const;
    std::string refreshToken() const;
    std::string tokenType() const;
    std::int64_t accessTokenExpiry() const;
    std::int64_t refreshTokenExpiry() const;
    std::optional<Date> createdAt() const;
    // Memory only; the stored items change through saveTokens and clearTokens.
    void setAccessToken(std::string token);
    void setRefreshToken(std::string token);

    // Copies the token set into memory and into the keychain items. With keepCreatedAt the stored
    // creation time stays (absent when none is stored); otherwise it becomes now.
    void saveTokens(const AuthObject& tokens, bool keepCreatedAt);
    // Moves token copies an earlier version left in the preferences into the keychain, then
    // rebuilds the token set from the items and saves it again, keeping its creation time.
    void loadAuthObject();
    // Sign-out: empties the tokens in memory (both expiries 0) and removes the stored items.
    void clearTokens();

    // ---- the location lists' sort order (main thread) ----
    SortKind sortKind() const { return sortKind_; }
    void setSortKind(SortKind kind) { sortKind_ = kind; }
    bool isAlphabaticalSortingEnabled() const { return sortKind_ == SortKind::alphabetical; }
    bool isPopularitySortingEnabled() const { return sortKind_ == SortKind::popularity; }
    bool isPingSortingEnabled() const { return sortKind_ == SortKind::ping; }

    // ---- interface flags (main thread) ----
    std::string customer_id;
    bool dismissLeftMenu = false;
    std::string scope;
    bool isUpdateControllerAlreadyShown = true;
    bool isLogoutOnConnectedState = false;
    bool lastVPNStateConnected = false;
    bool isCOCRejected = false;

private:
    mutable std::mutex tokensMutex_;
    Tokens tokens_;
    SortKind sortKind_ = SortKind::none;
};

}  // namespace morvex
