// The app settings page (closed, with its appearance section open, in German, with the reset
// popup), the languages panel (as shown and with its confirmation sheet), the language list sheet
// and the about page, each in a window of the size the pages container gives a page.
#include "Shots.h"

#include <QPushButton>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "ui/kit/QtAlertPresenter.h"
#include "ui/shell/MainStoryboard.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/PreservedPreferences.h"
#include "ui/kit/CustomSegmentedControl.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "ui/preferences/AboutViewController.h"
#include "ui/preferences/AppSettingsViewController.h"
#include "ui/preferences/LanguagesController.h"
#include "ui/preferences/LanguagesViewController.h"
#include "zevu/ZevuCore.h"

namespace morvex::shots {
namespace {

// A tunnel that is down, so the pages ask instead of refusing.
class DownVPN : public VPNControl {
public:
    int getCurrentVPNStatus() override { return zevu::rawValue(zevu::ZevuVPNState::Disconnected); }
    void setDoCheckInternetConnectivity(bool) override {}
    void reconnectVPN() override {}
    void cancelVPN() override {}
    void disconnectVPN() override {}
    void disableFirewall() override {}
};

// Sheets on screen and a tunnel that is down, for the time of one picture.
struct ShownAlerts {
    AlertServices previous = AlertServices::installed();
    ShownAlerts() {
        AlertServices services = previous;
        services.presenter = std::make_shared<QtAlertPresenter>();
        services.vpn = std::make_shared<DownVPN>();
        AlertServices::install(services);
    }
    ~ShownAlerts() { AlertServices::install(previous); }
};

std::unique_ptr<appkit::Window> pageWindow(appkit::ViewController* page) {
    auto window = std::make_unique<appkit::Window>(QSize(688, 440));
    window->setTitle("MorvexVPN");
    window->setContentViewController(page);
    window->show();
    settle();
    return window;
}

AppSettingsViewController* appSettings() {
    // One switch off, so both looks of a switch are in the picture.
    PreservedPreferences preferences;
    preferences.setLaunchOnStartUp(true);
    preferences.setAllowVPNNotifications(false);
    preferences.setAutomaticallyCheckForUpdate(true);
    AppSettingsViewController::Collaborators c;
    c.setLoginItem = [](std::string_view, bool) { return true; };
    c.versionCheck = [](std::function<void(std::optional<Error>)>) {};
    return new AppSettingsViewController(c);
}

QImage appSettingsClosed(Context&) {
    auto window = pageWindow(appSettings());
    return renderWindow(*window);
}

QImage appSettingsOpen(Context&) {
    auto* page = appSettings();
    auto window = pageWindow(page);
    page->togglePreferencesView();
    settle();
    return renderWindow(*window);
}

QImage appSettingsGerman(Context&) {
    Bundle::setLanguage("de");
    auto* page = appSettings();
    auto window = pageWindow(page);
    page->togglePreferencesView();
    settle();
    QImage image = renderWindow(*window);
    Bundle::setLanguage("en");
    return image;
}

QImage appSettingsReset(Context&) {
    ShownAlerts alerts;
    auto* page = appSettings();
    auto window = pageWindow(page);
    page->btnClearPreferences()->click();
    settle();
    return renderWindow(*window);
}

LanguagesViewController* languages() {
    LanguagesViewController::Collaborators c;
    c.setLanguage = [](const std::string&) {};
    c.restart = [] {};
    return new LanguagesViewController(c);
}

QImage languagesPanel(Context&) {
    auto window = pageWindow(languages());
    return renderWindow(*window);
}

QImage languagesConfirm(Context&) {
    ShownAlerts alerts;
    auto* panel = languages();
    auto window = pageWindow(panel);
    panel->radioEnglish()->click();
    settle();
    QImage image = renderWindow(*window);
    if (auto* sheet = window->attachedSheet()) window->endSheet(sheet);
    return image;
}

QImage languagesSheet(Context&) {
    auto window = pageWindow(languages());
    LanguagesController::beginSheet(window.get(), {});
    settle();
    QImage image = renderWindow(*window);
    if (auto* sheet = window->attachedSheet()) window->endSheet(sheet);
    return image;
}

// The main window's preferences page on its app half; with `languages`, the language row clicked.
QImage inPreferencesPage(bool languages) {
    auto* page = qobject_cast<appkit::ViewController*>(
        appkit::Storyboard::named(kMainStoryboard)->instantiateController("PreferencesPageViewController"));
    if (!page) return {};
    auto window = std::make_unique<appkit::Window>(QSize(688, 500));
    window->setTitle("MorvexVPN");
    window->setContentViewController(page);
    window->show();
    // As a click on the switch's "App" segment.
    auto* preferences = qobject_cast<Preferences1ViewController*>(page);
    if (preferences && preferences->segmentedControl && preferences->segmentedControl->recognizer(1))
        preferences->segmentedControl->segmentClicked(*preferences->segmentedControl->recognizer(1));
    settle();
    if (languages) {
        if (auto* settings = page->findChild<AppSettingsViewController*>()) settings->openLanguages();
        settle();
    }
    return renderWindow(*window);
}

QImage about(Context&) {
    auto window = pageWindow(new AboutViewController([](std::function<void(std::optional<Error>)>) {}));
    return renderWindow(*window);
}

const Registration shots({
    {"preferences-app-settings", "closed", appSettingsClosed},
    {"preferences-app-settings", "appearance-open", appSettingsOpen},
    {"preferences-app-settings", "german", appSettingsGerman},
    {"preferences-app-settings", "reset-popup", appSettingsReset},
    {"preferences-languages", "german-current", languagesPanel},
    {"preferences-languages", "confirm-sheet", languagesConfirm},
    {"preferences-languages", "list-sheet", languagesSheet},
    {"preferences-app-settings", "in-preferences-page", [](Context&) { return inPreferencesPage(false); }},
    {"preferences-languages", "in-preferences-page", [](Context&) { return inPreferencesPage(true); }},
    {"preferences-about", "page", about},
});

}  // namespace
}  // namespace morvex::shots
