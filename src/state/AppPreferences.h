#pragma once
// What belongs to the installation rather than to one account: the recommended server, the last
// connection request and the connection under way, the update offer, the data-store version, the
// appearance, and the install state of the two VPN system extensions.
//
// A thin view: every property reads or writes its "AppPreference." key when used, so all instances
// agree at once. It keeps nothing beyond the defaults and the keychain wrapper.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "model/Domain.h"
#include "model/ServerRecord.h"
#include "foundation/Keychain.h"
#include "foundation/UserDefaults.h"
#include "model/ZevuTypes.h"
#include "state/StoredSetting.h"

namespace morvex {

// Install state of one VPN system extension, stored as its number.
enum class SystemExtensionStatus : std::int64_t {
    NotRecorded = 0,
    Activated = 1,          // the SDK reported completion
    OtherCompletion = 2,    // the SDK's other completion result
    AwaitingApproval = 3,   // waiting for the user's approval
    Failed = 4,             // the activation request failed
};
// Numbers outside 0-4 give no status.
std::optional<SystemExtensionStatus> systemExtensionStatusFromRaw(std::int64_t raw);

class AppPreferences {
public:
    // The update offer, as the version check stores it.
    struct UpdateAvailable {
        std::string availableVersion;
        std::string forcedTillVersion;
        std::string releaseNoteURL;
        std::string downloadUrl;
        friend bool operator==(const UpdateAvailable&, const UpdateAvailable&) = default;
    };

    // The last connection request, as every connect path stores it.
    struct LastConnection {
        ZevuTypes::SelectedInterface selectedInterface = ZevuTypes::SelectedInterface::Recommended;
        ZevuTypes::ConnectVia connectVia = ZevuTypes::ConnectVia::SmartConnect;
        ZevuTypes::SelectedInterfaceScreen selectedInterfaceScreen = ZevuTypes::SelectedInterfaceScreen::None;
        ZevuTypes::ConnectionInitiatedBy connectionInitiatedBy = ZevuTypes::ConnectionInitiatedBy::User;
        ZevuDataFetcherTypes::ServerPtr server;  // required in the stored form
        std::optional<std::string> nasIdentifier;
        bool dialedWithQRServer = false;
        bool isDialedWithOVPNObfuscatedServer = false;
    };

    // Notification names. The recommended-server one carries the new ServerPtr (null when
    // cleared); "ExtensionStatusChanged" carries a bool, true when the status stored is Activated.
    static constexpr std::string_view recommendedServerUpdatedNotification = ZevuTypes::recommendedServerUpdatedNotification;
    static constexpr std::string_view extensionStatusChangedNotification = ZevuTypes::extensionStatusChangedNotification;
    static constexpr std::string_view preferencesNotification = "MorvexVPNPreferences";

    // Keys read and written under these names by other parts, with the types stated.
    struct Key {
        static constexpr std::string_view recommendedServer = "AppPreference.recommendedServer";  // Server, JSON Data
        static constexpr std::string_view countries = "AppPreference.countries";  // the SDK's country records
        static constexpr std::string_view serverToAddInRecent = "AppPreference.serverToAddInRecent";  // Server
        static constexpr std::string_view preferredLanguageCode = "AppPreference.preferredLanguageCode";  // text
        static constexpr std::string_view hideFromDock = "AppPreference.hideFromDock";  // Bool
        static constexpr std::string_view publicIpAddress = "AppPreference.publicIpAddress";  // text
        static constexpr std::string_view version = "AppPreference.version";  // text
        static constexpr std::string_view wgSystemExtensionErrorCode = "AppPreference.wgSystemExtensionErrorCode";
        static constexpr std::string_view openVPNSystemExtensionErrorCode = "AppPreference.openVPNSystemExtensionErrorCode";
        static constexpr std::string_view manualDisconnectionCount = "AppPreference.manualDisconnectionCount";  // Int
        // (spelled so)
        static constexpr std::string_view excludedIdentifiersForSwitchServer = "AppPreference.exculdedIdentifiersForSwitchServer";
        static constexpr std::string_view mixpanelConnectedProperties = "AppPreference.mixpanelConnectedProperties";
        static constexpr std::string_view updateAvailable = "AppPreference.updateAvailable";
        static constexpr std::string_view lastFeedbackConnectionId = "AppPreference.lastFeedbackConnectionId";
        static constexpr std::string_view onGoingConnectionId = "AppPreference.onGoingConnectionId";
        static constexpr std::string_view lastConnection = "AppPreference.lastConnection";
        static constexpr std::string_view dataStoreVersion = "AppPreference.dataStoreVersion";
        static constexpr std::string_view appearance = "AppPreference.appearance";
        // Where earlier versions' app settings page kept its own theme choice (0 follow the
        // system, 1 dark, 2 light); read once to carry it over, then removed.
        static constexpr std::string_view selectedThemeTag = "selectedThemeTag";
        static constexpr std::string_view openVPNSystemExtensionStatus = "AppPreference.openVPNSystemExtensionStatus";
        static constexpr std::string_view wgSystemExtensionStatus = "AppPreference.wgSystemExtensionStatus";
        static constexpr std::string_view activeDomain = "AppPreference.activeDomain";  // Domain, JSON Data
    };

    // The standard defaults and a keychain with the prefix "AppPreferences".
    AppPreferences();
    AppPreferences(UserDefaults defaults, Keychain keychain);

    UserDefaults& defaults() const { return defaults_; }
    Keychain& keychain() const { return keychain_; }

    // The stored offer, or the built default (this version, no download) when absent or undecodable.
    UpdateAvailable updateAvailable() const;
    void setUpdateAvailable(const std::optional<UpdateAvailable>& value);

    // Plain settings, one line each (state/StoredSetting.h). Text set to none is removed; the last
    // connection reads as none when absent or undecodable, and none is stored as the JSON null.
    MORVEX_SETTING(std::optional<std::string>, lastFeedbackConnectionId, setLastFeedbackConnectionId, {Key::lastFeedbackConnectionId});
    MORVEX_SETTING(std::optional<std::string>, onGoingConnectionId, setOnGoingConnectionId, {Key::onGoingConnectionId});
    MORVEX_SETTING(std::optional<LastConnection>, lastConnection, setLastConnection, {Key::lastConnection});
    // The service domain requests go to; the configured pair when absent or undecodable.
    MORVEX_SETTING(Domain, activeDomain, setActiveDomain, {Key::activeDomain, Domain::builtIn()});

    // The per-user "appInstallTime" date; none when absent or not a date.
    std::optional<Date> appInstallTime() const;

    // The stored version; a stored 0 (or none) is replaced by the bundle's "Data Store Version".
    std::int64_t dataStoreVersion() const;
    void setDataStoreVersion(std::int64_t value);

    // 0 follow the system, 1 light, 2 dark: the one appearance setting every page shows.
    std::int64_t appearance() const;
    void setAppearance(std::int64_t value);
    // The localized titles of the three choices, in choice order (built once).
    static const std::vector<std::string>& appearanceTitles();
    // Carries a theme stored under the old "selectedThemeTag" over to the appearance (its dark and
    // light swapped to this numbering; an unknown number follows the system) unless an appearance
    // is stored already, and removes the old key. Nothing to do: nothing changes.
    void migrateSelectedThemeTag();

    // None when the stored number is no status; 0 when nothing is stored.
    std::optional<SystemExtensionStatus> openVPNSystemExtensionStatus() const;
    std::optional<SystemExtensionStatus> wgSystemExtensionStatus() const;
    // Posts "ExtensionStatusChanged" first, then stores: observers must use the object.
    void setOpenVPNSystemExtensionStatus(SystemExtensionStatus value);
    void setWgSystemExtensionStatus(SystemExtensionStatus value);

    // The stored recommended server; null when absent or undecodable.
    ZevuDataFetcherTypes::ServerPtr recommendedServer() const;

    // The "<Release Code>_API_<name>" keychain item; the empty text when there is none.
    std::string apiKeychainValue(std::string_view name) const;

private:
    // Behind the MORVEX_SETTING lines: the key as written.
    template <class T>
    T readSetting(const StoredSetting<T>& setting) const;
    template <class T>
    void writeSetting(const StoredSetting<T>& setting, SettingParam<T> value);

    void setExtensionStatus(SystemExtensionStatus value, std::string_view key);

    mutable UserDefaults defaults_;
    mutable Keychain keychain_;
};

void to_json(nlohmann::json& j, const AppPreferences::UpdateAvailable& v);
void to_json(nlohmann::ordered_json& j, const AppPreferences::UpdateAvailable& v);
void from_json(const nlohmann::json& j, AppPreferences::UpdateAvailable& v);
// Every key is required on reading except "nasIdentifier", which is left out when absent.
void to_json(nlohmann::json& j, const AppPreferences::LastConnection& v);
void to_json(nlohmann::ordered_json& j, const AppPreferences::LastConnection& v);
void from_json(const nlohmann::json& j, AppPreferences::LastConnection& v);

}  // namespace morvex
