// The alerts about the account itself: password changed elsewhere, user details or VPN password
// not fetched, token import or e-mail migration failed, no subscription, a paid plan required,
// subscription expired, account expired or disabled, and the warning before logging out.
#include <algorithm>
#include <cctype>

#include "alerts/Alert.h"
#include "foundation/Bundle.h"
#include "foundation/NotificationCenter.h"
#include "model/WebLink.h"
#include "model/WebLinks.h"

namespace morvex {

namespace {

constexpr std::size_t kAccountsForSwitching = 2;
// The engine's refusal codes for an account that expired and one that was disabled.
constexpr int kAccountExpiredCode = 701;
constexpr int kAccountDisabledCode = 533;

std::string screenName(AppScreen screen) { return std::string(rawValue(screen)); }

// How analytics names the sign-in that raised a failure.
std::string signInMethod(AppScreen screen) {
    return rawValue(screen) == "Login" ? "fa_login" : "fa_already_logged_in";
}

std::string renewalPage() { return webLinkWithQueryItems(WebHosts::webSiteWWW() + "/us/en/home/renewal"); }

std::string memberAreaPage() { return webLinkWithQueryItems(urlString(WebLink::HelpStart)); }

void trackAlertErrorEvent(EventTracker& eventTracker, const Error& error, std::string_view method,
                          std::string_view action) {
    eventTracker.track(AnalyticsEvent::app_fail_fetch_user_details,
                       Dictionary{{"reason", error.localizedDescription()},
                                  {"error_code", error.code},
                                  {"method", std::string(method)},
                                  {"action", std::string(action)}});
}

bool canSwitchAccount(const PreservedPreferences& preferences) {
    return preferences.vpnAccounts().size() >= kAccountsForSwitching;
}

}  // namespace

void Alert::logoutAfterAlert(const AlertServices& services, AppScreen screen, std::string_view reason,
                             EventTracker& eventTracker) {
    eventTracker.track(AnalyticsEvent::app_logout,
                       Dictionary{{"selected_interface_screen", screenName(screen)}, {"reason", std::string(reason)}});
    if (services.logout) services.logout();
}

void Alert::showPasswordChanged(AppScreen screen, EventTracker eventTracker) {
    fill(localized("alert.password.changed.title"), localized("alert.password.changed.message"), Style::informational,
         {localized("alert.password.changed.button.one"), localized("alert.password.changed.button.two")});
    auto services = services_;
    beginSheet([services, screen, eventTracker](ModalResponse response) mutable {
        if (response == alertFirstButtonReturn) logoutAfterAlert(services, screen, "password changed", eventTracker);
    });
}

void Alert::showFetchFailed(AppScreen screen, const Error& error, EventTracker eventTracker, OwnedCallback<> retry,
                            std::string_view messageKey, std::string_view cancelKey, std::string_view action,
                            std::string_view logoutReason) {
    fill(localized("alert.title.something.went.wrong"), localized(messageKey), Style::informational,
         {localized("retry"), localized(cancelKey)});
    const std::string method = signInMethod(screen);
    trackAlertErrorEvent(eventTracker, error, method, action);
    auto services = services_;
    beginSheet([services, screen, eventTracker, retry, method, action = std::string(action),
                logoutReason = std::string(logoutReason)](ModalResponse response) mutable {
        if (response == alertFirstButtonReturn) {
            eventTracker.track(AnalyticsEvent::app_click_retry_fetch_user_details,
                               Dictionary{{"method", method}, {"action", action}});
            retry();
        } else if (response == alertSecondButtonReturn) {
            logoutAfterAlert(services, screen, logoutReason, eventTracker);
        }
    });
}

void Alert::showUserInfoFailed(AppScreen screen, const Error& error, EventTracker eventTracker, OwnedCallback<> retry) {
    showFetchFailed(screen, error, std::move(eventTracker), std::move(retry), "user.info.failed", "ok", "user info",
                    "fetch user details failed");
}

void Alert::showSignInRefused(AppScreen screen, const Error& error, EventTracker eventTracker, OwnedCallback<> retry) {
    // The service's own words say what is wrong (a wrong password, a disabled account); nobody is
    // signed in yet, so the second button only closes the alert.
    fill(localized("alert.title.something.went.wrong"), error.localizedDescription(), Style::informational,
         {localized("retry"), localized("ok")});
    const std::string method = signInMethod(screen);
    trackAlertErrorEvent(eventTracker, error, method, "sign in");
    beginSheet([eventTracker, retry, method](ModalResponse response) mutable {
        if (response != alertFirstButtonReturn) return;
        eventTracker.track(AnalyticsEvent::app_click_retry_fetch_user_details,
                           Dictionary{{"method", method}, {"action", "sign in"}});
        retry();
    });
}

void Alert::showVPNPasswordFailed(AppScreen screen, const Error& error, EventTracker eventTracker,
                                  OwnedCallback<> retry) {
    showFetchFailed(screen, error, std::move(eventTracker), std::move(retry), "vpn.password.failed", "cancel",
                    "vpn password", "vpn password error");
}

void Alert::showImportTokenFailed(AppScreen screen, const Error& error, EventTracker eventTracker) {
    fill(localized("alert.title.something.went.wrong"), localized("import.token.failed"), Style::informational,
         {localized("ok")});
    trackAlertErrorEvent(eventTracker, error, "fa_already_logged_in", "import token");
    auto services = services_;
    beginSheet([services, screen, eventTracker](ModalResponse response) mutable {
        if (response == alertFirstButtonReturn) logoutAfterAlert(services, screen, "fa migration failed", eventTracker);
    });
}

void Alert::showMigrateConsentFailed(AppScreen screen, EventTracker eventTracker, OwnedCallback<bool> loggedOut) {
    fill(localized("alert.title.pardon"), localized("migrate.consent.failed"), Style::informational,
         {localized("proceed"), localized("logout")});
    const Dictionary properties{{"login_via", screenName(screen)}, {"action", "email"}};
    eventTracker.track(AnalyticsEvent::app_view_migration_popup, properties);
    auto services = services_;
    beginSheet([services, screen, eventTracker, loggedOut, properties](ModalResponse response) mutable {
        if (response == alertFirstButtonReturn) {
            eventTracker.track(AnalyticsEvent::app_proceed_migration, properties);
            loggedOut(false);
        } else if (response == alertSecondButtonReturn) {
            logoutAfterAlert(services, screen, "profile", eventTracker);
            loggedOut(true);
        }
    });
}

void Alert::showNoSubscription() {
    fill(localized("alert.title.error"), localized("no.subscription"), Style::informational, {localized("ok")});
    beginSheet();
}

void Alert::showSubscriptionRequired() {
    fill(localized("user.subscription.required"), localized("no.paid.user"), Style::informational,
         {localized("user.subscription.buy"), localized("cancel")});
    auto openURL = services_.openURL;
    beginSheet([openURL](ModalResponse response) {
        if (response != alertFirstButtonReturn || !openURL) return;
        std::string code = UserDefaults::standard().string(AppPreferences::Key::preferredLanguageCode).value_or("de");
        std::ranges::transform(code, code.begin(), [](unsigned char c) { return std::tolower(c); });
        openURL(urlString(code == "de" ? WebLink::PricingGerman : WebLink::PricingEnglish));
    });
}

void Alert::showSubscriptionExpired() {
    fill(localized("user.expire.popup.title"), localized("user.subscription.expired.message"), Style::informational,
         {localized("renew.now"), localized("cancel")});
    auto openURL = services_.openURL;
    beginSheet([openURL](ModalResponse response) {
        if (response == alertFirstButtonReturn && openURL) openURL(renewalPage());
    });
}

void Alert::showUserExpired(const User& user, PreservedPreferences preferences, ScreenContext source,
                            EventTracker eventTracker) {
    // Only an empty reason falls back; a reason of blanks is the back end's text and shown as it is.
    std::string text = user.expiryReason().value_or("");
    if (text.empty()) text = localized("user.expire.message");
    std::vector<std::string> titles{localized("user.expire.popup.button.one"), localized("user.expire.popup.button.two")};
    if (canSwitchAccount(preferences)) {
        text += localized("expiry.message.addition");
        titles.push_back(localized("user.expire.popup.button.three"));
    }
    fill(localized("user.expire.popup.title"), std::move(text), Style::informational, std::move(titles));
    const Dictionary properties{{"via", std::string(rawValue(source))},
                                {"billing_cycle", user.billingCycle().value_or("")},
                                {"payment_gateway", user.paymentGateway().value_or("")}};
    eventTracker.track(AnalyticsEvent::app_expiry_popup_shown, properties);

    // Laid out as the disabled-account alert: renew, close, and switch to another account.
    auto openURL = services_.openURL;
    beginSheet([openURL, preferences, eventTracker, properties](ModalResponse response) mutable {
        if (response == alertFirstButtonReturn) {
            eventTracker.track(AnalyticsEvent::app_expiry_renew_clicked, properties);
            if (openURL) openURL(renewalPage());
        } else if (response == alertThirdButtonReturn && canSwitchAccount(preferences)) {
            NotificationCenter::defaultCenter().post(ShowVPNAccountsNotification);
        }
    });
}

void Alert::showUserDisabled(PreservedPreferences preferences) {
    std::vector<std::string> titles{localized("user.disable.popup.button.one"),
                                    localized("user.disable.popup.button.two")};
    if (canSwitchAccount(preferences)) titles.push_back(localized("user.disable.popup.button.three"));
    fill(localized("user.disable.popup.title"), localized("user.disable.message"), Style::informational,
         std::move(titles));
    auto openURL = services_.openURL;
    beginSheet([openURL, preferences](ModalResponse response) {
        if (response == alertFirstButtonReturn) {
            if (openURL) openURL(memberAreaPage());
        } else if (response == alertThirdButtonReturn && canSwitchAccount(preferences)) {
            // The list may have shrunk while the alert was up.
            NotificationCenter::defaultCenter().post(ShowVPNAccountsNotification);
        }
    });
}

void Alert::showQuitWarning() {
    fill(localized("caution"), localized("quit.warning"), Style::informational, {localized("yes"), localized("no")});
    auto services = services_;
    beginSheet([services](ModalResponse response) {
        if (response != alertFirstButtonReturn) return;
        PreservedPreferences().setEnableIKS(false);
        // Lets this sheet close before the logout entry shows its own.
        if (services.afterDelay && services.logout) services.afterDelay(0.5, services.logout);
    });
}

void Alert::showLogoutConnected(OwnedCallback<ModalResponse> answer) {
    fill(localized("logout.connected.alert.title"), localized("logout.connected.alert.message"), Style::warning,
         {localized("logout.connected.alert.primary.button"), localized("logout.connected.alert.secondary.button")});
    window = nullptr;  // the main window
    beginSheet([answer](ModalResponse response) { answer(response); });
}

void handleAccountStatusError(const std::optional<Error>& error) {
    handleAccountStatusError(error, AlertServices::installed());
}

void handleAccountStatusError(const std::optional<Error>& error, const AlertServices& services) {
    if (!error) return;
    if (error->code == kAccountExpiredCode) {
        Alert(services).showUserExpired(User(), PreservedPreferences(), ScreenContext::connect,
                                        services.makeEventTracker());
    } else if (error->code == kAccountDisabledCode) {
        Alert(services).showUserDisabled(PreservedPreferences());
    }
}

}  // namespace morvex
