#include "catalog/CountriesModel.h"

#include <QPointer>

#include "api/Envelopes.h"
#include "api/Networking.h"
#include "foundation/Log.h"
#include "state/AppManager.h"
#include "state/User.h"

namespace morvex {

CountriesModel::CountriesModel(LocationEngine engine_, ZevuDataFetcher fetcher, PreservedPreferences preference_,
                               EventTracker eventTracker_, QObject* parent)
    : LocationListModel(std::move(engine_), std::move(fetcher), std::move(preference_), std::move(eventTracker_), parent) {
    refreshPingSetting();
}

CountriesModel::CountriesModel(Networking& networking, LocationEngine engine_, ZevuDataFetcher fetcher,
                               PreservedPreferences preference_, EventTracker eventTracker_, QObject* parent)
    : CountriesModel(std::move(engine_), std::move(fetcher), std::move(preference_), std::move(eventTracker_), parent) {
    networkingManager = &networking;
}

void CountriesModel::setCountriesContent(std::optional<ServerList> value) {
    setList(countriesContent_, std::move(value), "countriesContent");
}

// ---- loading ----

void CountriesModel::refreshCountries(std::function<void(bool)> completion) {
    if (fetching_) return;
    setFetching(true);
    eventTracker.mixpanel().time(std::string(eventName(AnalyticsEvent::app_location_load_time)));
    QPointer<CountriesModel> self(this);
    zevuDataFetcher.loadCountries(zevuDataFetcher.cachedCountries(),
                                  [self, completion](ServerList countries, std::optional<Error> error) {
                                      if (!self) return;
                                      if (error) {
                                          self->setFetching(false);
                                          NotificationCenter::defaultCenter().post(locationNotifications::pingRunEnded);
                                          if (completion) completion(false);
                                          return;
                                      }
                                      self->loaded(std::move(countries), completion);
                                  });
}

namespace {
// Each country followed by its cities.
ZevuDataFetcherTypes::ServerList withCities(const ZevuDataFetcherTypes::ServerList& countries) {
    ZevuDataFetcherTypes::ServerList out;
    for (const auto& c : countries) {
        out.push_back(c);
        if (c && c->servers) out.insert(out.end(), c->servers->begin(), c->servers->end());
    }
    return out;
}
}  // namespace

void CountriesModel::loaded(ServerList countries, const std::function<void(bool)>& completion) {
    setList(countriesContent_, countries, "countriesContent");
    setList(filterCountries_, countries, "filterCountries");
    if (!preference.enablePing()) {
        setList(contentWithCities_, withCities(countries), "contentWithCities");
        setFetching(false);
        setContent(searching_ ? contentWithCities_ : countriesContent_);
        applySearch();
        NotificationCenter::defaultCenter().post(locationNotifications::pingRunEnded);
        if (completion) completion(true);
        return;
    }
    QPointer<CountriesModel> self(this);
    latencies.measureCountries(countries, [self, completion](ServerList measured) {
        if (self) self->measured(std::move(measured), completion);
    });
}

void CountriesModel::measured(ServerList countries, const std::function<void(bool)>& completion) {
    setList(countriesContent_, countries, "countriesContent");
    ServerList cities;
    for (const auto& c : countries)
        if (c && c->servers) cities.insert(cities.end(), c->servers->begin(), c->servers->end());
    if (!searching_) {
        setContent(countriesContent_);
        applySearch();
    }
    QPointer<CountriesModel> self(this);
    latencies.measureCities(cities, [self, countries, completion](ServerList measuredCities) {
        if (!self) return;
        ServerList all = countries;
        all.insert(all.end(), measuredCities.begin(), measuredCities.end());
        self->setFetching(false);
        self->setList(self->contentWithCities_, std::move(all), "contentWithCities");
        if (self->searching_) {
            self->setContent(self->contentWithCities_);
            self->applySearch();
        }
        self->preference.setPingedAt(Date::now());
        // The dedicated IP is no row of these lists, but its card shows a latency too.
        if (self->engine.pingDedicatedIP) self->engine.pingDedicatedIP();
        NotificationCenter::defaultCenter().post(locationNotifications::pingedAtChanged);
        if (completion) completion(true);
    });
}

// ---- search and order ----

void CountriesModel::applySearch() { searchIn(favoriteSeleceted ? favoritesContent_ : countriesContent_); }

void CountriesModel::updateSortDescriptors(SortKind kind) {
    auto& app = AppManager::shared();
    switch (kind) {
    case SortKind::alphabetical:
        app.setSortKind(AppManager::SortKind::alphabetical);
        sortDescriptors_ = nameSortDescriptor;
        break;
    case SortKind::popularity:
        app.setSortKind(AppManager::SortKind::popularity);
        sortDescriptors_ = rankSortDescriptor;
        break;
    case SortKind::ping:
        enablePing_ = preference.enablePing();
        emit propertyChanged(QStringLiteral("enablePing"));
        sortDescriptors_ = enablePing_ ? pingSortDescriptor : rankSortDescriptor;
        break;
    }
    emit propertyChanged(QStringLiteral("sortDescriptors"));
}

CountriesModel::ServerList CountriesModel::sortedServers(const ServerList& servers, SortKind kind) const {
    AppManager::shared().setSortKind(kind == SortKind::alphabetical ? AppManager::SortKind::alphabetical
                                     : kind == SortKind::popularity ? AppManager::SortKind::popularity
                                                                    : AppManager::SortKind::ping);
    return LocationSearch::sortedServers(servers, kind);
}

// ---- tabs ----

void CountriesModel::showRecents() { setContent(preference.recents()); }

void CountriesModel::showFavorites() {
    auto favorites = preference.favorites();
    setContent(favorites);
    setList(favoritesContent_, std::move(favorites), "favoritesContent");
}

std::size_t CountriesModel::favoritesCount() const { return preference.favorites().size(); }

std::vector<ListItem> CountriesModel::favoriteListItems() const {
    std::vector<ListItem> rows;
    for (const auto& server : preference.favorites()) rows.emplace_back(server, ListItem::RowType::Favorite);
    return rows;
}

int CountriesModel::listItems() const { return static_cast<int>(favoriteListItems().size()); }

// ---- connecting ----

void CountriesModel::connectToListServer(const ServerPtr& server, bool searching) {
    if (!server) return;
    connectRow(server, ZevuTypes::connectVia(server->type), searching, countriesDelegate);
}

// ---- the dedicated IP ----

void to_json(nlohmann::json& j, const CountriesModel::DedicatedIPStatusModel& m) {
    j = nlohmann::json::object();
    if (m.connected) j["connected"] = *m.connected;
}

void from_json(const nlohmann::json& j, CountriesModel::DedicatedIPStatusModel& m) {
    coding::requireObject(j, "DedicatedIPStatusModel");
    m.connected = coding::optionalBool(j, "connected");
}

void CountriesModel::checkDedicatedIPStatus(const std::string& address, DedicatedIPStatusCompletion completion) {
    const nlohmann::json parameters{{"vpn_username", User().vpnUsername().value_or("")}, {"dedicated_ip", address}};
    Networking& networking = networkingManager ? *networkingManager : Networking::shared();
    networking.requestDedicatedIPStatus<HttpResponseModel<DedicatedIPStatusModel>>(
        parameters, [completion](Result<HttpResponseModel<DedicatedIPStatusModel>> answer) {
            if (!completion) return;
            if (!answer) return completion(fail(answer.error()));
            completion(std::move(answer->body));
        });
}

// ---- notifications ----

void CountriesModel::resetFilter() { filterValue[0] = FilterStructure{false, "p2p", "p2p == true"}; }

void CountriesModel::vpnAccountDidChange() {
    setFetching(false);
    if (delegate) delegate->reloadContent();
    resetFilter();
}

void CountriesModel::addOwnObservers() {
    observe(kNetworkReachabilityChangedNotification, [this](const Notification& n) {
        const auto* info = n.objectAs<std::map<std::string, bool>>();
        if (!info) return;
        auto it = info->find("reachable");
        if (it != info->end() && it->second && delegate) delegate->reloadContent();
    });
    observe(locationNotifications::refreshPingValues, [this](const Notification&) {
        refreshPingSetting();
        refreshCountries();
    });
    observe(UserLoggedInChangedNotification, [this](const Notification&) { resetFilter(); });
}

}  // namespace morvex
