#include "state/AppPreferences.h"

#include <nlohmann/json.hpp>

#include "model/BundleInfo.h"
#include "model/WebLinks.h"
#include "state/StoredServers.h"
#include "foundation/Bundle.h"
#include "foundation/NotificationCenter.h"
#include "state/StoredSettingForms.h"
#include "state/StoredValueCoding.h"
#include "model/JsonCoding.h"
#include "state/User.h"

namespace morvex {

namespace {

namespace sj = coding;
using json = nlohmann::json;

// The release-notes page of the support site; the web-link query items are added when it is used.
constexpr std::string_view kReleaseNotesAddress = "https://help.morvexvpn.com/release-notes/mac";

constexpr std::string_view kAppearanceTitleKeys[3] = {"appearance.system.default", "appearance.light",
                                                      "appearance.dark"};

json updateJSON(const AppPreferences::UpdateAvailable& v) {
    return json::object({{"availableVersion", v.availableVersion},
                         {"forcedTillVersion", v.forcedTillVersion},
                         {"releaseNoteURL", v.releaseNoteURL},
                         {"downloadUrl", v.downloadUrl}});
}

json lastConnectionJSON(const AppPreferences::LastConnection& v) {
    json j = json::object({{"selectedInterface", v.selectedInterface},
                           {"connectVia", v.connectVia},
                           {"selectedInterfaceScreen", v.selectedInterfaceScreen},
                           {"connectionInitiatedBy", v.connectionInitiatedBy},
                           {"server", v.server},
                           {"dialedWithQRServer", v.dialedWithQRServer},
                           {"isDialedWithOVPNObfuscatedServer", v.isDialedWithOVPNObfuscatedServer}});
    if (v.nasIdentifier) j["nasIdentifier"] = *v.nasIdentifier;
    return j;
}

}  // namespace

std::optional<SystemExtensionStatus> systemExtensionStatusFromRaw(std::int64_t raw) {
    if (raw < 0 || raw > 4) return std::nullopt;
    return static_cast<SystemExtensionStatus>(raw);
}

AppPreferences::AppPreferences() : AppPreferences(UserDefaults::standard(), Keychain("AppPreferences")) {}

AppPreferences::AppPreferences(UserDefaults defaults, Keychain keychain)
    : defaults_(std::move(defaults)), keychain_(std::move(keychain)) {}

template <class T>
T AppPreferences::readSetting(const StoredSetting<T>& setting) const {
    return readStored(defaults_, setting.key, setting);
}

template <class T>
void AppPreferences::writeSetting(const StoredSetting<T>& setting, SettingParam<T> value) {
    writeStored(defaults_, setting.key, setting, value);
}

MORVEX_STORED_SETTING_TYPE(AppPreferences, std::optional<std::string>);
MORVEX_STORED_SETTING_TYPE(AppPreferences, std::optional<AppPreferences::LastConnection>);
template <>
struct StoredForm<Domain> : StoredAsRecord<Domain> {};
MORVEX_STORED_SETTING_TYPE(AppPreferences, Domain);

AppPreferences::UpdateAvailable AppPreferences::updateAvailable() const {
    if (auto stored = decodable<UpdateAvailable>(defaults_, Key::updateAvailable)) return *stored;
    const std::string version = infoShortVersionString();
    return UpdateAvailable{version, version, webLinkWithQueryItems(kReleaseNotesAddress), ""};
}

void AppPreferences::setUpdateAvailable(const std::optional<UpdateAvailable>& value) {
    setEncodable(defaults_, value, Key::updateAvailable);
}

std::optional<Date> AppPreferences::appInstallTime() const {
    const std::string key = User().vpnUsername().value_or("") + ".appInstallTime";
    return defaults_.date(key);
}

std::int64_t AppPreferences::dataStoreVersion() const {
    if (auto stored = defaults_.integer(Key::dataStoreVersion); stored != 0) return stored;
    const std::int64_t bundled = infoDataStoreVersion();
    defaults_.set(Value(bundled), Key::dataStoreVersion);
    return bundled;
}
void AppPreferences::setDataStoreVersion(std::int64_t value) { defaults_.set(Value(value), Key::dataStoreVersion); }

std::int64_t AppPreferences::appearance() const {
    const std::int64_t stored = defaults_.integer(Key::appearance);
    if (stored >= 0 && stored <= 2) return stored;
    const auto& titles = appearanceTitles();
    for (std::size_t choice = 0; choice < titles.size(); ++choice)
        if (titles[choice] == "light") return static_cast<std::int64_t>(choice);
    return 2;
}
void AppPreferences::setAppearance(std::int64_t value) { defaults_.set(Value(value), Key::appearance); }

void AppPreferences::migrateSelectedThemeTag() {
    if (!defaults_.object(Key::selectedThemeTag)) return;
    if (!defaults_.object(Key::appearance)) {
        // Old numbering: 0 system, 1 dark, 2 light.
        const std::int64_t old = defaults_.integer(Key::selectedThemeTag);
        setAppearance(old == 1 ? 2 : old == 2 ? 1 : 0);
    }
    defaults_.removeObject(Key::selectedThemeTag);
}

const std::vector<std::string>& AppPreferences::appearanceTitles() {
    static const std::vector<std::string> titles = [] {
        std::vector<std::string> out;
        for (auto key : kAppearanceTitleKeys) out.push_back(localized(key));
        return out;
    }();
    return titles;
}

std::optional<SystemExtensionStatus> AppPreferences::openVPNSystemExtensionStatus() const {
    return systemExtensionStatusFromRaw(defaults_.integer(Key::openVPNSystemExtensionStatus));
}
std::optional<SystemExtensionStatus> AppPreferences::wgSystemExtensionStatus() const {
    return systemExtensionStatusFromRaw(defaults_.integer(Key::wgSystemExtensionStatus));
}
void AppPreferences::setOpenVPNSystemExtensionStatus(SystemExtensionStatus value) {
    setExtensionStatus(value, Key::openVPNSystemExtensionStatus);
}
void AppPreferences::setWgSystemExtensionStatus(SystemExtensionStatus value) {
    setExtensionStatus(value, Key::wgSystemExtensionStatus);
}

void AppPreferences::setExtensionStatus(SystemExtensionStatus value, std::string_view key) {
    NotificationCenter::defaultCenter().post(extensionStatusChangedNotification,
                                             value == SystemExtensionStatus::Activated);
    defaults_.set(Value(static_cast<std::int64_t>(value)), key);
}

ZevuDataFetcherTypes::ServerPtr AppPreferences::recommendedServer() const {
    return decodedServer(defaults_, Key::recommendedServer);
}

std::string AppPreferences::apiKeychainValue(std::string_view name) const {
    return keychain_.get(infoReleaseCode() + "_API_" + std::string(name)).value_or("");
}

void to_json(json& j, const AppPreferences::UpdateAvailable& v) { j = updateJSON(v); }
void to_json(nlohmann::ordered_json& j, const AppPreferences::UpdateAvailable& v) {
    j = nlohmann::ordered_json(updateJSON(v));
}
void from_json(const json& j, AppPreferences::UpdateAvailable& v) {
    sj::requireObject(j, "UpdateAvailable");
    v.availableVersion = sj::requiredString(j, "availableVersion");
    v.forcedTillVersion = sj::requiredString(j, "forcedTillVersion");
    v.releaseNoteURL = sj::requiredString(j, "releaseNoteURL");
    v.downloadUrl = sj::requiredString(j, "downloadUrl");
}

void to_json(json& j, const AppPreferences::LastConnection& v) { j = lastConnectionJSON(v); }
void to_json(nlohmann::ordered_json& j, const AppPreferences::LastConnection& v) {
    j = nlohmann::ordered_json(lastConnectionJSON(v));
}
void from_json(const json& j, AppPreferences::LastConnection& v) {
    sj::requireObject(j, "LastConnection");
    sj::requiredMember(j, "selectedInterface").get_to(v.selectedInterface);
    sj::requiredMember(j, "connectVia").get_to(v.connectVia);
    sj::requiredMember(j, "selectedInterfaceScreen").get_to(v.selectedInterfaceScreen);
    sj::requiredMember(j, "connectionInitiatedBy").get_to(v.connectionInitiatedBy);
    v.server = sj::requiredMember(j, "server").get<ZevuDataFetcherTypes::ServerPtr>();
    v.nasIdentifier = sj::optionalString(j, "nasIdentifier");
    v.dialedWithQRServer = sj::requiredBool(j, "dialedWithQRServer");
    v.isDialedWithOVPNObfuscatedServer = sj::requiredBool(j, "isDialedWithOVPNObfuscatedServer");
}

}  // namespace morvex
