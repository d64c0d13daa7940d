#pragma once
// The usual collaborator sets, built fresh on every call, and the two operations many screens
// share: the sign-out and the handling of the latest-version answer.
//
// Each object the factories build is a thin view over shared state (the standard defaults, the
// keychain, the SDK's manager, the analytics instance, the API client), so objects built at
// different times agree; nested collaborators are never shared (every PreservedPreferences gets
// its own User).
//
// Main thread only.
#include <functional>
#include <string_view>

#include "alerts/AlertPresenter.h"
#include "api/Networking.h"
#include "catalog/ZevuDataFetcher.h"
#include "foundation/Error.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/User.h"
#include "vpn/CheckUpdateVersionModel.h"
#include "vpn/Zevu.h"

namespace morvex {

class UserAuthentication;

// Posted by every successful version check, silent or not, before the offer is stored; the object
// is a VersionCheckAnswer.
inline constexpr std::string_view VersionCheckApiRespondedNotification = "VersionCheckApiResponded";
struct VersionCheckAnswer {
    bool silent = false;
    CheckUpdateVersionModel version;
};

// What the sign-out reaches of the desktop, installed by the application at start. Left empty,
// each step only logs.
struct SessionDesktop {
    // Closes every preferences window; windows of other controllers stay open.
    std::function<void()> closePreferencesWindows;
    // Removes the application's notifications still shown by the desktop.
    std::function<void()> removeDeliveredNotifications;

    static SessionDesktop installed();
    static void install(SessionDesktop desktop);
};

class MorvexVPNService {
public:
    static EventTracker makeEventTracker();
    static ZevuDataFetcher makeZevuDataFetcher();
    static Zevu makeZevu();
    static UserAuthentication makeUserAuthentication();

    // ---- sign-out ----
    // Closes the preferences windows first. While the SDK reports a tunnel connecting or up, asks
    // on a sheet of the main window (performLogout takes the answer; with no window at all nothing
    // is asked and the session stays); otherwise forgets the session at once. Only the zevu's SDK
    // manager is used; `sentry` is carried along.
    static void logout(const Zevu& zevu, User user, ErrorSender sentry, EventTracker eventTracker);
    // The same with the default collaborators: the logout entry the application installs.
    static void logoutWithDefaults();
    // The sheet's answer: alertFirstButtonReturn disconnects (without waiting for the tunnel to
    // go) and forgets the session; every other answer changes nothing.
    static void performLogout(ModalResponse response, User user, ErrorSender sentry, EventTracker eventTracker);
    // The sign-out proper: the session's tokens, the user record (which tells the screens through
    // "UserPreferences.LoggedInChanged"), the analytics identity and the delivered notifications
    // go. App-wide and per-user settings, the store and the SDK's own state stay.
    static void forgetSession(User user, UserAuthentication& userAuthentication, EventTracker eventTracker);
    static void closeWindows();

    // ---- version check ----
    using VersionCheckResult = Result<CheckUpdateVersionModel>;
    using VersionCheckCompletion = std::function<void(VersionCheckResult)>;
    // A success re-arms the update screen (AppManager::isUpdateControllerAlreadyShown false),
    // posts VersionCheckApiRespondedNotification, stores the offer under
    // "AppPreference.updateAvailable" (the running version as `forcedTillVersion`, "" for a
    // missing download address) and passes the answer on. A failure stores, posts and re-arms
    // nothing and reaches `completion` as the same error: a check that failed never reads as
    // "up to date".
    static void handleVersionCheck(VersionCheckResult result, bool silent, AppPreferences appPreference,
                                   VersionCheckCompletion completion);
    // Sends the latest-version request and hands its outcome to handleVersionCheck. An answer
    // without a body, or whose body is not a whole version record, is a failure.
    static void checkForUpdate(bool silent, AppPreferences appPreference, VersionCheckCompletion completion,
                               Networking& networking = Networking::shared());
};

}  // namespace morvex
