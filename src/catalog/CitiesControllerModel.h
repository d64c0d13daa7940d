#pragma once
// The model behind the city list of one country: the cities narrowed by the search text, the
// order (by name, or by latency when pinging is on), latency measurement, favourite flags kept in
// step with the favourites store, and the connection to a chosen city. It holds no widgets: a
// screen reads the properties and follows `propertyChanged`.
//
// Threads: the main thread; the SDK's measurement answers arrive there too.
#include <QObject>
#include <QString>

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

class CitiesControllerModel : public QObject {
    Q_OBJECT

public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    using ServerList = ZevuDataFetcherTypes::ServerList;
    using SortDescriptors = LocationSearch::SortDescriptors;

    CitiesControllerModel(Zevu zevu, ZevuDataFetcher zevuDataFetcher, PreservedPreferences preference,
                          EventTracker eventTracker, QObject* parent = nullptr);

    Zevu zevu;
    ZevuDataFetcher zevuDataFetcher;
    PreservedPreferences preference;
    EventTracker eventTracker;
    const SortDescriptors nameSortDescriptor = LocationSearch::nameSortDescriptor();
    const SortDescriptors pingSortDescriptor = LocationSearch::cityPingSortDescriptor();
    std::shared_ptr<ContentUpdateDelegate> delegate;
    std::shared_ptr<CitiesModelDelegate> citiesDelegate;
    LocationSearch::FilterTable filterValue = LocationSearch::defaultFilters();

    bool fetching() const { return fetching_; }
    bool searching() const { return searching_; }
    void setSearching(bool value);
    const std::string& searchingValue() const { return searchingValue_; }
    void setSearchingValue(std::string value);
    const std::optional<ServerList>& content() const { return content_; }
    void setContent(std::optional<ServerList> value);
    // Every city of the country; the search narrows this into `content`.
    const std::optional<ServerList>& contentWithCities() const { return contentWithCities_; }
    void setContentWithCities(std::optional<ServerList> value);
    const std::optional<std::string>& countryName() const { return countryName_; }
    void setCountryName(std::optional<std::string> value);
    const SortDescriptors& sortDescriptors() const { return sortDescriptors_; }
    bool enablePing() const { return enablePing_; }

    // With pinging on and no measurement running, has the SDK measure the shown cities.
    void loadCities();
    void trackCountryOpened();
    void applySearch();
    void connectCity(const ServerPtr& server, bool searching);
    void addObservers();

signals:
    void propertyChanged(const QString& name);

private:
    void setFetching(bool value);
    void refreshPingSetting();

    bool fetching_ = false;
    bool searching_ = false;
    std::string searchingValue_;
    std::optional<ServerList> content_, contentWithCities_;
    std::optional<std::string> countryName_;
    SortDescriptors sortDescriptors_;
    bool enablePing_ = false;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
