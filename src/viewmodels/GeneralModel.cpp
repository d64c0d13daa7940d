#include "viewmodels/GeneralModel.h"

#include <QLocale>
#include <QString>

#include "alerts/Alert.h"
#include "appkit/Application.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Bundle.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {

constexpr std::string_view themeWord(GeneralModel::Appearance a) {
    switch (a) {
    case GeneralModel::Appearance::System: return "system";
    case GeneralModel::Appearance::Light: return "light";
    case GeneralModel::Appearance::Dark: return "dark";
    }
    return "dark";
}

}  // namespace

GeneralModel::GeneralModel() : GeneralModel(PreservedPreferences(), AppPreferences(), EventTracker()) {}

GeneralModel::GeneralModel(PreservedPreferences preference, AppPreferences appPreferences, EventTracker eventTracker,
                           std::shared_ptr<VPNControl> vpn)
    : preference(std::move(preference)),
      appPreferences(std::move(appPreferences)),
      eventTracker(std::move(eventTracker)),
      vpn_(std::move(vpn)) {}

const std::vector<std::string>& GeneralModel::appearanceOptions() { return AppPreferences::appearanceTitles(); }

GeneralModel::Appearance GeneralModel::appearanceFromTitle(std::string_view title) {
    const auto& titles = appearanceOptions();
    for (std::size_t i = 0; i < titles.size(); ++i)
        if (titles[i] == title) return static_cast<Appearance>(i);
    return Appearance::Dark;
}

std::string GeneralModel::appearanceTitle(Appearance appearance) {
    const auto& titles = appearanceOptions();
    const auto index = static_cast<std::size_t>(appearance);
    return index < titles.size() ? titles[index] : std::string();
}

GeneralModel::Appearance GeneralModel::appearance() const {
    AppPreferences(appPreferences).migrateSelectedThemeTag();
    const std::int64_t stored = appPreferences.appearance();
    if (stored < 0 || stored > 2) return Appearance::System;
    return static_cast<Appearance>(stored);
}

void GeneralModel::storeAppearance(std::string_view title) {
    appPreferences.setAppearance(static_cast<std::int64_t>(appearanceFromTitle(title)));
}

std::optional<appkit::Appearance> GeneralModel::look(Appearance appearance) {
    switch (appearance) {
    case Appearance::Light: return appkit::Appearance::Aqua;
    case Appearance::Dark: return appkit::Appearance::DarkAqua;
    case Appearance::System: break;
    }
    return std::nullopt;
}

void GeneralModel::chooseAppearance(Appearance appearance) {
    appPreferences.setAppearance(static_cast<std::int64_t>(appearance));
    appkit::Application::shared().setAppearance(look(appearance));
    NotificationCenter::defaultCenter().post(AppPreferences::preferencesNotification);
}

void GeneralModel::applyStoredAppearance(AppPreferences preferences) {
    preferences.migrateSelectedThemeTag();
    const std::int64_t stored = preferences.appearance();
    const Appearance choice = stored >= 0 && stored <= 2 ? static_cast<Appearance>(stored) : Appearance::System;
    appkit::Application::shared().setAppearance(look(choice));
}

std::string GeneralModel::preferredLanguageCode() const {
    auto code = appPreferences.defaults().string(AppPreferences::Key::preferredLanguageCode);
    return code && !code->empty() ? *code : std::string("de");
}

std::optional<std::string> GeneralModel::selectedLanguageName() const {
    const QLocale locale(QString::fromStdString(preferredLanguageCode()));
    if (locale.language() == QLocale::C) return std::nullopt;
    const QString name = locale.nativeLanguageName();
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
}

void GeneralModel::trackTheme(Appearance appearance) {
    eventTracker.track(AnalyticsEvent::app_set_theme, Dictionary{{"theme", std::string(themeWord(appearance))}});
}

void GeneralModel::trackLanguageChange(const std::string& before, const std::string& after) {
    eventTracker.track(AnalyticsEvent::app_change_language,
                       Dictionary{{"current_language", before}, {"selected_language", after}});
}

bool GeneralModel::isTunnelBusy() const {
    std::shared_ptr<VPNControl> vpn = vpn_ ? vpn_ : AlertServices::installed().vpn;
    if (!vpn) return false;
    const int status = vpn->getCurrentVPNStatus();
    return status == zevu::rawValue(zevu::ZevuVPNState::Connecting) ||
           status == zevu::rawValue(zevu::ZevuVPNState::Connected);
}

void GeneralModel::askToClearPreferences(std::shared_ptr<AlertWindow> window) const {
    if (isTunnelBusy()) {
        Alert().showClearPreferencesConnected();
        return;
    }
    Alert().showClearPreferences(preference, std::move(window));
}

std::vector<std::string> GeneralModel::autoConnectMenuTitles() {
    using Via = PreservedPreferences::AutoConnectVia;
    return {localized(titleKey(Via::AutoSelect)), localized(titleKey(Via::LastConnected)),
            localized(titleKey(Via::Location))};
}

std::string GeneralModel::autoConnectTitle() const { return localized(titleKey(preference.autoConnectVia())); }

PreservedPreferences::AutoConnectVia GeneralModel::storeAutoConnectTitle(std::string_view title) {
    const auto via = autoConnectViaFromTitle(title).value_or(PreservedPreferences::AutoConnectVia::AutoSelect);
    preference.setAutoConnectVia(via);
    return via;
}

void GeneralModel::ensureAutoConnectLocation() {
    if (!preference.autoConnectServer()) preference.setAutoConnectServer(defaultAutoConnectLocation());
}

ZevuDataFetcherTypes::ServerPtr defaultAutoConnectLocation() {
    return std::make_shared<ZevuDataFetcherTypes::Server>("US", "United States", ZevuDataFetcherTypes::ServerType::Country,
                                                          "US");
}

}  // namespace morvex
