#include "catalog/CountriesModel.h"

#include <QPointer>

#include "api/Networking.h"
#include "foundation/Log.h"
#include "session/AppManager.h"
#include "state/User.h"

namespace morvex {

CountriesModel::CountriesModel(Zevu zevu_, ZevuDataFetcher fetcher, PreservedPreferences preference_,
                               EventTracker eventTracker_, QObject* parent)
    : QObject(parent),
      zevu(std::move(zevu_)),
      zevuDataFetcher(std::move(fetcher)),
      preference(std::move(preference_)),
      eventTracker(std::move(eventTracker_)) {
    enablePing_ = preference.enablePing();
    sortDescriptors_ = enablePing_ ? pingSortDescriptor : rankSortDescriptor;
}

// ---- properties ----

void CountriesModel::setFetching(bool value) {
    fetching_ = value;
    emit propertyChanged(QStringLiteral("fetching"));
}

void CountriesModel::setSearching(bool value) {
    searching_ = value;
    emit propertyChanged(QStringLiteral("searching"));
}

void CountriesModel::setSearchingValue(std::string value) {
    searchingValue_ = std::move(value);
    emit propertyChanged(QStringLiteral("searchingValue"));
}

void CountriesModel::setContent(std::optional<ServerList> value) { setList(content_, std::move(value), "content"); }

void CountriesModel::setCountriesContent(std::optional<ServerList> value) {
    setList(countriesContent_, std::move(value), "countriesContent");
}

void CountriesModel::setList(std::optional<ServerList>& field, std::optional<ServerList> value, const char* name) {
    field = std::move(value);
    emit propertyChanged(QString::fromLatin1(name));
}

void CountriesModel::refreshPingSetting() {
    enablePing_ = preference.enablePing();
    emit propertyChanged(QStringLiteral("enablePing"));
    sortDescriptors_ = enablePing_ ? pingSortDescriptor : rankSortDescriptor;
    emit propertyChanged(QStringLiteral("sortDescriptors"));
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
        if (completion) completion(true);
        return;
    }
    QPointer<CountriesModel> self(this);
    zevuDataFetcher.measureCountries(countries, [self, completion](ServerList measured) {
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
    zevuDataFetcher.measureCities(cities, [self, countries, completion](ServerList measuredCities) {
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
        NotificationCenter::defaultCenter().post(locationNotifications::pingedAtChanged);
        if (completion) completion(true);
    });
}

// ---- search and order ----

void CountriesModel::applySearch() {
    const auto clause = LocationSearch::filterClause(filterValue);
    auto cleaned = LocationSearch::cleanedSearchText(searchingValue_);
    setSearchingValue(cleaned);
    const auto& source = favoriteSeleceted ? favoritesContent_ : countriesContent_;
    if (!cleaned.empty()) log::print("searchingValue " + cleaned);
    setContent(LocationSearch::search(source, cleaned, clause));
}

void CountriesModel::updateSortDescriptors(SortKind kind) {
    auto& app = AppManager::shared();
    switch (kind) {
    case SortKind::alphabetical:
        app.isAlphabaticalSortingEnabled = true;
        app.isPopularitySortingEnabled = false;
        app.isPingSortingEnabled = false;
        sortDescriptors_ = nameSortDescriptor;
        break;
    case SortKind::popularity:
        app.isPopularitySortingEnabled = true;
        app.isPingSortingEnabled = false;
        app.isAlphabaticalSortingEnabled = false;
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
    auto& app = AppManager::shared();
    app.isAlphabaticalSortingEnabled = kind == SortKind::alphabetical;
    app.isPopularitySortingEnabled = kind == SortKind::popularity;
    app.isPingSortingEnabled = kind == SortKind::ping;
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

// ---- connecting ----

void CountriesModel::connectToListServer(const ServerPtr& server, bool searching) {
    if (!server) return;
    if (preference.systemExtensionStatus()) {
        if (countriesDelegate) countriesDelegate->showProtocolsAlert();
        return;
    }
    const auto via = ZevuTypes::connectVia(server->type);
    const auto selected = searching ? ZevuTypes::SelectedInterface::Search : ZevuTypes::SelectedInterface::List;
    zevu.connectToLocation(server, via, ZevuTypes::SelectedInterfaceScreen::Location,
                           ZevuTypes::ConnectionInitiatedBy::User, selected, false, true,
                           [server, via, selected](const std::optional<Error>& error) {
                               showLocationConnectError(error, server, via, selected);
                           });
}

// ---- notifications ----

void CountriesModel::resetFilter() { filterValue[0] = FilterStructure{false, "p2p", "p2p == true"}; }

void CountriesModel::addObservers() {
    auto& center = NotificationCenter::defaultCenter();
    auto on = [&](std::string_view name, std::function<void(const Notification&)> block) {
        observers_.push_back(center.addObserver(name, std::move(block)));
    };
    on(ZevuDataFetcherTypes::favoritesUpdatedNotification, [this](const Notification& n) {
        const auto* info = n.objectAs<UserInfo>();
        if (!info) return;
        auto added = info->find("Added");
        auto object = info->find("Object");
        if (added == info->end() || object == info->end()) return;
        const auto* flag = std::any_cast<bool>(&added->second);
        const auto* server = std::any_cast<ServerPtr>(&object->second);
        if (!flag || !server || !*server || !content_) return;
        for (const auto& row : *content_) {
            if (row && row->id == (*server)->id) {
                row->favorite = *flag;
                if (delegate) delegate->reloadItem(row->id);
                return;
            }
        }
    });
    auto pingChanged = [this](const Notification&) {
        refreshPingSetting();
        refreshCountries();
    };
    on(locationNotifications::enablePingChanged, pingChanged);
    on(PreservedPreferences::preferencesRefreshedNotification, [this](const Notification&) {
        refreshPingSetting();
        if (content_)
            for (const auto& row : *content_) {
                if (!row) continue;
                row->favorite = false;
                if (row->servers)
                    for (const auto& city : *row->servers)
                        if (city) city->favorite = false;
            }
        if (delegate) delegate->reloadContent();
    });
    on(locationNotifications::vpnAccountDidChange, [this](const Notification&) {
        setFetching(false);
        if (delegate) delegate->reloadContent();
        resetFilter();
    });
    on(kNetworkReachabilityChangedNotification, [this](const Notification& n) {
        const auto* info = n.objectAs<std::map<std::string, bool>>();
        if (!info) return;
        auto it = info->find("reachable");
        if (it != info->end() && it->second && delegate) delegate->reloadContent();
    });
    on(locationNotifications::refreshPingValues, pingChanged);
    on(UserLoggedInChangedNotification, [this](const Notification&) { resetFilter(); });
}

}  // namespace morvex
