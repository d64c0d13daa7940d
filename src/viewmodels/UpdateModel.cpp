#include "viewmodels/UpdateModel.h"

#include <cmath>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "api/Networking.h"
#include "appkit/Workspace.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "model/BundleInfo.h"
#include "model/WebLink.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ZevuManager.h"

namespace morvex {

namespace {

bool tunnelUp(int status) {
    return status == static_cast<int>(zevu::ZevuVPNState::Connected) || status == static_cast<int>(zevu::ZevuVPNState::Connecting);
}

UpdateModel::Collaborators completed(UpdateModel::Collaborators c) {
    if (!c.vpnStatus) c.vpnStatus = [] { return zevu::ZevuManager::sharedInstance()->getCurrentVPNStatus(); };
    if (!c.download) {
        c.download = [](const std::string& url, std::function<void(double, double)> progress,
                        std::function<void(Result<std::filesystem::path>)> completion) {
            return Networking::shared().downloadPackage(
                url, [progress = std::move(progress)](const http::Progress& p, double remaining) { progress(p.fractionCompleted(), remaining); },
                std::move(completion));
        };
    }
    if (!c.cancelDownload) {
        c.cancelDownload = [](const std::string& id) {
            auto& requests = Networking::shared().downloadRequests;
            if (auto it = requests.find(id); it != requests.end() && it->second) it->second->cancel();
        };
    }
    if (!c.openInstaller) {
        // The desktop's handler of the package type (its software installer) takes the package.
        c.openInstaller = [](const std::filesystem::path& package, std::function<void(bool)> done) {
            appkit::Workspace::openFile(package, std::move(done));
        };
    }
    if (!c.revealPackage) c.revealPackage = [](const std::filesystem::path& package) { appkit::Workspace::revealFile(package); };
    if (!c.terminate) {
        c.terminate = [] {
            if (auto terminate = AlertServices::installed().terminate) terminate();
        };
    }
    if (!c.makeEventTracker) c.makeEventTracker = [] { return MorvexVPNService::makeEventTracker(); };
    if (!c.runningVersion) c.runningVersion = [] { return infoShortVersionString(); };
    return c;
}

// A download stopped on purpose (cancel, or the loss of network that already said so) ends with
// the transport's cancellation somewhere in the error's chain.
bool wasCancelled(const Error& error) {
    for (const Error* e = &error; e; e = e->underlying.get())
        if (e->domain == http::kURLErrorDomain && e->code == http::URLError::cancelled) return true;
    return false;
}

std::string units(long count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + localized(count == 1 ? one : many);
}

}  // namespace

UpdateModel::UpdateModel() : UpdateModel(Collaborators{}) {}

UpdateModel::UpdateModel(Collaborators collaborators)
    : releaseNote(urlString(WebLink::Home)), timeRemaining(calculatingText()), c_(completed(std::move(collaborators))) {
    reachability_ = NotificationCenter::defaultCenter().addObserver(networkReachabilityChangedNotification, [this](const Notification& n) {
        networkReachabilityChanged(n.object);
    });
}

UpdateModel::~UpdateModel() { lifetime_.end(); }

std::string UpdateModel::localizedFormat(std::string_view key, std::string_view argument) {
    std::string text = localized(key);
    if (auto at = text.find("%@"); at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

std::string UpdateModel::calculatingText() { return localized("update.calculating"); }

std::optional<std::string> UpdateModel::remainingText(double seconds) {
    if (std::isinf(seconds) && seconds > 0) return std::string("∞");
    if (std::isnan(seconds) || seconds < 0) return std::nullopt;
    const long total = std::lround(seconds);
    const long minutes = total / 60;
    const long rest = total % 60;
    std::string text;
    if (minutes > 0) {
        text = units(minutes, "update.unit.minute", "update.unit.minutes");
        if (rest > 0) text += ", " + units(rest, "update.unit.second", "update.unit.seconds");
    } else {
        text = units(rest, "update.unit.second", "update.unit.seconds");
    }
    return localizedFormat("update.time.remaining %@", text);
}

Dictionary UpdateModel::ignoredProperties() const {
    return {{"current", c_.runningVersion()},
            {"force", forceUpdate.value()},
            {"auto_update", preferences.automaticallyCheckForUpdate()},
            {"available", availableVersion.value()}};
}

void UpdateModel::installNow() {
    preferences.setIsInstallNow(true);
    if (tunnelUp(c_.vpnStatus())) {
        // The install waits for the user to disconnect; until then nothing is being installed, so
        // a later loss of network must not report an interrupted download.
        preferences.setIsInstallNow(false);
        Alert().showInfo(localized("update.available.alert.title"), localized("vpn.disconnect.on.logout"));
        return;
    }
    c_.makeEventTracker().track(AnalyticsEvent::app_update_start,
                                Dictionary{{"current", c_.runningVersion()},
                                           {"available", availableVersion.value()},
                                           {"auto_update", preferences.automaticallyCheckForUpdate()},
                                           {"forced", forceUpdate.value()}});
    downloadProgress = 0.0;
    timeRemaining = calculatingText();
    downloading = true;
    requestId = c_.download(
        downloadUrl.value(),
        lifetime_.guard([this](double fraction, double remaining) { downloadProgressed(fraction, remaining); }),
        lifetime_.guard([this](Result<std::filesystem::path> result) { downloadFinished(result); }));
}

void UpdateModel::downloadProgressed(double fraction, double remainingSeconds) {
    downloadProgress = fraction;
    if (auto text = remainingText(remainingSeconds)) timeRemaining = *text;
}

void UpdateModel::downloadFinished(const Result<std::filesystem::path>& result) {
    downloading = false;
    requestId = std::nullopt;
    if (!result) {
        log::print("Error: " + result.error().localizedDescription());
        if (wasCancelled(result.error())) return;
        preferences.setIsInstallNow(false);
        showInterrupted(false);
        return;
    }
    c_.openInstaller(*result, lifetime_.guard([this, package = *result](bool opened) { installerOpened(package, opened); }));
}

void UpdateModel::installerOpened(const std::filesystem::path& package, bool opened) {
    if (opened) {
        c_.terminate();
        return;
    }
    // Without an installer to take the package the application stays, and says where it is.
    log::print("[UpdateViewController] no installer took the downloaded package");
    preferences.setIsInstallNow(false);
    auto reveal = c_.revealPackage;
    Alert().showInstallerNotOpened(package.string(), lifetime_.callback<>([reveal, package] { reveal(package); }));
}

void UpdateModel::showInterrupted(bool networkLost) {
    Alert().showDownloadInterrupted(networkLost, lifetime_.callback<>([this] { installNow(); }));
}

void UpdateModel::cancel() {
    preferences.setIsInstallNow(false);
    if (const auto& id = requestId.value()) c_.cancelDownload(*id);
    requestId = std::nullopt;
}

void UpdateModel::remindMeLater() {
    preferences.setIsInstallNow(false);
    NotificationCenter::defaultCenter().post(remindMeLaterNotification);
    c_.makeEventTracker().track(AnalyticsEvent::app_update_ignored, ignoredProperties());
}

void UpdateModel::quit() {
    preferences.setIsInstallNow(false);
    c_.makeEventTracker().track(AnalyticsEvent::app_update_ignored, ignoredProperties());
    c_.terminate();
}

void UpdateModel::networkReachabilityChanged(const std::any& object) {
    const auto* info = std::any_cast<std::map<std::string, bool>>(&object);
    if (!info) return;
    auto it = info->find("reachable");
    if (it == info->end() || it->second || !preferences.isInstallNow()) return;
    cancel();
    showInterrupted(true);
}

}  // namespace morvex
