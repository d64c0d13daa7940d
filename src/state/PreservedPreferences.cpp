#include "state/PreservedPreferences.h"

#include <nlohmann/json.hpp>

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "model/EnumTable.h"
#include "state/StoredServers.h"
#include "state/AppPreferences.h"
#include "state/StoredSettingForms.h"
#include "state/StoredValueCoding.h"

namespace morvex {

namespace {

// Keys of the settings written out by hand (after "<VPN user name>.").
namespace name {
constexpr std::string_view recents = "recents";
constexpr std::string_view favorites = "favorites";
constexpr std::string_view countries = "countries";
constexpr std::string_view firstLogin = "firstLogin";
constexpr std::string_view userTestGroup = "userTestGroup";
constexpr std::string_view personalizeServer = "personalizeServer";
constexpr std::string_view dedicatedIpApiError = "dedicatedIpApiError";
}  // namespace name

constexpr StoredSetting<bool> kAutomaticProtocol{"automaticProtocol", true, FirstRead::storeDefault};

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

template <>
struct StoredForm<PreservedPreferences::AutoConnectVia> : StoredAsRawText<kAutoConnectVia> {};

PreservedPreferences::PreservedPreferences() : PreservedPreferences(UserDefaults::standard(), User()) {}

PreservedPreferences::PreservedPreferences(UserDefaults defaults, User userPreference)
    : defaults_(std::move(defaults)), userPreference_(std::move(userPreference)) {}

std::string PreservedPreferences::perUserKey(std::string_view setting) {
    return currentUserName() + "." + std::string(setting);
}

template <class T>
T PreservedPreferences::readSetting(const StoredSetting<T>& setting) const {
    return readStored(defaults_, perUserKey(setting.key), setting);
}

template <class T>
void PreservedPreferences::writeSetting(const StoredSetting<T>& setting, SettingParam<T> value) {
    writeStored(defaults_, perUserKey(setting.key), setting, value);
}

MORVEX_STORED_SETTING_TYPE(PreservedPreferences, bool);
MORVEX_STORED_SETTING_TYPE(PreservedPreferences, std::optional<Date>);
MORVEX_STORED_SETTING_TYPE(PreservedPreferences, std::optional<std::string>);
MORVEX_STORED_SETTING_TYPE(PreservedPreferences, std::optional<std::vector<std::string>>);
MORVEX_STORED_SETTING_TYPE(PreservedPreferences, VPNProtocol);
MORVEX_STORED_SETTING_TYPE(PreservedPreferences, PreservedPreferences::ServerPtr);
MORVEX_STORED_SETTING_TYPE(PreservedPreferences, PreservedPreferences::AutoConnectVia);

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

bool PreservedPreferences::automaticProtocol() const { return readSetting(kAutomaticProtocol); }
void PreservedPreferences::setAutomaticProtocol(bool v) {
    if (v) setSelectedProtocol(VPNProtocol::IPSec);
    writeSetting(kAutomaticProtocol, v);
    NotificationCenter::defaultCenter().post(automaticProtocolChangedNotification, v);
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
