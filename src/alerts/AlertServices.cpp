#include "alerts/AlertServices.h"

#include <QCoreApplication>
#include <cstdlib>
#include <mutex>

#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/RunningApplications.h"
#include "state/AppManager.h"
#include "zevu/FirewallManager.h"
#include "zevu/ZevuManager.h"

namespace morvex {

namespace {

// The SDK's shared manager (nothing to drive before the SDK is set up) and firewall manager.
class SDKControl final : public VPNControl {
public:
    int getCurrentVPNStatus() override {
        auto manager = zevu::ZevuManager::sharedInstance();
        return manager ? manager->getCurrentVPNStatus() : zevu::rawValue(zevu::ZevuVPNState::Invalid);
    }
    void setDoCheckInternetConnectivity(bool check) override {
        if (auto manager = zevu::ZevuManager::sharedInstance()) manager->setDoCheckInternetConnectivity(check);
    }
    void reconnectVPN() override {
        if (auto manager = zevu::ZevuManager::sharedInstance()) manager->reconnectVPN();
    }
    void cancelVPN() override {
        if (auto manager = zevu::ZevuManager::sharedInstance()) manager->cancelVPN();
    }
    void disconnectVPN() override {
        if (auto manager = zevu::ZevuManager::sharedInstance()) manager->disconnectVPN();
    }
    void disableFirewall() override { zevu::FirewallManager::shared().disableFirewall([](bool) {}); }
};

Result<void> launchDetached(const std::string& program, const std::vector<std::string>& arguments) {
    auto launched = RunningApplications::launchApplication(program, arguments);
    if (!launched) return fail(launched.error());
    return {};
}

}  // namespace

AlertServices AlertServices::completed(AlertServices s) {
    AlertServices d = AlertServices::defaults();
    if (!s.presenter) s.presenter = d.presenter;
    if (!s.vpn) s.vpn = d.vpn;
    if (!s.openURL) s.openURL = d.openURL;
    if (!s.logout) s.logout = d.logout;
    if (!s.terminate) s.terminate = d.terminate;
    if (!s.exitProcess) s.exitProcess = d.exitProcess;
    if (!s.launchProcess) s.launchProcess = d.launchProcess;
    if (!s.afterDelay) s.afterDelay = d.afterDelay;
    if (!s.makeEventTracker) s.makeEventTracker = d.makeEventTracker;
    if (!s.appManager) s.appManager = d.appManager;
    return s;
}

namespace {

std::mutex installedMutex;
AlertServices& installedServices() {
    static AlertServices services = AlertServices::defaults();
    return services;
}

}  // namespace

AlertServices AlertServices::defaults() {
    AlertServices s;
    // Until the desktop layer installs its sheet an alert is only logged (Alert::beginSheet).
    s.vpn = std::make_shared<SDKControl>();
    s.openURL = [](const std::string& url) {
        if (auto opened = launchDetached("/usr/bin/xdg-open", {url}); !opened)
            log::print("[Alert] Could not open " + url + ": " + opened.error().localizedDescription());
    };
    s.logout = [] { log::print("[Alert] No logout entry installed; the session stays."); };
    s.terminate = [] {
        if (auto* app = QCoreApplication::instance()) app->quit();
    };
    s.exitProcess = [](int status) { std::exit(status); };
    s.launchProcess = launchDetached;
    s.afterDelay = [](double seconds, std::function<void()> block) {
        DispatchQueue::main().asyncAfter(seconds, std::move(block));
    };
    s.makeEventTracker = [] { return EventTracker(); };
    s.appManager = &AppManager::shared();
    return s;
}

AlertServices AlertServices::installed() {
    std::lock_guard lock(installedMutex);
    return installedServices();
}

void AlertServices::install(AlertServices services) {
    auto complete = completed(std::move(services));
    std::lock_guard lock(installedMutex);
    installedServices() = std::move(complete);
}

}  // namespace morvex
