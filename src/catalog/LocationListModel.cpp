#include "catalog/LocationListModel.h"

#include "foundation/Log.h"

namespace morvex {

LocationListModel::LocationListModel(LocationEngine engine_, ZevuDataFetcher fetcher, PreservedPreferences preference_,
                                     EventTracker eventTracker_, QObject* parent)
    : QObject(parent),
      engine(std::move(engine_)),
      zevuDataFetcher(std::move(fetcher)),
      latencies(zevuDataFetcher),
      preference(std::move(preference_)),
      eventTracker(std::move(eventTracker_)) {}

// ---- properties ----

void LocationListModel::setFetching(bool value) {
    fetching_ = value;
    emit propertyChanged(QStringLiteral("fetching"));
}

void LocationListModel::setSearching(bool value) {
    searching_ = value;
    emit propertyChanged(QStringLiteral("searching"));
}

void LocationListModel::setSearchingValue(std::string value) {
    searchingValue_ = std::move(value);
    emit propertyChanged(QStringLiteral("searchingValue"));
}

void LocationListModel::setContent(std::optional<ServerList> value) { setList(content_, std::move(value), "content"); }

void LocationListModel::setContentWithCities(std::optional<ServerList> value) {
    setList(contentWithCities_, std::move(value), "contentWithCities");
}

void LocationListModel::setList(std::optional<ServerList>& field, std::optional<ServerList> value, const char* name) {
    field = std::move(value);
    emit propertyChanged(QString::fromLatin1(name));
}

void LocationListModel::refreshPingSetting() {
    enablePing_ = preference.enablePing();
    emit propertyChanged(QStringLiteral("enablePing"));
    sortDescriptors_ = enablePing_ ? pingOrder() : plainOrder();
    emit propertyChanged(QStringLiteral("sortDescriptors"));
}

// ---- search and connect ----

void LocationListModel::searchIn(const std::optional<ServerList>& source) {
    const auto clause = LocationSearch::filterClause(filterValue);
    auto cleaned = LocationSearch::cleanedSearchText(searchingValue_);
    setSearchingValue(cleaned);
    if (!cleaned.empty()) log::print("searchingValue " + cleaned);
    setContent(LocationSearch::search(source, cleaned, clause, &searchKeys_[&source]));
}

void LocationListModel::connectRow(const ServerPtr& server, ZevuTypes::ConnectVia via, bool searching,
                                   const std::shared_ptr<CountriesModelDelegate>& missingExtension) {
    if (!server) return;
    if (preference.systemExtensionStatus()) {
        if (missingExtension) missingExtension->showProtocolsAlert();
        return;
    }
    const auto selected = searching ? ZevuTypes::SelectedInterface::Search : ZevuTypes::SelectedInterface::List;
    if (!engine.connect) return;
    engine.connect(ConnectRequest{server, via, ZevuTypes::SelectedInterfaceScreen::Location,
                                  ZevuTypes::ConnectionInitiatedBy::User, selected, false, true},
                   [server, via, selected, connect = engine.connect](const std::optional<Error>& error) {
                       showLocationConnectError(error, server, via, selected, connect);
                   });
}

// ---- notifications ----

void LocationListModel::observe(std::string_view name, std::function<void(const Notification&)> block) {
    observers_.push_back(NotificationCenter::defaultCenter().addObserver(name, std::move(block)));
}

void LocationListModel::addObservers() {
    observe(ZevuDataFetcherTypes::favoritesUpdatedNotification,
            [this](const Notification& n) { favoritesChanged(n); });
    observe(locationNotifications::enablePingChanged, [this](const Notification&) {
        refreshPingSetting();
        reloadAfterPingChange();
    });
    observe(PreservedPreferences::preferencesRefreshedNotification, [this](const Notification&) { preferenceCleared(); });
    observe(locationNotifications::vpnAccountDidChange, [this](const Notification&) { vpnAccountDidChange(); });
    addOwnObservers();
}

void LocationListModel::favoritesChanged(const Notification& notification) {
    const auto* info = notification.objectAs<UserInfo>();
    if (!info || !content_) return;
    auto added = info->find("Added");
    auto object = info->find("Object");
    if (added == info->end() || object == info->end()) return;
    const auto* flag = std::any_cast<bool>(&added->second);
    const auto* server = std::any_cast<ServerPtr>(&object->second);
    if (!flag || !server || !*server) return;
    for (const auto& row : *content_) {
        if (row && row->id == (*server)->id) {
            row->favorite = *flag;
            if (delegate) delegate->reloadItem(row->id);
            return;
        }
    }
}

void LocationListModel::preferenceCleared() {
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
}

}  // namespace morvex
