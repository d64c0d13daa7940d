#pragma once
// The application delegate: the launch sequence once the run loop runs (the stored appearance,
// the autostart entry and the sleep lock as the preferences say), the Dock (taskbar) visibility
// on activation, reconnecting after wake, the question before quitting while a tunnel
// is up, and the clean-up at termination.
//
// Threads: every entry point runs on the main thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/kit/QtAlertPresenter.h"
#include "app/VpnEngine.h"
#include "appkit/Application.h"
#include "appkit/PowerAssertion.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Timer.h"
#include "foundation/Value.h"
#include "state/EventTracker.h"
#include "ui/shell/PageInputs.h"

namespace morvex {

// Seconds since 2001-01-01 UTC, as the launch-time and connection-identifier texts count them.
double absoluteTimeNow();
// Written by the entry point before anything else runs.
extern double appLaunchStartTime;

inline constexpr std::string_view killLauncherNotification = "killMorvexVPNLauncher";
inline constexpr std::string_view countriesOpenedFromNotification = "countriesOpenedFrom";
inline constexpr std::string_view switchedToDashboardNotification = "switchedToDashboard";

// `length` characters drawn uniformly from the 66 unreserved characters of RFC 3986
// ("A"-"Z", "a"-"z", "0"-"9", "-", ".", "_", "~"), each from 64 random bits mapped by multiply-high
// with the biased low range redrawn. The source is the system's secure random source unless given.
std::string generateCodeVerifier(std::size_t length);
std::string generateCodeVerifier(std::size_t length, const std::function<std::uint64_t()>& random);

class AppDelegate : public appkit::ApplicationDelegate, public SleepAssertionHolder {
public:
    // What the delegate works with; empty members get the real ones.
    struct Collaborators {
        std::shared_ptr<VpnEngine> engine;
        std::shared_ptr<EventTracking> analytics;
        std::shared_ptr<QtAlertPresenter> alerts;  // the quit sheet's
        appkit::Application* application = nullptr;
        NotificationCenter* workspaceCenter = nullptr;  // where wake is announced
        std::function<appkit::IOReturn(appkit::IOPMAssertionID)> releaseAssertion;
        // Takes the "prevent sleep" lock (logind's inhibitor).
        std::function<appkit::IOReturn(appkit::IOPMAssertionID&)> createAssertion;
        // Registers (true) or removes (false) the launcher's autostart entry; false when refused.
        std::function<bool(bool enabled)> setLoginItem;
        std::function<double()> clock;  // absoluteTimeNow
    };

    AppDelegate();
    explicit AppDelegate(Collaborators collaborators);
    ~AppDelegate() override;

    // The "prevent sleep" assertion: taken at launch when the preference is on, or by the general
    // preferences; the delegate releases it when the preferences are cleared and at termination,
    // and forgets it then.
    std::optional<appkit::IOPMAssertionID> sleepAssertionId;
    std::optional<appkit::IOPMAssertionID>& heldSleepAssertion() override { return sleepAssertionId; }

    // Before the first window is made: settles the language every screen speaks, and signs out a
    // user whose stored preferences were found damaged (what is left of the session is not to be
    // trusted), to say so once the window shows.
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching() override;
    void applicationWillBecomeActive() override;
    void applicationDidResignActive() override;
    appkit::TerminateReply applicationShouldTerminate() override;
    void applicationWillTerminate() override;

    // Remote notifications: console output only.
    void didRegisterForRemoteNotificationsWithDeviceToken(const Bytes& token);
    void didFailToRegisterForRemoteNotificationsWithError(const Error& error);
    void didReceiveRemoteNotification(const Dictionary& userInfo);

    // The launch steps, in launch order.
    void trackAppLaunch();
    void launchVersionBookkeeping();
    void killLauncherIfRunning();
    void checkCachedCountriesAfterLaunch();
    void prefetchCountriesAtLaunch();
    // What the stored preferences ask of the desktop, at launch and after they are cleared: the
    // autostart entry exactly when "launchOnStartUp" holds, the sleep lock while "preventSleep"
    // holds (a lock that cannot be taken turns the preference off, so the switch tells the truth).
    void applyDesktopPreferences();

    void macDidWake();
    // Shows the quit sheet; false when there is no window to show it on.
    bool showQuitSheet();
    void quitSheetAnswered(long response);

private:
    appkit::Application& application() const;
    void applyDockVisibility(bool becomingActive);
    void handleWake();
    void reconnectAfterWake();

    Collaborators c_;
    ObserverToken wakeObserver_;
    std::vector<ObserverToken> observers_;  // on the default centre
    std::shared_ptr<Timer> countryTimer_;
    bool preferencesWereReset_ = false;
};

}  // namespace morvex
