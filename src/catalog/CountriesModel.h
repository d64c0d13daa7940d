#pragma once
// The model behind the country lists and the dashboard's recent-location tile: loads the catalogue
// through the fetcher, has the SDK measure latencies when pinging is on, keeps the favourites and
// recents tabs, searches and filters, picks the sort order, follows the application's
// notifications and connects a chosen row. It holds no widgets: a screen reads the properties and
// follows `propertyChanged`, which names each property when its value is set.
//
// Threads: the main thread. The fetcher's and the SDK's answers arrive there too.
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/LocationLists.h"
#include "catalog/LocationSearch.h"
#include "catalog/ZevuDataFetcher.h"
#include "foundation/NotificationCenter.h"
#include "vpn/Zevu.h"

namespace morvex {

class CountriesModel : public QObject {
    Q_OBJECT

public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    using ServerList = ZevuDataFetcherTypes::ServerList;
    using FilterStructure = LocationSearch::FilterStructure;
    using SortKind = LocationSearch::SortKind;
    using SortDescriptors = LocationSearch::SortDescriptors;

    CountriesModel(Zevu zevu, ZevuDataFetcher zevuDataFetcher, PreservedPreferences preference,
                   EventTracker eventTracker, QObject* parent = nullptr);

    Zevu zevu;
    ZevuDataFetcher zevuDataFetcher;
    PreservedPreferences preference;
    EventTracker eventTracker;
    const SortDescriptors nameSortDescriptor = LocationSearch::nameSortDescriptor();
    const SortDescriptors rankSortDescriptor = LocationSearch::rankSortDescriptor();
    const SortDescriptors pingSortDescriptor = LocationSearch::pingSortDescriptor();
    std::shared_ptr<ContentUpdateDelegate> delegate;
    std::shared_ptr<CountriesModelDelegate> countriesDelegate;
    // The favourites tab is shown: the search runs over the favourites.
    bool favoriteSeleceted = false;
    LocationSearch::FilterTable filterValue = LocationSearch::defaultFilters();

    // ---- observable properties ----
    bool fetching() const { return fetching_; }
    bool searching() const { return searching_; }
    void setSearching(bool value);
    const std::string& searchingValue() const { return searchingValue_; }
    void setSearchingValue(std::string value);
    // The rows the screen shows.
    const std::optional<ServerList>& content() const { return content_; }
    void setContent(std::optional<ServerList> value);
    // Countries and cities together.
    const std::optional<ServerList>& contentWithCities() const { return contentWithCities_; }
    // The loaded countries, each with its cities.
    const std::optional<ServerList>& countriesContent() const { return countriesContent_; }
    void setCountriesContent(std::optional<ServerList> value);
    const std::optional<ServerList>& favoritesContent() const { return favoritesContent_; }
    const std::optional<ServerList>& filterCountries() const { return filterCountries_; }
    const SortDescriptors& sortDescriptors() const { return sortDescriptors_; }
    bool enablePing() const { return enablePing_; }

    // ---- operations ----
    // Loads the catalogue unless a load runs (then nothing happens, and the completion is not
    // called); the completion gets whether the load succeeded. A failed load leaves the lists.
    void refreshCountries(std::function<void(bool)> completion = {});
    void applySearch();
    void showRecents();
    void showFavorites();
    std::size_t favoritesCount() const;
    void updateSortDescriptors(SortKind kind);
    ServerList sortedServers(const ServerList& servers, SortKind kind) const;
    // Connects to a chosen row; with the selected protocol's system extension not ready, asks the
    // delegate for the protocols sheet instead.
    void connectToListServer(const ServerPtr& server, bool searching);
    void addObservers();

signals:
    void propertyChanged(const QString& name);

private:
    void setFetching(bool value);
    void setList(std::optional<ServerList>& field, std::optional<ServerList> value, const char* name);
    void refreshPingSetting();
    void loaded(ServerList countries, const std::function<void(bool)>& completion);
    void measured(ServerList countries, const std::function<void(bool)>& completion);
    void resetFilter();

    bool fetching_ = false;
    bool searching_ = false;
    std::string searchingValue_;
    std::optional<ServerList> content_, contentWithCities_, countriesContent_, favoritesContent_, filterCountries_;
    SortDescriptors sortDescriptors_;
    bool enablePing_ = false;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
