// The locations page of the main window: with favourites in the left column and without, and the
// city list of one country.
#include <QDateTime>

#include "Shots.h"
#include "app/AppMainViewController.h"
#include "appkit/Window.h"
#include "catalog/LocationLists.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "state/StoredValueCoding.h"
#include "zevu/ZevuCore.h"
#include "ui/locations/ExploreTabViewController.h"

namespace morvex::shots {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;
using Server = ZevuDataFetcherTypes::Server;
using ServerList = ZevuDataFetcherTypes::ServerList;

struct Open {
    std::unique_ptr<appkit::Window> window;
    AppMainViewController* content = nullptr;
};

ZevuDataFetcherTypes::ServerPtr place(const char* id, const char* name, Type type, const char* code, bool favourite,
                                      std::int64_t latency = Server::unmeasuredLatency) {
    auto s = std::make_shared<Server>(id, name, type, code);
    s->favorite = favourite;
    s->latency = latency;
    return s;
}

// A fixed catalogue for the country list of page 0.
void cacheCatalogue() {
    const std::pair<const char*, const char*> places[] = {
        {"DE", "Germany"}, {"FR", "France"}, {"NL", "Netherlands"}, {"CH", "Switzerland"},
        {"GB", "United Kingdom"}, {"US", "United States"}, {"JP", "Japan"}, {"SE", "Sweden"},
    };
    std::vector<nlohmann::json> docs;
    for (const auto& [code, name] : places) {
        zevu::ZevuCountry c;
        c.country = code;
        c.name = name;
        c.iso_code = code;
        c.protocols = std::vector<zevu::ZevuProtocol>{zevu::ZevuProtocol("IPSEC")};
        docs.emplace_back(c);
    }
    UserDefaults defaults = AppPreferences().defaults();
    setEncodableArray(defaults, std::optional(docs), AppPreferences::Key::countries);
}

// The header's time, fixed once the page's own ping runs have reported.
void fixLastPing() {
    PreservedPreferences().setPingedAt(Date{static_cast<double>(QDateTime(QDate(2026, 3, 14), QTime(9, 41)).toSecsSinceEpoch())});
    NotificationCenter::defaultCenter().post(locationNotifications::pingedAtChanged);
}

Open openLocations(bool withFavourites) {
    cacheCatalogue();
    PreservedPreferences preferences;
    preferences.setEnablePing(true);
    if (withFavourites)
        preferences.setFavorites(ServerList{place("DE", "Germany", Type::Country, "DE", true),
                                            place("FR-PAR", "Paris", Type::City, "FR", true),
                                            place("NL", "Netherlands", Type::Country, "NL", true)});
    else
        preferences.setFavorites(std::nullopt);

    AppMainViewController::Hooks hooks;
    hooks.activateExtension = [](const std::string&) {};
    hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
    hooks.migrationCheck = [] {};
    Open open;
    open.window = std::make_unique<appkit::Window>(QSize(760, 500));
    open.content = new AppMainViewController(hooks);
    open.window->setContentViewController(open.content);
    open.window->show();
    settle();
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Locations);
    settle();
    fixLastPing();
    settle();
    return open;
}

std::function<QImage(Context&)> locations(bool withFavourites) {
    return [withFavourites](Context&) {
        Open open = openLocations(withFavourites);
        QImage image = renderWindow(*open.window);
        PreservedPreferences().setFavorites(std::nullopt);
        return image;
    };
}

QImage cities(Context&) {
    Open open = openLocations(true);
    auto* explore = qobject_cast<ExploreTabViewController*>(open.content->currentPageController());
    if (!explore) return {};
    auto germany = place("DE", "Germany", Type::Country, "DE", true);
    germany->servers = ServerList{place("1", "Berlin", Type::City, "DE", false, 24),
                                  place("2", "Frankfurt", Type::City, "DE", true, 11),
                                  place("3", "Munich", Type::City, "DE", false, 31),
                                  place("4", "Hamburg", Type::City, "DE", false, 27)};
    // Frankfurt is also one of the favourites, so its row shows the filled star.
    auto favourites = PreservedPreferences().favorites();
    favourites.push_back((*germany->servers)[1]);
    PreservedPreferences().setFavorites(favourites);
    ZevuDataFetcherTypes::postFavoritesUpdated(true, favourites.back(), favourites);
    explore->showCities(germany);
    settle();
    fixLastPing();
    settle();
    QImage image = renderWindow(*open.window);
    PreservedPreferences().setFavorites(std::nullopt);
    return image;
}

const Registration shots({
    {"locations", "favourites", locations(true)},
    {"locations", "no-favourites", locations(false)},
    {"locations", "cities", cities},
});

}  // namespace
}  // namespace morvex::shots
