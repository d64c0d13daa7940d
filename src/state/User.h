#pragma once
// The signed-in account as the application keeps it between runs.
//
// A User holds no values of its own: every property reads or writes one "UserPreferences." key of
// its UserDefaults, or one keychain item, at the moment it is used. Any number of User objects may
// exist at once and each sees what another wrote, so code makes one whenever it needs it. Making
// one is cheap and idempotent.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/EnumTable.h"
#include "model/ProfileResponseModel.h"
#include "foundation/Keychain.h"
#include "foundation/UserDefaults.h"
#include "model/WebLink.h"

namespace morvex {

// Posted on every set of `loggedIn` and by `reset`; the object is the new value as a bool.
inline constexpr std::string_view UserLoggedInChangedNotification = "UserPreferences.LoggedInChanged";
// Observed by the tab bar; nothing posts it yet.
inline constexpr std::string_view UserPasswordManagerUpdateNotification = "UserPreferences.PasswordManagerUpdate";

class User {
public:
    enum class Status { Inactive, In_active, Active, Expired, Disabled, Unknown, Unpaid, Paid };
    enum class ClientType { free, paid, unpaid, trial, empty };

    // The standard defaults and a keychain with the prefix "UserPreferences".
    User();
    User(UserDefaults defaults, Keychain keychain);

    UserDefaults& defaults() const { return defaults_; }
    Keychain& keychain() const { return keychain_; }

    bool loggedIn() const;
    // Also stamps `loggedInTime` when true, and always posts UserLoggedInChangedNotification.
    void setLoggedIn(bool value);
    double loggedInTime() const;  // seconds since 1970
    void setLoggedInTime(double value);

    // These three read true when never set, and store that true on the first read.
    bool isUserNotMigratedToFA() const;
    void setIsUserNotMigratedToFA(bool value);
    bool isUserNotMigratedToEmail() const;
    void setIsUserNotMigratedToEmail(bool value);
    bool rememberMe() const;
    void setRememberMe(bool value);

    std::optional<std::string> apiToken() const;
    void setApiToken(const std::optional<std::string>& value);
    Status status() const;  // Unknown when absent or not a known raw value
    void setStatus(Status value);
    ClientType clientType() const;  // the empty case when absent or not a known raw value
    void setClientType(ClientType value);
    std::optional<std::string> clientId() const;
    void setClientId(const std::optional<std::string>& value);
    std::string uuid() const;  // empty text when absent
    void setUuid(const std::optional<std::string>& value);
    std::optional<std::string> email() const;
    void setEmail(const std::optional<std::string>& value);
    std::optional<std::string> username() const;
    void setUsername(const std::optional<std::string>& value);
    std::optional<std::string> loginUsername() const;
    void setLoginUsername(const std::optional<std::string>& value);
    std::optional<std::string> vpnUsername() const;
    void setVpnUsername(const std::optional<std::string>& value);
    std::optional<std::string> loginMethod() const;
    void setLoginMethod(const std::optional<std::string>& value);

    std::optional<std::string> billingCycle() const;
    void setBillingCycle(const std::optional<std::string>& value);
    std::optional<std::string> billingPlan() const;
    void setBillingPlan(const std::optional<std::string>& value);
    std::optional<std::string> paymentGateway() const;
    void setPaymentGateway(const std::optional<std::string>& value);
    bool recurringGateway() const;
    void setRecurringGateway(bool value);
    std::int64_t autoRecurring() const;
    void setAutoRecurring(std::int64_t value);
    std::optional<std::string> signUpDate() const;
    void setSignUpDate(const std::optional<std::string>& value);
    std::optional<std::string> expiryDate() const;
    void setExpiryDate(const std::optional<std::string>& value);
    std::optional<std::string> expiryReason() const;
    void setExpiryReason(const std::optional<std::string>& value);
    std::optional<std::string> gracePeriodExpiry() const;
    void setGracePeriodExpiry(const std::optional<std::string>& value);
    std::int64_t graceDaysRemaining() const;
    void setGraceDaysRemaining(std::int64_t value);
    bool gracePeriod() const;
    void setGracePeriod(bool value);

    std::optional<std::vector<ActiveAddon>> activeAddons() const;
    void setActiveAddons(const std::optional<std::vector<ActiveAddon>>& value);
    bool readNotificationsFromFirestoreCache() const;
    void setReadNotificationsFromFirestoreCache(bool value);
    std::int64_t unreadNotificationCount() const;
    void setUnreadNotificationCount(std::int64_t value);
    // None also when the stored data does not decode.
    std::optional<DedicatedIPDetail> dedicatedIPDetail() const;
    void setDedicatedIPDetail(const std::optional<DedicatedIPDetail>& value);

    bool passwordManager() const;
    void setPasswordManager(bool value);
    std::optional<std::string> supportTicketNo() const;
    void setSupportTicketNo(const std::optional<std::string>& value);
    bool trial() const;
    void setTrial(bool value);
    bool authenticatedViaLogin() const;
    void setAuthenticatedViaLogin(bool value);

    // Keychain items, named "<Application Bundle identifier>.<word>".
    std::optional<std::string> vpnPassword() const;
    void setVpnPassword(const std::optional<std::string>& value);  // none deletes the item
    std::optional<std::string> loginPassword() const;
    std::optional<std::string> firestoreToken() const;

    // The logout clean-up: clears the account's keys and items (keeping `username` and the log-in
    // name and password when `rememberMe` is on) and posts UserLoggedInChangedNotification with false.
    void reset();

    // The address of `link` (with the web-link query items), `path` appended, and the account's
    // identity in the query: "sUsername", and for an e-mail log-in "uuid" and "token" (the MD5 hex
    // of the uuid and a salt). Extra items follow in the given order. Nothing when no address results.
    std::optional<std::string> urlWithIdentityQuery(
        WebLink link, std::string_view path, std::string_view sUsername, std::optional<bool> isEmailLogin = std::nullopt,
        const std::optional<std::string>& uuid = std::nullopt,
        const std::optional<std::vector<std::pair<std::string, std::string>>>& extraQuery = std::nullopt) const;

private:
    std::optional<std::string> text(std::string_view key) const;
    void setText(const std::optional<std::string>& value, std::string_view key);
    bool boolDefaultingToTrue(std::string_view key) const;
    std::optional<std::string> keychainText(std::string_view word) const;
    void deleteKeychainItem(std::string_view word);

    // Both are handles onto process-wide stores; reads that store a default go through them too.
    mutable UserDefaults defaults_;
    mutable Keychain keychain_;
};

std::string_view rawValue(User::Status status);
// Exact (case-sensitive) match of a raw value; nothing for any other text.
std::optional<User::Status> userStatusFromRaw(std::string_view text);
std::string_view rawValue(User::ClientType type);
std::optional<User::ClientType> clientTypeFromRaw(std::string_view text);

// A status is coded in JSON as its raw value; any other value fails to decode (a type_error, also
// for an unknown text).
MORVEX_DECLARE_ENUM_JSON(User::Status);

}  // namespace morvex
