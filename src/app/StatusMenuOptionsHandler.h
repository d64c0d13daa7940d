#pragma once
// The actions the application's menu offers beside the status item: check for an update, contact
// support, log out. It also sets up the core services (reachability, analytics, the VPN SDK)
// when it is made and again each time sign-in posts "FetchNotifications"; set-ups never overlap.
//
// Threads: main thread. The set-up runs on the caller's thread: the analytics instance and the
// reachability listener belong to the main thread, and every caller is on it.
#include <functional>
#include <optional>

#include "foundation/Error.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"

namespace morvex {

class StatusMenuOptionsHandler {
public:
    struct Hooks {
        // The engine's version check (not silent); the completion hears none on success.
        std::function<void(bool silent, std::function<void(std::optional<Error>)>)> versionCheck;
        // The steps of the core set-up, in order.
        std::function<void()> startReachability;
        std::function<void()> startAnalytics;
        std::function<void()> setUpSDK;
        // False where the launch sets the SDK up itself moments later (the application's start):
        // the set-up at creation then leaves the SDK alone; sign-in's requests still repeat it.
        bool setUpSDKAtCreation = true;
    };

    StatusMenuOptionsHandler();
    explicit StatusMenuOptionsHandler(Hooks hooks);
    ~StatusMenuOptionsHandler();

    // The run's handler, which the application menu's entries call; the entry point installs the
    // one it makes (null before, and again once it is gone).
    static StatusMenuOptionsHandler* installed();
    void install();

    // Connected or connecting: the disconnect-first warning only. Otherwise the looking-for-update
    // sheet and a version check. A failed check ends the sheet and shows the failure; a successful
    // one is answered by whoever shows the update ("VersionCheckApiResponded").
    void checkForUpdate();
    // The support page in the interface language (German for "de" or none stored).
    void contactSupport();
    void logout();
    void setupCoreClass();

private:
    void setUp(bool withSDK);
    Hooks hooks_;
    bool settingUp_ = false;
    ObserverToken fetchNotificationsObserver_;
};

}  // namespace morvex
