#include "catalog/CitiesControllerModel.h"

#include <QPointer>

#include "foundation/Log.h"

namespace morvex {

CitiesControllerModel::CitiesControllerModel(Zevu zevu_, ZevuDataFetcher fetcher, PreservedPreferences preference_,
                                             EventTracker eventTracker_, QObject* parent)
    : QObject(parent),
      zevu(std::move(zevu_)),
      zevuDataFetcher(std::move(fetcher)),
      preference(std::move(preference_)),
      eventTracker(std::move(eventTracker_)) {
    enablePing_ = preference.enablePing();
    sortDescriptors_ = enablePing_ ? pingSortDescriptor : nameSortDescriptor;
}

void CitiesControllerModel::setFetching(bool value) {
    fetching_ = value;
    emit propertyChanged(QStringLiteral("fetching"));
}
void CitiesControllerModel::setSearching(bool value) {
    searching_ = value;
    emit propertyChanged(QStringLiteral("searching"));
}
void CitiesControllerModel::setSearchingValue(std::string value) {
    searchingValue_ = std::move(value);
    emit propertyChanged(QStringLiteral("searchingValue"));
}
void CitiesControllerModel::setContent(std::optional<ServerList> value) {
    content_ = std::move(value);
    emit propertyChanged(QStringLiteral("content"));
}
void CitiesControllerModel::setContentWithCities(std::optional<ServerList> value) {
    contentWithCities_ = std::move(value);
    emit propertyChanged(QStringLiteral("contentWithCities"));
}
void CitiesControllerModel::setCountryName(std::optional<std::string> value) {
    countryName_ = std::move(value);
    emit propertyChanged(QStringLiteral("countryName"));
}

void CitiesControllerModel::refreshPingSetting() {
    enablePing_ = preference.enablePing();
    emit propertyChanged(QStringLiteral("enablePing"));
    sortDescriptors_ = enablePing_ ? pingSortDescriptor : nameSortDescriptor;
    emit propertyChanged(QStringLiteral("sortDescriptors"));
}

void CitiesControllerModel::loadCities() {
    if (!preference.enablePing() || fetching_ || !content_) return;
    setFetching(true);
    QPointer<CitiesControllerModel> self(this);
    zevuDataFetcher.measureCities(*content_, [self](ServerList measured) {
        if (!self) return;
        self->setContent(std::move(measured));
        self->setFetching(false);
    });
}

void CitiesControllerModel::trackCountryOpened() {
    if (countryName_) eventTracker.track(AnalyticsEvent::app_cities_viewed, Dictionary{{"country", *countryName_}});
}

void CitiesControllerModel::applySearch() {
    const auto clause = LocationSearch::filterClause(filterValue);
    auto cleaned = LocationSearch::cleanedSearchText(searchingValue_);
    setSearchingValue(cleaned);
    if (!cleaned.empty()) log::print("searchingValue " + cleaned);
    setContent(LocationSearch::search(contentWithCities_, cleaned, clause));
}

void CitiesControllerModel::connectCity(const ServerPtr& server, bool searching) {
    if (!server) return;
    if (preference.systemExtensionStatus()) {
        if (citiesDelegate) citiesDelegate->showProtocolsAlert();
        return;
    }
    const auto selected = searching ? ZevuTypes::SelectedInterface::Search : ZevuTypes::SelectedInterface::List;
    zevu.connectToLocation(server, ZevuTypes::ConnectVia::City, ZevuTypes::SelectedInterfaceScreen::Location,
                           ZevuTypes::ConnectionInitiatedBy::User, selected, false, true,
                           [server, selected](const std::optional<Error>& error) {
                               showLocationConnectError(error, server, ZevuTypes::ConnectVia::City, selected);
                           });
}

void CitiesControllerModel::addObservers() {
    auto& center = NotificationCenter::defaultCenter();
    auto on = [&](std::string_view name, std::function<void(const Notification&)> block) {
        observers_.push_back(center.addObserver(name, std::move(block)));
    };
    on(ZevuDataFetcherTypes::favoritesUpdatedNotification, [this](const Notification& n) {
        const auto* info = n.objectAs<UserInfo>();
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
    });
    on(locationNotifications::enablePingChanged, [this](const Notification&) {
        refreshPingSetting();
        loadCities();
    });
    on(PreservedPreferences::preferencesRefreshedNotification, [this](const Notification&) {
        refreshPingSetting();
        if (content_)
            for (const auto& row : *content_)
                if (row) row->favorite = false;
        if (delegate) delegate->reloadContent();
    });
    on(locationNotifications::vpnAccountDidChange, [this](const Notification&) {
        setFetching(false);
        refreshPingSetting();
        loadCities();
    });
}

}  // namespace morvex
