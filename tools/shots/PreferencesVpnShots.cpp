// The VPN, general and advanced preference pages and the location picker, each in a window the
// size of the main window's content: the VPN page plain and with auto-connect to a specific
// location and the kill switch on, the general page plain, with a specific location and scrolled
// to its end, the advanced page with the helper's result line, and the picker's countries and one
// country's cities.
#include "Shots.h"

#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "ui/shell/MainStoryboard.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "state/PreservedPreferences.h"
#include "ui/preferences/AdvancedPreferencesController.h"
#include "ui/preferences/GeneralViewController.h"
#include "ui/preferences/SettingsLocationViewController.h"
#include "ui/preferences/VPNSettingsViewController.h"

namespace morvex::shots {
namespace {

using Server = ZevuDataFetcherTypes::Server;
using Via = PreservedPreferences::AutoConnectVia;

std::unique_ptr<appkit::Window> windowWith(appkit::ViewController* page) {
    auto window = std::make_unique<appkit::Window>(QSize(760, 500));
    window->setTitle("MorvexVPN");
    window->setContentViewController(page);
    window->show();
    return window;
}

ZevuDataFetcherTypes::ServerPtr country(const char* code, const char* name, std::vector<const char*> cities = {}) {
    auto s = std::make_shared<Server>(code, name, ZevuDataFetcherTypes::ServerType::Country, code);
    s->servers.emplace();
    int id = 1;
    for (const char* city : cities)
        s->servers->push_back(std::make_shared<Server>(std::to_string(id++), city, ZevuDataFetcherTypes::ServerType::City, code));
    return s;
}

void storeSettings(bool autoConnect, Via via, bool killSwitch) {
    PreservedPreferences prefs;
    prefs.setReconnectOnLaunch(autoConnect);
    prefs.setAutoConnectVia(via);
    prefs.setAutoConnectServer(via == Via::Location ? country("DE", "Germany") : nullptr);
    prefs.setEnableIKS(killSwitch);
}

QImage vpnPage(bool autoConnect, Via via, bool killSwitch) {
    storeSettings(autoConnect, via, killSwitch);
    auto window = windowWith(new VPNSettingsViewController);
    settle();  // the row fills after a moment and the box grows for 0.3 s
    QImage image = renderWindow(*window);
    storeSettings(false, Via::AutoSelect, false);
    return image;
}

QImage generalPage(bool autoConnect, Via via, bool scrolledToEnd = false) {
    storeSettings(autoConnect, via, false);
    GeneralViewController::Hooks hooks = GeneralViewController::Hooks::defaults();
    auto window = windowWith(new GeneralViewController(GeneralModel(), hooks));
    if (scrolledToEnd) {
        settle();
        if (auto* scroll = window->contentViewController()->view()->findChild<QScrollArea*>("scrollView"))
            scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    }
    QImage image = renderWindow(*window);
    window.reset();
    storeSettings(false, Via::AutoSelect, false);
    return image;
}

QImage advancedPage(Context&) {
    AdvancedPreferencesModel model{AppPreferences(), PreservedPreferences(), EventTracker()};
    // A helper that does not answer and cannot be installed here: the red result line shows.
    model.firewall.isHelperToolInstalled = [](std::function<void(bool)> done) { done(false); };
    model.firewall.installHelperTool = []() -> Result<bool> { return false; };
    auto window = windowWith(new AdvancedPreferencesController(std::move(model)));
    auto* toggle = window->contentViewController()->view()->findChild<QPushButton*>("btnHelperTool");
    if (toggle) toggle->click();
    settle();
    QImage image = renderWindow(*window);
    PreservedPreferences().setEnableIKS(false);
    return image;
}

QImage picker(bool cities) {
    auto window = windowWith(new VPNSettingsViewController);
    auto* sheet = new SettingsLocationViewController([](SettingsLocationModel::Completion done) {
        done({country("US", "United States", {"New York", "Chicago", "Los Angeles"}), country("DE", "Germany", {"Frankfurt", "Berlin"}),
              country("JP", "Japan", {"Tokyo"}), country("CA", "Canada", {"Toronto", "Montreal", "Vancouver"}),
              country("GB", "United Kingdom", {"London"}), country("FR", "France", {"Paris"})},
             std::nullopt);
    });
    window->contentViewController()->presentAsSheet(sheet);
    settle();
    if (cities) sheet->moreButtonClicked(5);  // United States, last by name
    return renderWindow(*window);
}

// The general page inside the main window's preferences page, opened from its link.
QImage inContainer(int link) {
    storeSettings(true, Via::LastConnected, true);
    auto* board = appkit::Storyboard::named(kMainStoryboard);
    auto* container = board ? qobject_cast<Preferences1ViewController*>(board->instantiateController("PreferencesPageViewController")) : nullptr;
    if (!container) return {};
    auto window = windowWith(container);
    settle();
    container->tabTapped(link);
    settle();
    QImage image = renderWindow(*window);
    storeSettings(false, Via::AutoSelect, false);
    return image;
}

const Registration shots({
    {"preferences-page", "general", [](Context&) { return inContainer(0); }},
    {"preferences-vpn", "plain", [](Context&) { return vpnPage(false, Via::AutoSelect, false); }},
    {"preferences-vpn", "specific-location-kill-switch-on", [](Context&) { return vpnPage(true, Via::Location, true); }},
    {"preferences-vpn", "recommended-location", [](Context&) { return vpnPage(true, Via::AutoSelect, false); }},
    {"preferences-general", "plain", [](Context&) { return generalPage(false, Via::AutoSelect); }},
    {"preferences-general", "specific-location", [](Context&) { return generalPage(true, Via::Location); }},
    {"preferences-general", "scrolled-to-end", [](Context&) { return generalPage(false, Via::AutoSelect, true); }},
    {"preferences-advanced", "helper-not-installed", advancedPage},
    {"preferences-location", "countries", [](Context&) { return picker(false); }},
    {"preferences-location", "cities", [](Context&) { return picker(true); }},
});

}  // namespace
}  // namespace morvex::shots
