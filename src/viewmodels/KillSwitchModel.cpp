#include "viewmodels/KillSwitchModel.h"

#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "zevu/FirewallManager.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {

const char* word(bool value) { return value ? "true" : "false"; }

// The toggle event names the state the store holds after the change.
void trackToggle(EventTracker& tracker, const PreservedPreferences& preferences) {
    tracker.track(AnalyticsEvent::app_toggle_iks,
                  Dictionary{{"status", std::string(preferences.enableIKS() ? "enabled" : "disabled")}});
}

}  // namespace

KillSwitchFirewall KillSwitchFirewall::shared() {
    KillSwitchFirewall f;
    f.disable = [](std::function<void(bool)> done) { zevu::FirewallManager::shared().disableFirewall(std::move(done)); };
    f.isHelperToolInstalled = [](std::function<void(bool)> done) {
        zevu::FirewallManager::shared().isHelperToolInstalled(std::move(done));
    };
    f.installHelperTool = [] { return zevu::FirewallManager::shared().installHelperTool(); };
    return f;
}

KillSwitchModel::KillSwitchModel(PreservedPreferences preferences, EventTracker eventTracker,
                                 KillSwitchFirewall firewall, std::shared_ptr<VPNControl> vpn)
    : preferences_(std::move(preferences)),
      eventTracker_(std::move(eventTracker)),
      firewall_(std::move(firewall)),
      vpn_(std::move(vpn)) {}

bool KillSwitchModel::mayChange() const {
    std::shared_ptr<VPNControl> vpn = vpn_ ? vpn_ : AlertServices::installed().vpn;
    if (!vpn) return true;
    const int status = vpn->getCurrentVPNStatus();
    return status != zevu::rawValue(zevu::ZevuVPNState::Connecting) &&
           status != zevu::rawValue(zevu::ZevuVPNState::Connected);
}

void KillSwitchModel::turnOff() {
    preferences_.setEnableIKS(false);
    log::print(std::string("IKS Status: ") + word(preferences_.enableIKS()));
    trackToggle(eventTracker_, preferences_);
    if (firewall_.disable) firewall_.disable([](bool) {});
}

void KillSwitchModel::turnOn(std::function<void(Outcome, const std::string&)> done) {
    log::print(std::string("IKS Status: ") + word(true));
    // Everything the answer needs is copied: the model may be gone when it arrives.
    auto preferences = preferences_;
    auto tracker = eventTracker_;
    auto install = firewall_.installHelperTool;
    firewall_.isHelperToolInstalled([preferences, tracker, install, done](bool answer) mutable {
        DispatchQueue::main().async([preferences, tracker, install, done, answer]() mutable {
            preferences.setEnableIKS(answer);
            if (answer) {
                trackToggle(tracker, preferences);
                if (done) done(Outcome::AlreadyOn, {});
                return;
            }
            Result<bool> installed = install ? install() : Result<bool>(false);
            if (!installed) log::print(installed.error().message);
            const bool ok = installed && *installed;
            preferences.setEnableIKS(ok);
            if (ok) trackToggle(tracker, preferences);
            tracker.track(AnalyticsEvent::app_helpertool, Dictionary{{"installed", std::string(word(ok))}});
            if (!done) return;
            if (ok) done(Outcome::Installed, {});
            else done(Outcome::NotInstalled, std::string(installed ? kRefusedKey : kNoHelperKey));
        });
    });
}

}  // namespace morvex
