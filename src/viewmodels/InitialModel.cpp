#include "viewmodels/InitialModel.h"

#include <cctype>
#include <nlohmann/json.hpp>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "api/Envelopes.h"
#include "api/Networking.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "model/BundleInfo.h"
#include "model/JsonCoding.h"
#include "state/AppManager.h"
#include "session/ProfileModel.h"
#include "session/UserAuthentication.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ZevuManager.h"

namespace morvex {

namespace {

using ServerType = ZevuDataFetcherTypes::ServerType;

bool tunnelUp(int status) {
    return status == static_cast<int>(zevu::ZevuVPNState::Connected) || status == static_cast<int>(zevu::ZevuVPNState::Connecting);
}

// The decoded answer of endpoint 19 inside the gateway's envelope.
struct DedicatedIPAnswer {
    static constexpr bool emptyObjectRepresentable = true;
    InitialModel::DedicatedIpResponseModel model;
};
void from_json(const nlohmann::json& j, DedicatedIPAnswer& a) { a.model = j.get<InitialModel::DedicatedIpResponseModel>(); }

InitialModel::Collaborators completed(InitialModel::Collaborators c) {
    if (!c.vpnStatus) c.vpnStatus = [] { return zevu::ZevuManager::sharedInstance()->getCurrentVPNStatus(); };
    if (!c.disconnectVPN) c.disconnectVPN = [] { zevu::ZevuManager::sharedInstance()->disconnectVPN(); };
    if (!c.updateRecommendedLocation) c.updateRecommendedLocation = [] { MorvexVPNService::makeZevu().updateRecommendedLocation(); };
    if (!c.connectToLocation) {
        c.connectToLocation = [](const ConnectRequest& request, ConnectErrorHandler onError) {
            MorvexVPNService::makeZevu().connectToLocation(request, std::move(onError));
        };
    }
    if (!c.logout) c.logout = [] { MorvexVPNService::logoutWithDefaults(); };
    if (!c.checkForUpdate) {
        c.checkForUpdate = [] {
            MorvexVPNService::checkForUpdate(true, AppPreferences(), [](const MorvexVPNService::VersionCheckResult& result) {
                if (!result) log::print("[InitialModel] version check failed: " + result.error().localizedDescription());
            });
        };
    }
    if (!c.fetchProfile) {
        c.fetchProfile = [] {
            ProfileModel(Networking::shared(), User(), MorvexVPNService::makeEventTracker(), PreservedPreferences(),
                         UserAuthentication())
                .fetchProfile({});
        };
    }
    if (!c.requestDedicatedIPDetail) {
        c.requestDedicatedIPDetail = [](const nlohmann::json& parameters,
                                        std::function<void(Result<InitialModel::DedicatedIpResponseModel>)> completion) {
            Networking::shared().requestDedicatedIPDetail<DedicatedIPAnswer>(
                parameters, [completion = std::move(completion)](Result<DedicatedIPAnswer> answer) {
                    if (!answer) completion(fail(answer.error()));
                    else completion(std::move(answer->model));
                });
        };
    }
    if (!c.nameDedicatedServer) {
        c.nameDedicatedServer = [](const ZevuDataFetcherTypes::ServerPtr& server) {
            MorvexVPNService::makeZevuDataFetcher().nameDedicatedServer(server, server);
        };
    }
    if (!c.connectErrorAlert) c.connectErrorAlert = InitialModel::connectErrorAlertInitial;
    if (!c.runningVersion) c.runningVersion = [] { return infoShortVersionString(); };
    if (!c.dataStoreVersion) c.dataStoreVersion = [] { return infoDataStoreVersion(); };
    return c;
}

}  // namespace

InitialModel::InitialModel() : InitialModel(Collaborators{}) {}

InitialModel::InitialModel(Collaborators collaborators) : c_(completed(std::move(collaborators))) {
    AppManager::shared().loadAuthObject();
    checkForUpdateAndProfile();
    addLaunchObservers();
}

InitialModel::~InitialModel() { lifetime_.end(); }

void InitialModel::addLaunchObservers() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    // Posted on the SDK's thread; the work and its timer belong to the main run loop. The guard is
    // made here, so the SDK's thread never reads this model's members.
    auto sdkInitialized = lifetime_.guard([this] { handleSDKInitialized(); });
    observers_.push_back(center.addObserver(ZevuTypes::sdkInitializedNotification, [sdkInitialized](const Notification&) {
        DispatchQueue::main().async(sdkInitialized);
    }));
    observers_.push_back(center.addObserver(ZevuTypes::stateNotification, [this](const Notification& n) {
        if (const auto* info = n.objectAs<ZevuTypes::ConnectionInfo>()) handleStateForUpdate(*info);
    }));
    observers_.push_back(center.addObserver(UserLoggedInChangedNotification, [this](const Notification& n) {
        if (const bool* in = n.objectAs<bool>()) tell(Status::of(*in ? Status::Kind::LoggedIn : Status::Kind::LoggedOut));
    }));
    observers_.push_back(center.addObserver(showDashboardNotification, [this](const Notification& n) {
        if (const bool* show = n.objectAs<bool>()) showDashboard_ = *show;
    }));
    observers_.push_back(center.addObserver(versionCheckRespondedNotification, [this](const Notification& n) {
        const auto* answer = n.objectAs<VersionCheckAnswer>();
        if (!answer) return;
        handleUpdateResponse(answer->silent, {answer->version.version, answer->version.release_note_url, answer->version.download_url});
    }));
    observers_.push_back(center.addObserver(vpnAccountDidChangeNotification, [this](const Notification&) { fetchDedicatedIPDetail(); }));
}

void InitialModel::tell(const Status& status) {
    if (delegate_) delegate_->updateStatus(status);
}

bool InitialModel::checkDataStoreVersion() {
    const std::int64_t built = c_.dataStoreVersion();
    if (dataStoreSignOutPending_ || appPreferences.dataStoreVersion() == built) return false;
    // The new version is kept only once the sign-out it calls for has happened: a sign-out the
    // user turned down (a tunnel was up) must be asked for again at the next launch.
    dataStoreSignOutPending_ = true;
    if (user.loggedIn()) {
        auto stopObserving = lifetime_.guard([this] { dataStoreSignOut_.remove(); });
        dataStoreSignOut_ = NotificationCenter::defaultCenter().addObserver(
            UserLoggedInChangedNotification, [stopObserving, built](const Notification& n) {
                const bool* in = n.objectAs<bool>();
                if (!in || *in) return;
                AppPreferences().setDataStoreVersion(built);
                DispatchQueue::main().async(stopObserving);
            });
    }
    c_.logout();
    if (!user.loggedIn()) {
        dataStoreSignOut_.remove();
        appPreferences.setDataStoreVersion(built);
    }
    return true;
}

int InitialModel::compareNumeric(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            std::string_view na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            while (na.size() > 1 && na.front() == '0') na.remove_prefix(1);
            while (nb.size() > 1 && nb.front() == '0') nb.remove_prefix(1);
            if (na.size() != nb.size()) return na.size() < nb.size() ? -1 : 1;
            if (int c = na.compare(nb); c != 0) return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

int InitialModel::compareVersion(std::string_view available, std::string_view forcedTill) const {
    const std::string running = c_.runningVersion();
    if (compareNumeric(available, running) <= 0) return kUpToDate;
    return compareNumeric(forcedTill, running) >= 0 ? kForcedUpdate : kOptionalUpdate;
}

InitialModel::UpdateInfo InitialModel::storedUpdateInfo() const {
    const AppPreferences::UpdateAvailable stored = appPreferences.updateAvailable();
    return {stored.availableVersion, stored.releaseNoteURL, stored.downloadUrl};
}

int InitialModel::storedUpdateComparison() const {
    const AppPreferences::UpdateAvailable stored = appPreferences.updateAvailable();
    return compareVersion(stored.availableVersion, stored.forcedTillVersion);
}

void InitialModel::checkForUpdateAndProfile() {
    c_.checkForUpdate();
    if (user.loggedIn()) c_.fetchProfile();
}

void InitialModel::handleSDKInitialized() {
    if (tunnelUp(c_.vpnStatus())) {
        // A tunnel left up by an earlier run of the application is taken down.
        c_.disconnectVPN();
        AppManager::shared().lastVPNStateConnected = false;
    } else {
        c_.updateRecommendedLocation();
    }
    DispatchQueue::main().asyncAfter(c_.autoConnectDelay, lifetime_.guard([this] { autoConnectOnLaunch(); }));
}

void InitialModel::autoConnectOnLaunch() {
    const int comparison = storedUpdateComparison();
    const int status = c_.vpnStatus();
    if (!preference.reconnectOnLaunch()) return;
    if (comparison == kForcedUpdate) return;
    if (tunnelUp(status)) return;
    if (!user.loggedIn()) return;

    ZevuDataFetcherTypes::ServerPtr server;
    ZevuTypes::SelectedInterface selected = ZevuTypes::SelectedInterface::Recommended;
    switch (preference.autoConnectVia()) {
    case PreservedPreferences::AutoConnectVia::AutoSelect:
    case PreservedPreferences::AutoConnectVia::Recommended:
        server = appPreferences.recommendedServer();
        if (!server) {
            c_.updateRecommendedLocation();
            return;
        }
        break;
    case PreservedPreferences::AutoConnectVia::LastConnected: {
        auto recents = preference.recents();
        if (recents.empty() || !recents.front()) return;
        server = recents.front();
        selected = ZevuTypes::SelectedInterface::Recent;
        break;
    }
    case PreservedPreferences::AutoConnectVia::Location:
        server = preference.autoConnectServer();
        if (!server) return;
        selected = ZevuTypes::SelectedInterface::List;
        break;
    }
    ConnectRequest request;
    request.server = server;
    request.connectVia = ZevuTypes::connectVia(server->type);
    request.selectedInterfaceScreen = ZevuTypes::SelectedInterfaceScreen::None;
    request.connectionInitiatedBy = ZevuTypes::ConnectionInitiatedBy::AutoConnectOnLaunch;
    request.selectedInterface = selected;
    request.allowProtocolFallback = false;
    request.checkBusy = true;
    c_.connectToLocation(request, c_.connectErrorAlert);
}

void InitialModel::connectErrorAlertInitial(const std::optional<Error>& error) {
    if (!error) return;
    switch (error->code) {
    case 998: Alert().showNoSubscription(); break;
    case 701: Alert().showUserExpired(User(), PreservedPreferences(), ScreenContext::appLaunch, MorvexVPNService::makeEventTracker()); break;
    case 533: Alert().showUserDisabled(PreservedPreferences()); break;
    default: break;
    }
}

void InitialModel::handleUpdateResponse(bool silent, const UpdateInfo& answer) {
    log::print("[InitialModel] version answer " + answer.availableVersion);
    const int comparison = compareVersion(answer.availableVersion, c_.runningVersion());
    if (comparison == kOptionalUpdate) {
        if (silent && !preference.automaticallyCheckForUpdate()) return;
        tell(Status::updateAvailable(answer));
    } else if (comparison == kForcedUpdate) {
        if (!tunnelUp(c_.vpnStatus())) tell(Status::forceUpdateAvailable(answer));
        else if (!silent) tell(Status::of(Status::Kind::ForceUpdateAvailableAndConnected));
    } else if (!silent) {
        tell(Status::of(Status::Kind::AppUptoDate));
    }
}

void InitialModel::handleStateForUpdate(const ZevuTypes::ConnectionInfo& info) {
    const int comparison = storedUpdateComparison();
    switch (info.state) {
    case ZevuConnectionState::Connected:
        if (comparison == kForcedUpdate) tell(Status::of(Status::Kind::LoggedIn));
        break;
    case ZevuConnectionState::Disconnected:
        if (comparison == kForcedUpdate && info.manualDisconnection) tell(Status::forceUpdateAvailable(storedUpdateInfo()));
        break;
    case ZevuConnectionState::UnableToConnect:
        if (comparison == kOptionalUpdate) tell(Status::updateAvailable(storedUpdateInfo()));
        else if (comparison == kForcedUpdate) tell(Status::forceUpdateAvailable(storedUpdateInfo()));
        break;
    default: break;
    }
}

void InitialModel::fetchDedicatedIPDetail() {
    nlohmann::json parameters = {{"username", user.vpnUsername().value_or("")}, {"uuid", user.uuid()}};
    auto name = c_.nameDedicatedServer;
    c_.requestDedicatedIPDetail(parameters, [name](Result<DedicatedIpResponseModel> answer) {
        if (!answer) {
            PreservedPreferences().setDedicatedIpApiError(answer.error());
            return;
        }
        const DedicatedIPDetail& detail = answer->dedicatedIPDetail;
        auto server = std::make_shared<ZevuDataFetcherTypes::Server>(detail.countryISO, detail.host, ServerType::DedicatedIp,
                                                                     detail.countryISO);
        server->ip = detail.ip;
        server->host = detail.host;
        name(server);
    });
}

void to_json(nlohmann::json& j, const InitialModel::DedicatedIPDetail& v) {
    j = nlohmann::json{{"ip", v.ip}, {"host", v.host}, {"country_iso", v.countryISO}};
}
void from_json(const nlohmann::json& j, InitialModel::DedicatedIPDetail& v) {
    v.ip = coding::requiredString(j, "ip");
    v.host = coding::requiredString(j, "host");
    v.countryISO = coding::requiredString(j, "country_iso");
}
void to_json(nlohmann::json& j, const InitialModel::DedicatedIpResponseModel& v) {
    j = nlohmann::json{{"dedicated_ip_detail", v.dedicatedIPDetail}};
}
void from_json(const nlohmann::json& j, InitialModel::DedicatedIpResponseModel& v) {
    v.dedicatedIPDetail = coding::requiredRecord<InitialModel::DedicatedIPDetail>(j, "dedicated_ip_detail");
}

}  // namespace morvex
