#pragma once
// What happens after launch, behind the root view controller: the data-store version check, the
// silent update check and the profile fetch, the leftover tunnel of an earlier run taken down once the
// SDK is ready, the auto-connect-on-launch decision three seconds later, version answers and
// connection states turned into statuses for the root, and the dedicated-IP detail loaded when the
// account changes.
//
// Threads: made and destroyed on the main thread. The engine's state notification arrives on the
// SDK's thread and is judged there (the stores are thread-safe); the delegate hops to the main
// queue. The SDK-ready notification may come from any thread: its work and the auto-connect timer
// always run on the main thread's run loop, which is the one that is sure to turn.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "alerts/ConnectRequest.h"
#include "foundation/Error.h"
#include "foundation/Lifetime.h"
#include "foundation/NotificationCenter.h"
#include "model/ServerRecord.h"
#include "model/ZevuTypes.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"

namespace morvex {

class InitialModel {
public:
    // What the root controller is told to show.
    struct UpdateInfo {
        std::string availableVersion;
        std::string releaseNote;
        std::optional<std::string> downloadUrl;
        friend bool operator==(const UpdateInfo&, const UpdateInfo&) = default;
    };
    struct Status {
        enum class Kind { UpdateAvailable, ForceUpdateAvailable, LoggedIn, LoggedOut, AppUptoDate, ForceUpdateAvailableAndConnected };
        Kind kind;
        std::optional<UpdateInfo> info;  // with the two update offers only
        static Status updateAvailable(UpdateInfo info) { return {Kind::UpdateAvailable, std::move(info)}; }
        static Status forceUpdateAvailable(UpdateInfo info) { return {Kind::ForceUpdateAvailable, std::move(info)}; }
        static Status of(Kind kind) { return {kind, std::nullopt}; }
        friend bool operator==(const Status&, const Status&) = default;
    };

    // The answer of "/user/dedicatedipdetail/v3"; every key is required.
    struct DedicatedIPDetail {
        std::string ip;
        std::string host;
        std::string countryISO;
        friend bool operator==(const DedicatedIPDetail&, const DedicatedIPDetail&) = default;
    };
    struct DedicatedIpResponseModel {
        DedicatedIPDetail dedicatedIPDetail;
        friend bool operator==(const DedicatedIpResponseModel&, const DedicatedIpResponseModel&) = default;
    };

    // compareVersion's answers.
    static constexpr int kOptionalUpdate = 0;
    static constexpr int kForcedUpdate = 1;
    static constexpr int kUpToDate = 2;

    static constexpr std::string_view showDashboardNotification = "ShowDashboard";              // object: bool
    static constexpr std::string_view versionCheckRespondedNotification = "VersionCheckApiResponded";  // VersionCheckAnswer
    static constexpr std::string_view vpnAccountDidChangeNotification = "VPNAccountDidChangeNotification";

    // What the model reaches outside its stores; empty members get the real ones.
    struct Collaborators {
        std::function<int()> vpnStatus;  // the SDK's status number: 3 connected, 2 connecting
        std::function<void()> disconnectVPN;
        std::function<void()> updateRecommendedLocation;
        // The engine's connect-to-location path.
        ConnectToLocation connectToLocation;
        // The sign-out with its usual collaborators (it may ask first while a tunnel is up).
        std::function<void()> logout;
        // The silent version check; its answer comes back as "VersionCheckApiResponded".
        std::function<void()> checkForUpdate;
        std::function<void()> fetchProfile;
        // Endpoint 19 with the parameters; the answer decoded.
        std::function<void(const nlohmann::json& parameters, std::function<void(Result<DedicatedIpResponseModel>)>)>
            requestDedicatedIPDetail;
        // The catalogue's naming of a dedicated IP, which stores it as the user's dedicated server.
        std::function<void(const ZevuDataFetcherTypes::ServerPtr&)> nameDedicatedServer;
        // Shows the alert a failed launch-time connect calls for.
        std::function<void(const std::optional<Error>&)> connectErrorAlert;
        // The running version (CFBundleShortVersionString) and the build's data-store version.
        std::function<std::string()> runningVersion;
        std::function<std::int64_t()> dataStoreVersion;
        // Seconds from the SDK being ready to the auto-connect decision.
        double autoConnectDelay = 3.0;
    };

    class Delegate {
    public:
        virtual ~Delegate() = default;
        // May be called on any thread.
        virtual void updateStatus(const Status& status) = 0;
    };

    InitialModel();
    explicit InitialModel(Collaborators collaborators);
    ~InitialModel();
    InitialModel(const InitialModel&) = delete;
    InitialModel& operator=(const InitialModel&) = delete;

    AppPreferences appPreferences;
    PreservedPreferences preference;
    User user;

    // Not owned; the owner clears it before it goes.
    void setDelegate(Delegate* delegate) { delegate_ = delegate; }
    bool showDashboard() const { return showDashboard_; }
    // The SDK's status number, through the model's engine.
    int vpnStatus() const { return c_.vpnStatus(); }

    // True once per change of the data-store version: the sign-out has been asked for and the root
    // shows the upgrade alert. The new version is stored when the user is signed out, so a sign-out
    // that was refused (a tunnel was up) asks again at the next launch.
    bool checkDataStoreVersion();

    // 0 optional update, 1 forced, 2 up to date, by numeric comparison with the running version
    // ("1.10" is newer than "1.9"); an empty available version is never newer.
    int compareVersion(std::string_view available, std::string_view forcedTill) const;
    static int compareNumeric(std::string_view a, std::string_view b);

    // The handlers of the notifications the model observes.
    void handleSDKInitialized();
    void autoConnectOnLaunch();
    void handleUpdateResponse(bool silent, const UpdateInfo& answer);
    void handleStateForUpdate(const ZevuTypes::ConnectionInfo& info);
    void fetchDedicatedIPDetail();
    void checkForUpdateAndProfile();

    // The alert for a launch-time connect that failed: 998 no subscription, 701 expired, 533
    // disabled; nothing for any other code.
    static void connectErrorAlertInitial(const std::optional<Error>& error);

private:
    void addLaunchObservers();
    void tell(const Status& status);
    UpdateInfo storedUpdateInfo() const;
    int storedUpdateComparison() const;

    Collaborators c_;
    Delegate* delegate_ = nullptr;
    bool showDashboard_ = false;
    bool dataStoreSignOutPending_ = false;
    std::vector<ObserverToken> observers_;
    ObserverToken dataStoreSignOut_;
    Lifetime lifetime_;
};

void to_json(nlohmann::json& j, const InitialModel::DedicatedIPDetail& v);
void from_json(const nlohmann::json& j, InitialModel::DedicatedIPDetail& v);
void to_json(nlohmann::json& j, const InitialModel::DedicatedIpResponseModel& v);
void from_json(const nlohmann::json& j, InitialModel::DedicatedIpResponseModel& v);

}  // namespace morvex
