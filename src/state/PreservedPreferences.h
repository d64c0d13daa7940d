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

    // Default-true flags store true on their first read.
    bool allowVPNNotifications() const;
    void setAllowVPNNotifications(bool value);
    bool enablePing() const;
    void setEnablePing(bool value);
    void setIsFromDetail(bool value);
    bool isInstallNow() const;
    void setIsInstallNow(bool value);
    std::optional<Date> pingedAt() const;  // none when absent or not a date
    void setPingedAt(const std::optional<Date>& value);  // none removes
    bool launchOnStartUp() const;
    void setLaunchOnStartUp(bool value);
    void setIsAlreadyShownDetailScreen(bool value);
    bool reconnectOnLaunch() const;
    void setReconnectOnLaunch(bool value);
    bool preventSleep() const;
    void setPreventSleep(bool value);
    bool autoConnectFromSleep() const;
    void setAutoConnectFromSleep(bool value);
    bool enablePersonaliseServer() const;
    void setEnablePersonaliseServer(bool value);
    bool automaticallyCheckForUpdate() const;
    void setAutomaticallyCheckForUpdate(bool value);
    bool manuallyCheckForUpdate() const;
    void setManuallyCheckForUpdate(bool value);
    bool automaticProtocol() const;
    // Turning it on first resets the selected protocol to IPSec; posts "AutomaticProtocolChanged".
    void setAutomaticProtocol(bool value);
    // Only a stored integer 0-4 counts; anything else reads as IPSec.
    VPNProtocol selectedProtocol() const;
    void setSelectedProtocol(VPNProtocol value);
    VPNProtocol dialedProtocol() const;
    void setDialedProtocol(VPNProtocol value);
    // True exactly once per user name.
    bool firstLogin() const;
    // Drawn and stored on the first read (or when the stored text is neither group).
    TestGroup userTestGroup() const;
    void setUserTestGroup(TestGroup value);
    bool desiredOutcomeAchieved() const;
    void setDesiredOutcomeAchieved(bool value);
    bool ratedOnStore() const;
    void setRatedOnStore(bool value);
    bool referredAFriend() const;
    void setReferredAFriend(bool value);
    // On unless the user turned it off; the read stores what it answers.
    bool autoReconnectOnConnectionDrop() const;
    void setAutoReconnectOnConnectionDrop(bool value);
    bool onDemandRulesEnabled() const;
    std::optional<std::vector<std::string>> connectOnDemandMatchDomains() const;
    bool enableIKS() const;
    void setEnableIKS(bool value);
    ServerPtr autoConnectServer() const;  // null when absent or undecodable
    void setAutoConnectServer(const ServerPtr& value);
    AutoConnectVia autoConnectVia() const;  // AutoSelect when absent or unknown
    void setAutoConnectVia(AutoConnectVia value);
    bool passwordChanged() const;
    void setPasswordChanged(bool value);  // posts "PasswordChanged"
    // The stored ratings; none when absent or not in the ratings format (such a value is dropped).
    std::optional<Ratings> personalizeServer() const;
    void setPersonalizeServer(const std::optional<Ratings>& value);  // none stores an empty dictionary
    ServerPtr dedicatedServer() const;
    void setDedicatedServer(const ServerPtr& value);  // posts "DedicatedIpUpdated"
    void setDedicatedIpApiError(const std::optional<Error>& value);  // none removes
    bool isB2C() const;
    void setReferralLink(const std::optional<std::string>& value);
    bool connectToFallback() const;
    void setConnectToFallback(bool value);

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
    bool flag(std::string_view name) const;
    bool flagDefaultingToTrue(std::string_view name) const;
    void setFlag(bool value, std::string_view name);
    ServerPtr server(std::string_view name) const;
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
