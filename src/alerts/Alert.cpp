// The alert mechanism and the general-purpose, settings, error and engagement alerts.
#include "alerts/Alert.h"

#include <charconv>

#include <QString>
#include <QUrl>

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "model/WebLink.h"
#include "state/AppPreferences.h"

namespace morvex {

namespace {

// The address an error's recovery entry offers, when the whole entry is one http or https
// address (other schemes, and text around a link, open nothing).
std::optional<std::string> recoveryLink(const Error& error) {
    auto entry = error.userInfo.find(std::string(NSRecoveryAttempterErrorKey));
    if (entry == error.userInfo.end()) return std::nullopt;
    const auto* list = entry->second.get<Array>();
    if (!list || list->empty()) return std::nullopt;
    const auto* text = list->front().get<std::string>();
    if (!text || text->empty()) return std::nullopt;
    const QString whole = QString::fromStdString(*text);
    for (QChar c : whole)
        if (c.isSpace()) return std::nullopt;
    QUrl url(whole, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != "http" && scheme != "https") return std::nullopt;
    return *text;
}

std::optional<std::string> userInfoText(const Error& error, std::string_view key) {
    auto it = error.userInfo.find(std::string(key));
    if (it == error.userInfo.end()) return std::nullopt;
    if (const auto* text = it->second.get<std::string>()) return *text;
    return std::nullopt;
}

std::vector<std::string> userInfoTexts(const Error& error, std::string_view key) {
    std::vector<std::string> out;
    auto it = error.userInfo.find(std::string(key));
    if (it == error.userInfo.end()) return out;
    if (const auto* list = it->second.get<Array>())
        for (const auto& v : *list)
            if (const auto* text = v.get<std::string>()) out.push_back(*text);
    return out;
}

}  // namespace

std::string decimalText(double value) {
    char buffer[128];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc()) return "0.0";
    std::string text(buffer, end);
    if (text.find('.') == std::string::npos) text += ".0";
    return text;
}

std::string Alert::filledFormat(std::string format, std::string_view argument) {
    if (auto at = format.find("%@"); at != std::string::npos) format.replace(at, 2, argument);
    return format;
}

Alert::Alert() : Alert(AlertServices::installed()) {}

Alert::Alert(AlertServices services) : services_(AlertServices::completed(std::move(services))) {}

std::vector<std::string> Alert::shownButtons() const {
    if (buttons.empty()) return {localized("ok")};
    return buttons;
}

ModalResponse Alert::responseForButton(std::size_t index) {
    return alertFirstButtonReturn + static_cast<ModalResponse>(index);
}

void Alert::fill(std::string titleText, std::optional<std::string> messageText, Style alertStyle,
                 std::vector<std::string> buttonTitles) {
    title = std::move(titleText);
    message = std::move(messageText);
    style = alertStyle;
    buttons = std::move(buttonTitles);
}

void Alert::beginSheet(AlertHandler handler) {
    if (!services_.presenter) {
        log::print("[Alert] No alert presenter installed; not shown: " + title);
        return;
    }
    services_.presenter->beginSheet(*this, std::move(handler));
}

void Alert::showCritical(std::string titleText, std::string messageText) {
    fill(std::move(titleText), std::move(messageText), Style::critical, {});
    beginSheet();
}

void Alert::showInfo(std::string titleText, std::string messageText) {
    fill(std::move(titleText), std::move(messageText), Style::informational, {localized("ok")});
    beginSheet();
}

void Alert::showAccessory(std::string titleText, std::shared_ptr<AlertAccessory> view) {
    fill(std::move(titleText), std::nullopt, Style::informational, {localized("ok")});
    accessory = std::move(view);
    beginSheet();
}

void Alert::showLocalized(std::string_view titleKey, std::string_view messageKey) {
    fill(localized(titleKey), localized(messageKey), Style::informational, {localized("ok")});
    beginSheet();
}

void Alert::showDedicatedIPInfo() {
    showLocalized("connection.details.dedicated.ip.title", "connection.details.dedicated.ip.message");
}

void Alert::showCharacterLimitExceeded() {
    // The key is spelled with three s.
    showLocalized("warning", "character.limit.exceeded.messsage");
}

void Alert::showPreferencesDamaged() {
    showLocalized("preferences.damaged.alert.title", "preferences.damaged.alert.message");
}

void Alert::showDataStoreUpgraded() {
    fill(localized("data.store.version.upgraded.alert.title"), localized("data.store.version.upgraded.alert.message"),
         Style::informational, {});
    beginSheet();
}

void Alert::showIKSCannotChange(std::shared_ptr<AlertWindow> target) {
    if (!target) return;
    fill(localized("alert.iks.cannot.change.title"), localized("alert.iks.cannot.change.message"),
         Style::informational, {});
    window = std::move(target);
    beginSheet();
}

void Alert::showUpdateNeedsDisconnect() {
    fill(localized("warning"), localized("update.check.alert.disconnect"), Style::warning, {localized("ok")});
    beginSheet();
}

void Alert::showDownloadInterrupted(bool networkLost, OwnedCallback<> retry) {
    fill(localized(networkLost ? "no.internet" : "update.download.failed.title"),
         localized(networkLost ? "download.interrupted" : "update.download.failed.message"), Style::informational,
         {localized("retry"), localized("cancel")});
    beginSheet([retry](ModalResponse response) {
        if (response == alertFirstButtonReturn) retry();
    });
}

void Alert::showInstallerNotOpened(const std::string& packagePath, OwnedCallback<> reveal) {
    fill(localized("update.install.failed.title"), filledFormat(localized("update.install.failed.message %@"), packagePath),
         Style::warning, {localized("update.show.in.folder"), localized("ok")});
    beginSheet([reveal](ModalResponse response) {
        if (response == alertFirstButtonReturn) reveal();
    });
}

void Alert::dismissSheet() {
    if (services_.presenter) services_.presenter->endAttachedAlertSheet();
}

void Alert::showSubmitTicketPopup(std::string_view ticketNumber) {
    fill(localized("submit.ticket.popup.title"), filledFormat(localized("submit.ticket.popup.message %@"), ticketNumber),
         Style::informational, {localized("ok")});
    beginSheet([](ModalResponse) {});
}

void Alert::showClearPreferences(PreservedPreferences preferences, std::shared_ptr<AlertWindow> target) {
    if (!target) return;
    fill(localized("clear.preference.alert.title"), localized("clear.preference.alert.message"), Style::warning,
         {localized("clear.preference.alert.button.one"), localized("clear.preference.alert.button.two")});
    window = std::move(target);
    beginSheet([preferences](ModalResponse response) mutable {
        if (response == alertFirstButtonReturn) preferences.clearUserPreferences();
    });
}

void Alert::showClearPreferencesConnected() {
    fill(localized("clear.preference.alert.connected.title"), localized("clear.preference.alert.connected.message"),
         Style::warning, {localized("clear.preference.alert.connected.button.one")});
    beginSheet();
}

void Alert::showError(const Error& error, std::shared_ptr<AlertWindow> target) {
    // As the system builds an alert from an error: its description as the title, the recovery
    // suggestion as the message, the recovery options as buttons (one default button without).
    fill(error.localizedDescription(), userInfoText(error, NSLocalizedRecoverySuggestionErrorKey).value_or(""),
         Style::warning, userInfoTexts(error, NSLocalizedRecoveryOptionsErrorKey));
    window = std::move(target);
    auto link = recoveryLink(error);
    auto openURL = services_.openURL;
    beginSheet([link, openURL](ModalResponse response) {
        if (response != alertFirstButtonReturn || !link || !openURL) return;
        openURL(*link);
    });
}

void Alert::showReferAFriend(PreservedPreferences preferences, EventTracker eventTracker) {
    fill(localized("alert.refer.a.friend.title"), localized("alert.refer.a.friend.message"), Style::informational,
         {localized("alert.refer.a.friend.button.one"), localized("alert.refer.a.friend.button.two")});
    auto openURL = services_.openURL;
    beginSheet([preferences, eventTracker, openURL](ModalResponse response) mutable {
        if (response == alertFirstButtonReturn) {
            preferences.setReferredAFriend(true);
            auto defaults = UserDefaults::standard();
            const std::string username = defaults.string("UserPreferences.vpnUsername").value_or("");
            const std::string uuid = defaults.string("UserPreferences.uuid").value_or("");
            const auto method = defaults.string("UserPreferences.loginMethod");
            std::optional<bool> isEmailLogin;
            if (method == "email") isEmailLogin = true;
            else if (method == "username") isEmailLogin = false;
            if (auto url = User().urlWithIdentityQuery(WebLink::InviteFriend, "", username, isEmailLogin, uuid);
                url && openURL)
                openURL(*url);
            eventTracker.track(AnalyticsEvent::app_refer_a_friend, Dictionary{{"referred", true}});
        } else if (response == alertSecondButtonReturn) {
            eventTracker.track(AnalyticsEvent::app_refer_a_friend, Dictionary{{"referred", false}});
        }
    });
}

void Alert::showRateOnStore(bool isPopup, PreservedPreferences preferences, EventTracker eventTracker) {
    fill(localized("alert.rate.on.store.title"), localized("alert.rate.on.store.message"), Style::informational,
         {localized("alert.rate.on.store.button.one"), localized("alert.rate.on.store.button.two"),
          localized("alert.rate.on.store.button.three")});
    const std::string promptType = isPopup ? "popup" : "in-session";
    beginSheet([preferences, eventTracker, promptType](ModalResponse response) mutable {
        auto send = [&](std::string_view action) {
            eventTracker.track(AnalyticsEvent::app_store_rating,
                               Dictionary{{"action", std::string(action)}, {"prompt-type", promptType}});
        };
        if (response == alertFirstButtonReturn) {
            preferences.setRatedOnStore(true);
            send("Rate 5 Stars");
        } else if (response == alertSecondButtonReturn) {
            send("Remind Later");
        } else if (response == alertThirdButtonReturn) {
            preferences.setRatedOnStore(true);
            send("Do not ask again");
        }
    });
}

}  // namespace morvex
