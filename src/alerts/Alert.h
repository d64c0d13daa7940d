#pragma once
// Every modal message box of the application, as data: an `Alert` is a title, a message, a style,
// buttons in order, an optional accessory view and the window it attaches to. A caller makes a
// fresh Alert, calls exactly one builder and lets it go; the builder fills the fields from
// localization keys, hands the alert to the presenter and, where the alert has consequences,
// a handler that acts on the answer (alertFirstButtonReturn for the first button added, and so
// on; an alert without added buttons shows one default button that answers the first).
//
// Handlers keep what they need by value; callbacks of callers are OwnedCallbacks, so a screen
// that has gone is never called back. Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alerts/AlertPresenter.h"
#include "alerts/AlertServices.h"
#include "alerts/ConnectRequest.h"
#include "foundation/Lifetime.h"
#include "foundation/Error.h"
#include "model/AppScreen.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"

namespace morvex {

// Asks the initial screen to open the account switcher (no object); the account alerts post it
// (also known as SwitchAccountModel::showVPNAccountsNotification).
inline constexpr std::string_view ShowVPNAccountsNotification = "ShowVPNAccountsNotification";

// The reconnect countdown shown inside the kill-switch sheet; it ends the sheet and reconnects by
// itself when its count runs out, and stops counting when told.
class AlertCountdown : public AlertAccessory {
public:
    virtual void invalidateTimer() = 0;
};

class Alert {
public:
    enum class Style { warning = 0, informational = 1, critical = 2 };

    std::string title;
    std::optional<std::string> message;  // none: the alert has no message text
    Style style = Style::warning;        // the system's own default until a builder sets one
    std::vector<std::string> buttons;    // in the order added
    std::shared_ptr<AlertAccessory> accessory;
    std::shared_ptr<AlertWindow> window;  // null: the application's first window

    // A fresh alert acting through the installed services, or through the ones given.
    Alert();
    explicit Alert(AlertServices services);

    // The buttons as shown: the ones added, or the one default "ok" button when none were.
    std::vector<std::string> shownButtons() const;
    // The answer of the shown button at `index` (0 for the first).
    static ModalResponse responseForButton(std::size_t index);

    // General-purpose and settings alerts. Titles and messages of the first two are plain text.
    void showCritical(std::string titleText, std::string messageText);
    void showInfo(std::string titleText, std::string messageText);
    void showAccessory(std::string titleText, std::shared_ptr<AlertAccessory> view);
    void showLocalized(std::string_view titleKey, std::string_view messageKey);
    void showDedicatedIPInfo();
    void showCharacterLimitExceeded();
    void showDataStoreUpgraded();
    // The stored preferences were damaged and reset: the user signs in again.
    void showPreferencesDamaged();
    // With no window nothing is shown.
    void showIKSCannotChange(std::shared_ptr<AlertWindow> window);
    void showUpdateNeedsDisconnect();
    // An installer download that failed (cut, refused, timed out, no space) or was stopped by a
    // loss of network: one alert whose first button ("Try Again") runs `retry`.
    void showDownloadInterrupted(bool networkLost, OwnedCallback<> retry);
    // The downloaded package that no installer took: where it lies; the first button runs `reveal`.
    void showInstallerNotOpened(const std::string& packagePath, OwnedCallback<> reveal);
    // Takes down an alert sheet on the first window (the looking-for-update one) without an answer.
    void dismissSheet();
    void showSubmitTicketPopup(std::string_view ticketNumber);
    // The first button clears every per-user setting. With no window nothing is shown.
    void showClearPreferences(PreservedPreferences preferences, std::shared_ptr<AlertWindow> window);
    void showClearPreferencesConnected();
    // The error's description, recovery suggestion and recovery options; the first button opens
    // the recovery link the error offers when the whole entry is an http or https address.
    void showError(const Error& error, std::shared_ptr<AlertWindow> window = nullptr);
    void showReferAFriend(PreservedPreferences preferences, EventTracker eventTracker);
    void showRateOnStore(bool isPopup, PreservedPreferences preferences, EventTracker eventTracker);

    // Connection alerts.
    void showIKSUTCAlert(std::shared_ptr<AlertCountdown> countdown, AppPreferences appPreferences,
                         EventTracker eventTracker);
    static void handleIKSUTCResponse(ModalResponse response, AlertCountdown* countdown, AppPreferences& appPreferences,
                                     EventTracker& eventTracker, const AlertServices& services);
    void showCancelConnection(EventTracker eventTracker);
    static void handleCancelConnectionResponse(ModalResponse response, EventTracker& eventTracker,
                                               const AlertServices& services);
    void showKillSessionWarning(OwnedCallback<> killSession);
    // The first button adds the last connection's NAS identifier to the servers excluded from a
    // switch and connects to the last connection's location again.
    void showSwitchServer(AppPreferences appPreferences, EventTracker eventTracker, ConnectToLocation connect,
                          ConnectErrorHandler onError);
    // "Connection over connection": the first button stops the tunnel that is up (or the attempt
    // under way) and connects to `request` 1.0 s later.
    void showChangeOfConnection(ConnectRequest request, ConnectToLocation connect, ConnectErrorHandler onError);
    void showAlreadyConnected(const ConnectionDescription& requested);
    // On `window`, or the main window when none is given. The callback gets true for the first
    // button, false for the second.
    void showProtocolChangeReconnect(std::shared_ptr<AlertWindow> window, std::string_view messageKey,
                                     const ConnectionDescription& requested, EventTracker eventTracker,
                                     OwnedCallback<bool> answer);
    void showDedicatedProtocolNotSupported(const PreservedPreferences& preferences, OwnedCallback<> proceed);
    // A dedicated IP cannot be reached over the protocol named `protocolTitle`; one button, no
    // consequence.
    void showDedicatedProtocolWarning(std::string_view protocolTitle);

    // Account and sign-in alerts.
    void showPasswordChanged(AppScreen screen, EventTracker eventTracker);
    void showUserInfoFailed(AppScreen screen, const Error& error, EventTracker eventTracker, OwnedCallback<> retry);
    void showVPNPasswordFailed(AppScreen screen, const Error& error, EventTracker eventTracker, OwnedCallback<> retry);
    // The service refused the sign-in (its gateway's refusal text is the error's description):
    // that text, with "Retry" and "OK".
    void showSignInRefused(AppScreen screen, const Error& error, EventTracker eventTracker, OwnedCallback<> retry);
    void showImportTokenFailed(AppScreen screen, const Error& error, EventTracker eventTracker);
    // The callback gets false after "proceed", true after the logout was started.
    void showMigrateConsentFailed(AppScreen screen, EventTracker eventTracker, OwnedCallback<bool> loggedOut);
    void showNoSubscription();
    void showSubscriptionRequired();
    void showSubscriptionExpired();
    void showUserExpired(const User& user, PreservedPreferences preferences, ScreenContext source,
                         EventTracker eventTracker);
    void showUserDisabled(PreservedPreferences preferences);
    void showQuitWarning();
    // Asks before signing out while a tunnel is connecting or up, on the main window; `answer`
    // gets the button's response (first: sign out, second: stay).
    void showLogoutConnected(OwnedCallback<ModalResponse> answer);

    // Language change and restart.
    void showChangeLanguage(std::shared_ptr<AlertWindow> window);
    // Starts a shell that waits `delay` seconds and starts the application again, then ends this
    // process (with the installed services it does not return).
    void relaunchApp(double delay);
    // The callback (the languages screen's) gets true to change and restart, false otherwise.
    void showConfirmLanguageChange(std::shared_ptr<AlertWindow> window, OwnedCallback<bool> answer);
    void showConfirmLanguageChangeConnected(std::shared_ptr<AlertWindow> window);
    // Runs the bundle's "restart.sh" with the bundle's path and asks the application to end; when
    // the script is missing or does not start, reports it and the application keeps running.
    void runRestartScript();
    void showRestartFailed();

private:
    // Fills the first "%@" of a localized format with `argument`. The format is never handed to a
    // printf-style formatter, so a stray directive in a translation stays text.
    static std::string filledFormat(std::string format, std::string_view argument);
    void fill(std::string titleText, std::optional<std::string> messageText, Style alertStyle,
              std::vector<std::string> buttonTitles);
    void beginSheet(AlertHandler handler = {});
    // Sends "app_logout" with the screen and the reason, then runs the logout entry.
    static void logoutAfterAlert(const AlertServices& services, AppScreen screen, std::string_view reason,
                                 EventTracker& eventTracker);
    void showFetchFailed(AppScreen screen, const Error& error, EventTracker eventTracker, OwnedCallback<> retry,
                         std::string_view messageKey, std::string_view cancelKey, std::string_view action,
                         std::string_view logoutReason);

    AlertServices services_;
};

// The engine's connect paths report account refusals here: 701 shows the expired-account alert,
// 533 the disabled-account alert; no error and every other code show nothing.
void handleAccountStatusError(const std::optional<Error>& error);
void handleAccountStatusError(const std::optional<Error>& error, const AlertServices& services);

// Set by the relaunch after a language change; while it is true the application ends without
// asking. False at start.
bool isRelaunching();
void setIsRelaunching(bool value);

// A number in the shortest plain decimal text that reads back as the same number, with ".0" for a
// whole number (1 gives "1.0", 0.5 gives "0.5").
std::string decimalText(double value);

// The current time as the text stored for a connection under way: seconds since 2001-01-01 UTC in
// the shortest decimal form.
std::string connectionIdNow();

}  // namespace morvex
