#include "state/User.h"

#include "state/SessionTokens.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "state/StoredSettingForms.h"

namespace morvex {

namespace {

// Keys of the values written out by hand.
namespace key {
constexpr std::string_view loggedIn = "UserPreferences.loggedIn";
constexpr std::string_view uuid = "UserPreferences.uuid";
// Plain copies of passwords that older versions may have left behind; never written.
constexpr std::string_view plainVpnPassword = "UserPreferences.vpnPassword";
constexpr std::string_view plainLoginPassword = "UserPreferences.loginPassword";
// Set by the e-mail verification flow; a new log-in starts without it.
constexpr std::string_view verifiedEmail = "user.verifiedEmail";
// The per-user account list lives under "<clientId>.vpnAccounts".
constexpr std::string_view vpnAccountsSuffix = ".vpnAccounts";
}  // namespace key

namespace item {
constexpr std::string_view vpnPassword = "vpnPassword";
constexpr std::string_view loginPassword = "loginPassword";
constexpr std::string_view firestoreToken = "firestoreToken";
}  // namespace item

constexpr auto kStatuses = enumTable<User::Status>("status", {
    {User::Status::Inactive, "inactive"},
    {User::Status::In_active, "in-active"},
    {User::Status::Active, "active"},
    {User::Status::Expired, "expired"},
    {User::Status::Disabled, "disabled"},
    {User::Status::Unknown, "unknown"},
    {User::Status::Unpaid, "unpaid"},
    {User::Status::Paid, "paid"},
}, UnknownRawError::typeError302);

constexpr auto kClientTypes = enumTable<User::ClientType>("clientType", {
    {User::ClientType::free, "free"},
    {User::ClientType::paid, "paid"},
    {User::ClientType::unpaid, "unpaid"},
    {User::ClientType::trial, "trial"},
    {User::ClientType::empty, ""},
});

// The keychain item of a word: "<Application Bundle identifier>.<word>". The bundle is built with
// the identifier; without it no item name can be formed and the item is treated as missing.
std::optional<std::string> itemName(std::string_view word) {
    auto identifier = Bundle::main().bundleIdentifier();
    if (!identifier) {
        log::nslog("User: the Info value \"Application Bundle identifier\" is missing; keychain item \"" +
                   std::string(word) + "\" is not available");
        return std::nullopt;
    }
    return *identifier + "." + std::string(word);
}

}  // namespace

template <>
struct StoredForm<User::Status> : StoredAsRawText<kStatuses> {};
template <>
struct StoredForm<User::ClientType> : StoredAsRawText<kClientTypes> {};

std::string_view rawValue(User::Status status) { return kStatuses.raw(status); }
std::optional<User::Status> userStatusFromRaw(std::string_view text) { return kStatuses.fromRaw(text); }
std::string_view rawValue(User::ClientType type) { return kClientTypes.raw(type); }
std::optional<User::ClientType> clientTypeFromRaw(std::string_view text) { return kClientTypes.fromRaw(text); }

MORVEX_DEFINE_ENUM_JSON(User::Status, kStatuses);

User::User() : User(UserDefaults::standard(), Keychain("UserPreferences")) {}

User::User(UserDefaults defaults, Keychain keychain) : defaults_(std::move(defaults)), keychain_(std::move(keychain)) {
    rememberMe();
    defaults_.removeObject(key::plainVpnPassword);
    defaults_.removeObject(key::plainLoginPassword);
}

template <class T>
T User::readSetting(const StoredSetting<T>& setting) const {
    return readStored(defaults_, setting.key, setting);
}

template <class T>
void User::writeSetting(const StoredSetting<T>& setting, SettingParam<T> value) {
    writeStored(defaults_, setting.key, setting, value);
}

MORVEX_STORED_SETTING_TYPE(User, bool);
MORVEX_STORED_SETTING_TYPE(User, double);
MORVEX_STORED_SETTING_TYPE(User, std::int64_t);
MORVEX_STORED_SETTING_TYPE(User, std::optional<std::string>);
MORVEX_STORED_SETTING_TYPE(User, User::Status);
MORVEX_STORED_SETTING_TYPE(User, User::ClientType);
MORVEX_STORED_SETTING_TYPE(User, std::optional<std::vector<ActiveAddon>>);
MORVEX_STORED_SETTING_TYPE(User, std::optional<DedicatedIPDetail>);

bool User::loggedIn() const { return defaults_.boolean(key::loggedIn); }
void User::setLoggedIn(bool value) {
    defaults_.set(Value(value), key::loggedIn);
    if (value) {
        setLoggedInTime(Date::now().secondsSince1970);
        defaults_.removeObject(key::verifiedEmail);
    }
    NotificationCenter::defaultCenter().post(UserLoggedInChangedNotification, value);
}

std::string User::uuid() const { return defaults_.string(key::uuid).value_or(""); }
void User::setUuid(const std::optional<std::string>& value) { defaults_.setString(value, key::uuid); }

std::optional<std::string> User::keychainText(std::string_view word) const {
    auto name = itemName(word);
    if (!name) return std::nullopt;
    return keychain_.get(*name);
}

void User::deleteKeychainItem(std::string_view word) {
    if (auto name = itemName(word)) keychain_.deleteItem(*name);
}

std::optional<std::string> User::vpnPassword() const { return keychainText(item::vpnPassword); }
void User::setVpnPassword(const std::optional<std::string>& value) {
    if (!value) {
        deleteKeychainItem(item::vpnPassword);
        return;
    }
    if (auto name = itemName(item::vpnPassword)) keychain_.set(*value, *name);
}
std::optional<std::string> User::loginPassword() const { return keychainText(item::loginPassword); }
std::optional<std::string> User::firestoreToken() const { return keychainText(item::firestoreToken); }

void User::reset() {
    setVpnUsername(std::nullopt);
    deleteKeychainItem(item::vpnPassword);
    if (!rememberMe()) {
        setLoginUsername(std::nullopt);
        deleteKeychainItem(item::loginPassword);
    }
    setRememberMe(true);
    defaults_.removeObject(clientId().value_or("") + std::string(key::vpnAccountsSuffix));

    setApiToken(std::nullopt);
    setClientId("");
    setUuid(std::nullopt);
    setEmail(std::nullopt);

    setBillingCycle("");
    setBillingPlan(std::nullopt);
    setPaymentGateway("");
    setRecurringGateway(false);
    setAutoRecurring(2);

    setSignUpDate(std::nullopt);
    setExpiryDate(std::nullopt);
    setExpiryReason("");
    setGracePeriodExpiry("");
    setGraceDaysRemaining(0);
    setGracePeriod(false);

    setStatus(Status::Unknown);
    setClientType(ClientType::empty);
    setActiveAddons(std::nullopt);
    setLoggedIn(false);
    deleteKeychainItem(item::firestoreToken);

    setReadNotificationsFromFirestoreCache(true);
    setLoginMethod(std::nullopt);
    setUnreadNotificationCount(0);
    setIsUserNotMigratedToFA(true);
    setIsUserNotMigratedToEmail(true);
    setDedicatedIPDetail(std::nullopt);
    // The session's tokens go with the account.
    sessionTokens::remove(defaults_);
}

}  // namespace morvex
