#include "catalog/CitiesControllerModel.h"

#include <QPointer>

namespace morvex {

CitiesControllerModel::CitiesControllerModel(LocationEngine engine_, ZevuDataFetcher fetcher, PreservedPreferences preference_,
                                             EventTracker eventTracker_, QObject* parent)
    : LocationListModel(std::move(engine_), std::move(fetcher), std::move(preference_), std::move(eventTracker_), parent) {
    refreshPingSetting();
}

void CitiesControllerModel::setCountryName(std::optional<std::string> value) {
    countryName_ = std::move(value);
    emit propertyChanged(QStringLiteral("countryName"));
}

void CitiesControllerModel::loadCities() {
    if (!preference.enablePing() || fetching_ || !content_) return;
    setFetching(true);
    QPointer<CitiesControllerModel> self(this);
    latencies.measureCities(*content_, [self](ServerList measured) {
        if (!self) return;
        self->setContent(std::move(measured));
        self->setFetching(false);
    });
}

void CitiesControllerModel::trackCountryOpened() {
    if (countryName_) eventTracker.track(AnalyticsEvent::app_cities_viewed, Dictionary{{"country", *countryName_}});
}

void CitiesControllerModel::applySearch() { searchIn(contentWithCities_); }

void CitiesControllerModel::connectCity(const ServerPtr& server, bool searching) {
    connectRow(server, ZevuTypes::ConnectVia::City, searching, citiesDelegate);
}

void CitiesControllerModel::vpnAccountDidChange() {
    setFetching(false);
    refreshPingSetting();
    loadCities();
}

}  // namespace morvex
