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
#include "state/StoredSetting.h"

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

    // Plain settings, one line each: type, accessor, setter, {key, default}. A flag's default of
    // true is stored by its first read, so every later reader agrees. An absent key, a value of
    // another kind or an unknown raw value reads as the default (none for text and records); text
    // set to none is removed. A status or client type is kept as its raw value, a record as its
    // JSON (state/StoredSettingForms.h).
    MORVEX_SETTING(double, loggedInTime, setLoggedInTime, {"UserPreferences.loggedInTime", 0.0});  // seconds since 1970
    MORVEX_SETTING(bool, isUserNotMigratedToFA, setIsUserNotMigratedToFA, {"UserPreferences.isUserNotMigratedToFA", true, FirstRead::storeDefault});
    MORVEX_SETTING(bool, isUserNotMigratedToEmail, setIsUserNotMigratedToEmail, {"UserPreferences.isUserNotMigratedToEmail", true, FirstRead::storeDefault});
    MORVEX_SETTING(bool, rememberMe, setRememberMe, {"UserPreferences.rememberMe", true, FirstRead::storeDefault});

    MORVEX_SETTING(std::optional<std::string>, apiToken, setApiToken, {"UserPreferences.apiToken"});
    MORVEX_SETTING(Status, status, setStatus, {"UserPreferences.status", Status::Unknown});
    MORVEX_SETTING(ClientType, clientType, setClientType, {"UserPreferences.clientType", ClientType::empty});
    MORVEX_SETTING(std::optional<std::string>, clientId, setClientId, {"UserPreferences.clientId"});
    MORVEX_SETTING(std::optional<std::string>, email, setEmail, {"UserPreferences.email"});
    MORVEX_SETTING(std::optional<std::string>, username, setUsername, {"UserPreferences.username"});
    MORVEX_SETTING(std::optional<std::string>, loginUsername, setLoginUsername, {"UserPreferences.loginUsername"});
    MORVEX_SETTING(std::optional<std::string>, vpnUsername, setVpnUsername, {"UserPreferences.vpnUsername"});
    MORVEX_SETTING(std::optional<std::string>, loginMethod, setLoginMethod, {"UserPreferences.loginMethod"});

    MORVEX_SETTING(std::optional<std::string>, billingCycle, setBillingCycle, {"UserPreferences.billingCycle"});
    MORVEX_SETTING(std::optional<std::string>, billingPlan, setBillingPlan, {"UserPreferences.billingPlan"});
    MORVEX_SETTING(std::optional<std::string>, paymentGateway, setPaymentGateway, {"UserPreferences.paymentGateway"});
    MORVEX_SETTING(bool, recurringGateway, setRecurringGateway, {"UserPreferences.recurringGateway", false});
    MORVEX_SETTING(std::int64_t, autoRecurring, setAutoRecurring, {"UserPreferences.autoRecurring", 0});
    MORVEX_SETTING(std::optional<std::string>, signUpDate, setSignUpDate, {"UserPreferences.signUpDate"});
    MORVEX_SETTING(std::optional<std::string>, expiryDate, setExpiryDate, {"UserPreferences.expiryDate"});
    MORVEX_SETTING(std::optional<std::string>, expiryReason, setExpiryReason, {"UserPreferences.expiryReason"});
    MORVEX_SETTING(std::optional<std::string>, gracePeriodExpiry, setGracePeriodExpiry, {"UserPreferences.gracePeriodExpiry"});
    MORVEX_SETTING(std::int64_t, graceDaysRemaining, setGraceDaysRemaining, {"UserPreferences.graceDaysRemaining", 0});
    MORVEX_SETTING(bool, gracePeriod, setGracePeriod, {"UserPreferences.gracePeriod", false});

    MORVEX_SETTING(std::optional<std::vector<ActiveAddon>>, activeAddons, setActiveAddons, {"UserPreferences.activeAddons"});
    MORVEX_SETTING(bool, readNotificationsFromFirestoreCache, setReadNotificationsFromFirestoreCache, {"UserPreferences.readNotificationsFromFirestoreCache", false});
    MORVEX_SETTING(std::int64_t, unreadNotificationCount, setUnreadNotificationCount, {"UserPreferences.unreadNotificationCount", 0});
    MORVEX_SETTING(std::optional<DedicatedIPDetail>, dedicatedIPDetail, setDedicatedIPDetail, {"UserPreferences.dedicatedIPDetail"});

    MORVEX_SETTING(bool, passwordManager, setPasswordManager, {"UserPreferences.passwordManager", false});
    MORVEX_SETTING(std::optional<std::string>, supportTicketNo, setSupportTicketNo, {"UserPreferences.supportTicketNo"});
    MORVEX_SETTING(bool, trial, setTrial, {"UserPreferences.trial", false});
    MORVEX_SETTING(bool, authenticatedViaLogin, setAuthenticatedViaLogin, {"UserPreferences.authenticatedViaLogin", false});

    // "UserPreferences.loggedIn", false when absent. The setter also stamps `loggedInTime` when
    // true, and always posts UserLoggedInChangedNotification.
    bool loggedIn() const;
    void setLoggedIn(bool value);
    // "UserPreferences.uuid": the empty text when absent.
    std::string uuid() const;
    void setUuid(const std::optional<std::string>& value);

    // Keychain items, named "<Application Bundle identifier>.<word>".
    std::optional<std::string> vpnPassword() const;
    void setVpnPassword(const std::optional<std::string>& value);  // none deletes the item
    std::optional<std::string> loginPassword() const;
    std::optional<std::string> firestoreToken() const;

    // The logout clean-up: clears the account's keys and items (keeping `username` and the log-in
    // name and password when `rememberMe` is on), removes the session's token items
    // (state/SessionTokens.h) and posts UserLoggedInChangedNotification with false.
    void reset();

    // The address of `link` (with the web-link query items), `path` appended, and the account's
    // identity in the query: "sUsername", and for an e-mail log-in "uuid" and "token" (the MD5 hex
    // of the uuid and a salt). Extra items follow in the given order. Nothing when no address results.
    std::optional<std::string> urlWithIdentityQuery(
        WebLink link, std::string_view path, std::string_view sUsername, std::optional<bool> isEmailLogin = std::nullopt,
        const std::optional<std::string>& uuid = std::nullopt,
        const std::optional<std::vector<std::pair<std::string, std::string>>>& extraQuery = std::nullopt) const;

private:
    // Behind the MORVEX_SETTING lines: the key as written.
    template <class T>
    T readSetting(const StoredSetting<T>& setting) const;
    template <class T>
    void writeSetting(const StoredSetting<T>& setting, SettingParam<T> value);

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
