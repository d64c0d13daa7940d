#pragma once
// What the country and the city list models have in common: their collaborators, the properties a
// list screen reads (each change named by `propertyChanged`), the search over a source list, the
// order that follows the ping preference, the connect of a chosen row with its alerts, and the
// notifications both follow. Each model adds its own source lists, loading and further observers.
//
// Threads: the main thread. The fetcher's and the SDK's answers arrive there too.
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/LocationLists.h"
#include "catalog/LocationLatencies.h"
#include "catalog/LocationSearch.h"
#include "catalog/ZevuDataFetcher.h"
#include "foundation/NotificationCenter.h"

namespace morvex {

class LocationListModel : public QObject {
    Q_OBJECT

public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    using ServerList = ZevuDataFetcherTypes::ServerList;
    using FilterStructure = LocationSearch::FilterStructure;
    using SortKind = LocationSearch::SortKind;
    using SortDescriptors = LocationSearch::SortDescriptors;

    LocationEngine engine;
    ZevuDataFetcher zevuDataFetcher;
    // Measures the lists' locations, over the fetcher's stores, SDK and analytics.
    LocationLatencies latencies;
    PreservedPreferences preference;
    EventTracker eventTracker;
    std::shared_ptr<ContentUpdateDelegate> delegate;
    LocationSearch::FilterTable filterValue = LocationSearch::defaultFilters();

    // ---- observable properties ----
    // A load or a latency measurement runs; further ones are ignored meanwhile.
    bool fetching() const { return fetching_; }
    bool searching() const { return searching_; }
    void setSearching(bool value);
    const std::string& searchingValue() const { return searchingValue_; }
    void setSearchingValue(std::string value);
    // The rows the screen shows.
    const std::optional<ServerList>& content() const { return content_; }
    void setContent(std::optional<ServerList> value);
    const std::optional<ServerList>& contentWithCities() const { return contentWithCities_; }
    const SortDescriptors& sortDescriptors() const { return sortDescriptors_; }
    bool enablePing() const { return enablePing_; }

    // Registers the observers of the favourites, the ping preference, cleared preferences and the
    // VPN account, then the model's own. Once per model; they live as long as it does.
    void addObservers();

signals:
    void propertyChanged(const QString& name);

protected:
    LocationListModel(LocationEngine engine, ZevuDataFetcher zevuDataFetcher, PreservedPreferences preference,
                      EventTracker eventTracker, QObject* parent);

    void setFetching(bool value);
    void setList(std::optional<ServerList>& field, std::optional<ServerList> value, const char* name);
    void setContentWithCities(std::optional<ServerList> value);
    // Reads the ping preference and picks the order that goes with it.
    void refreshPingSetting();
    // Cleans the search text (written back, so a bound field shows it) and narrows `source` by it
    // and by the filters that are on into `content`.
    void searchIn(const std::optional<ServerList>& source);
    // Connects to a chosen row unless the selected protocol's system extension is not ready, in
    // which case `missingExtension` (when set) is asked for the protocols sheet. A refusal or
    // failure shows its alert.
    void connectRow(const ServerPtr& server, ZevuTypes::ConnectVia via, bool searching,
                    const std::shared_ptr<CountriesModelDelegate>& missingExtension);
    void observe(std::string_view name, std::function<void(const Notification&)> block);

    // The order with pinging on and off.
    virtual const SortDescriptors& pingOrder() const = 0;
    virtual const SortDescriptors& plainOrder() const = 0;
    // What the model loads again after the ping preference changed.
    virtual void reloadAfterPingChange() = 0;
    virtual void vpnAccountDidChange() = 0;
    // Observers of the model's own, registered after the shared ones.
    virtual void addOwnObservers() {}

    bool fetching_ = false;
    bool searching_ = false;
    std::string searchingValue_;
    std::optional<ServerList> content_, contentWithCities_;
    SortDescriptors sortDescriptors_;
    bool enablePing_ = false;

private:
    void favoritesChanged(const Notification& notification);
    void preferenceCleared();

    std::vector<ObserverToken> observers_;
    // The search keys of each source list searched (keyed by the list's address in the model).
    std::map<const void*, LocationSearch::Keys> searchKeys_;
};

}  // namespace morvex
