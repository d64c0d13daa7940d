// The country list on the locations tab with a fixed catalogue: every location, the empty
// favourites tab, a search that finds nothing, the sort overlay and the filter and sort sheets,
// and the sectioned list on its three segments.
#include "Shots.h"

#include "app/AppMainViewController.h"
#include "viewmodels/MainTab.h"
#include "app/StatusMenu.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "state/StoredValueCoding.h"
#include "ui/locations/CountriesViewController.h"
#include "ui/locations/CountriesViewController1.h"
#include "ui/locations/PopOver.h"
#include "ui/locations/SortViewController.h"
#include "zevu/ZevuCore.h"

namespace morvex::shots {
namespace {

void cacheCatalogue() {
    const std::pair<const char*, const char*> places[] = {
        {"US", "United States"}, {"GB", "United Kingdom"}, {"DE", "Germany"}, {"NL", "Netherlands"},
        {"CH", "Switzerland"},   {"FR", "France"},         {"JP", "Japan"},   {"AE", "United Arab Emirates"},
        {"AZ", "Azerbaijan"},
    };
    std::vector<nlohmann::json> docs;
    for (const auto& [code, name] : places) {
        zevu::ZevuCountry c;
        c.country = code;
        c.name = name;
        c.iso_code = code;
        c.protocols = std::vector<zevu::ZevuProtocol>{zevu::ZevuProtocol("IPSEC")};
        if (std::string_view(code) == "DE") {
            zevu::ZevuCity city;
            city.cityId = 153;
            city.name = "Frankfurt";
            city.country = code;
            c.cities = std::vector{city};
        }
        docs.emplace_back(c);
    }
    UserDefaults defaults = AppPreferences().defaults();
    setEncodableArray(defaults, std::optional(docs), AppPreferences::Key::countries);
    PreservedPreferences().setFavorites(std::nullopt);
}

// The list as the locations tab shows it, beside the tab bar; `arrange` brings it to the state.
QImage render(const std::function<void(CountriesViewController&, appkit::Window&)>& arrange) {
    cacheCatalogue();
    AppMainViewController::Hooks hooks;
    hooks.activateExtension = [](const std::string&) {};
    hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
    hooks.migrationCheck = [] {};
    auto window = std::make_unique<appkit::Window>(QSize(760, 500));
    auto* content = new AppMainViewController(hooks);
    window->setContentViewController(content);
    window->show();
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Locations);
    settle();
    QObject* page = content->currentPageController();
    auto lists = page ? page->findChildren<CountriesViewController*>() : QList<CountriesViewController*>();
    CountriesViewController* list = lists.isEmpty() ? nullptr : lists.first();
    if (!list) {
        // Without the explore tab around it, the list fills a window of the page's size.
        window = std::make_unique<appkit::Window>(QSize(688, 500));
        list = new CountriesViewController;
        window->setContentViewController(list);
        window->show();
    }
    settle();
    arrange(*list, *window);
    settle();
    return renderWindow(*window);
}

// As typed: the field changes, then the list hears of the edit.
void type(CountriesViewController& list, const QString& text) {
    list.searchField->setText(text);
    list.searchTextChanged();
}

QImage all(Context&) {
    return render([](CountriesViewController&, appkit::Window&) {});
}

QImage favoritesEmpty(Context&) {
    return render([](CountriesViewController& list, appkit::Window&) { list.showFavoriteLocations(); });
}

QImage searchNoResult(Context&) {
    return render([](CountriesViewController& list, appkit::Window&) {
        type(list, QStringLiteral("Atlantis"));
    });
}

QImage sortOverlay(Context&) {
    return render([](CountriesViewController& list, appkit::Window&) { list.toggleSortPopOver(); });
}

QImage filterSheet(Context&) {
    return render([](CountriesViewController& list, appkit::Window&) { list.showFilterSheet(); });
}

QImage sortSheet(Context&) {
    return render([](CountriesViewController& list, appkit::Window&) {
        auto* board = appkit::Storyboard::named(SortViewController::kStoryboard);
        auto* sheet = board ? qobject_cast<SortViewController*>(board->instantiateController(SortViewController::kStoryboardID))
                            : nullptr;
        if (sheet) list.presentAsSheet(sheet);
    });
}

// The sectioned list as the country list's sections button opens it on the locations tab.
QImage sectioned(Context&) {
    return render([](CountriesViewController& list, appkit::Window&) { list.openSectionedList(); });
}

// The sectioned list on one of its segments (1 favourites, 2 recents), with France (a P2P
// location) and Japan stored as favourites.
QImage sectionedSegment(int tag) {
    return render([tag](CountriesViewController& list, appkit::Window&) {
        auto france = std::make_shared<ZevuDataFetcherTypes::Server>("FR", "France", ZevuDataFetcherTypes::ServerType::Country, "FR");
        france->p2p = true;
        france->favorite = true;
        auto japan = std::make_shared<ZevuDataFetcherTypes::Server>("JP", "Japan", ZevuDataFetcherTypes::ServerType::Country, "JP");
        japan->favorite = true;
        PreservedPreferences().setFavorites(ZevuDataFetcherTypes::ServerList{france, japan});
        list.openSectionedList();
        settle();
        // The sectioned list is a page beside the country list.
        for (QObject* up = list.parent(); up; up = up->parent()) {
            if (const auto shown = up->findChildren<CountriesViewController1*>(); !shown.isEmpty()) {
                shown.first()->filterTypeSelected(tag);
                break;
            }
        }
    });
}

QImage sectionedFavorites(Context&) { return sectionedSegment(1); }
QImage sectionedRecentsEmpty(Context&) { return sectionedSegment(2); }

const Registration shots({
    {"countries", "all", all},
    {"countries", "favorites-empty", favoritesEmpty},
    {"countries", "search-no-result", searchNoResult},
    {"countries", "sort-overlay", sortOverlay},
    {"countries", "filter-sheet", filterSheet},
    {"countries", "sort-sheet", sortSheet},
    {"countries", "sectioned", sectioned},
    {"countries", "sectioned-favorites", sectionedFavorites},
    {"countries", "sectioned-recents-empty", sectionedRecentsEmpty},
});

}  // namespace
}  // namespace morvex::shots
