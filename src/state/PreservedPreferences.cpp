#include "state/PreservedPreferences.h"

#include <nlohmann/json.hpp>

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "model/EnumTable.h"
#include "state/StoredServers.h"
#include "state/AppPreferences.h"
#include "state/StoredValueCoding.h"

namespace morvex {

namespace {

namespace name {
constexpr std::string_view recents = "recents";
constexpr std::string_view favorites = "favorites";
constexpr std::string_view countries = "countries";
constexpr std::string_view allowVPNNotifications = "allowVPNNotifications";
constexpr std::string_view enablePing = "enablePing";
constexpr std::string_view isFromDetail = "isFromDetail";
constexpr std::string_view isInstallNow = "isInstallNow";
constexpr std::string_view pingedAt = "pingedAt";
constexpr std::string_view launchOnStartUp = "launchOnStartUp";
constexpr std::string_view isAlreadyShownDetailScreen = "isAlreadyShownDetailScreen";
constexpr std::string_view reconnectOnLaunch = "reconnectOnLaunch";
constexpr std::string_view preventSleep = "preventSleep";
constexpr std::string_view autoConnectFromSleep = "autoConnectFromSleep";
constexpr std::string_view enablePersonaliseServer = "enablePersonaliseServer";
constexpr std::string_view automaticallyCheckForUpdate = "automaticallyCheckForUpdate";
constexpr std::string_view manuallyCheckForUpdate = "manuallyCheckForUpdate";
constexpr std::string_view automaticProtocol = "automaticProtocol";
constexpr std::string_view selectedProtocol = "selectedProtocol";
constexpr std::string_view dialedProtocol = "dialedProtocol";
constexpr std::string_view firstLogin = "firstLogin";
constexpr std::string_view userTestGroup = "userTestGroup";
constexpr std::string_view desiredOutcomeAchieved = "desiredOutcomeAchieved";
constexpr std::string_view ratedOnStore = "ratedOnStore";
constexpr std::string_view referredAFriend = "referredAFriend";
constexpr std::string_view autoReconnectOnConnectionDrop = "autoReconnectOnConnectionDrop";
constexpr std::string_view onDemandRulesEnabled = "onDemandRulesEnabled";
constexpr std::string_view connectOnDemandMatchDomains = "connectOnDemandMatchDomains";
constexpr std::string_view enableIKS = "enableIKS";
constexpr std::string_view autoConnectServer = "autoConnectServer";
constexpr std::string_view autoConnectVia = "autoConnectVia";
constexpr std::string_view passwordChanged = "passwordChanged";
constexpr std::string_view personalizeServer = "personalizeServer";
constexpr std::string_view dedicatedServer = "dedicatedServer";
constexpr std::string_view dedicatedIpApiError = "dedicatedIpApiError";
constexpr std::string_view isB2C = "isB2C";
constexpr std::string_view referralLink = "referralLink";
constexpr std::string_view connectToFallback = "connectToFallback";
}  // namespace name

// What clearUserPreferences removes, each under "<user name>" + suffix. Everything else (among it
// firstLogin, the test group, the dialed protocol, the dedicated server and the account list under
// the client id) survives.
constexpr std::string_view kClearedSuffixes[] = {
    ".recents", ".favorites", ".allowVPNNotifications", ".connectedServer", ".launchOnStartUp",
    ".reconnectOnLaunch", ".autoReconnectOnConnectionDrop", ".onDemandRulesEnabled",
    ".connectOnDemandMatchDomains", ".preventSleep", ".autoConnectFromSleep", ".automaticallyCheckForUpdate",
    ".enablePing", ".autoConnectServer", ".autoConnectVia", ".automaticProtocol", ".enablePersonaliseServer",
    ".personalizeServer", ".enableIKS", ".connectToFallback", ".vpnAccounts", ".selectedProtocol",
};

using AutoConnectVia = PreservedPreferences::AutoConnectVia;
using TestGroup = PreservedPreferences::TestGroup;

// Raw values (the stored form) and the localization keys of the titles; two cases share a title.
struct AutoConnectViaRow {
    AutoConnectVia value;
    std::string_view raw;
    std::string_view titleKey;
};
constexpr auto kAutoConnectVia = enumTable<AutoConnectViaRow>("AutoConnectVia", {
    {AutoConnectVia::AutoSelect, "AutoSelect", "general.recommendedlocation.title"},
    {AutoConnectVia::Recommended, "Recommended", "general.recommendedlocation.title"},
    {AutoConnectVia::LastConnected, "LastConnected", "general.recentlyconnectedlocation.title"},
    {AutoConnectVia::Location, "Location", "general.specificlocation.title"},
});

constexpr auto kTestGroups = enumTable<TestGroup>("TestGroup", {
    {TestGroup::GroupA, "GroupA"},
    {TestGroup::GroupB, "GroupB"},
});

std::string currentUserName() { return User().vpnUsername().value_or(""); }

nlohmann::json errorJSON(const Error& e) {
    nlohmann::json j = {{"domain", e.domain}, {"code", e.code}, {"message", e.message}};
    if (e.underlying) j["underlying"] = errorJSON(*e.underlying);
    return j;
}

}  // namespace

PreservedPreferences::PreservedPreferences() : PreservedPreferences(UserDefaults::standard(), User()) {}

PreservedPreferences::PreservedPreferences(UserDefaults defaults, User userPreference)
    : defaults_(std::move(defaults)), userPreference_(std::move(userPreference)) {}

std::string PreservedPreferences::perUserKey(std::string_view setting) {
    return currentUserName() + "." + std::string(setting);
}

bool PreservedPreferences::flag(std::string_view setting) const { return defaults_.boolean(perUserKey(setting)); }

bool PreservedPreferences::flagDefaultingToTrue(std::string_view setting) const {
    // Atomic, so a concurrent writer's false is never overwritten by the default.
    return defaults_.setIfAbsent(Value(true), perUserKey(setting)).toBool();
}

void PreservedPreferences::setFlag(bool value, std::string_view setting) {
    defaults_.set(Value(value), perUserKey(setting));
}

PreservedPreferences::ServerPtr PreservedPreferences::server(std::string_view setting) const {
    return decodedServer(defaults_, perUserKey(setting));
}

PreservedPreferences::ServerList PreservedPreferences::recents() const {
    return decodedServerList(defaults_, perUserKey(name::recents)).value_or(ServerList{});
}
void PreservedPreferences::setRecents(const std::optional<ServerList>& value) {
    setEncodedServerList(defaults_, value, perUserKey(name::recents));
    NotificationCenter::defaultCenter().post(recentsUpdatedNotification, value.value_or(ServerList{}));
}
PreservedPreferences::ServerList PreservedPreferences::favorites() const {
    return decodedServerList(defaults_, perUserKey(name::favorites)).value_or(ServerList{});
}
void PreservedPreferences::setFavorites(const std::optional<ServerList>& value) {
    setEncodedServerList(defaults_, value, perUserKey(name::favorites));
}
void PreservedPreferences::setCountries(const std::optional<ServerList>& value) {
    setEncodedServerList(defaults_, value, perUserKey(name::countries));
}

std::vector<PreservedPreferences::VPNAccount> PreservedPreferences::vpnAccounts() const {
    const std::string key = User().clientId().value_or("") + ".vpnAccounts";
    return decodableArray<VPNAccount>(defaults_, key).value_or(std::vector<VPNAccount>{});
}
void PreservedPreferences::setVpnAccounts(const std::optional<std::vector<VPNAccount>>& value) {
    const std::string key = User().clientId().value_or("") + ".vpnAccounts";
    setEncodableArray(defaults_, value, key);
}

bool PreservedPreferences::allowVPNNotifications() const { return flagDefaultingToTrue(name::allowVPNNotifications); }
void PreservedPreferences::setAllowVPNNotifications(bool v) { setFlag(v, name::allowVPNNotifications); }
bool PreservedPreferences::enablePing() const { return flag(name::enablePing); }
void PreservedPreferences::setEnablePing(bool v) { setFlag(v, name::enablePing); }
void PreservedPreferences::setIsFromDetail(bool v) { setFlag(v, name::isFromDetail); }
bool PreservedPreferences::isInstallNow() const { return flag(name::isInstallNow); }
void PreservedPreferences::setIsInstallNow(bool v) { setFlag(v, name::isInstallNow); }

std::optional<Date> PreservedPreferences::pingedAt() const { return defaults_.date(perUserKey(name::pingedAt)); }
void PreservedPreferences::setPingedAt(const std::optional<Date>& v) {
    if (v) defaults_.set(Value(*v), perUserKey(name::pingedAt));
    else defaults_.removeObject(perUserKey(name::pingedAt));
}

bool PreservedPreferences::launchOnStartUp() const { return flagDefaultingToTrue(name::launchOnStartUp); }
void PreservedPreferences::setLaunchOnStartUp(bool v) { setFlag(v, name::launchOnStartUp); }
void PreservedPreferences::setIsAlreadyShownDetailScreen(bool v) { setFlag(v, name::isAlreadyShownDetailScreen); }
bool PreservedPreferences::reconnectOnLaunch() const { return flag(name::reconnectOnLaunch); }
void PreservedPreferences::setReconnectOnLaunch(bool v) { setFlag(v, name::reconnectOnLaunch); }
bool PreservedPreferences::preventSleep() const { return flag(name::preventSleep); }
void PreservedPreferences::setPreventSleep(bool v) { setFlag(v, name::preventSleep); }
bool PreservedPreferences::autoConnectFromSleep() const { return flag(name::autoConnectFromSleep); }
void PreservedPreferences::setAutoConnectFromSleep(bool v) { setFlag(v, name::autoConnectFromSleep); }
bool PreservedPreferences::enablePersonaliseServer() const { return flag(name::enablePersonaliseServer); }
void PreservedPreferences::setEnablePersonaliseServer(bool v) { setFlag(v, name::enablePersonaliseServer); }
bool PreservedPreferences::automaticallyCheckForUpdate() const {
    return flagDefaultingToTrue(name::automaticallyCheckForUpdate);
}
void PreservedPreferences::setAutomaticallyCheckForUpdate(bool v) { setFlag(v, name::automaticallyCheckForUpdate); }
bool PreservedPreferences::manuallyCheckForUpdate() const { return flag(name::manuallyCheckForUpdate); }
void PreservedPreferences::setManuallyCheckForUpdate(bool v) { setFlag(v, name::manuallyCheckForUpdate); }

bool PreservedPreferences::automaticProtocol() const { return flagDefaultingToTrue(name::automaticProtocol); }
void PreservedPreferences::setAutomaticProtocol(bool v) {
    if (v) setSelectedProtocol(VPNProtocol::IPSec);
    setFlag(v, name::automaticProtocol);
    NotificationCenter::defaultCenter().post(automaticProtocolChangedNotification, v);
}

namespace {
// Only a stored integer names a protocol; text, other kinds and other numbers read as IPSec.
VPNProtocol storedProtocol(const UserDefaults& defaults, const std::string& key) {
    auto object = defaults.object(key);
    if (object && object->kind() == Value::Kind::Integer)
        if (auto p = vpnProtocolFromIndex(*object->get<std::int64_t>())) return *p;
    return VPNProtocol::IPSec;
}
}  // namespace

VPNProtocol PreservedPreferences::selectedProtocol() const {
    return storedProtocol(defaults_, perUserKey(name::selectedProtocol));
}
void PreservedPreferences::setSelectedProtocol(VPNProtocol v) {
    defaults_.set(Value(caseIndex(v)), perUserKey(name::selectedProtocol));
}
VPNProtocol PreservedPreferences::dialedProtocol() const {
    return storedProtocol(defaults_, perUserKey(name::dialedProtocol));
}
void PreservedPreferences::setDialedProtocol(VPNProtocol v) {
    defaults_.set(Value(caseIndex(v)), perUserKey(name::dialedProtocol));
}

bool PreservedPreferences::firstLogin() const {
    const std::string key = perUserKey(name::firstLogin);
    if (defaults_.object(key)) return false;
    defaults_.set(Value("FALSE"), key);
    return true;
}

namespace {
std::optional<PreservedPreferences::TestGroup> testGroupOf(const std::optional<Value>& stored) {
    if (!stored || !stored->is<std::string>()) return std::nullopt;
    return kTestGroups.fromRaw(*stored->get<std::string>());
}
}  // namespace

PreservedPreferences::TestGroup PreservedPreferences::userTestGroup() const {
    const std::string key = perUserKey(name::userTestGroup);
    auto object = defaults_.object(key);
    if (auto group = testGroupOf(object)) return *group;
    // 101 equally likely draws, 50 of them group A.
    const auto group = ZevuDataFetcherTypes::randomElementIndex(101) < 50 ? TestGroup::GroupA : TestGroup::GroupB;
    if (object) {
        defaults_.set(Value(rawValue(group)), key);
        return group;
    }
    // Trackers are made on several threads at once; the first draw stored wins, so every caller
    // reports the same group.
    return testGroupOf(defaults_.setIfAbsent(Value(rawValue(group)), key)).value_or(group);
}
void PreservedPreferences::setUserTestGroup(TestGroup v) {
    defaults_.set(Value(rawValue(v)), perUserKey(name::userTestGroup));
}

bool PreservedPreferences::desiredOutcomeAchieved() const { return flag(name::desiredOutcomeAchieved); }
void PreservedPreferences::setDesiredOutcomeAchieved(bool v) { setFlag(v, name::desiredOutcomeAchieved); }
bool PreservedPreferences::ratedOnStore() const { return flag(name::ratedOnStore); }
void PreservedPreferences::setRatedOnStore(bool v) { setFlag(v, name::ratedOnStore); }
bool PreservedPreferences::referredAFriend() const { return flag(name::referredAFriend); }
void PreservedPreferences::setReferredAFriend(bool v) { setFlag(v, name::referredAFriend); }
bool PreservedPreferences::autoReconnectOnConnectionDrop() const {
    return flagDefaultingToTrue(name::autoReconnectOnConnectionDrop);
}
void PreservedPreferences::setAutoReconnectOnConnectionDrop(bool v) { setFlag(v, name::autoReconnectOnConnectionDrop); }
bool PreservedPreferences::onDemandRulesEnabled() const { return flag(name::onDemandRulesEnabled); }
std::optional<std::vector<std::string>> PreservedPreferences::connectOnDemandMatchDomains() const {
    return defaults_.stringArray(perUserKey(name::connectOnDemandMatchDomains));
}
bool PreservedPreferences::enableIKS() const { return flag(name::enableIKS); }
void PreservedPreferences::setEnableIKS(bool v) { setFlag(v, name::enableIKS); }

PreservedPreferences::ServerPtr PreservedPreferences::autoConnectServer() const { return server(name::autoConnectServer); }
void PreservedPreferences::setAutoConnectServer(const ServerPtr& v) {
    setEncodedServer(defaults_, v, perUserKey(name::autoConnectServer));
}

PreservedPreferences::AutoConnectVia PreservedPreferences::autoConnectVia() const {
    auto raw = defaults_.object(perUserKey(name::autoConnectVia));
    if (raw && raw->is<std::string>())
        if (auto v = autoConnectViaFromRaw(*raw->get<std::string>())) return *v;
    return AutoConnectVia::AutoSelect;
}
void PreservedPreferences::setAutoConnectVia(AutoConnectVia v) {
    defaults_.set(Value(rawValue(v)), perUserKey(name::autoConnectVia));
}

bool PreservedPreferences::passwordChanged() const { return flag(name::passwordChanged); }
void PreservedPreferences::setPasswordChanged(bool v) {
    setFlag(v, name::passwordChanged);
    NotificationCenter::defaultCenter().post(passwordChangedNotification, v);
}

std::optional<PreservedPreferences::Ratings> PreservedPreferences::personalizeServer() const {
    const std::string key = perUserKey(name::personalizeServer);
    auto object = defaults_.object(key);
    if (!object) return std::nullopt;
    if (const Bytes* data = object->get<Bytes>())
        if (auto ratings = PersonalizeServerModelTypes::decodeRatings(*data)) return ratings;
    // Anything else is no ratings list this application wrote; it is never interpreted further.
    log::print("[PreservedPreferences] Dropped stored server ratings that are not in the ratings format.");
    defaults_.removeObject(key);
    return std::nullopt;
}
void PreservedPreferences::setPersonalizeServer(const std::optional<Ratings>& v) {
    defaults_.set(Value(PersonalizeServerModelTypes::encodeRatings(v.value_or(Ratings{}))),
                  perUserKey(name::personalizeServer));
}

PreservedPreferences::ServerPtr PreservedPreferences::dedicatedServer() const { return server(name::dedicatedServer); }
void PreservedPreferences::setDedicatedServer(const ServerPtr& v) {
    setEncodedServer(defaults_, v, perUserKey(name::dedicatedServer));
    NotificationCenter::defaultCenter().post(dedicatedIpUpdatedNotification, v);
}

void PreservedPreferences::setDedicatedIpApiError(const std::optional<Error>& v) {
    const std::string key = perUserKey(name::dedicatedIpApiError);
    if (!v) {
        defaults_.removeObject(key);
        return;
    }
    // Error texts may carry bytes that are not UTF-8 (a server's answer, a path); they are kept
    // readable instead of failing the write.
    const std::string text = errorJSON(*v).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    defaults_.set(Value(Bytes(text.begin(), text.end())), key);
}

bool PreservedPreferences::isB2C() const { return flagDefaultingToTrue(name::isB2C); }
void PreservedPreferences::setReferralLink(const std::optional<std::string>& v) {
    defaults_.setString(v, perUserKey(name::referralLink));
}
bool PreservedPreferences::connectToFallback() const { return flagDefaultingToTrue(name::connectToFallback); }
void PreservedPreferences::setConnectToFallback(bool v) { setFlag(v, name::connectToFallback); }

bool PreservedPreferences::systemExtensionStatus() const {
    const VPNProtocol protocol = selectedProtocol();
    if (!needsSystemExtension(protocol)) return false;
    const AppPreferences app;
    const auto status = protocol == VPNProtocol::WireGuard ? app.wgSystemExtensionStatus()
                                                           : app.openVPNSystemExtensionStatus();
    return status != SystemExtensionStatus::Activated;
}

std::string PreservedPreferences::ratedServers(const std::optional<std::string>& code, bool liked) const {
    if (!code) return "";
    auto ratings = personalizeServer();
    if (!ratings) return "";
    auto it = ratings->find(*code);
    if (it == ratings->end()) return "";
    std::string joined;
    for (const auto& entry : it->second) {
        if (entry.liked != liked) continue;
        if (!joined.empty()) joined += ",";
        joined += entry.identifier;
    }
    return joined;
}

std::string PreservedPreferences::likedServers(const std::optional<std::string>& code) const {
    return ratedServers(code, true);
}
std::string PreservedPreferences::dislikedServers(const std::optional<std::string>& code) const {
    return ratedServers(code, false);
}

void PreservedPreferences::clearUserPreferences() {
    const std::string user = currentUserName();
    for (auto suffix : kClearedSuffixes) defaults_.removeObject(user + std::string(suffix));

    const AppPreferences app;
    ServerPtr recommended = app.recommendedServer();
    if (recommended) recommended->favorite = false;
    setEncodedServer(defaults_, recommended, AppPreferences::Key::recommendedServer);

    NotificationCenter::defaultCenter().post(AppPreferences::recommendedServerUpdatedNotification, recommended);
    NotificationCenter::defaultCenter().post(preferencesRefreshedNotification);
}

std::string_view rawValue(PreservedPreferences::AutoConnectVia v) { return kAutoConnectVia.raw(v); }
std::optional<PreservedPreferences::AutoConnectVia> autoConnectViaFromRaw(std::string_view raw) {
    return kAutoConnectVia.fromRaw(raw);
}

std::string_view titleKey(PreservedPreferences::AutoConnectVia v) { return kAutoConnectVia.row(v).titleKey; }

std::vector<std::string> autoConnectViaTitles() {
    std::vector<std::string> out;
    for (const auto& row : kAutoConnectVia.rows()) out.push_back(localized(row.titleKey));
    return out;
}

std::optional<PreservedPreferences::AutoConnectVia> autoConnectViaFromTitle(std::string_view title) {
    for (const auto& row : kAutoConnectVia.rows())
        if (localized(row.titleKey) == title) return row.value;
    return std::nullopt;
}

std::string_view rawValue(PreservedPreferences::TestGroup v) { return kTestGroups.raw(v); }

}  // namespace morvex
