#pragma once
// The stores and analytics calls behind the general page; the VPN and app settings pages use the
// same model for the values they share with it (auto-connect, the per-user switches, appearance).
// No widgets: everything here is tested without a window.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alerts/AlertPresenter.h"
#include "appkit/Appearance.h"
#include "alerts/AlertServices.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"

namespace morvex {

class GeneralModel {
public:
    // The appearance choices, numbered as "AppPreference.appearance" stores them.
    enum class Appearance : std::int64_t { System = 0, Light = 1, Dark = 2 };

    // New stores over the standard defaults, the main analytics instance, the installed VPN control.
    GeneralModel();
    // A null `vpn` asks the installed alert services' VPN control at each use.
    GeneralModel(PreservedPreferences preference, AppPreferences appPreferences, EventTracker eventTracker,
                 std::shared_ptr<VPNControl> vpn = nullptr);

    PreservedPreferences preference;
    AppPreferences appPreferences;
    EventTracker eventTracker;

    // The localized titles of the three appearances, in choice order.
    static const std::vector<std::string>& appearanceOptions();
    // The choice whose localized title is `title`; an unknown title counts as dark.
    static Appearance appearanceFromTitle(std::string_view title);
    static std::string appearanceTitle(Appearance appearance);
    // The stored choice (an unknown number reads as the system's). A theme left under the old
    // "selectedThemeTag" is carried over first.
    Appearance appearance() const;
    // Stores the choice of that title under "AppPreference.appearance".
    void storeAppearance(std::string_view title);
    // Stores the choice, applies it to the application (every window follows) and announces it
    // ("MorvexVPNPreferences"), so every page showing it can follow.
    void chooseAppearance(Appearance appearance);
    // The application's appearance for a choice: none follows the desktop.
    static std::optional<appkit::Appearance> look(Appearance appearance);
    // At start: carries an old theme over and applies the stored choice to the application.
    static void applyStoredAppearance(AppPreferences preferences = AppPreferences());

    // The stored interface language code ("de" when none is stored) and its name in that language;
    // none when the system has no name for the code.
    std::string preferredLanguageCode() const;
    std::optional<std::string> selectedLanguageName() const;

    void trackTheme(Appearance appearance);
    void trackLanguageChange(const std::string& before, const std::string& after);

    // True while a tunnel is coming up or up (SDK status Connecting or Connected): settings that
    // change the tunnel's protection are refused then.
    bool isTunnelBusy() const;

    // The clear-preferences button of the general and advanced pages: while a tunnel is busy only
    // the "connected" warning; otherwise the sheet whose first button clears the user's settings.
    void askToClearPreferences(std::shared_ptr<AlertWindow> window) const;

    // The auto-connect choice as the drop-downs show it: the three titles offered (the recommended
    // entry stands for AutoSelect), and the title of the stored choice.
    static std::vector<std::string> autoConnectMenuTitles();
    std::string autoConnectTitle() const;
    // Stores the choice of that title (first case with that title; none: AutoSelect) and answers it.
    PreservedPreferences::AutoConnectVia storeAutoConnectTitle(std::string_view title);
    // Makes sure a location is stored for auto-connect: none stored stores the United States.
    void ensureAutoConnectLocation();

private:
    std::shared_ptr<VPNControl> vpn_;
};

// The country the auto-connect location falls back to when a specific location is chosen
// before any was picked.
ZevuDataFetcherTypes::ServerPtr defaultAutoConnectLocation();

}  // namespace morvex
