#include "state/User.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "state/StoredValueCoding.h"

namespace morvex {

namespace {

namespace key {
constexpr std::string_view loggedIn = "UserPreferences.loggedIn";
constexpr std::string_view loggedInTime = "UserPreferences.loggedInTime";
constexpr std::string_view isUserNotMigratedToFA = "UserPreferences.isUserNotMigratedToFA";
constexpr std::string_view isUserNotMigratedToEmail = "UserPreferences.isUserNotMigratedToEmail";
constexpr std::string_view rememberMe = "UserPreferences.rememberMe";
constexpr std::string_view apiToken = "UserPreferences.apiToken";
constexpr std::string_view status = "UserPreferences.status";
constexpr std::string_view clientType = "UserPreferences.clientType";
constexpr std::string_view clientId = "UserPreferences.clientId";
constexpr std::string_view uuid = "UserPreferences.uuid";
constexpr std::string_view email = "UserPreferences.email";
constexpr std::string_view username = "UserPreferences.username";
constexpr std::string_view loginUsername = "UserPreferences.loginUsername";
constexpr std::string_view vpnUsername = "UserPreferences.vpnUsername";
constexpr std::string_view loginMethod = "UserPreferences.loginMethod";
constexpr std::string_view billingCycle = "UserPreferences.billingCycle";
constexpr std::string_view billingPlan = "UserPreferences.billingPlan";
constexpr std::string_view paymentGateway = "UserPreferences.paymentGateway";
constexpr std::string_view recurringGateway = "UserPreferences.recurringGateway";
constexpr std::string_view autoRecurring = "UserPreferences.autoRecurring";
constexpr std::string_view signUpDate = "UserPreferences.signUpDate";
constexpr std::string_view expiryDate = "UserPreferences.expiryDate";
constexpr std::string_view expiryReason = "UserPreferences.expiryReason";
constexpr std::string_view gracePeriodExpiry = "UserPreferences.gracePeriodExpiry";
constexpr std::string_view graceDaysRemaining = "UserPreferences.graceDaysRemaining";
constexpr std::string_view gracePeriod = "UserPreferences.gracePeriod";
constexpr std::string_view activeAddons = "UserPreferences.activeAddons";
constexpr std::string_view readNotificationsFromFirestoreCache = "UserPreferences.readNotificationsFromFirestoreCache";
constexpr std::string_view unreadNotificationCount = "UserPreferences.unreadNotificationCount";
constexpr std::string_view dedicatedIPDetail = "UserPreferences.dedicatedIPDetail";
constexpr std::string_view passwordManager = "UserPreferences.passwordManager";
constexpr std::string_view supportTicketNo = "UserPreferences.supportTicketNo";
constexpr std::string_view trial = "UserPreferences.trial";
constexpr std::string_view authenticatedViaLogin = "UserPreferences.authenticatedViaLogin";
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

std::optional<std::string> User::text(std::string_view k) const { return defaults_.string(k); }
void User::setText(const std::optional<std::string>& value, std::string_view k) { defaults_.setString(value, k); }

bool User::boolDefaultingToTrue(std::string_view k) const {
    // Atomic, so a concurrent writer's false is never overwritten by the default.
    return defaults_.setIfAbsent(Value(true), k).toBool();
}

bool User::loggedIn() const { return defaults_.boolean(key::loggedIn); }
void User::setLoggedIn(bool value) {
    defaults_.set(Value(value), key::loggedIn);
    if (value) {
        defaults_.set(Value(Date::now().secondsSince1970), key::loggedInTime);
        defaults_.removeObject(key::verifiedEmail);
    }
    NotificationCenter::defaultCenter().post(UserLoggedInChangedNotification, value);
}
double User::loggedInTime() const { return defaults_.doubleValue(key::loggedInTime); }
void User::setLoggedInTime(double value) { defaults_.set(Value(value), key::loggedInTime); }

bool User::isUserNotMigratedToFA() const { return boolDefaultingToTrue(key::isUserNotMigratedToFA); }
void User::setIsUserNotMigratedToFA(bool value) { defaults_.set(Value(value), key::isUserNotMigratedToFA); }
bool User::isUserNotMigratedToEmail() const { return boolDefaultingToTrue(key::isUserNotMigratedToEmail); }
void User::setIsUserNotMigratedToEmail(bool value) { defaults_.set(Value(value), key::isUserNotMigratedToEmail); }
bool User::rememberMe() const { return boolDefaultingToTrue(key::rememberMe); }
void User::setRememberMe(bool value) { defaults_.set(Value(value), key::rememberMe); }

std::optional<std::string> User::apiToken() const { return text(key::apiToken); }
void User::setApiToken(const std::optional<std::string>& value) { setText(value, key::apiToken); }

User::Status User::status() const {
    auto raw = text(key::status);
    if (!raw) return Status::Unknown;
    return userStatusFromRaw(*raw).value_or(Status::Unknown);
}
void User::setStatus(Status value) { defaults_.set(Value(rawValue(value)), key::status); }

User::ClientType User::clientType() const {
    auto raw = text(key::clientType);
    if (!raw) return ClientType::empty;
    return clientTypeFromRaw(*raw).value_or(ClientType::empty);
}
void User::setClientType(ClientType value) { defaults_.set(Value(rawValue(value)), key::clientType); }

std::optional<std::string> User::clientId() const { return text(key::clientId); }
void User::setClientId(const std::optional<std::string>& value) { setText(value, key::clientId); }
std::string User::uuid() const { return text(key::uuid).value_or(""); }
void User::setUuid(const std::optional<std::string>& value) { setText(value, key::uuid); }
std::optional<std::string> User::email() const { return text(key::email); }
void User::setEmail(const std::optional<std::string>& value) { setText(value, key::email); }
std::optional<std::string> User::username() const { return text(key::username); }
void User::setUsername(const std::optional<std::string>& value) { setText(value, key::username); }
std::optional<std::string> User::loginUsername() const { return text(key::loginUsername); }
void User::setLoginUsername(const std::optional<std::string>& value) { setText(value, key::loginUsername); }
std::optional<std::string> User::vpnUsername() const { return text(key::vpnUsername); }
void User::setVpnUsername(const std::optional<std::string>& value) { setText(value, key::vpnUsername); }
std::optional<std::string> User::loginMethod() const { return text(key::loginMethod); }
void User::setLoginMethod(const std::optional<std::string>& value) { setText(value, key::loginMethod); }

std::optional<std::string> User::billingCycle() const { return text(key::billingCycle); }
void User::setBillingCycle(const std::optional<std::string>& value) { setText(value, key::billingCycle); }
std::optional<std::string> User::billingPlan() const { return text(key::billingPlan); }
void User::setBillingPlan(const std::optional<std::string>& value) { setText(value, key::billingPlan); }
std::optional<std::string> User::paymentGateway() const { return text(key::paymentGateway); }
void User::setPaymentGateway(const std::optional<std::string>& value) { setText(value, key::paymentGateway); }
bool User::recurringGateway() const { return defaults_.boolean(key::recurringGateway); }
void User::setRecurringGateway(bool value) { defaults_.set(Value(value), key::recurringGateway); }
std::int64_t User::autoRecurring() const { return defaults_.integer(key::autoRecurring); }
void User::setAutoRecurring(std::int64_t value) { defaults_.set(Value(static_cast<long long>(value)), key::autoRecurring); }
std::optional<std::string> User::signUpDate() const { return text(key::signUpDate); }
void User::setSignUpDate(const std::optional<std::string>& value) { setText(value, key::signUpDate); }
std::optional<std::string> User::expiryDate() const { return text(key::expiryDate); }
void User::setExpiryDate(const std::optional<std::string>& value) { setText(value, key::expiryDate); }
std::optional<std::string> User::expiryReason() const { return text(key::expiryReason); }
void User::setExpiryReason(const std::optional<std::string>& value) { setText(value, key::expiryReason); }
std::optional<std::string> User::gracePeriodExpiry() const { return text(key::gracePeriodExpiry); }
void User::setGracePeriodExpiry(const std::optional<std::string>& value) { setText(value, key::gracePeriodExpiry); }
std::int64_t User::graceDaysRemaining() const { return defaults_.integer(key::graceDaysRemaining); }
void User::setGraceDaysRemaining(std::int64_t value) {
    defaults_.set(Value(static_cast<long long>(value)), key::graceDaysRemaining);
}
bool User::gracePeriod() const { return defaults_.boolean(key::gracePeriod); }
void User::setGracePeriod(bool value) { defaults_.set(Value(value), key::gracePeriod); }

std::optional<std::vector<ActiveAddon>> User::activeAddons() const {
    return decodableArray<ActiveAddon>(defaults_, key::activeAddons);
}
void User::setActiveAddons(const std::optional<std::vector<ActiveAddon>>& value) {
    setEncodableArray(defaults_, value, key::activeAddons);
}
bool User::readNotificationsFromFirestoreCache() const {
    return defaults_.boolean(key::readNotificationsFromFirestoreCache);
}
void User::setReadNotificationsFromFirestoreCache(bool value) {
    defaults_.set(Value(value), key::readNotificationsFromFirestoreCache);
}
std::int64_t User::unreadNotificationCount() const { return defaults_.integer(key::unreadNotificationCount); }
void User::setUnreadNotificationCount(std::int64_t value) {
    defaults_.set(Value(static_cast<long long>(value)), key::unreadNotificationCount);
}
std::optional<DedicatedIPDetail> User::dedicatedIPDetail() const {
    return decodable<DedicatedIPDetail>(defaults_, key::dedicatedIPDetail);
}
void User::setDedicatedIPDetail(const std::optional<DedicatedIPDetail>& value) {
    setEncodable(defaults_, value, key::dedicatedIPDetail);
}

bool User::passwordManager() const { return defaults_.boolean(key::passwordManager); }
void User::setPasswordManager(bool value) { defaults_.set(Value(value), key::passwordManager); }
std::optional<std::string> User::supportTicketNo() const { return text(key::supportTicketNo); }
void User::setSupportTicketNo(const std::optional<std::string>& value) { setText(value, key::supportTicketNo); }
bool User::trial() const { return defaults_.boolean(key::trial); }
void User::setTrial(bool value) { defaults_.set(Value(value), key::trial); }
bool User::authenticatedViaLogin() const { return defaults_.boolean(key::authenticatedViaLogin); }
void User::setAuthenticatedViaLogin(bool value) { defaults_.set(Value(value), key::authenticatedViaLogin); }

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
    defaults_.removeObject(key::activeAddons);
    setLoggedIn(false);
    deleteKeychainItem(item::firestoreToken);

    setReadNotificationsFromFirestoreCache(true);
    setLoginMethod(std::nullopt);
    setUnreadNotificationCount(0);
    setIsUserNotMigratedToFA(true);
    setIsUserNotMigratedToEmail(true);
    setDedicatedIPDetail(std::nullopt);
}

}  // namespace morvex
