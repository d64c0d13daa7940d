#pragma once
// The settings and small histories of one VPN account on this machine: recents and favourites,
// the protocol choice, auto-connect, kill switch, ping, update checks, rating and referral flags,
// the test group, liked and disliked servers and the dedicated server.
//
// Each value lives under "<VPN user name>.<setting>", the user name read afresh at every access
// (from the standard defaults through a new User), so switching accounts switches the whole set;
// signed out, keys begin with the point. The account list is the exception: it lives under
// "<client id>.vpnAccounts". A thin view with no state of its own: any number may exist at once.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/PersonalizeServer.h"
#include "model/ServerRecord.h"
#include "foundation/Error.h"
#include "foundation/UserDefaults.h"
#include "model/UserAuthentication.h"
#include "state/StoredSetting.h"
#include "state/User.h"
#include "model/VPNProtocol.h"

namespace morvex {

class PreservedPreferences {
public:
    using VPNProtocol = morvex::VPNProtocol;
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    using ServerList = ZevuDataFetcherTypes::ServerList;
    using PersonalizeServer = PersonalizeServerModelTypes::PersonalizeServer;
    using Ratings = PersonalizeServerModelTypes::Ratings;
    using VPNAccount = UserAuthentication::VPNAccount;

    // What auto-connect targets; stored as its raw value (the case name).
    enum class AutoConnectVia { AutoSelect, Recommended, LastConnected, Location };
    enum class TestGroup { GroupA, GroupB };

    // Protocols the SDK must never pick on its own.
    static constexpr std::array<VPNProtocol, 1> excludedProtocols{VPNProtocol::TCP};

    // Posted by the setters named; objects as stated.
    static constexpr std::string_view recentsUpdatedNotification = "RecentsUpdated";  // ServerList
    static constexpr std::string_view automaticProtocolChangedNotification = "AutomaticProtocolChanged";  // bool
    static constexpr std::string_view passwordChangedNotification = "PasswordChanged";                    // bool
    static constexpr std::string_view dedicatedIpUpdatedNotification = "DedicatedIpUpdated";  // ServerPtr, may be null
    // Posted by clearUserPreferences (no object).
    static constexpr std::string_view preferencesRefreshedNotification = "PreferencesRefreshed";

    // The standard defaults and a new User.
    PreservedPreferences();
    PreservedPreferences(UserDefaults defaults, User userPreference);

    UserDefaults& defaults() const { return defaults_; }
    const User& userPreference() const { return userPreference_; }

    // "<VPN user name>.<name>", the user name read now; "." + name when signed out.
    static std::string perUserKey(std::string_view name);

    // Server lists read as empty when absent; elements that do not decode are dropped. None removes.
    ServerList recents() const;
    void setRecents(const std::optional<ServerList>& value);  // posts "RecentsUpdated"
    ServerList favorites() const;
    void setFavorites(const std::optional<ServerList>& value);
    void setCountries(const std::optional<ServerList>& value);
    std::vector<VPNAccount> vpnAccounts() const;
    void setVpnAccounts(const std::optional<std::vector<VPNAccount>>& value);

    // Plain settings, one line each: type, accessor, setter, {key after "<VPN user name>.", default}.
    // A flag's default of true is stored by its first read, so every later reader agrees. An absent
    // key, or a value of another kind, reads as the default; for how each type is kept see
    // state/StoredSettingForms.h (a protocol as its case index, AutoConnectVia as its raw value, a
    // server as its JSON record, null included; a date, text or list of text set to none is removed).
    MORVEX_SETTING(bool, allowVPNNotifications, setAllowVPNNotifications, {"allowVPNNotifications", true, FirstRead::storeDefault});
    MORVEX_SETTING(bool, enablePing, setEnablePing, {"enablePing", false});
    MORVEX_SETTING(bool, isFromDetail, setIsFromDetail, {"isFromDetail", false});
    MORVEX_SETTING(bool, isInstallNow, setIsInstallNow, {"isInstallNow", false});
    MORVEX_SETTING(std::optional<Date>, pingedAt, setPingedAt, {"pingedAt"});
    MORVEX_SETTING(bool, launchOnStartUp, setLaunchOnStartUp, {"launchOnStartUp", true, FirstRead::storeDefault});
    MORVEX_SETTING(bool, isAlreadyShownDetailScreen, setIsAlreadyShownDetailScreen, {"isAlreadyShownDetailScreen", false});
    MORVEX_SETTING(bool, reconnectOnLaunch, setReconnectOnLaunch, {"reconnectOnLaunch", false});
    MORVEX_SETTING(bool, preventSleep, setPreventSleep, {"preventSleep", false});
    MORVEX_SETTING(bool, autoConnectFromSleep, setAutoConnectFromSleep, {"autoConnectFromSleep", false});
    MORVEX_SETTING(bool, enablePersonaliseServer, setEnablePersonaliseServer, {"enablePersonaliseServer", false});
    MORVEX_SETTING(bool, automaticallyCheckForUpdate, setAutomaticallyCheckForUpdate, {"automaticallyCheckForUpdate", true, FirstRead::storeDefault});
    MORVEX_SETTING(bool, manuallyCheckForUpdate, setManuallyCheckForUpdate, {"manuallyCheckForUpdate", false});
    MORVEX_SETTING(VPNProtocol, selectedProtocol, setSelectedProtocol, {"selectedProtocol", VPNProtocol::IPSec});
    MORVEX_SETTING(VPNProtocol, dialedProtocol, setDialedProtocol, {"dialedProtocol", VPNProtocol::IPSec});
    MORVEX_SETTING(bool, desiredOutcomeAchieved, setDesiredOutcomeAchieved, {"desiredOutcomeAchieved", false});
    MORVEX_SETTING(bool, ratedOnStore, setRatedOnStore, {"ratedOnStore", false});
    MORVEX_SETTING(bool, referredAFriend, setReferredAFriend, {"referredAFriend", false});
    MORVEX_SETTING(bool, autoReconnectOnConnectionDrop, setAutoReconnectOnConnectionDrop, {"autoReconnectOnConnectionDrop", true, FirstRead::storeDefault});
    MORVEX_SETTING(bool, onDemandRulesEnabled, setOnDemandRulesEnabled, {"onDemandRulesEnabled", false});
    MORVEX_SETTING(std::optional<std::vector<std::string>>, connectOnDemandMatchDomains, setConnectOnDemandMatchDomains, {"connectOnDemandMatchDomains"});
    MORVEX_SETTING(bool, enableIKS, setEnableIKS, {"enableIKS", false});
    MORVEX_SETTING(ServerPtr, autoConnectServer, setAutoConnectServer, {"autoConnectServer"});
    MORVEX_SETTING(AutoConnectVia, autoConnectVia, setAutoConnectVia, {"autoConnectVia", AutoConnectVia::AutoSelect});
    MORVEX_SETTING(bool, passwordChanged, setPasswordChanged, {.key = "passwordChanged", .postedOnSet = passwordChangedNotification});
    MORVEX_SETTING(ServerPtr, dedicatedServer, setDedicatedServer, {.key = "dedicatedServer", .postedOnSet = dedicatedIpUpdatedNotification});
    MORVEX_SETTING(bool, isB2C, setIsB2C, {"isB2C", true, FirstRead::storeDefault});
    MORVEX_SETTING(std::optional<std::string>, referralLink, setReferralLink, {"referralLink"});
    MORVEX_SETTING(bool, connectToFallback, setConnectToFallback, {"connectToFallback", true, FirstRead::storeDefault});

    // Settings with logic of their own.
    // Default true, stored by the first read. Turning it on first resets the selected protocol to
    // IPSec; the setter posts "AutomaticProtocolChanged".
    bool automaticProtocol() const;
    void setAutomaticProtocol(bool value);
    // True exactly once per user name.
    bool firstLogin() const;
    // Drawn and stored on the first read (or when the stored text is neither group).
    TestGroup userTestGroup() const;
    void setUserTestGroup(TestGroup value);
    // The stored ratings; none when absent or not in the ratings format (such a value is dropped).
    std::optional<Ratings> personalizeServer() const;
    void setPersonalizeServer(const std::optional<Ratings>& value);  // none stores an empty dictionary
    void setDedicatedIpApiError(const std::optional<Error>& value);  // none removes

    // True when the selected protocol needs a system extension that is not activated yet.
    bool systemExtensionStatus() const;
    // The identifiers rated liked (or disliked) under a location code, in stored order, joined
    // with ","; the empty text when there are none or no code.
    std::string likedServers(const std::optional<std::string>& code) const;
    std::string dislikedServers(const std::optional<std::string>& code) const;

    // Returns the current user's settings to their defaults (see the .cpp for what survives),
    // clears the favourite mark of the recommended server, and posts
    // "ZevuRecommendedServerUpdated" and "PreferencesRefreshed".
    void clearUserPreferences();

private:
    // Behind the MORVEX_SETTING lines: the setting's key under the current user's name.
    template <class T>
    T readSetting(const StoredSetting<T>& setting) const;
    template <class T>
    void writeSetting(const StoredSetting<T>& setting, SettingParam<T> value);

    std::string ratedServers(const std::optional<std::string>& code, bool liked) const;

    mutable UserDefaults defaults_;
    User userPreference_;
};

std::string_view rawValue(PreservedPreferences::AutoConnectVia value);
std::optional<PreservedPreferences::AutoConnectVia> autoConnectViaFromRaw(std::string_view raw);
// Localization keys of the titles, and the localized titles in case order (the recommended title
// twice); construction from a title gives the first case with that localized title.
std::string_view titleKey(PreservedPreferences::AutoConnectVia value);
std::vector<std::string> autoConnectViaTitles();
std::optional<PreservedPreferences::AutoConnectVia> autoConnectViaFromTitle(std::string_view title);
std::string_view rawValue(PreservedPreferences::TestGroup value);

}  // namespace morvex
